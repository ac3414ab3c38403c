// display.cpp: the screen mode switch and its undo through XRandR.
#include "platform/display.h"

#include "platform/display_randr.h"
#include "platform/display_watchdog.h"
#include "platform/process.h"

#include <cstdlib>

// The connection the mode was read and switched through; kept open until the
// exit stage, and separate from the window's, so restoring at exit does not
// depend on the state of the window system's connection. Kept open even when
// nothing was switched: an X server whose only client leaves resets itself,
// and the window's connection, opened right after, would fail in the reset.
static Display* modeDisplay = nullptr;
static bool modeReplaced = false;
static ScreenMode replacedMode;
// The channel to the watchdog that restores the mode should the process die
// before it does; -1 when there is none.
static int watchdogChannel = -1;
static bool hookInstalled = false;

static void restoreOnExit(int)
{
    restoreDisplayMode();
}

// For the ways out that pass by endProcess (the X library's own exit when the
// window system's connection breaks, for one).
static void restoreAtExit()
{
    restoreDisplayMode();
}

void setDisplayMode()
{
    if (modeDisplay)
        return;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    modeDisplay = display;
    int eventBase = 0, errorBase = 0;
    ScreenMode current;
    // Already 640 x 480, or no such mode: nothing to switch, nothing to restore.
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !readScreenMode(display, current) ||
        (current.width == 640 && current.height == 480) || !offersScreenSize(display, 640, 480))
        return;
    // The watchdog notes the mode before it changes.
    int channel = startModeWatchdog();
    ScreenMode wanted = current;
    wanted.width = 640, wanted.height = 480, wanted.rate = 0;
    if (!setScreenMode(display, wanted)) {
        dismissModeWatchdog(channel);
        return;
    }
    modeReplaced = true;
    replacedMode = current;
    watchdogChannel = channel;
    if (!hookInstalled) {
        addExitHook(restoreOnExit);
        std::atexit(restoreAtExit);
        hookInstalled = true;
    }
}

int restoreDisplayMode()
{
    if (!modeDisplay)
        return 1;
    Display* display = modeDisplay;
    modeDisplay = nullptr;
    if (modeReplaced)
        setScreenMode(display, replacedMode);
    modeReplaced = false;
    XCloseDisplay(display);
    // The mode is back: the watchdog has nothing left to do.
    dismissModeWatchdog(watchdogChannel);
    watchdogChannel = -1;
    return 1;
}
