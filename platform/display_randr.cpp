// display_randr.cpp: reading and setting the screen's configuration.
#include "platform/display_randr.h"

static int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The index of the size width x height in config, or -1.
static int sizeIndex(XRRScreenConfiguration* config, int width, int height)
{
    int count = 0;
    XRRScreenSize* sizes = XRRConfigSizes(config, &count);
    for (int i = 0; i < count; i++) {
        if (sizes[i].width == width && sizes[i].height == height)
            return i;
    }
    return -1;
}

bool readScreenMode(Display* display, ScreenMode& mode)
{
    XErrorHandler previousHandler = XSetErrorHandler(ignoreXError);
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, DefaultRootWindow(display));
    bool read = false;
    if (config) {
        int count = 0;
        XRRScreenSize* sizes = XRRConfigSizes(config, &count);
        Rotation rotation = RR_Rotate_0;
        SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
        if (current < count) {
            mode.width = sizes[current].width;
            mode.height = sizes[current].height;
            mode.rotation = rotation;
            mode.rate = XRRConfigCurrentRate(config);
            read = true;
        }
        XRRFreeScreenConfigInfo(config);
    }
    XSetErrorHandler(previousHandler);
    return read;
}

bool offersScreenSize(Display* display, int width, int height)
{
    XErrorHandler previousHandler = XSetErrorHandler(ignoreXError);
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, DefaultRootWindow(display));
    bool offered = config && sizeIndex(config, width, height) >= 0;
    if (config)
        XRRFreeScreenConfigInfo(config);
    XSetErrorHandler(previousHandler);
    return offered;
}

bool setScreenMode(Display* display, const ScreenMode& mode)
{
    XErrorHandler previousHandler = XSetErrorHandler(ignoreXError);
    Window root = DefaultRootWindow(display);
    // A fresh configuration: the server refuses a request made against an
    // outdated one.
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, root);
    bool accepted = false;
    if (config) {
        int index = sizeIndex(config, mode.width, mode.height);
        if (index >= 0)
            accepted = XRRSetScreenConfigAndRate(display, config, root, static_cast<SizeID>(index),
                           mode.rotation, mode.rate, CurrentTime) == Success;
        XRRFreeScreenConfigInfo(config);
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    return accepted;
}

bool sameScreenMode(const ScreenMode& a, const ScreenMode& b)
{
    return a.width == b.width && a.height == b.height && a.rotation == b.rotation && a.rate == b.rate;
}
