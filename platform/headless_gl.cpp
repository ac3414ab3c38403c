// headless_gl.cpp: EGL surfaceless context with a pbuffer; desktop OpenGL, or
// OpenGL ES 3 in the OpenGL ES build (KVISTRA_GLES).
#include "platform/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

#ifndef KVISTRA_GLES
// Desktop OpenGL. No profile is asked for: Mesa then gives a compatibility
// context.
static const EGLenum contextApi = EGL_OPENGL_API;
static const EGLint renderableType = EGL_OPENGL_BIT;
static const EGLint* const contextAttributes = nullptr;
#else
// OpenGL ES 3.
static const EGLenum contextApi = EGL_OPENGL_ES_API;
static const EGLint renderableType = EGL_OPENGL_ES3_BIT;
static const EGLint contextAttributes[] = {
    EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
#endif

static std::string eglFailure(const char* step)
{
    char line[128];
    std::snprintf(line, sizeof line, "%s failed (EGL error 0x%04x)", step, eglGetError());
    return line;
}

// Releases the parts of gl that were made; the display is only set once it
// is initialised.
static void releaseParts(HeadlessGl& gl)
{
    if (gl.context)
        eglDestroyContext(gl.display, gl.context);
    if (gl.surface)
        eglDestroySurface(gl.display, gl.surface);
    if (gl.display)
        eglTerminate(gl.display);
    gl = HeadlessGl{};
}

bool createHeadlessGl(HeadlessGl& gl, int width, int height, std::string& error)
{
    gl = HeadlessGl{};
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!extensions || !std::strstr(extensions, "EGL_MESA_platform_surfaceless")) {
        error = "EGL has no surfaceless platform (is libgl1-mesa-dri installed?)";
        return false;
    }
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error = "eglGetPlatformDisplayEXT is missing";
        return false;
    }
    // Every failure from here on: the EGL error, then what was made goes.
    auto fail = [&](const char* step) {
        error = eglFailure(step);
        releaseParts(gl);
        return false;
    };
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return fail("eglGetPlatformDisplayEXT");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return fail("eglInitialize");
    gl.display = display;
    if (!eglBindAPI(contextApi))
        return fail("eglBindAPI");
    // Attribute and value in pairs.
    // clang-format off
    const EGLint configAttributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, renderableType,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 24,
        EGL_NONE,
    };
    // clang-format on
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1)
        return fail("eglChooseConfig");
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    gl.surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (gl.surface == EGL_NO_SURFACE)
        return fail("eglCreatePbufferSurface");
    gl.context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (gl.context == EGL_NO_CONTEXT)
        return fail("eglCreateContext");
    if (!eglMakeCurrent(display, gl.surface, gl.surface, gl.context))
        return fail("eglMakeCurrent");
    gl.width = width;
    gl.height = height;
    return true;
}

void destroyHeadlessGl(HeadlessGl& gl)
{
    if (!gl.display)
        return;
    eglMakeCurrent(gl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    releaseParts(gl);
}
