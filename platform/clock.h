// clock.h: the two millisecond counters of the show.
//
// milliseconds() is the demo clock's timer: a millisecond count on a
// monotonic clock that wraps modulo 2^32, so only differences of two readings
// mean anything. wallMilliseconds() is elapsed real time for the frame rate
// (not processor time). Both read through a replaceable source, so the
// capture tool and the tests can drive the show on a virtual clock.
#pragma once

#include <cstdint>

using MillisecondSource = uint32_t (*)();
using WallMillisecondSource = uint64_t (*)();

uint32_t milliseconds();
uint64_t wallMilliseconds();

// The monotonic clock in milliseconds, whatever the sources: for waits and
// for clocks that fall back on it.
uint64_t steadyMilliseconds();

// Replaces the source of milliseconds(); nullptr puts the monotonic clock back.
void setMillisecondSource(MillisecondSource source);

// Replaces the source of wallMilliseconds(); nullptr puts the real clock back.
void setWallMillisecondSource(WallMillisecondSource source);
