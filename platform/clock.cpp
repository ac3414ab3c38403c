// clock.cpp: the millisecond counters on the monotonic clock, with their seams.
#include "platform/clock.h"

#include <ctime>

uint64_t steadyMilliseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

static uint32_t wrappingMilliseconds()
{
    // Only the low 32 bits: the count wraps modulo 2^32 like any such timer.
    return static_cast<uint32_t>(steadyMilliseconds());
}

static MillisecondSource millisecondSource = wrappingMilliseconds;
static WallMillisecondSource wallSource = steadyMilliseconds;

uint32_t milliseconds()
{
    return millisecondSource();
}

uint64_t wallMilliseconds()
{
    return wallSource();
}

void setMillisecondSource(MillisecondSource source)
{
    millisecondSource = source ? source : wrappingMilliseconds;
}

void setWallMillisecondSource(WallMillisecondSource source)
{
    wallSource = source ? source : steadyMilliseconds;
}
