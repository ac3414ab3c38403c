// main.cpp: the program entry of the web page. The page calls main at the
// viewer's click, touch or key (sound may only start after a gesture); the
// start-up then follows the demo's own order: the music, full screen, the
// 640 x 480 picture with a depth buffer, the pointer hidden, the callbacks,
// the GL state, the frame rate. Then each animation frame of the browser
// runs one pass of the sequencer. Before that, while the page waits for
// the viewer, it has the picture's context made and the GL layer started
// (prepareShow), which takes the driver a while.
#include "shell/shell.h"

#include "gl11/gl.h"
#include "platform/audio_web.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/process.h"
#include "render/render.h"
#include "scenes/scenes.h"
#include "web/web.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>

namespace {

bool virtualClock = false;
bool fullscreen = false;
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE canvasContext = 0;

// The browser shows the canvas when the animation frame's callback returns;
// the drawing buffer is kept, so what is not cleared stays.
void showFrame() { }

void runPass()
{
    if (!virtualClock)
        audioNoticeEnds();
    double start = emscripten_get_now();
    float clockAtStart = readDemoClock();
    runSequencer();
    notePass(demoStage, start, clockAtStart, readDemoClock(), sceneStart);
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* event, void*)
{
    if (std::strcmp(event->key, "Escape") == 0)
        onKeyboard(27, 0, 0);
    else if (event->key[0] != '\0' && event->key[1] == '\0')
        onKeyboard(static_cast<unsigned char>(event->key[0]), 0, 0);
    return EM_FALSE;
}

// A browser leaves full screen on Escape itself and may not pass the key on:
// leaving full screen during the show ends it as Escape does.
EM_BOOL onFullscreenChange(int, const EmscriptenFullscreenChangeEvent* event, void*)
{
    if (event->isFullscreen)
        fullscreen = true;
    else if (fullscreen)
        onKeyboard(27, 0, 0);
    return EM_FALSE;
}

// On every way out: nothing goes on playing, drawing or listening (the page
// may start a fresh instance of the program later, on the same page), and
// the page learns the status once standard output is complete.
void endInPage(int status)
{
    audioFree();
    emscripten_cancel_main_loop();
    emscripten_html5_remove_all_event_listeners();
    noteEnd(status);
}

// The canvas's WebGL 2 context, made once (prepareShow may have made it);
// whether there is one.
bool makeCanvasContext()
{
    if (canvasContext > 0)
        return true;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_TRUE;
    // The layer needs nothing beyond WebGL 2 itself; enabling every
    // extension the browser offers costs tens of milliseconds at the start.
    attributes.enableExtensionsByDefault = EM_FALSE;
    emscripten_set_canvas_element_size("#canvas", 640, 480);
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    canvasContext = context;
    return true;
}

void createCanvasContext()
{
    if (!makeCanvasContext()) {
        std::printf("kvistra: this browser gives no WebGL 2 context\n");
        endProcess(1);
    }
}

// clang-format off
EM_JS(void, hidePointer, (), { Module.canvas.style.cursor = "none"; });
// clang-format on

}  // namespace

// Called by the page before main, while it waits for the viewer: the
// canvas's context, and the GL layer's start-up (compiling its programs and
// the driver's variants of them), so that the show's first frame follows
// the start gesture at once. 0 where the browser gives no WebGL 2 context
// (main then says so).
extern "C" EMSCRIPTEN_KEEPALIVE int prepareShow()
{
    if (!makeCanvasContext())
        return 0;
    gl11Start();
    return 1;
}

int main(int argc, char** argv)
{
    addExitHook(endInPage);
    virtualClock = startVirtualShow(argc, argv);
    if (!virtualClock)
        setMillisecondSource(audioClockMilliseconds);
    initMusic("music.mp3");
    setDisplayMode();
    createCanvasContext();
    if (!virtualClock)
        swapBuffers = showFrame;
    hidePointer();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, onKeyDown);
    emscripten_set_fullscreenchange_callback(
        EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_FALSE, onFullscreenChange);
    // The page asked in the start gesture: full screen may be on already.
    EmscriptenFullscreenChangeEvent status;
    if (emscripten_get_fullscreen_status(&status) == EMSCRIPTEN_RESULT_SUCCESS && status.isFullscreen)
        fullscreen = true;
    initGraphics();
    // What the first reshape of the 640 x 480 window does.
    onReshape(640, 480);
    startFrameRate();
    emscripten_set_main_loop(runPass, 0, EM_TRUE);
    return 0;
}
