// progress.cpp: the capture's progress on standard error. On a terminal, a
// bar redrawn a few times a second with the show time reached, the real
// time elapsed and an estimate of the time left; otherwise only the summary
// at the end.
#include "tools/capture/capture.h"

#include <chrono>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point started;
Clock::time_point lastDrawn;
double firstSecond = 0.0;
double lastSecond = 0.0;
bool onTerminal = false;
bool drawn = false;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void printClock(double seconds)
{
    long whole = static_cast<long>(seconds + 0.5);
    std::fprintf(stderr, "%ld:%02ld", whole / 60, whole % 60);
}

}  // namespace

void startProgress(double fromSeconds, double totalSeconds)
{
    started = Clock::now();
    lastDrawn = started;
    firstSecond = fromSeconds;
    lastSecond = totalSeconds;
    onTerminal = isatty(2) != 0;
}

void showProgress(double showSeconds)
{
    if (!onTerminal || secondsSince(lastDrawn) < 0.25)
        return;
    lastDrawn = Clock::now();
    double span = lastSecond - firstSecond;
    double done = span > 0.0 ? (showSeconds - firstSecond) / span : 1.0;
    if (done < 0.0)
        done = 0.0;
    constexpr int width = 30;
    int filled = done >= 1.0 ? width : static_cast<int>(done * width);
    std::fprintf(stderr, "\r[");
    for (int i = 0; i < width; i++)
        std::fputc(i < filled ? '#' : '.', stderr);
    std::fprintf(stderr, "] show %6.1f s  elapsed ", showSeconds);
    double elapsed = secondsSince(started);
    printClock(elapsed);
    std::fprintf(stderr, "  left ");
    // Before anything is done, or past the estimate, there is nothing to go by.
    if (done > 0.0 && done < 1.0)
        printClock(elapsed / done - elapsed);
    else
        std::fprintf(stderr, "--:--");
    std::fprintf(stderr, "  ");
    std::fflush(stderr);
    drawn = true;
}

void endProgress(double coveredSeconds, uint64_t frames)
{
    if (drawn)
        std::fputc('\n', stderr);
    double elapsed = secondsSince(started);
    std::fprintf(stderr, "kvistra-capture: %llu frames, %.2f s of the show, in %.1f s (%.1f frames/s)\n",
        static_cast<unsigned long long>(frames), coveredSeconds, elapsed,
        elapsed > 0.0 ? frames / elapsed : 0.0);
}
