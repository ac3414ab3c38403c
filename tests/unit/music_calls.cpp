// The music's calls into the audio layer, through a stand-in that records them.
#include "support.h"

#include "platform/clock.h"
#include "platform/process.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <cstdarg>
#include <cstdio>

// What the stand-in answers, and what it was asked.
struct Answers {
    uint32_t version;
    int init;
    AudioHandle stream, module;
    int error;
};
static Answers answers;
static std::string calls;

static void note(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void note(const char* format, ...)
{
    char line[200];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    calls += line;
    calls += "\n";
}

static const AudioCalls standIn = {
    [] { return note("getVersion"), answers.version; },
    [](int device, uint32_t frequency, uint32_t flags, void* window) {
        return note("init %d %u %u %s", device, frequency, flags, window ? "window" : "none"), answers.init;
    },
    [](int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t flags) {
        return note("streamCreateFile %d %s %u %u %u", fromMemory, fileName, offset, length, flags),
               answers.stream;
    },
    [](int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t flags) {
        return note("musicLoad %d %s %u %u %u", fromMemory, fileName, offset, length, flags), answers.module;
    },
    [](AudioHandle handle, uint32_t type, uint32_t parameter, AudioSyncProc proc) {
        const char* procName = proc == onMusicEnd ? "onMusicEnd" : "?";
        return note("channelSetSync %u %u %u %s", handle, type, parameter, procName), 1u;
    },
    [] { return note("start"), 1; },
    [](AudioHandle handle, int flush, uint32_t flags) {
        return note("streamPlay %u %d %u", handle, flush, flags), 1;
    },
    [](AudioHandle handle) { return note("musicPlay %u", handle), 1; },
    [] { return note("errorGetCode"), answers.error; },
    [] { return note("free"), 1; },
};

static uint32_t virtualNow = 0;
static uint32_t virtualClock()
{
    return virtualNow;
}

static void prepare(const Answers& given)
{
    audioCalls = standIn;
    answers = given;
    streamHandle = moduleHandle = 0;
    calls.clear();
}

TEST(MusicCalls, LoadStartAndFreeInOrder)
{
    struct Case {
        const char* name;
        Answers answers;
        const char* expectedOutput;
        const char* expectedCalls;
    } cases[] = {
        {"a stream", {audioVersion, 1, 7, 9, 0}, "",
            "getVersion\ninit -1 44100 0 none\nstreamCreateFile 0 music.mp3 0 0 0\n"
            "channelSetSync 7 2 0 onMusicEnd\nstart\nstreamPlay 7 0 4\nfree\n"},
        {"a module", {audioVersion, 1, 0, 9, 4}, "",
            "getVersion\ninit -1 44100 0 none\nstreamCreateFile 0 music.mp3 0 0 0\n"
            "musicLoad 0 music.mp3 0 0 5\nchannelSetSync 9 2 0 onMusicEnd\nstart\nmusicPlay 9\nfree\n"},
        // The wrong version: reported, nothing loaded, the later calls still
        // made with no handle, and the show goes on.
        {"the wrong version", {0x20000, 1, 7, 9, 0}, "BASS version 0.6 was not loaded\n",
            "getVersion\nstart\nmusicPlay 0\nfree\n"},
    };
    for (const Case& c : cases) {
        prepare(c.answers);
        setMillisecondSource(virtualClock);
        testing::internal::CaptureStdout();
        initMusic("music.mp3");
        virtualNow = 123456;
        startMusic();
        freeMusic();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expectedOutput) << c.name;
        EXPECT_EQ(calls, c.expectedCalls) << c.name;
        // The clock counts from the start of playback, with or without music.
        EXPECT_EQ(clockBase.load(), 123456u) << c.name;
        setMillisecondSource(nullptr);
    }
}

TEST(MusicCalls, FatalErrorsReportTheCodeFreeTheLayerAndEndWithStatus1)
{
    struct Case {
        Answers answers;
        const char* expectedOutput;
    } cases[] = {
        {{audioVersion, 0, 7, 9, 1},
            "Error(1): Can't initialize device\n"
            "getVersion\ninit -1 44100 0 none\nerrorGetCode\nfree\n"},
        {{audioVersion, 1, 0, 0, -4},
            "Error(-4): Can't play the file\n"
            "getVersion\ninit -1 44100 0 none\nstreamCreateFile 0 music.mp3 0 0 0\n"
            "musicLoad 0 music.mp3 0 0 5\nerrorGetCode\nfree\n"},
    };
    for (const Case& c : cases) {
        ChildResult child = runInChild([&] {
            prepare(c.answers);
            addExitHook([](int) { std::printf("%s", calls.c_str()); });
            initMusic("music.mp3");
        });
        EXPECT_EQ(child.exitStatus, 1);
        EXPECT_EQ(child.output, c.expectedOutput);
    }
}
