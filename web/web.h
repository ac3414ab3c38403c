// web.h: the parts of the web page's program besides its entry (main.cpp).
#pragma once

// ---------------------------------------------------------------------------
// The page (page.cpp): what the program tells the page script. Written in
// the page's language, hence with C linkage.
extern "C" {

// After each pass of the sequencer, for the page's frame log: the stage it
// left, when it started (performance.now()), the demo clock's readings at
// its start and now (tenths), and the scene's start.
void notePass(int stage, double start, float clockAtStart, float clock, float sceneStart);

// A frame read back: top row first, RGB, for the page to show as text.
void showPicture(const char* name, const unsigned char* rgb, int width, int height);

// The program has ended with this status; standard output is complete.
void noteEnd(int status);
}

// ---------------------------------------------------------------------------
// The virtual clock (virtual_show.cpp)

// With "--fps N" among the arguments, the show runs on a virtual clock as
// kvistra-capture runs it: each buffer swap is a frame, frame n sees the
// timer at n x 1000 / N ms after the music's start, the end of the music
// restarts the clock at each whole multiple of its length. "--at T" (one or
// more) hands the frame shown at T seconds to the page; "--stop T" ends the
// program after the frame at T seconds. Returns whether the virtual clock is
// on; bad arguments end the program with status 2.
bool startVirtualShow(int argc, char** argv);
