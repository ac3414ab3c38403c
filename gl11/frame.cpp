// frame.cpp: clears, the viewport, flush and finish, and reading the frame
// back. Each draws what is pending first, so it lands before them; those
// that set ES state start the layer first, so that its start-up does not
// undo them.
//
// glReadPixels: ES only promises RGBA bytes, so GL_RGB is read as RGBA and
// packed to three bytes per pixel, rows aligned to GL_PACK_ALIGNMENT. ES's
// own pack alignment is set for each read.
#include "gl11/es.h"
#include "gl11/pixels.h"

// Only clears read it, and they draw what is pending first.
void gl11ClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    ensureStarted();
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
    ensureStarted();
    GLint* viewport = glState.viewport;
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
    if (format != GL_RGB && format != GL_RGBA)
        notImplemented("glReadPixels", format);
    if (type != GL_UNSIGNED_BYTE)
        notImplemented("glReadPixels", type);
    flushBatch();
    if (format == GL_RGBA) {
        glPixelStorei(GL_PACK_ALIGNMENT, glState.packAlignment);
        glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        return;
    }
    if (width <= 0 || height <= 0)
        return;
    auto columns = static_cast<size_t>(width);
    auto rows = static_cast<size_t>(height);
    uint8_t* rgba = pixelScratch(columns * rows * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    rgbaToRgb(rgba, columns * 4, static_cast<uint8_t*>(pixels),
        alignedRowBytes(columns, 3, static_cast<size_t>(glState.packAlignment)), columns, rows);
}
