// virtual_clock.cpp: the demo clock's timer on show time. It stands still
// while set-ups load and moves only when the capture says a frame's time has
// come, so every run sees the same clock readings and draws the same frames.
#include "tools/capture/capture.h"

#include "platform/clock.h"

namespace {

// Milliseconds since the music's start; the timer reads it modulo 2^32,
// like any wrapping millisecond counter.
uint64_t now = 0;
// The next end of the music, in the same count.
uint64_t nextMusicEnd = 0;

uint32_t readVirtualTimer()
{
    return static_cast<uint32_t>(now);
}

} // namespace

void useVirtualClock()
{
    now = 0;
    nextMusicEnd = 0;
    setMillisecondSource(readVirtualTimer);
}

void moveClockTo(uint64_t milliseconds)
{
    uint64_t length = musicMilliseconds();
    if (nextMusicEnd == 0)
        nextMusicEnd = length;
    // A music that yields nothing never ends; one that is not playing does
    // not reach its end either.
    while (length > 0 && musicPlaying() && nextMusicEnd <= milliseconds) {
        now = nextMusicEnd;
        signalMusicEnd();
        nextMusicEnd += length;
    }
    now = milliseconds;
}
