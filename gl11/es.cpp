// es.cpp: the ES side of the layer, all of it: the programs, the buffers,
// the texture bound on ES and the pending batch, drawn as one ES draw.
//
// Everything is made once, on the layer's first call: the eight programs
// (shader.cpp), one vertex array, and rings of vertex and index
// buffers: each draw writes its vertices and indices after the previous
// draw's, and a full buffer hands over to the next of three, so a buffer is
// written again only two buffers' worth of draws after its last use and no
// storage is ever renewed. The CPU side keeps its arrays' capacity from
// frame to frame: in the steady state nothing is allocated.
//
// The driver compiles its own variant of a program for every combination
// of depth test, blending, dithering and texture filter it is drawn with
// (llvmpipe does, at the first triangle that reaches pixels, some 20 to 80 ms
// each), so start-up draws a triangle of each program in each combination
// kvistra uses, clears the frame again and waits until all that is done:
// none of that compiling falls into the show.
//
// A draw sets only the uniforms whose values differ from what its program
// holds, and binds its texture only when ES has another one bound.
//
// The pending batch takes primitives until the kind of batch or the
// DrawState changes, or a change of state ES holds draws it first (the GL
// 1.1 entry points call flushBatch). A wide-line batch is drawn with culling
// off, and culling comes back as the record has it.
#include "gl11/es.h"

#include "gl11/shader.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int ringBuffers = 3;

struct Ring {
    GLenum target;
    GLsizeiptr capacity;  // of each buffer
    GLuint buffers[ringBuffers] = {};
    int current = 0;
    GLintptr offset = 0;
};

// The program of a draw: 1 with texturing, + 2 with fog, + 4 for flat
// shading.
constexpr int programCount = 8;

int programFor(const DrawState& state)
{
    return (state.texturing ? 1 : 0) + (state.fog ? 2 : 0) + (state.flat ? 4 : 0);
}

// A program and the uniform values it holds.
struct Program {
    ShaderInputs inputs;
    DrawState applied{};
    bool appliedValid = false;
};

struct EsSide {
    bool started = false;
    Program programs[programCount];
    int current = -1;
    GLuint vertexArray = 0;
    Ring vertices{GL_ARRAY_BUFFER, 2 << 20};
    Ring indices{GL_ELEMENT_ARRAY_BUFFER, 512 << 10};
    GLuint boundTexture = 0;
    Batch batch;
};

EsSide es;

template <typename T> bool same(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// The inverse transpose of the modelview's upper 3 x 3, column after column.
void normalMatrix(const Matrix4& modelview, float out[9])
{
    auto a = [&modelview](int row, int column) { return static_cast<double>(modelview.m[column * 4 + row]); };
    double c[3][3] = {
        {a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2),
            a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0)},
        {a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2), a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0),
            a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1)},
        {a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2),
            a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)},
    };
    double determinant = a(0, 0) * c[0][0] + a(0, 1) * c[0][1] + a(0, 2) * c[0][2];
    if (determinant == 0.0)
        determinant = 1.0;
    for (int row = 0; row < 3; row++)
        for (int column = 0; column < 3; column++)
            out[column * 3 + row] = static_cast<float>(c[row][column] / determinant);
}

void useProgram(int index)
{
    if (es.current == index)
        return;
    es.current = index;
    glUseProgram(es.programs[index].inputs.program);
}

// Sets the uniforms of the program in use that differ from what it holds.
void applyUniforms(const DrawState& state)
{
    Program& program = es.programs[es.current];
    const ShaderInputs& in = program.inputs;
    const DrawState& was = program.applied;
    bool all = !program.appliedValid;
    if (all || !same(state.modelview, was.modelview)) {
        float normals[9];
        normalMatrix(state.modelview, normals);
        glUniformMatrix4fv(in.modelview, 1, GL_FALSE, state.modelview.m);
        glUniformMatrix3fv(in.normalMatrix, 1, GL_FALSE, normals);
    }
    if (all || !same(state.projection, was.projection))
        glUniformMatrix4fv(in.projection, 1, GL_FALSE, state.projection.m);
    if (all || state.lighting != was.lighting)
        glUniform1i(in.lighting, state.lighting);
    if (all || state.light0 != was.light0)
        glUniform1i(in.light0, state.light0);
    if (all || !same(state.lightDirection, was.lightDirection))
        glUniform3fv(in.lightDirection, 1, state.lightDirection);
    if (all || !same(state.halfVector, was.halfVector))
        glUniform3fv(in.halfVector, 1, state.halfVector);
    if (all || !same(state.specular, was.specular))
        glUniform3fv(in.specular, 1, state.specular);
    if (all || state.shininess != was.shininess)
        glUniform1f(in.shininess, state.shininess);
    if (all || state.decal != was.decal)
        glUniform1i(in.decal, state.decal);
    if (all || state.sphereS != was.sphereS || state.sphereT != was.sphereT)
        glUniform2i(in.sphereMap, state.sphereS, state.sphereT);
    if (all || state.borderS != was.borderS || state.borderT != was.borderT)
        glUniform2i(in.border, state.borderS, state.borderT);
    if (all || !same(state.textureSize, was.textureSize))
        glUniform2fv(in.textureSize, 1, state.textureSize);
    if (all || !same(state.fogColour, was.fogColour))
        glUniform3fv(in.fogColour, 1, state.fogColour);
    if (all || state.fogScale != was.fogScale)
        glUniform1f(in.fogScale, state.fogScale);
    program.applied = state;
    program.appliedValid = true;
}

void createRing(Ring& ring)
{
    glGenBuffers(ringBuffers, ring.buffers);
    for (GLuint buffer : ring.buffers) {
        glBindBuffer(ring.target, buffer);
        glBufferData(ring.target, ring.capacity, nullptr, GL_STREAM_DRAW);
    }
    glBindBuffer(ring.target, ring.buffers[0]);
}

// Writes bytes into the ring, bound at its target; returns their offset.
GLintptr writeRing(Ring& ring, const void* data, GLsizeiptr bytes)
{
    if (ring.offset + bytes > ring.capacity) {
        if (bytes > ring.capacity) {
            // Only a batch larger than any before grows the buffers.
            while (bytes > ring.capacity)
                ring.capacity *= 2;
            for (GLuint buffer : ring.buffers) {
                glBindBuffer(ring.target, buffer);
                glBufferData(ring.target, ring.capacity, nullptr, GL_STREAM_DRAW);
            }
        }
        ring.current = (ring.current + 1) % ringBuffers;
        glBindBuffer(ring.target, ring.buffers[ring.current]);
        ring.offset = 0;
    }
    glBufferSubData(ring.target, ring.offset, bytes, data);
    GLintptr at = ring.offset;
    ring.offset += bytes;
    return at;
}

void pointAttributes(GLintptr base)
{
    const GLsizei stride = sizeof(LayerVertex);
    auto at = [base](size_t field) {
        return reinterpret_cast<const void*>(base + static_cast<GLintptr>(field));
    };
    glVertexAttribPointer(
        attributePosition, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(LayerVertex, position)));
    glVertexAttribPointer(attributeNormal, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(LayerVertex, normal)));
    glVertexAttribPointer(attributeColour, 4, GL_FLOAT, GL_FALSE, stride, at(offsetof(LayerVertex, colour)));
    glVertexAttribPointer(
        attributeTexCoord, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(LayerVertex, texCoord)));
    glVertexAttribPointer(attributeOffset, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(LayerVertex, offset)));
}

// glEnable or glDisable on ES.
void switchEs(GLenum capability, bool on)
{
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

// A triangle of every program in every combination of depth test, blending
// (with the one function kvistra blends with) and texture filter, dithering
// off (kvistra's first draw switches it off for good), through a texture
// like kvistra's (RGB, 256 x 256, clamped); then the frame is cleared and ES
// is back at GL's defaults. Runs before the program's first clear.
void drawEveryRasterState()
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<uint8_t> black(256 * 256 * 3, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, black.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);
    glDisable(GL_DITHER);
    static const Matrix4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
    LayerVertex corners[3] = {};
    corners[1].position[0] = 0.5f;
    corners[2].position[1] = 0.5f;
    const uint32_t triangle[3] = {0, 1, 2};
    // Bit 0: blending, bit 1: depth test, bit 2: linear filter, bits 3 and
    // up: the program.
    for (int combination = 0; combination < programCount * 8; combination++) {
        int index = combination >> 3;
        useProgram(index);
        glUniformMatrix4fv(es.programs[index].inputs.modelview, 1, GL_FALSE, identity.m);
        glUniformMatrix4fv(es.programs[index].inputs.projection, 1, GL_FALSE, identity.m);
        GLint filter = combination & 4 ? GL_LINEAR : GL_NEAREST;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        switchEs(GL_DEPTH_TEST, combination & 2);
        switchEs(GL_BLEND, combination & 1);
        pointAttributes(writeRing(es.vertices, corners, sizeof corners));
        GLintptr at = writeRing(es.indices, triangle, sizeof triangle);
        glDrawElements(GL_TRIANGLES, 3, GL_UNSIGNED_INT, reinterpret_cast<const void*>(at));
    }
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    // A wait no driver skips: reading a pixel back returns only once every
    // draw before it is done. (WebGL's finish does not wait in Chromium, whose
    // GPU process would then compile during the show's first frames.)
    uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_DITHER);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
}

void startLayer()
{
    es.started = true;
    for (int index = 0; index < programCount; index++) {
        ShaderInputs& inputs = es.programs[index].inputs;
        createProgram(inputs, index & 1, index & 2, index & 4);
        useProgram(index);
        glUniform1i(inputs.sampler, 0);
        // The default light model's ambient times the material's ambient,
        // which colour material takes from the current colour.
        glUniform3f(inputs.sceneAmbient, 0.2f, 0.2f, 0.2f);
    }

    glGenVertexArrays(1, &es.vertexArray);
    glBindVertexArray(es.vertexArray);
    createRing(es.vertices);
    createRing(es.indices);
    for (GLuint attribute :
        {attributePosition, attributeNormal, attributeColour, attributeTexCoord, attributeOffset})
        glEnableVertexAttribArray(attribute);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_VIEWPORT, glState.viewport);
    drawEveryRasterState();
}

}  // namespace

void ensureStarted()
{
    if (!es.started)
        startLayer();
}

void gl11Start()
{
    ensureStarted();
}

void bindEsTexture(GLuint name)
{
    if (es.boundTexture == name)
        return;
    es.boundTexture = name;
    glBindTexture(GL_TEXTURE_2D, name);
}

void flushBatch()
{
    Batch& batch = es.batch;
    if (batch.indices.empty()) {
        batch.vertices.clear();
        return;
    }
    ensureStarted();
    const DrawState& state = batch.state;
    GLintptr vertexBase = writeRing(es.vertices, batch.vertices.data(),
        static_cast<GLsizeiptr>(batch.vertices.size() * sizeof(LayerVertex)));
    GLintptr indexBase = writeRing(
        es.indices, batch.indices.data(), static_cast<GLsizeiptr>(batch.indices.size() * sizeof(uint32_t)));
    pointAttributes(vertexBase);
    useProgram(programFor(state));
    applyUniforms(state);
    if (state.texturing)
        bindEsTexture(state.texture);

    bool lines = batch.kind == BatchKind::lines;
    // A wide line's quad has no face to cull.
    bool uncull = batch.kind == BatchKind::wideLines && glState.cullFace;
    if (uncull)
        glDisable(GL_CULL_FACE);
    glDrawElements(lines ? GL_LINES : GL_TRIANGLES, static_cast<GLsizei>(batch.indices.size()),
        GL_UNSIGNED_INT, reinterpret_cast<const void*>(indexBase));
    if (uncull)
        glEnable(GL_CULL_FACE);
    emptyBatch(batch);
}

void openPrimitive(BatchKind kind, const DrawState* changed)
{
    if (kind != es.batch.kind) {
        flushBatch();
        es.batch.kind = kind;
    }
    if (changed != nullptr && !same(*changed, es.batch.state)) {
        flushBatch();
        es.batch.state = *changed;
    }
}

void closePrimitive(GLenum mode, const LayerVertex* vertices, size_t count, const LineRaster& raster)
{
    addPrimitive(es.batch, mode, vertices, count, raster);
}
