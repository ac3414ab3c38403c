// display_randr.h: the X screen's configuration read and set through XRandR,
// for the demo's switch and for the watchdog that undoes it.
//
// A configuration is held by its size in pixels rather than by the server's
// index of that size, so it still means the same after the server's list of
// sizes changes. X errors on these calls are ignored; the results say
// whether a call did what it was asked.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

struct ScreenMode {
    int width = 0;
    int height = 0;
    Rotation rotation = RR_Rotate_0;
    short rate = 0;  // 0: whatever rate the server picks for the size
};

// The screen's current configuration; false when XRandR cannot tell.
bool readScreenMode(Display* display, ScreenMode& mode);

// Whether the screen offers a configuration of that size.
bool offersScreenSize(Display* display, int width, int height);

// Sets the configuration and waits until the server has handled the request;
// true when the server accepted it.
bool setScreenMode(Display* display, const ScreenMode& mode);

bool sameScreenMode(const ScreenMode& a, const ScreenMode& b);
