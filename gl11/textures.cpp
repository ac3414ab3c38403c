// textures.cpp: texture objects, their parameters and images, the texture
// environment and coordinate generation.
//
// Texture objects are ES's; the layer keeps a record of each one's
// parameters, indexed by name, because the shader needs to know them:
//  - GL_CLAMP does not exist in ES. It is set as GL_CLAMP_TO_EDGE, and under
//    linear filtering the shader takes away the share of the black border
//    GL_CLAMP would have blended in (border flags in the DrawState).
//    Nearest filtering never reaches the border, so there it is the same.
//  - An image of three components (internal format 3 or GL_RGB) given as
//    RGBA bytes is stored as RGB: ES wants the source in the stored format,
//    so the bytes are repacked, and the alpha of the texture is 1. Images
//    given in their stored format, RGB or RGBA, go to ES as they are.
// The environment mode (GL_MODULATE, GL_DECAL) and sphere-map generation are
// the shader's. Pixel storage is recorded, not forwarded: the layer sets
// ES's own alignment for each upload and read-back.
#include "gl11/es.h"
#include "gl11/pixels.h"

static bool isMinFilter(GLint value)
{
    switch (value) {
    case GL_NEAREST:
    case GL_LINEAR:
    case GL_NEAREST_MIPMAP_NEAREST:
    case GL_LINEAR_MIPMAP_NEAREST:
    case GL_NEAREST_MIPMAP_LINEAR:
    case GL_LINEAR_MIPMAP_LINEAR: return true;
    default: return false;
    }
}

void gl11GenTextures(GLsizei count, GLuint* names)
{
    ensureStarted();
    glGenTextures(count, names);
    for (GLsizei i = 0; i < count; i++)
        textureRecord(glState, names[i]) = TextureRecord{};
}

void gl11BindTexture(GLenum target, GLuint name)
{
    if (target != GL_TEXTURE_2D)
        notImplemented("glBindTexture", target);
    if (name == glState.boundTexture)
        return;
    textureRecord(glState, name);
    glState.boundTexture = name;
    markStateChanged();
}

void gl11TexParameteri(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_2D)
        notImplemented("glTexParameteri", target);
    TextureRecord& record = textureRecord(glState, glState.boundTexture);
    GLint* field = nullptr;
    bool valid = false;
    switch (name) {
    case GL_TEXTURE_MIN_FILTER: field = &record.minFilter, valid = isMinFilter(value); break;
    case GL_TEXTURE_MAG_FILTER:
        field = &record.magFilter, valid = value == GL_NEAREST || value == GL_LINEAR;
        break;
    case GL_TEXTURE_WRAP_S: field = &record.wrapS, valid = value == GL_CLAMP || value == GL_REPEAT; break;
    case GL_TEXTURE_WRAP_T: field = &record.wrapT, valid = value == GL_CLAMP || value == GL_REPEAT; break;
    default: notImplemented("glTexParameteri", name);
    }
    if (!valid)
        notImplemented("glTexParameteri", static_cast<GLenum>(value));
    ensureStarted();
    if (*field == value)
        return;
    flushBatch();
    *field = value;
    bindEsTexture(glState.boundTexture);
    glTexParameteri(GL_TEXTURE_2D, name, value == GL_CLAMP ? GL_CLAMP_TO_EDGE : value);
    markStateChanged();
}

void gl11TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
    GLint border, GLenum format, GLenum type, const void* pixels)
{
    if (target != GL_TEXTURE_2D)
        notImplemented("glTexImage2D", target);
    bool rgb = internalFormat == 3 || internalFormat == GL_RGB;
    bool rgba = internalFormat == 4 || internalFormat == GL_RGBA;
    if (!rgb && !rgba)
        notImplemented("glTexImage2D", static_cast<GLenum>(internalFormat));
    if (type != GL_UNSIGNED_BYTE)
        notImplemented("glTexImage2D", type);
    if (format != GL_RGBA && !(rgb && format == GL_RGB))
        notImplemented("glTexImage2D", format);
    if (border != 0)
        layerFatal("glTexImage2D", "a texture border is not implemented");
    ensureStarted();
    flushBatch();
    bindEsTexture(glState.boundTexture);
    if (level == 0) {
        TextureRecord& record = textureRecord(glState, glState.boundTexture);
        record.width = width;
        record.height = height;
        markStateChanged();
    }
    if (rgb && format == GL_RGBA && pixels != nullptr) {
        auto columns = static_cast<size_t>(width);
        auto rows = static_cast<size_t>(height);
        uint8_t* packed = pixelScratch(columns * rows * 3);
        rgbaToRgb(static_cast<const uint8_t*>(pixels),
            alignedRowBytes(columns, 4, static_cast<size_t>(glState.unpackAlignment)), packed, columns * 3,
            columns, rows);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, packed);
        return;
    }
    const void* source = format == (rgb ? GL_RGB : GL_RGBA) ? pixels : nullptr;
    glPixelStorei(GL_UNPACK_ALIGNMENT, glState.unpackAlignment);
    glTexImage2D(GL_TEXTURE_2D, level, rgb ? GL_RGB8 : GL_RGBA8, width, height, 0, rgb ? GL_RGB : GL_RGBA,
        GL_UNSIGNED_BYTE, source);
}

void gl11TexEnvi(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_ENV)
        notImplemented("glTexEnv", target);
    if (name != GL_TEXTURE_ENV_MODE)
        notImplemented("glTexEnv", name);
    auto mode = static_cast<GLenum>(value);
    if (mode != GL_MODULATE && mode != GL_DECAL)
        notImplemented("glTexEnv", mode);
    if (mode == glState.envMode)
        return;
    glState.envMode = mode;
    markStateChanged();
}

void gl11TexEnvf(GLenum target, GLenum name, GLfloat value)
{
    gl11TexEnvi(target, name, static_cast<GLint>(value));
}

void gl11TexGeni(GLenum coordinate, GLenum name, GLint value)
{
    if (coordinate != GL_S && coordinate != GL_T)
        notImplemented("glTexGeni", coordinate);
    if (name != GL_TEXTURE_GEN_MODE)
        notImplemented("glTexGeni", name);
    if (value != GL_SPHERE_MAP)
        notImplemented("glTexGeni", static_cast<GLenum>(value));
    (coordinate == GL_S ? glState.sphereMapS : glState.sphereMapT) = true;
    markStateChanged();
}

void gl11PixelStorei(GLenum name, GLint value)
{
    if (name != GL_UNPACK_ALIGNMENT && name != GL_PACK_ALIGNMENT)
        notImplemented("glPixelStorei", name);
    if (value != 1 && value != 2 && value != 4 && value != 8)
        return;  // GL only records the error
    (name == GL_UNPACK_ALIGNMENT ? glState.unpackAlignment : glState.packAlignment) = value;
}
