// virtual_show.cpp: the show on a virtual clock, for the page's tests and
// benchmarks. The timer stands still while set-ups load and moves only at a
// buffer swap, so every run sees the same clock readings and draws the same
// frames as kvistra-capture at the same rate.
#include "web/web.h"

#include "platform/audio_web.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "scenes/scenes.h"

#include "gl11/gl.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Picture {
    uint64_t frame;
    std::string name;  // the time as it was asked for
};

struct VirtualShow {
    int fps = 0;
    std::vector<Picture> pictures;
    bool stopGiven = false;
    double stopSeconds = 0;
    uint64_t stopFrame = UINT64_MAX;
    uint64_t nextFrame = 0;     // the number of the next buffer swap
    uint64_t now = 0;           // milliseconds since the music's start
    uint64_t nextMusicEnd = 0;  // the next end of the music, in the same count
    std::vector<unsigned char> pixels, frame;
};

VirtualShow show;

uint32_t readVirtualTimer()
{
    return static_cast<uint32_t>(show.now);
}

// The frame shown at `seconds`; the margin keeps 0.3 s at 10 fps on frame 3.
uint64_t frameAt(double seconds)
{
    return static_cast<uint64_t>(std::floor(seconds * show.fps + 1e-6));
}

void moveClockTo(uint64_t milliseconds)
{
    uint64_t length = audioMusicMilliseconds();
    if (show.nextMusicEnd == 0)
        show.nextMusicEnd = length;
    // Each end passed on the way is signalled at its own moment.
    while (length > 0 && audioMusicPlaying() && show.nextMusicEnd <= milliseconds) {
        show.now = show.nextMusicEnd;
        audioSignalEnd();
        show.nextMusicEnd += length;
    }
    show.now = milliseconds;
}

void keepPicture(const Picture& picture)
{
    const int width = 640, height = 480;
    size_t rowBytes = width * 3;
    show.pixels.resize(rowBytes * height);
    show.frame.resize(rowBytes * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, show.pixels.data());
    for (int y = 0; y < height; y++)
        std::memcpy(
            show.frame.data() + y * rowBytes, show.pixels.data() + (height - 1 - y) * rowBytes, rowBytes);
    showPicture(picture.name.c_str(), show.frame.data(), width, height);
}

void virtualSwap()
{
    uint64_t number = show.nextFrame;
    for (const Picture& picture : show.pictures)
        if (picture.frame == number)
            keepPicture(picture);
    show.nextFrame = number + 1;
    if (number >= show.stopFrame)
        endProcess(0);
    moveClockTo(show.nextFrame * 1000 / static_cast<uint64_t>(show.fps));
}

[[noreturn]] void badArguments(const char* what)
{
    std::printf("kvistra: %s (usage: --fps N [--at SECONDS]... [--stop SECONDS])\n", what);
    endProcess(2);
}

double secondsArgument(const char* text)
{
    char* end = nullptr;
    double seconds = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(seconds >= 0) || seconds > 1e6)
        badArguments("a time must be a number of seconds");
    return seconds;
}

}  // namespace

bool startVirtualShow(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        if (i + 1 >= argc)
            badArguments("an option without its value");
        const char* value = argv[++i];
        if (std::strcmp(argv[i - 1], "--fps") == 0) {
            show.fps = std::atoi(value);
            if (show.fps < 1 || show.fps > 1000)
                badArguments("the rate must be 1 to 1000 frames per second");
        } else if (std::strcmp(argv[i - 1], "--at") == 0) {
            show.pictures.push_back({0, value});
        } else if (std::strcmp(argv[i - 1], "--stop") == 0) {
            show.stopGiven = true;
            show.stopSeconds = secondsArgument(value);
        } else {
            badArguments("an unknown option");
        }
    }
    if (show.fps == 0) {
        if (!show.pictures.empty() || show.stopGiven)
            badArguments("--at and --stop need --fps");
        return false;
    }
    for (Picture& picture : show.pictures)
        picture.frame = frameAt(secondsArgument(picture.name.c_str()));
    if (show.stopGiven)
        show.stopFrame = frameAt(show.stopSeconds);
    setMillisecondSource(readVirtualTimer);
    swapBuffers = virtualSwap;
    return true;
}
