// display_watchdog_main.cpp: kvistra-mode-watchdog, started by the demo
// before it switches the screen mode; puts the mode back should the demo die
// without doing so (display_watchdog.h). Prints nothing.
#include "platform/display_randr.h"
#include "platform/display_watchdog.h"

#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

static const int channel = STDIN_FILENO;

static int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The X server went away: no screen left to restore.
static int serverGone(Display*)
{
    _exit(0);
}

// Waits for the demo's word or its end; true when it died without restoring.
static bool demoDied(Display* display)
{
    for (;;) {
        pollfd waits[2] = {{channel, POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        // Nothing is asked of the server, so this only notices it closing
        // the connection (serverGone).
        if (waits[1].revents) {
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
            }
        }
        if (waits[0].revents) {
            char word = 0;
            ssize_t got = read(channel, &word, 1);
            if (got < 0 && errno == EINTR)
                continue;
            if (got == 1 && word == watchdogDismissed)
                return false;
            if (got <= 0)
                return true;
        }
    }
}

int main()
{
    // Only the channel is ours; the rest came from whoever started the demo.
    closefrom(STDERR_FILENO + 1);
    if (chdir("/") != 0)
        return 1;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    XSetErrorHandler(ignoreXError);
    XSetIOErrorHandler(serverGone);
    int eventBase = 0, errorBase = 0;
    ScreenMode original;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !readScreenMode(display, original))
        return 1;
    if (send(channel, &watchdogReady, 1, MSG_NOSIGNAL) != 1)
        return 0;
    ScreenMode current;
    if (demoDied(display) && readScreenMode(display, current) && !sameScreenMode(current, original))
        setScreenMode(display, original);
    XCloseDisplay(display);
    return 0;
}
