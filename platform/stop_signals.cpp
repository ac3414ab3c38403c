// stop_signals.cpp: routes the stop signals to a handler, once each.
#include "platform/stop_signals.h"

#include <csignal>

void catchStopSignals(StopHandler handler)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}
