// sync_log.cpp: where the show's clock and cuts fall in real time, for the
// tests and benchmarks that listen to the show. Off unless the environment
// names a file in KVISTRA_SYNC_LOG; the show itself is the same either way.
//
// Lines, with times in seconds of the monotonic clock (CLOCK_MONOTONIC) and
// the demo clock in tenths:
//   cuts S0 ... S8           the seconds of music at which the show cuts from
//                            the title on, were set-ups instant (first line)
//   zero T                   the demo clock's zero, as the music starts
//   stage S T0 T1 C0 C1 START
//                            a pass from T0 to T1 has left the stage counter
//                            at S; the demo clock at its start and its end,
//                            and the scene's start then
//   clock T C                the demo clock read at T, after a pass, at most
//                            every 10 ms while the music plays
#include "shell/shell.h"

#include "scenes/scenes.h"
#include "scenes/timing.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

struct SyncLog {
    bool opened = false;
    std::FILE* file = nullptr;
    int32_t stage = 0;       // the stage counter as the pass began
    double passStart = 0;    // when the pass began
    float clockAtStart = 0;  // and the demo clock then
    double lastClockLine = 0;
};

SyncLog syncLog;

std::FILE* openedSyncLog()
{
    if (!syncLog.opened) {
        syncLog.opened = true;
        const char* path = std::getenv("KVISTRA_SYNC_LOG");
        if (path != nullptr && *path != '\0')
            syncLog.file = std::fopen(path, "w");
        if (syncLog.file != nullptr) {
            std::fprintf(syncLog.file, "cuts");
            for (double cut : showCutSeconds())
                std::fprintf(syncLog.file, " %.3f", cut);
            std::fprintf(syncLog.file, "\n");
        }
    }
    return syncLog.file;
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

void notePassStart()
{
    if (openedSyncLog() == nullptr)
        return;
    syncLog.stage = demoStage;
    syncLog.passStart = monotonicSeconds();
    syncLog.clockAtStart = demoStage > 1 ? readDemoClock() : 0;
}

void notePassEnd()
{
    std::FILE* log = openedSyncLog();
    if (log == nullptr)
        return;
    double now = monotonicSeconds();
    float clock = demoStage > 1 ? readDemoClock() : 0;
    if (demoStage != syncLog.stage) {
        std::fprintf(log, "stage %d %.6f %.6f %.3f %.3f %.3f\n", static_cast<int>(demoStage),
            syncLog.passStart, now, syncLog.clockAtStart, clock, sceneStart);
        std::fflush(log);
    }
    if (demoStage > 1 && now - syncLog.lastClockLine >= 0.01) {
        syncLog.lastClockLine = now;
        std::fprintf(log, "clock %.6f %.3f\n", now, clock);
    }
}
