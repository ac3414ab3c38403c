// state.h: the layer's record of GL 1.1 state, and what every file of the
// layer shares: its vertex, the texture records and the fatal path.
//
// The record holds what GL 1.1 would hold: the matrix stacks, the
// capabilities, the light, material and fog, the texture objects'
// parameters, pixel storage, the current colour, normal and texture
// coordinate, and the primitive being specified. The ES side (programs,
// buffers, the texture bound on ES, the pending batch) is es.cpp's alone.
//
// Two kinds of state change:
//  - what ES itself holds (blending, depth test, culling, dithering, stencil
//    test, viewport, texture parameters and images) draws the pending batch
//    first and is then forwarded;
//  - what the layer's shaders take (matrices, lighting, shade model,
//    texturing, fog: uniforms, or the choice of program) only marks the
//    record as changed; the next glBegin compares the DrawState it would
//    draw with (draw_state.h) against the pending batch's and draws the
//    batch only when they differ.
// So primitives with no state change between them (every face of an object
// is its own glBegin/glEnd) reach ES as one draw.
//
// A GL 1.1 value the layer does not implement ends the process through
// notImplemented: nothing is kept that the draws would then ignore.
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

inline Matrix4& topMatrix(MatrixStack& stack)
{
    return stack.entries[stack.depth - 1];
}

inline const Matrix4& topMatrix(const MatrixStack& stack)
{
    return stack.entries[stack.depth - 1];
}

// A copy of the top matrix on top; false on a full stack, which stays as it
// is (GL only records the error) (matrices.cpp).
bool pushMatrix(MatrixStack& stack);

// The top matrix dropped; false when it is the last, which stays.
bool popMatrix(MatrixStack& stack);

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

struct GlState {
    // Matrices.
    GLenum matrixMode = GL_MODELVIEW;
    MatrixStack modelview;
    MatrixStack projection;

    // Capabilities the shaders take. Lighting is implemented with colour
    // material only (glBegin checks).
    bool lighting = false;
    bool light0 = false;
    bool colourMaterial = false;
    bool texturing = false;
    bool genS = false;
    bool genT = false;
    bool fog = false;

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
    GLint viewport[4] = {0, 0, 0, 0};  // the surface's size from the layer's start on

    GLenum shadeModel = GL_SMOOTH;
    float lineWidth = 1.0f;

    // Light 0 and the material, one for both faces, whose ambient and
    // diffuse colour material takes from the current colour. Light 0's
    // colours and the light model stay at GL's defaults.
    float lightPosition[4] = {0, 0, 1, 0};  // eye space
    float specular[4] = {0, 0, 0, 1};
    float shininess = 0;

    // Fog, GL_EXP.
    float fogColour[4] = {0, 0, 0, 0};
    float fogDensity = 1.0f;

    // Textures: one record per name, indexed by the name. Coordinate
    // generation is GL_EYE_LINEAR until glTexGeni makes it GL_SPHERE_MAP.
    std::vector<TextureRecord> textures;
    GLuint boundTexture = 0;
    GLenum envMode = GL_MODULATE;
    bool sphereMapS = false;
    bool sphereMapT = false;
    GLint unpackAlignment = 4;
    GLint packAlignment = 4;

    // Current values.
    float colour[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};

    // The primitive between glBegin and glEnd (0 outside) and its vertices.
    GLenum primitive = 0;
    std::vector<LayerVertex> primitiveVertices;

    // Whether what the DrawState is made of changed since the last glBegin.
    bool changed = true;
};

extern GlState glState;

// Something the shaders take changed: the next glBegin compares states.
inline void markStateChanged()
{
    glState.changed = true;
}

// The record of a texture name, grown on demand (state.cpp).
TextureRecord& textureRecord(GlState& state, GLuint name);

// The record of a texture name, or GL's defaults for a name never seen.
const TextureRecord& findTextureRecord(const GlState& state, GLuint name);

// A failure the layer cannot go on from: one line on standard error,
// "gl11: what: detail", and the process ends (fatal.cpp).
[[noreturn]] void layerFatal(const char* what, const char* detail);

// A GL 1.1 value (an enum) the layer does not implement, given to call.
[[noreturn]] void notImplemented(const char* call, GLenum value);
