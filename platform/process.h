// process.h: the one way the process ends.
//
// Every exit of kvistra goes through endProcess: the normal end of the show,
// Escape, the engine's fatal errors, the library's and the music's own fatal
// lines. Standard output is flushed first, so a parent process (a test, the
// capture tool) sees every line written before the exit. A program may install
// hooks that run on the way out (restoring the display mode, closing a video
// encoder); they run in the reverse order of installation.
#pragma once

using ExitHook = void (*)(int status);

// Adds a hook run by endProcess before the process ends. At most 8 hooks.
void addExitHook(ExitHook hook);

// Flushes standard output and standard error, runs the exit hooks and ends
// the process with the given status. Never returns.
[[noreturn]] void endProcess(int status);
