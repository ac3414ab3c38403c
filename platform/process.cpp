// process.cpp: endProcess and its exit hooks.
#include "platform/process.h"

#include <cstdio>
#include <cstdlib>

static ExitHook exitHooks[8];
static int exitHookCount = 0;

void addExitHook(ExitHook hook)
{
    if (exitHookCount < 8)
        exitHooks[exitHookCount++] = hook;
}

void endProcess(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    // A hook that ends the process itself would come back here; run each once.
    while (exitHookCount > 0) {
        ExitHook hook = exitHooks[--exitHookCount];
        hook(status);
    }
    std::exit(status);
}
