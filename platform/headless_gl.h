// headless_gl.h: an OpenGL context without a window or an X server.
//
// EGL on Mesa's surfaceless platform, the desktop OpenGL API with a
// compatibility profile (so OpenGL 1.1 immediate mode works), or in the
// OpenGL ES build an OpenGL ES 3.0 context for the gl11 layer, and a pbuffer
// of the requested size as the one framebuffer. The pbuffer is single
// buffered: what was drawn stays until it is cleared, across "frames".
// Used by the GL tests and by the capture tool.
#pragma once

#include <string>

struct HeadlessGl {
    void* display = nullptr;  // EGLDisplay
    void* surface = nullptr;  // EGLSurface
    void* context = nullptr;  // EGLContext
    int width = 0;
    int height = 0;
};

// Creates the context and makes it current on the calling thread. On failure
// returns false and says why in error; nothing is left allocated.
bool createHeadlessGl(HeadlessGl& gl, int width, int height, std::string& error);

// Releases the context and its surface.
void destroyHeadlessGl(HeadlessGl& gl);
