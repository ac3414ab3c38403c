// immediate.cpp: glBegin/glEnd and the current vertex values.
//
// The current colour, normal and texture coordinate persist between
// primitives, as in GL; each vertex takes them as they are at its glVertex,
// and vertices outside glBegin/glEnd are ignored. glBegin decides with the
// ES side whether the pending batch can take the new primitive: the same
// kind of batch and, if any state changed since, the same DrawState (after
// checking that the layer can draw that state at all). glEnd hands the
// primitive's vertices over to the batch (batch.cpp, wide_lines.cpp).
#include "gl11/es.h"

#include <cstring>

void gl11Begin(GLenum mode)
{
    BatchKind kind = BatchKind::none;
    if (mode == GL_LINES)
        kind = glState.lineWidth > 1.0f ? BatchKind::wideLines : BatchKind::lines;
    else if (mode == GL_POLYGON || mode == GL_QUADS)
        kind = BatchKind::triangles;
    else
        notImplemented("glBegin", mode);
    if (glState.primitive != 0)
        return;  // GL only records the error
    DrawState state;
    const DrawState* changed = nullptr;
    if (glState.changed) {
        requireDrawable(glState);
        state = drawStateOf(glState);
        changed = &state;
        glState.changed = false;
    }
    openPrimitive(kind, changed);
    glState.primitive = mode;
    glState.primitiveVertices.clear();
}

void gl11Vertex3i(GLint x, GLint y, GLint z)
{
    if (glState.primitive == 0)
        return;
    LayerVertex vertex;
    vertex.position[0] = static_cast<float>(x);
    vertex.position[1] = static_cast<float>(y);
    vertex.position[2] = static_cast<float>(z);
    std::memcpy(vertex.normal, glState.normal, sizeof vertex.normal);
    std::memcpy(vertex.colour, glState.colour, sizeof vertex.colour);
    std::memcpy(vertex.texCoord, glState.texCoord, sizeof vertex.texCoord);
    vertex.offset[0] = 0.0f;
    vertex.offset[1] = 0.0f;
    glState.primitiveVertices.push_back(vertex);
}

void gl11Normal3d(GLdouble x, GLdouble y, GLdouble z)
{
    glState.normal[0] = static_cast<float>(x);
    glState.normal[1] = static_cast<float>(y);
    glState.normal[2] = static_cast<float>(z);
}

void gl11TexCoord2f(GLfloat s, GLfloat t)
{
    glState.texCoord[0] = s;
    glState.texCoord[1] = t;
}

void gl11Color3f(GLfloat red, GLfloat green, GLfloat blue)
{
    gl11Color4f(red, green, blue, 1.0f);
}

// Not clamped here: colour material takes the colour as given (brightness
// 2.0 doubles the lit colour); the shader clamps after lighting.
void gl11Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    glState.colour[0] = red;
    glState.colour[1] = green;
    glState.colour[2] = blue;
    glState.colour[3] = alpha;
}

void gl11End()
{
    GLenum mode = glState.primitive;
    if (mode == 0)
        return;
    glState.primitive = 0;
    const GLint* viewport = glState.viewport;
    LineRaster raster{glState.lineWidth, static_cast<float>(viewport[2]), static_cast<float>(viewport[3]),
        glState.depthTest && !glState.blend};
    const std::vector<LayerVertex>& vertices = glState.primitiveVertices;
    closePrimitive(mode, vertices.data(), vertices.size(), raster);
}
