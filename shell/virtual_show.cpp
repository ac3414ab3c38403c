// virtual_show.cpp: the show on a virtual clock, for the capture tool and
// the page's tests and benchmarks. The demo clock's timer stands still while
// set-ups load and moves only at a buffer swap, so every run sees the same
// clock readings and draws the same frames at the same rate.
#include "shell/shell.h"

#include "platform/clock.h"

#include "gl11/gl.h"

#include <cmath>
#include <cstring>

namespace {

struct VirtualClock {
    int fps = 1;
    VirtualMusic music{};
    uint64_t frame = 0;         // the number of the next buffer swap
    uint64_t now = 0;           // milliseconds since the music's start
    uint64_t nextMusicEnd = 0;  // the next end of the music, in the same count
};

VirtualClock virtualClock;

uint32_t readVirtualTimer()
{
    // Modulo 2^32, like any wrapping millisecond timer.
    return static_cast<uint32_t>(virtualClock.now);
}

// Moves the timer to `milliseconds` after the music's start. Every end of the
// music passed on the way (at whole multiples of its length) is signalled at
// exactly its own time first, so the demo clock restarts there. A music that
// yields nothing never ends; one that is not playing does not reach its end
// either.
void moveClockTo(uint64_t milliseconds)
{
    uint64_t length = virtualClock.music.milliseconds();
    if (virtualClock.nextMusicEnd == 0)
        virtualClock.nextMusicEnd = length;
    while (length > 0 && virtualClock.music.playing() && virtualClock.nextMusicEnd <= milliseconds) {
        virtualClock.now = virtualClock.nextMusicEnd;
        virtualClock.music.signalEnd();
        virtualClock.nextMusicEnd += length;
    }
    virtualClock.now = milliseconds;
}

}  // namespace

void startVirtualClock(int fps, VirtualMusic music)
{
    virtualClock = VirtualClock{fps, music};
    setMillisecondSource(readVirtualTimer);
}

uint64_t frameAtSeconds(double seconds, int fps)
{
    // The margin keeps 0.3 s at 10 fps on frame 3 despite the rounding of 0.3 * 10.
    return static_cast<uint64_t>(std::floor(seconds * fps + 1e-6));
}

uint64_t virtualFrame()
{
    return virtualClock.frame;
}

void nextVirtualFrame()
{
    virtualClock.frame++;
    moveClockTo(virtualClock.frame * 1000 / static_cast<uint64_t>(virtualClock.fps));
}

void readFrame(int width, int height, std::vector<uint8_t>& rgb, std::vector<uint8_t>& scratch)
{
    size_t rowBytes = static_cast<size_t>(width) * 3;
    rgb.resize(rowBytes * static_cast<size_t>(height));
    scratch.resize(rgb.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, scratch.data());
    // GL's rows run bottom up.
    for (int y = 0; y < height; y++)
        std::memcpy(rgb.data() + static_cast<size_t>(y) * rowBytes,
            scratch.data() + static_cast<size_t>(height - 1 - y) * rowBytes, rowBytes);
}
