// headless_gl.cpp: EGL surfaceless context with a pbuffer.
#include "platform/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

static std::string eglFailure(const char* step)
{
    char line[128];
    std::snprintf(line, sizeof line, "%s failed (EGL error 0x%04x)", step, eglGetError());
    return line;
}

bool createHeadlessGl(HeadlessGl& gl, int width, int height, std::string& error)
{
    gl = HeadlessGl{};
    const char* extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!extensions || !std::strstr(extensions, "EGL_MESA_platform_surfaceless")) {
        error = "EGL has no surfaceless platform (is libgl1-mesa-dri installed?)";
        return false;
    }
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error = "eglGetPlatformDisplayEXT is missing";
        return false;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
        error = eglFailure("eglGetPlatformDisplayEXT");
        return false;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        error = eglFailure("eglInitialize");
        return false;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = eglFailure("eglBindAPI");
        eglTerminate(display);
        return false;
    }
    const EGLint configAttributes[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 24,
        EGL_NONE,
    };
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
        error = eglFailure("eglChooseConfig");
        eglTerminate(display);
        return false;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) {
        error = eglFailure("eglCreatePbufferSurface");
        eglTerminate(display);
        return false;
    }
    // No profile is asked for: Mesa then gives a compatibility context.
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        error = eglFailure("eglCreateContext");
        eglDestroySurface(display, surface);
        eglTerminate(display);
        return false;
    }
    if (!eglMakeCurrent(display, surface, surface, context)) {
        error = eglFailure("eglMakeCurrent");
        eglDestroyContext(display, context);
        eglDestroySurface(display, surface);
        eglTerminate(display);
        return false;
    }
    gl.display = display;
    gl.surface = surface;
    gl.context = context;
    gl.width = width;
    gl.height = height;
    return true;
}

void destroyHeadlessGl(HeadlessGl& gl)
{
    if (!gl.display)
        return;
    EGLDisplay display = gl.display;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (gl.context)
        eglDestroyContext(display, gl.context);
    if (gl.surface)
        eglDestroySurface(display, gl.surface);
    eglTerminate(display);
    gl = HeadlessGl{};
}
