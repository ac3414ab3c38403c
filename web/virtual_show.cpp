// virtual_show.cpp: the page's test mode, the show on the shell's virtual
// clock as kvistra-capture runs it: "--fps N" makes each buffer swap a frame
// at N per second, "--at T" hands the frame shown at T seconds to the page,
// "--stop T" ends the program after the frame at T seconds.
#include "web/web.h"

#include "platform/audio_web.h"
#include "platform/process.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

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

struct TestMode {
    int fps = 0;
    std::vector<Picture> pictures;
    bool stopGiven = false;
    uint64_t stopFrame = UINT64_MAX;
    std::vector<uint8_t> frame, scratch;
};

TestMode mode;

void virtualSwap()
{
    uint64_t number = virtualFrame();
    for (const Picture& picture : mode.pictures) {
        if (picture.frame == number) {
            readFrame(640, 480, mode.frame, mode.scratch);
            showPicture(picture.name.c_str(), mode.frame.data(), 640, 480);
        }
    }
    nextVirtualFrame();
    if (number >= mode.stopFrame)
        endProcess(0);
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
    std::vector<std::string> stopText;
    for (int i = 1; i < argc; i++) {
        if (i + 1 >= argc)
            badArguments("an option without its value");
        const char* value = argv[++i];
        if (std::strcmp(argv[i - 1], "--fps") == 0) {
            mode.fps = std::atoi(value);
            if (mode.fps < 1 || mode.fps > 1000)
                badArguments("the rate must be 1 to 1000 frames per second");
        } else if (std::strcmp(argv[i - 1], "--at") == 0) {
            mode.pictures.push_back({0, value});
        } else if (std::strcmp(argv[i - 1], "--stop") == 0) {
            mode.stopGiven = true;
            stopText.push_back(value);
        } else {
            badArguments("an unknown option");
        }
    }
    if (mode.fps == 0) {
        if (!mode.pictures.empty() || mode.stopGiven)
            badArguments("--at and --stop need --fps");
        return false;
    }
    for (Picture& picture : mode.pictures)
        picture.frame = frameAtSeconds(secondsArgument(picture.name.c_str()), mode.fps);
    for (const std::string& stop : stopText)
        mode.stopFrame = frameAtSeconds(secondsArgument(stop.c_str()), mode.fps);
    startVirtualClock(mode.fps, VirtualMusic{audioMusicMilliseconds, audioMusicPlaying, audioSignalEnd});
    swapBuffers = virtualSwap;
    return true;
}
