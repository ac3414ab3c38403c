// display.h: the temporary 640 x 480 screen mode of the show.
//
// setDisplayMode switches the X screen to a 640 x 480 mode through XRandR
// when the server offers one, and remembers the configuration it replaced;
// restoreDisplayMode puts that configuration back. The switch is temporary:
// setDisplayMode also installs an exit hook and an atexit handler, so
// whichever way the process ends (the end of the show, Escape, a fatal error,
// the X library's own exit) the previous mode comes back. Every failure (no
// X server, no XRandR, no such mode, a refused switch) is ignored: the show
// then runs in whatever mode the screen has.
#pragma once

void setDisplayMode();

// Puts back the mode setDisplayMode replaced, once; does nothing when no
// mode was switched. Returns 1.
int restoreDisplayMode();
