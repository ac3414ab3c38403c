// state.h: the layer's record of GL 1.1 state, and the operations the
// layer's files share.
//
// The record holds what GL 1.1 would hold: the matrix stacks, the
// capabilities, the light, material and fog, the texture objects' parameters,
// the current colour, normal and texture coordinate, and the primitive being
// specified. Beside it lies the batch: the vertices and indices of the
// primitives not yet drawn, with the DrawState they are to be drawn in.
//
// Two kinds of state change:
//  - what ES itself holds (blending, depth test, culling, dithering, stencil
//    test, viewport, texture parameters and images) draws the pending batch
//    first and is then forwarded;
//  - what the layer's shaders take (matrices, lighting, shade model,
//    texturing, fog: uniforms, or the choice of program) only marks the
//    state as changed; the next
//    glBegin compares the DrawState it would draw with against the pending
//    batch's and draws the batch only when they differ.
// So primitives with no state change between them (every face of an object
// is its own glBegin/glEnd) reach ES as one draw.
#pragma once

#include "gl11/gl11.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A 4 x 4 matrix, column after column as GL stores it.
struct Matrix4 {
    float m[16];
};

// GL 1.1's depth for both stacks is at least 32 (projection 2); Mesa gives
// 32 to each.
constexpr int32_t matrixStackDepth = 32;

struct MatrixStack {
    Matrix4 entries[matrixStackDepth] = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};
    int32_t depth = 1;  // entries[depth - 1] is the current matrix
};

// What the batch draws: one-pixel lines, lines wider than one pixel (as
// triangles, drawn without culling), or polygons and quads (as triangles).
enum class BatchKind : int32_t { none, lines, wideLines, triangles };

// One vertex as the shader reads it. offset: a shift in normalised device
// coordinates applied after projection, which widens lines.
struct LayerVertex {
    float position[3];
    float normal[3];
    float colour[4];
    float texCoord[2];
    float offset[2];
};

// A texture object's parameters, as the program set them.
struct TextureRecord {
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
    GLint magFilter = GL_LINEAR;
    GLint wrapS = GL_REPEAT;
    GLint wrapT = GL_REPEAT;
    int32_t width = 0;
    int32_t height = 0;
};

// Everything a draw's shader inputs depend on, normalised so that state
// with no effect (the light while lighting is off, ...) compares equal.
// Only 4-byte fields, so that two of them compare byte for byte.
struct DrawState {
    Matrix4 modelview;
    Matrix4 projection;
    int32_t lighting;
    int32_t light0;
    float lightDirection[3];  // unit vector towards the light, eye space
    float halfVector[3];      // infinite viewer: normalize(light + (0, 0, 1))
    float specular[3];
    float shininess;
    int32_t flat;
    int32_t texturing;
    uint32_t texture;
    int32_t decal;
    int32_t sphereS;
    int32_t sphereT;
    int32_t borderS;  // GL_CLAMP under linear filtering: the black border shows
    int32_t borderT;
    float textureSize[2];
    int32_t fog;
    float fogColour[3];
    float fogScale;  // density / ln 2, for exp2
};

struct LayerState {
    bool started = false;

    // Matrices.
    GLenum matrixMode = GL_MODELVIEW;
    MatrixStack modelview;
    MatrixStack projection;

    // Capabilities the layer keeps.
    bool lighting = false;
    bool light0 = false;
    bool colourMaterial = false;
    bool texturing = false;
    bool genS = false;
    bool genT = false;
    bool fog = false;
    bool alphaTest = false;
    bool logicOp = false;

    // State ES holds, as last forwarded.
    bool depthTest = false;
    bool cullFace = false;
    bool blend = false;
    bool dither = true;
    bool stencilTest = false;
    GLenum blendSource = GL_ONE;
    GLenum blendDestination = GL_ZERO;
    GLenum cullMode = GL_BACK;
    GLenum frontFace = GL_CCW;
    GLint viewport[4] = {0, 0, 0, 0};
    float clearColour[4] = {0, 0, 0, 0};

    GLenum shadeModel = GL_SMOOTH;
    float lineWidth = 1.0f;

    // Light 0, the material, colour material. Light 0's colours and the
    // light model stay at GL's defaults (kvistra sets neither).
    float lightPosition[4] = {0, 0, 1, 0};  // eye space
    float specular[4] = {0, 0, 0, 1};
    float shininess = 0;
    GLenum colourMaterialFace = GL_FRONT_AND_BACK;
    GLenum colourMaterialMode = GL_AMBIENT_AND_DIFFUSE;

    // Fog.
    GLenum fogMode = GL_EXP;
    float fogColour[4] = {0, 0, 0, 0};
    float fogDensity = 1.0f;

    // Textures: one record per name, indexed by the name.
    std::vector<TextureRecord> textures;
    GLuint boundTexture = 0;
    GLuint esBoundTexture = 0;
    GLenum envMode = GL_MODULATE;
    GLint genModeS = 0x2400;  // GL_EYE_LINEAR
    GLint genModeT = 0x2400;
    GLint unpackAlignment = 4;
    GLint packAlignment = 4;
    std::vector<uint8_t> pixelScratch;  // texture conversion and read-back

    // Current values.
    float colour[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};

    // The primitive between glBegin and glEnd (0 outside), and where its
    // vertices start in the batch.
    GLenum primitive = 0;
    bool inside = false;
    size_t primitiveStart = 0;

    // The batch.
    bool stateChanged = true;
    BatchKind batchKind = BatchKind::none;
    DrawState batchState{};
    std::vector<LayerVertex> vertices;
    std::vector<uint32_t> indices;
    std::vector<LayerVertex> lineEnds;  // a wide-line primitive's own vertices
};

extern LayerState layer;

// Sets up the ES side (program, buffers) on the first call; the first GL
// call of the program, in kvistra the initial state at start-up, makes it.
void startLayer();
inline void ensureStarted()
{
    if (!layer.started)
        startLayer();
}

// Draws the pending batch, if any (batch.cpp).
void flushBatch();

// A uniform input changed: the next glBegin compares states.
inline void markStateChanged()
{
    layer.stateChanged = true;
}

// Replaces the line segments of the batch from vertex `start` on by quads
// of the line width; forgetWideLines ends a batch's record of the segments
// it holds (wide_lines.cpp).
void widenLines(size_t start);
void forgetWideLines();

// The DrawState of the current GL state (batch.cpp).
void captureDrawState(DrawState& state);

// The current matrix of the current mode (matrices.cpp).
Matrix4& currentMatrix();

// out = a * b, in GL's float arithmetic.
void multiplyMatrices(const Matrix4& a, const Matrix4& b, Matrix4& out);

// Binds a texture name on ES when it is not bound there already.
void bindEsTexture(GLuint name);

// The record of a texture name, grown on demand.
TextureRecord& textureRecord(GLuint name);

// Compiles and links the layer's program with or without texturing and
// fog, for flat or smooth shading; ends the process if ES refuses it
// (shader.cpp). A uniform the program
// has not got has location -1, which ES ignores.
struct ShaderInputs {
    GLuint program = 0;
    GLint modelview, projection, normalMatrix;
    GLint lighting, light0, lightDirection, halfVector, specular, shininess, sceneAmbient;
    GLint sphereMap;
    GLint sampler, decal, border, textureSize;
    GLint fogColour, fogScale;
};
void createProgram(ShaderInputs& inputs, bool texturing, bool fog, bool flat);

// The vertex attribute locations the program binds.
enum AttributeLocation : GLuint {
    attributePosition = 0,
    attributeNormal = 1,
    attributeColour = 2,
    attributeTexCoord = 3,
    attributeOffset = 4,
};

// A failure the layer cannot go on from: says so on standard error and
// ends the process.
[[noreturn]] void layerFatal(const char* what, const char* detail);
