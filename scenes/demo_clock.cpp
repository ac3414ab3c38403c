// demo_clock.cpp: the music clock all animation follows.
#include "scenes/scenes.h"

#include "platform/clock.h"

float demoClock = 0;
float sceneStart = 0;
std::atomic<uint32_t> clockBase{0};

float readDemoClock()
{
    // The timer wraps modulo 2^32: the unsigned difference is right across the
    // wrap, and read as signed a base just ahead of the reading gives a small
    // negative time rather than 49 days.
    uint32_t elapsed = milliseconds() - clockBase.load();
    return static_cast<float>(static_cast<int32_t>(elapsed) * 0.01);
}

void updateDemoClock()
{
    demoClock = readDemoClock();
}

void restartDemoClock()
{
    clockBase.store(milliseconds());
}
