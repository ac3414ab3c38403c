// capabilities.cpp: glEnable/glDisable and the fixed raster state.
//
// Depth test, culling, blending, dithering and stencil test, the blend
// function, the culled face and the front face are ES's own: a change draws
// what is pending and is forwarded. Lighting, light 0, colour material,
// texturing, texture generation and fog are the shader's: a change only
// marks the state. Alpha test and logic operation are implemented off only
// (kvistra switches both off; their GL 1.1 effect is none on its pictures).
// Every entry point here starts the layer, so that nothing the program sets
// first is lost under the start-up's own draws.
#include "gl11/es.h"

static void keep(bool& field, bool on)
{
    if (field == on)
        return;
    field = on;
    markStateChanged();
}

static void forward(bool& field, GLenum capability, bool on)
{
    if (field == on)
        return;
    flushBatch();
    field = on;
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

static void setCapability(GLenum capability, bool on)
{
    bool* kept = nullptr;
    bool* forwarded = nullptr;
    switch (capability) {
    case GL_LIGHTING: kept = &glState.lighting; break;
    case GL_LIGHT0: kept = &glState.light0; break;
    case GL_COLOR_MATERIAL: kept = &glState.colourMaterial; break;
    case GL_TEXTURE_2D: kept = &glState.texturing; break;
    case GL_TEXTURE_GEN_S: kept = &glState.genS; break;
    case GL_TEXTURE_GEN_T: kept = &glState.genT; break;
    case GL_FOG: kept = &glState.fog; break;
    case GL_DEPTH_TEST: forwarded = &glState.depthTest; break;
    case GL_CULL_FACE: forwarded = &glState.cullFace; break;
    case GL_BLEND: forwarded = &glState.blend; break;
    case GL_DITHER: forwarded = &glState.dither; break;
    case GL_STENCIL_TEST: forwarded = &glState.stencilTest; break;
    case GL_ALPHA_TEST:
    case GL_LOGIC_OP:
        if (on)
            notImplemented("glEnable", capability);
        break;
    default: notImplemented(on ? "glEnable" : "glDisable", capability);
    }
    ensureStarted();
    if (kept != nullptr)
        keep(*kept, on);
    else if (forwarded != nullptr)
        forward(*forwarded, capability, on);
}

void gl11Enable(GLenum capability)
{
    setCapability(capability, true);
}

void gl11Disable(GLenum capability)
{
    setCapability(capability, false);
}

void gl11ShadeModel(GLenum mode)
{
    if (mode != GL_FLAT && mode != GL_SMOOTH)
        notImplemented("glShadeModel", mode);
    if (mode == glState.shadeModel)
        return;
    glState.shadeModel = mode;
    markStateChanged();
}

void gl11BlendFunc(GLenum source, GLenum destination)
{
    ensureStarted();
    if (source == glState.blendSource && destination == glState.blendDestination)
        return;
    flushBatch();
    glState.blendSource = source;
    glState.blendDestination = destination;
    glBlendFunc(source, destination);
}

void gl11CullFace(GLenum mode)
{
    ensureStarted();
    if (mode == glState.cullMode)
        return;
    flushBatch();
    glState.cullMode = mode;
    glCullFace(mode);
}

void gl11FrontFace(GLenum mode)
{
    ensureStarted();
    if (mode == glState.frontFace)
        return;
    flushBatch();
    glState.frontFace = mode;
    glFrontFace(mode);
}

// ES keeps its own width at 1; wider lines are drawn as quads.
void gl11LineWidth(GLfloat width)
{
    if (width > 0.0f)
        glState.lineWidth = width;
}
