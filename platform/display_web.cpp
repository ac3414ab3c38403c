// display_web.cpp: the show's screen mode in a web browser: the canvas full
// screen through the Fullscreen API, left again by restoreDisplayMode and,
// whichever way the program ends, by an exit hook. A browser may refuse full
// screen (no gesture, a frame that forbids it); the show then plays in the
// page, as the demo plays in whatever mode the screen has.
#include "platform/display.h"

#include "platform/process.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, webEnterFullscreen, (), {
    var canvas = Module.canvas;
    if (canvas && canvas.requestFullscreen)
        Module.fullscreenRequest = canvas.requestFullscreen().catch(function() {});
});

// A request still under way (a browser that animates into full screen) is
// left as soon as it is granted.
EM_JS(void, webLeaveFullscreen, (), {
    var canvas = Module.canvas;
    var leave = function() {
        if (document.fullscreenElement === canvas && document.exitFullscreen)
            document.exitFullscreen().catch(function() {});
    };
    leave();
    if (Module.fullscreenRequest)
        Module.fullscreenRequest.then(leave);
});
// clang-format on

static bool switched = false;

static void leaveOnExit(int)
{
    restoreDisplayMode();
}

void setDisplayMode()
{
    webEnterFullscreen();
    switched = true;
    addExitHook(leaveOnExit);
}

int restoreDisplayMode()
{
    if (switched) {
        switched = false;
        webLeaveFullscreen();
    }
    return 1;
}
