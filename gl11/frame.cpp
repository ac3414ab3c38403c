// frame.cpp: clears, the viewport, flush and finish, and reading the frame
// back. Each draws what is pending first, so it lands before them.
//
// glReadPixels: ES only promises RGBA bytes, so GL_RGB is read as RGBA and
// packed to three bytes per pixel, rows aligned to GL_PACK_ALIGNMENT.
#include "gl11/state.h"


void gl11ClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    // Only clears read it, and they draw what is pending first.
    layer.clearColour[0] = red;
    layer.clearColour[1] = green;
    layer.clearColour[2] = blue;
    layer.clearColour[3] = alpha;
    glClearColor(red, green, blue, alpha);
}

void gl11Clear(GLbitfield mask)
{
    ensureStarted();
    flushBatch();
    glClear(mask);
}

void gl11Viewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    GLint* viewport = layer.viewport;
    if (viewport[0] == x && viewport[1] == y && viewport[2] == width && viewport[3] == height)
        return;
    flushBatch();
    viewport[0] = x;
    viewport[1] = y;
    viewport[2] = width;
    viewport[3] = height;
    glViewport(x, y, width, height);
}

void gl11Flush()
{
    flushBatch();
    glFlush();
}

void gl11Finish()
{
    flushBatch();
    glFinish();
}

void gl11ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels)
{
    flushBatch();
    if (format != GL_RGB || type != GL_UNSIGNED_BYTE) {
        glReadPixels(x, y, width, height, format, type, pixels);
        return;
    }
    if (width <= 0 || height <= 0)
        return;
    std::vector<uint8_t>& rgba = layer.pixelScratch;
    size_t rgbaBytes = static_cast<size_t>(width) * height * 4;
    if (rgba.size() < rgbaBytes)
        rgba.resize(rgbaBytes);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    size_t alignment = static_cast<size_t>(layer.packAlignment);
    size_t rowBytes = (static_cast<size_t>(width) * 3 + alignment - 1) / alignment * alignment;
    auto* out = static_cast<uint8_t*>(pixels);
    for (GLsizei row = 0; row < height; row++) {
        const uint8_t* from = rgba.data() + static_cast<size_t>(row) * width * 4;
        uint8_t* to = out + row * rowBytes;
        for (GLsizei i = 0; i < width; i++) {
            to[i * 3 + 0] = from[i * 4 + 0];
            to[i * 3 + 1] = from[i * 4 + 1];
            to[i * 3 + 2] = from[i * 4 + 2];
        }
    }
}
