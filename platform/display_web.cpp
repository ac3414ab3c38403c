// display_web.cpp: the show's screen mode in a web browser: the canvas full
// screen, left again by restoreDisplayMode and, whichever way the program
// ends, by an exit hook. A browser grants full screen only within a
// gesture, which only the page sees: the page asks for it in the start
// gesture already, and asking here (Module.enterFullscreen) takes that
// request over; leaving (Module.leaveFullscreen) also leaves a request
// granted only later. A browser may refuse full screen (a frame that
// forbids it) or have none; the show then plays in the page, as the demo
// plays in whatever mode the screen has.
#include "platform/display.h"

#include "platform/process.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, webEnterFullscreen, (), {
    if (Module.enterFullscreen)
        Module.enterFullscreen();
});

EM_JS(void, webLeaveFullscreen, (), {
    if (Module.leaveFullscreen)
        Module.leaveFullscreen();
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
