// stop_signals.h: Ctrl-C, SIGTERM and SIGHUP as a request to stop.
//
// The handler only notes the request (it runs inside a signal handler, so it
// sets a flag and nothing more); the program acts on it at its next safe
// point. Each signal is caught once: a second one ends the process at once,
// should the first go unheard.
#pragma once

using StopHandler = void (*)(int signal);

void catchStopSignals(StopHandler handler);
