// immediate.cpp: glBegin/glEnd and the current vertex values, turned into
// the batch's vertices and indices.
//
// The current colour, normal and texture coordinate persist between
// primitives, as in GL; each vertex takes them as they are at its glVertex.
// glBegin decides whether the pending batch can take the new primitive: the
// same kind of batch and, if any state changed since, the same DrawState.
//
// The primitives, with GL 1.1's flat-shading vertex last in every triangle,
// since ES takes the flat colour from a triangle's last vertex:
//  - GL_POLYGON: a fan cut as (v[i], v[i+1], v[0]), a cyclic rotation of
//    each triangle, so the winding (and culling) stays; GL 1.1's flat colour
//    is the first vertex's.
//  - GL_QUADS: (v0, v1, v3) and (v1, v2, v3); GL 1.1's flat colour is the
//    fourth vertex's.
//  - GL_LINES one pixel wide: ES lines; the flat colour is the second
//    vertex's in both.
//  - GL_LINES wider: quads of the line width (wide_lines.cpp).
// Incomplete primitives are dropped, as GL drops them.
#include "gl11/state.h"

#include <cstring>

void gl11Begin(GLenum mode)
{
    BatchKind kind = BatchKind::none;
    if (mode == GL_LINES)
        kind = layer.lineWidth > 1.0f ? BatchKind::wideLines : BatchKind::lines;
    else if (mode == GL_POLYGON || mode == GL_QUADS)
        kind = BatchKind::triangles;
    if (kind == BatchKind::none || layer.inside)
        return;
    if (kind != layer.batchKind) {
        flushBatch();
        layer.batchKind = kind;
    }
    if (layer.stateChanged) {
        DrawState state;
        captureDrawState(state);
        if (std::memcmp(&state, &layer.batchState, sizeof state) != 0) {
            flushBatch();
            layer.batchState = state;
        }
        layer.stateChanged = false;
    }
    layer.primitive = mode;
    layer.inside = true;
    layer.primitiveStart = layer.vertices.size();
}

void gl11Vertex3i(GLint x, GLint y, GLint z)
{
    if (!layer.inside)
        return;
    LayerVertex vertex;
    vertex.position[0] = static_cast<float>(x);
    vertex.position[1] = static_cast<float>(y);
    vertex.position[2] = static_cast<float>(z);
    std::memcpy(vertex.normal, layer.normal, sizeof vertex.normal);
    std::memcpy(vertex.colour, layer.colour, sizeof vertex.colour);
    std::memcpy(vertex.texCoord, layer.texCoord, sizeof vertex.texCoord);
    vertex.offset[0] = 0.0f;
    vertex.offset[1] = 0.0f;
    layer.vertices.push_back(vertex);
}

void gl11Normal3d(GLdouble x, GLdouble y, GLdouble z)
{
    layer.normal[0] = static_cast<float>(x);
    layer.normal[1] = static_cast<float>(y);
    layer.normal[2] = static_cast<float>(z);
}

void gl11TexCoord2f(GLfloat s, GLfloat t)
{
    layer.texCoord[0] = s;
    layer.texCoord[1] = t;
}

void gl11Color3f(GLfloat red, GLfloat green, GLfloat blue)
{
    gl11Color4f(red, green, blue, 1.0f);
}

// Not clamped here: colour material takes the colour as given (brightness
// 2.0 doubles the lit colour); the shader clamps after lighting.
void gl11Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    layer.colour[0] = red;
    layer.colour[1] = green;
    layer.colour[2] = blue;
    layer.colour[3] = alpha;
}

void gl11End()
{
    if (!layer.inside)
        return;
    layer.inside = false;
    size_t start = layer.primitiveStart;
    size_t count = layer.vertices.size() - start;
    auto first = static_cast<uint32_t>(start);
    std::vector<uint32_t>& indices = layer.indices;
    switch (layer.primitive) {
    case GL_LINES:
        if (layer.batchKind == BatchKind::wideLines) {
            widenLines(start);
            return;
        }
        for (uint32_t k = 0; k + 1 < count; k += 2) {
            indices.push_back(first + k);
            indices.push_back(first + k + 1);
        }
        break;
    case GL_POLYGON:
        for (uint32_t i = 1; i + 1 < count; i++) {
            indices.push_back(first + i);
            indices.push_back(first + i + 1);
            indices.push_back(first);
        }
        break;
    case GL_QUADS:
        for (uint32_t q = 0; q + 3 < count; q += 4) {
            uint32_t v = first + q;
            uint32_t quad[6] = {v, v + 1, v + 3, v + 1, v + 2, v + 3};
            indices.insert(indices.end(), quad, quad + 6);
        }
        break;
    default: break;
    }
}
