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
//    so the bytes are repacked, and the alpha of the texture is 1.
// The environment mode (GL_MODULATE, GL_DECAL) and sphere-map generation are
// the shader's. Pixel storage is recorded, not forwarded: the layer sets
// ES's own alignment for its repacked uploads and read-backs.
#include "gl11/state.h"

TextureRecord& textureRecord(GLuint name)
{
    if (name >= layer.textures.size())
        layer.textures.resize(static_cast<size_t>(name) + 1);
    return layer.textures[name];
}

void bindEsTexture(GLuint name)
{
    if (layer.esBoundTexture == name)
        return;
    layer.esBoundTexture = name;
    glBindTexture(GL_TEXTURE_2D, name);
}

void gl11GenTextures(GLsizei count, GLuint* names)
{
    ensureStarted();
    glGenTextures(count, names);
    for (GLsizei i = 0; i < count; i++)
        textureRecord(names[i]) = TextureRecord{};
}

void gl11BindTexture(GLenum target, GLuint name)
{
    if (target != GL_TEXTURE_2D || name == layer.boundTexture)
        return;
    textureRecord(name);
    layer.boundTexture = name;
    markStateChanged();
}

void gl11TexParameteri(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_2D)
        return;
    TextureRecord& record = textureRecord(layer.boundTexture);
    GLint* field = name == GL_TEXTURE_MIN_FILTER   ? &record.minFilter
                   : name == GL_TEXTURE_MAG_FILTER ? &record.magFilter
                   : name == GL_TEXTURE_WRAP_S     ? &record.wrapS
                   : name == GL_TEXTURE_WRAP_T     ? &record.wrapT
                                                   : nullptr;
    if (field == nullptr || *field == value)
        return;
    flushBatch();
    *field = value;
    bindEsTexture(layer.boundTexture);
    glTexParameteri(GL_TEXTURE_2D, name, value == GL_CLAMP ? GL_CLAMP_TO_EDGE : value);
    markStateChanged();
}

void gl11TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                    GLint border, GLenum format, GLenum type, const void* pixels)
{
    if (target != GL_TEXTURE_2D)
        return;
    flushBatch();
    bindEsTexture(layer.boundTexture);
    if (level == 0) {
        TextureRecord& record = textureRecord(layer.boundTexture);
        record.width = width;
        record.height = height;
        markStateChanged();
    }
    bool threeComponents = internalFormat == 3 || internalFormat == GL_RGB;
    if (!threeComponents || format != GL_RGBA || type != GL_UNSIGNED_BYTE || pixels == nullptr) {
        glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
        return;
    }
    size_t alignment = static_cast<size_t>(layer.unpackAlignment);
    size_t sourceRow = (static_cast<size_t>(width) * 4 + alignment - 1) / alignment * alignment;
    std::vector<uint8_t>& rgb = layer.pixelScratch;
    size_t bytes = static_cast<size_t>(width) * height * 3;
    if (rgb.size() < bytes)
        rgb.resize(bytes);
    const auto* source = static_cast<const uint8_t*>(pixels);
    for (GLsizei row = 0; row < height; row++) {
        const uint8_t* from = source + row * sourceRow;
        uint8_t* to = rgb.data() + static_cast<size_t>(row) * width * 3;
        for (GLsizei i = 0; i < width; i++) {
            to[i * 3 + 0] = from[i * 4 + 0];
            to[i * 3 + 1] = from[i * 4 + 1];
            to[i * 3 + 2] = from[i * 4 + 2];
        }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
}

void gl11TexEnvi(GLenum target, GLenum name, GLint value)
{
    if (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE || static_cast<GLenum>(value) == layer.envMode)
        return;
    layer.envMode = static_cast<GLenum>(value);
    markStateChanged();
}

void gl11TexEnvf(GLenum target, GLenum name, GLfloat value)
{
    gl11TexEnvi(target, name, static_cast<GLint>(value));
}

void gl11TexGeni(GLenum coordinate, GLenum name, GLint value)
{
    if (name != GL_TEXTURE_GEN_MODE)
        return;
    if (coordinate == GL_S)
        layer.genModeS = value;
    else if (coordinate == GL_T)
        layer.genModeT = value;
    markStateChanged();
}

void gl11PixelStorei(GLenum name, GLint value)
{
    if (value != 1 && value != 2 && value != 4 && value != 8)
        return;
    if (name == GL_UNPACK_ALIGNMENT)
        layer.unpackAlignment = value;
    else if (name == GL_PACK_ALIGNMENT)
        layer.packAlignment = value;
}
