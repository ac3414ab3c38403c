// sync_log.cpp: where the show's clock and cuts fall in real time, for the
// tests and benchmarks that listen to the show. Off unless the environment
// names a file in KVISTRA_SYNC_LOG; the show itself is the same either way.
//
// Lines, with times in seconds of the monotonic clock (CLOCK_MONOTONIC):
//   zero T                      the demo clock's zero, as the music starts
//   stage S T CLOCK START       a pass has left the stage counter at S; the
//                               demo clock and the scene's start, in tenths
//   clock T CLOCK               the demo clock (tenths) read at T, after a pass,
//                               at most every 10 ms
#include "shell/shell.h"

#include "scenes/scenes.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

std::FILE* syncLog = nullptr;
bool syncLogOpened = false;
double lastClockLine = 0;

std::FILE* openedSyncLog()
{
    if (!syncLogOpened) {
        syncLogOpened = true;
        const char* path = std::getenv("KVISTRA_SYNC_LOG");
        if (path != nullptr && *path != '\0')
            syncLog = std::fopen(path, "w");
    }
    return syncLog;
}

double monotonicSeconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

void noteClockZero()
{
    std::FILE* log = openedSyncLog();
    if (log == nullptr)
        return;
    // The zero may lie a little in the past (the music's start is noticed a
    // moment after it is heard): now, less what the clock has counted since.
    double now = monotonicSeconds();
    float since = readDemoClock();
    std::fprintf(log, "zero %.6f\n", now - since / 10.0);
    std::fflush(log);
}

void noteStage()
{
    double now = monotonicSeconds();
    if (std::FILE* log = openedSyncLog()) {
        std::fprintf(
            log, "stage %d %.6f %.3f %.3f\n", static_cast<int>(demoStage), now, demoClock, sceneStart);
        std::fflush(log);
    }
}

void noteClock()
{
    std::FILE* log = openedSyncLog();
    if (log == nullptr)
        return;
    double now = monotonicSeconds();
    float clock = readDemoClock();
    if (now - lastClockLine < 0.01)
        return;
    lastClockLine = now;
    std::fprintf(log, "clock %.6f %.3f\n", now, clock);
}
