// state.cpp: the state record itself, the capabilities and the fixed
// raster state.
//
// Depth test, culling, blending, dithering and stencil test, the blend
// function, the culled face and the front face are ES's own: a change draws
// what is pending and is forwarded. Lighting, light 0, texturing, texture
// generation and fog are the shader's: a change only marks the state.
// Alpha test, logic operation and colour material are kept as state only:
// kvistra switches the first two off (their GL 1.1 effect is none on its
// pictures) and colour material on for good.
#include "gl11/state.h"

LayerState layer;

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
    ensureStarted();
    switch (capability) {
    case GL_LIGHTING: keep(layer.lighting, on); break;
    case GL_LIGHT0: keep(layer.light0, on); break;
    case GL_TEXTURE_2D: keep(layer.texturing, on); break;
    case GL_TEXTURE_GEN_S: keep(layer.genS, on); break;
    case GL_TEXTURE_GEN_T: keep(layer.genT, on); break;
    case GL_FOG: keep(layer.fog, on); break;
    case GL_COLOR_MATERIAL: layer.colourMaterial = on; break;
    case GL_ALPHA_TEST: layer.alphaTest = on; break;
    case GL_LOGIC_OP: layer.logicOp = on; break;
    case GL_DEPTH_TEST: forward(layer.depthTest, capability, on); break;
    case GL_CULL_FACE: forward(layer.cullFace, capability, on); break;
    case GL_BLEND: forward(layer.blend, capability, on); break;
    case GL_DITHER: forward(layer.dither, capability, on); break;
    case GL_STENCIL_TEST: forward(layer.stencilTest, capability, on); break;
    default: break;
    }
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
    if ((mode != GL_FLAT && mode != GL_SMOOTH) || mode == layer.shadeModel)
        return;
    layer.shadeModel = mode;
    markStateChanged();
}

void gl11BlendFunc(GLenum source, GLenum destination)
{
    if (source == layer.blendSource && destination == layer.blendDestination)
        return;
    flushBatch();
    layer.blendSource = source;
    layer.blendDestination = destination;
    glBlendFunc(source, destination);
}

void gl11CullFace(GLenum mode)
{
    if (mode == layer.cullMode)
        return;
    flushBatch();
    layer.cullMode = mode;
    glCullFace(mode);
}

void gl11FrontFace(GLenum mode)
{
    if (mode == layer.frontFace)
        return;
    flushBatch();
    layer.frontFace = mode;
    glFrontFace(mode);
}

// ES keeps its own width at 1; wider lines are drawn as quads.
void gl11LineWidth(GLfloat width)
{
    if (width > 0.0f)
        layer.lineWidth = width;
}
