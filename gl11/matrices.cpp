// matrices.cpp: the projection and modelview stacks and GLU's two matrices.
//
// The arithmetic is GL's and GLU's as Mesa does it, in floats: a matrix
// operation multiplies the current matrix on the right; gluPerspective builds
// its matrix in doubles and multiplies it as floats; gluLookAt works in
// floats and ends with a translation. A push on a full stack and a pop of
// the last matrix do nothing, as in GL (which only records the error): the
// renderer pushes before it selects the modelview, so after a reshape the
// projection stack grows by one and the modelview pop underflows.
#include "gl11/state.h"

#include <cmath>
#include <cstring>

static const Matrix4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

static MatrixStack& currentStack()
{
    return glState.matrixMode == GL_PROJECTION ? glState.projection : glState.modelview;
}

static Matrix4& currentMatrix()
{
    return topMatrix(currentStack());
}

// out = a * b, in GL's float arithmetic.
static void multiplyMatrices(const Matrix4& a, const Matrix4& b, Matrix4& out)
{
    Matrix4 product;
    for (int row = 0; row < 4; row++) {
        float a0 = a.m[row], a1 = a.m[4 + row], a2 = a.m[8 + row], a3 = a.m[12 + row];
        for (int column = 0; column < 4; column++) {
            const float* b_ = &b.m[column * 4];
            product.m[column * 4 + row] = a0 * b_[0] + a1 * b_[1] + a2 * b_[2] + a3 * b_[3];
        }
    }
    out = product;
}

static void multiplyCurrent(const Matrix4& by)
{
    Matrix4& top = currentMatrix();
    multiplyMatrices(top, by, top);
    markStateChanged();
}

bool pushMatrix(MatrixStack& stack)
{
    if (stack.depth >= matrixStackDepth)
        return false;
    stack.entries[stack.depth] = stack.entries[stack.depth - 1];
    stack.depth++;
    return true;
}

bool popMatrix(MatrixStack& stack)
{
    if (stack.depth <= 1)
        return false;
    stack.depth--;
    return true;
}

void gl11MatrixMode(GLenum mode)
{
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION)
        notImplemented("glMatrixMode", mode);
    glState.matrixMode = mode;
}

void gl11PushMatrix()
{
    pushMatrix(currentStack());
}

void gl11PopMatrix()
{
    if (popMatrix(currentStack()))
        markStateChanged();
}

void gl11LoadIdentity()
{
    currentMatrix() = identity;
    markStateChanged();
}

void gl11Scalef(GLfloat x, GLfloat y, GLfloat z)
{
    float* m = currentMatrix().m;
    for (int row = 0; row < 4; row++) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
    markStateChanged();
}

void gl11Translatef(GLfloat x, GLfloat y, GLfloat z)
{
    float* m = currentMatrix().m;
    for (int row = 0; row < 4; row++)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    markStateChanged();
}

void gl11Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    float s = std::sin(static_cast<float>(angle * M_PI / 180.0));
    float c = std::cos(static_cast<float>(angle * M_PI / 180.0));
    Matrix4 r = identity;
    auto at = [&r](int row, int column) -> float& { return r.m[column * 4 + row]; };
    // About a coordinate axis the matrix is built exactly, as Mesa does.
    if (x == 0 && y == 0 && z != 0) {
        at(0, 0) = c;
        at(1, 1) = c;
        at(0, 1) = z < 0 ? s : -s;
        at(1, 0) = z < 0 ? -s : s;
    } else if (x == 0 && z == 0 && y != 0) {
        at(0, 0) = c;
        at(2, 2) = c;
        at(0, 2) = y < 0 ? -s : s;
        at(2, 0) = y < 0 ? s : -s;
    } else if (y == 0 && z == 0 && x != 0) {
        at(1, 1) = c;
        at(2, 2) = c;
        at(1, 2) = x < 0 ? s : -s;
        at(2, 1) = x < 0 ? -s : s;
    } else {
        float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return;
        x /= length;
        y /= length;
        z /= length;
        float one = 1.0f - c;
        at(0, 0) = one * x * x + c;
        at(0, 1) = one * x * y - z * s;
        at(0, 2) = one * z * x + y * s;
        at(1, 0) = one * x * y + z * s;
        at(1, 1) = one * y * y + c;
        at(1, 2) = one * y * z - x * s;
        at(2, 0) = one * z * x - y * s;
        at(2, 1) = one * y * z + x * s;
        at(2, 2) = one * z * z + c;
    }
    multiplyCurrent(r);
}

void gl11Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    double radians = fovy / 2 * M_PI / 180;
    double deltaZ = zFar - zNear;
    double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0)
        return;
    double cotangent = std::cos(radians) / sine;
    Matrix4 p = identity;
    p.m[0] = static_cast<float>(cotangent / aspect);
    p.m[5] = static_cast<float>(cotangent);
    p.m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
    p.m[11] = -1;
    p.m[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
    p.m[15] = 0;
    multiplyCurrent(p);
}

static void normalise(float v[3])
{
    float r = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (r == 0.0f)
        return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

static void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void gl11LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
    GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ)
{
    float forward[3] = {static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
        static_cast<float>(centreZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    normalise(forward);
    cross(forward, up, side);
    normalise(side);
    cross(side, forward, up);
    Matrix4 view = identity;
    for (int i = 0; i < 3; i++) {
        view.m[i * 4 + 0] = side[i];
        view.m[i * 4 + 1] = up[i];
        view.m[i * 4 + 2] = -forward[i];
    }
    multiplyCurrent(view);
    gl11Translatef(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}
