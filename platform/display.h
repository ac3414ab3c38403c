// display.h: the temporary 640 x 480 screen mode of the show.
//
// setDisplayMode switches the X screen to a 640 x 480 mode through XRandR
// when the server offers one, and remembers the configuration it replaced;
// restoreDisplayMode puts that configuration back. The switch is temporary:
// setDisplayMode also installs an exit hook and an atexit handler, so
// whichever way the process ends (the end of the show, Escape, a fatal error,
// the X library's own exit) the previous mode comes back. For the ways out
// no handler sees (SIGKILL, a crash), setDisplayMode first starts a watchdog
// process that puts the mode back when the process has died without doing so
// (display_watchdog.h). Every failure (no X server, no XRandR, no such mode,
// a refused switch, no watchdog) is ignored: the show then runs in whatever
// mode the screen has, or with the in-process restore only.
#pragma once

void setDisplayMode();

// Puts back the mode setDisplayMode replaced, once, then dismisses the
// watchdog; does nothing when no mode was switched. Returns 1.
int restoreDisplayMode();
