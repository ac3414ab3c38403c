// display.cpp: the screen mode switch and its undo through XRandR.
#include "platform/display.h"

#include "platform/process.h"

#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

// The connection the mode was switched through; kept open until the mode is
// restored, and separate from the window's, so restoring at exit does not
// depend on the state of the window system's connection.
static Display* modeDisplay = nullptr;
static SizeID replacedSize = 0;
static Rotation replacedRotation = RR_Rotate_0;
static short replacedRate = 0;
static bool hookInstalled = false;

static int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

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
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) {
        XCloseDisplay(display);
        return;
    }
    XErrorHandler previousHandler = XSetErrorHandler(ignoreXError);
    Window root = DefaultRootWindow(display);
    bool switched = false;
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, root);
    if (config) {
        int sizeCount = 0;
        XRRScreenSize* sizes = XRRConfigSizes(config, &sizeCount);
        Rotation rotation = RR_Rotate_0;
        SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
        short rate = XRRConfigCurrentRate(config);
        int wanted = -1;
        for (int i = 0; i < sizeCount; i++) {
            if (sizes[i].width == 640 && sizes[i].height == 480) {
                wanted = i;
                break;
            }
        }
        // Already 640 x 480: nothing to switch, nothing to restore.
        if (wanted >= 0 && wanted != current) {
            Status status = XRRSetScreenConfig(display, config, root, static_cast<SizeID>(wanted),
                                               rotation, CurrentTime);
            if (status == Success) {
                replacedSize = current;
                replacedRotation = rotation;
                replacedRate = rate;
                switched = true;
            }
        }
        XRRFreeScreenConfigInfo(config);
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    if (!switched) {
        XCloseDisplay(display);
        return;
    }
    modeDisplay = display;
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
    XErrorHandler previousHandler = XSetErrorHandler(ignoreXError);
    Window root = DefaultRootWindow(display);
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, root);
    if (config) {
        XRRSetScreenConfigAndRate(display, config, root, replacedSize, replacedRotation, replacedRate,
                                  CurrentTime);
        XRRFreeScreenConfigInfo(config);
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    XCloseDisplay(display);
    return 1;
}
