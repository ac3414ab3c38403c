// display_watchdog.h: the process that puts the screen mode back when the
// demo dies without doing so.
//
// X keeps a mode that a dead client set, so a demo killed by SIGKILL or a
// crash would leave the screen at 640 x 480. Before it switches, the demo
// starts the program kvistra-mode-watchdog from its own directory, in a
// session of its own (Ctrl-C in the terminal, a hang-up or a signal to the
// demo's process group do not reach it), with a stream socket as its
// standard input and nothing else open. The watchdog records the screen's
// configuration, writes watchdogReady and waits:
//  - watchdogDismissed from the demo (it restored the mode itself, or never
//    switched): it ends without touching the screen;
//  - the demo's end closing without that (the demo died): it puts the
//    recorded configuration back, unless the screen already has it, and ends;
//  - the X server going away: it ends.
// posix_spawn runs a program of its own rather than a forked copy of the
// demo, whose audio threads make Xlib in a forked child unsafe.
#pragma once

constexpr char watchdogReady = 'r';
constexpr char watchdogDismissed = 'd';

// Starts the watchdog and waits, at most two seconds, until it has recorded
// the screen's configuration. Returns the demo's end of the channel, or -1
// when there is no watchdog (none beside the program, or it did not answer
// in time); the show then goes on with the in-process restore only.
int startModeWatchdog();

// Tells the watchdog the screen needs nothing more and closes the channel.
// Does nothing for -1.
void dismissModeWatchdog(int channel);
