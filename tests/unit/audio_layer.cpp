// The audio layer: which files open as a stream or a module, a device that
// cannot open, and looping playback into a file through SDL's disk driver.
#include "support.h"

#include "platform/audio.h"
#include "platform/audio_channel.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <lame/lame.h>

#include <atomic>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <tuple>

namespace {

// A mono sine tone encoded by libmp3lame, with the encoder's tag frame in
// front so the decoder can trim the padding and loop without a gap.
std::vector<uint8_t> encodeTone(int rate, int frames)
{
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 64);
    lame_init_params(lame);
    std::vector<short> pcm(frames);
    for (int i = 0; i < frames; ++i)
        pcm[i] = static_cast<short>(12000 * std::sin(2 * M_PI * 440.0 * i / rate));
    std::vector<uint8_t> mp3(frames * 5 / 4 + 7200 * 2);
    int size =
        lame_encode_buffer(lame, pcm.data(), pcm.data(), frames, mp3.data(), static_cast<int>(mp3.size()));
    size += lame_encode_flush(lame, mp3.data() + size, static_cast<int>(mp3.size()) - size);
    mp3.resize(size);
    uint8_t tag[2880];
    size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    std::memcpy(mp3.data(), tag, std::min(tagSize, mp3.size()));
    lame_close(lame);
    return mp3;
}

// A 4-channel module with one looped sample (by default a square wave), one
// pattern of 8 rows of 6 ticks of 882 frames at 44100 Hz.
std::vector<uint8_t> buildModule(std::vector<uint8_t> sampleData = {})
{
    if (sampleData.empty())
        for (int i = 0; i < 64; ++i)
            sampleData.push_back(i < 32 ? 100 : 156);  // +100, -100
    sampleData.resize(sampleData.size() & ~size_t(1));
    std::vector<uint8_t> bytes(1084 + 1024, 0);
    std::memcpy(bytes.data(), "tone", 4);
    uint8_t* sample = bytes.data() + 20;
    std::memcpy(sample, "sample", 6);
    sample[22] = static_cast<uint8_t>(sampleData.size() / 2 >> 8);  // length in words
    sample[23] = static_cast<uint8_t>(sampleData.size() / 2);
    sample[25] = 64;                                   // volume
    sample[28] = sample[22], sample[29] = sample[23];  // loop length: the whole sample
    for (int i = 1; i < 31; ++i)
        bytes[20 + 30 * i + 29] = 1;  // the empty samples' "no loop"
    bytes[950] = 1;                   // song length: one order
    bytes[951] = 127;
    std::memcpy(bytes.data() + 1080, "M.K.", 4);
    uint8_t* pattern = bytes.data() + 1084;
    pattern[0] = 0x01, pattern[1] = 0xAC, pattern[2] = 0x10;  // row 0: period 428, sample 1
    uint8_t* breakCell = pattern + (7 * 4 + 1) * 4;           // row 7, channel 2: pattern break
    breakCell[2] = 0x0D;
    bytes.insert(bytes.end(), sampleData.begin(), sampleData.end());
    return bytes;
}

// MPEG frames with silent payloads: each header followed by zeros up to
// the length it announces.
std::vector<uint8_t> frames(const std::vector<std::vector<uint8_t>>& headers, const std::vector<int>& lengths)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < headers.size(); ++i) {
        size_t start = bytes.size();
        bytes.insert(bytes.end(), headers[i].begin(), headers[i].end());
        bytes.resize(start + lengths[i], 0);
    }
    return bytes;
}

class AudioFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(audioInit(-1, 44100, 0, nullptr), 1) << audioErrorGetCode();
    }
    void TearDown() override { audioFree(); }

    // 'S' stream, 'M' module, '-' neither; with the error codes of the two opens.
    std::string openAs(const std::vector<uint8_t>& bytes)
    {
        std::string path = dir.file("music.mp3");
        writeFile(path, bytes);
        auto code = [] { return "-" + std::to_string(audioErrorGetCode()); };
        std::string result = audioStreamCreateFile(0, path.c_str(), 0, 0, 0) ? "S" : code();
        return result + (audioMusicLoad(0, path.c_str(), 0, 0, 5) ? "M" : code());
    }

    TempDir dir;
};

}  // namespace

TEST_F(AudioFiles, EachFileOpensOnlyAsItsOwnKind)
{
    std::vector<uint8_t> tone44 = encodeTone(44100, 22050);
    ASSERT_EQ(tone44[0], 0xFF);  // begins with a frame, not a tag
    std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    tagged.resize(30, 0);
    tagged.insert(tagged.end(), tone44.begin(), tone44.end());
    std::mt19937 random(5);
    std::vector<uint8_t> noise(65536);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(random());

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* expected;
    } cases[] = {
        {"MPEG-1 tone", tone44, "S-4"},
        {"tone behind an ID3v2 tag", tagged, "S-4"},
        {"tracker module", buildModule(), "-4M"},
        // libmpg123 alone would find the frames and take the module for a stream.
        {"tracker module with MPEG frames in its sample", buildModule(tone44), "-4M"},
        {"random bytes", noise, "-4-4"},
        {"empty file", {}, "-4-4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(openAs(c.bytes), c.expected) << c.what;
}

TEST_F(AudioFiles, StreamOpenNeedsARunOfValidFrameHeaders)
{
    // MPEG-1 Layer III, 128 kbit/s, 44100 Hz: 417 bytes a frame.
    const std::vector<uint8_t> l3 = {0xFF, 0xFB, 0x90, 0x00};
    const std::vector<uint8_t> l1 = {0xFF, 0xFF, 0x90, 0x00};        // Layer I, 288 kbit/s: 312 bytes
    const std::vector<uint8_t> l1Padded = {0xFF, 0xFF, 0x92, 0x00};  // padded by one 4-byte slot
    const std::vector<uint8_t> rate48 = {0xFF, 0xFB, 0x94, 0x00};    // 48000 Hz: 384 bytes
    const std::vector<uint8_t> reserved = {0xFF, 0xFB, 0x9C, 0x00};  // reserved sample rate
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool opens;
    } cases[] = {
        {"two frames that end the file", frames({l3, l3}, {417, 417}), true},
        {"two frames and an ID3v1 tag", frames({l3, l3, {'T', 'A', 'G'}}, {417, 417, 128}), true},
        {"Layer I frames", frames({l1, l1Padded, l1, l1}, {312, 316, 312, 312}), true},
        {"a frame too short for its header's length", frames({l3, l3, l3, l3}, {416, 417, 417, 417}), false},
        {"a second frame at another rate", frames({l3, rate48, l3, l3}, {417, 384, 417, 417}), false},
        {"a reserved sample rate", frames({reserved, reserved, reserved, reserved}, {417, 417, 417, 417}),
            false},
    };
    for (const Case& c : cases) {
        writeFile(dir.file("frames.mp3"), c.bytes);
        EXPECT_EQ(audioStreamCreateFile(0, dir.file("frames.mp3").c_str(), 0, 0, 0) != 0, c.opens) << c.what;
    }
}

TEST(AudioChannel, APieceShorterThanACallRestartsOnceInIt)
{
    // Two silent frames, 2304 samples: a call of 8192 frames would meet three ends.
    static int ends = 0;
    for (ChannelKind kind : {ChannelKind::stream, ChannelKind::module}) {
        AudioChannel channel;
        channel.kind = kind;
        std::vector<uint8_t> l3 = {0xFF, 0xFB, 0x90, 0};
        channel.fileBytes = kind == ChannelKind::stream ? frames({l3, l3}, {417, 417}) : buildModule();
        ASSERT_EQ(openChannelBytes(channel, 44100), audioOk);
        std::vector<float> out(2 * 8192 * 16);
        ends = 0;
        renderChannel(channel, 44100, out.data(), 8192 * 16, [](AudioChannel&, int) { ends++; });
        EXPECT_EQ(ends, 1) << int(kind);
        closeChannel(channel);
    }
}

TEST(AudioLayer, InitFailsWhenNoOutputDeviceOpensAndLeavesNothingBehind)
{
    // A driver SDL does not know, and a known driver whose device cannot
    // open. Afterwards a working driver initialises, and Ctrl-C and SIGTERM
    // are still the process's own.
    for (const char* driver : {"no-such-driver", "disk"}) {
        ChildResult child = runInChild([&] {
            // As an interactive shell starts it (one that starts it in the
            // background may leave SIGINT ignored).
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            setenv("SDL_AUDIODRIVER", driver, 1);
            setenv("SDL_DISKAUDIOFILE", "/nonexistent/directory/out.raw", 1);
            int freeBefore = audioFree();
            int init = audioInit(-1, 44100, 0, nullptr);
            int initError = audioErrorGetCode();
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            int retry = audioInit(-1, 44100, 0, nullptr);
            struct sigaction interrupt, terminate;
            sigaction(SIGINT, nullptr, &interrupt);
            sigaction(SIGTERM, nullptr, &terminate);
            std::printf("%x %d %d %d %d %d %d", audioGetVersion(), freeBefore, init, initError, retry,
                interrupt.sa_handler == SIG_DFL && terminate.sa_handler == SIG_DFL, audioFree());
        });
        EXPECT_EQ(child.output, "60000 0 0 1 1 1 1") << driver;
    }
}

namespace {

std::atomic<int> endCount{0};

// Plays the file through SDL's disk driver until the end procedure has run
// twice; prints "ends frames peak" of what was played from its first sound on.
void playToDisk(const std::string& music, const std::string& output, bool asModule)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    audioInit(-1, 44100, 0, nullptr);
    AudioHandle handle = asModule ? audioMusicLoad(0, music.c_str(), 0, 0, 5)
                                  : audioStreamCreateFile(0, music.c_str(), 0, 0, 0);
    // The show's own end procedure, on the audio thread, restarts the demo
    // clock while this thread keeps reading it.
    auto onEnd = [](uint32_t sync, uint32_t channel, uint32_t data) {
        onMusicEnd(sync, channel, data);
        ++endCount;
    };
    if (!audioChannelSetSync(handle, audioSyncEnd, 0, onEnd) || !audioStart() ||
        !(asModule ? audioMusicPlay(handle) : audioStreamPlay(handle, 0, 4)))
        return (void)std::printf("error %d", audioErrorGetCode());
    pollUntil(
        [] {
            updateDemoClock();
            return endCount >= 2;
        },
        20);
    audioFree();
    std::vector<uint8_t> written = readFile(output);
    std::vector<float> samples(written.size() / sizeof(float));
    std::memcpy(samples.data(), written.data(), samples.size() * sizeof(float));
    size_t first = 0;
    while (first < samples.size() && samples[first] == 0.0f)
        ++first;
    float peak = 0;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    std::printf("%d %zu %.3f", endCount.load(), (samples.size() - first) / 2, peak);
}

}  // namespace

TEST(AudioLayer, PlaybackLoopsAndRunsTheEndProcedureOncePerLoop)
{
    TempDir dir;
    writeFile(dir.file("tone.mp3"), encodeTone(22050, 11025));  // MPEG-2, half a second, played at 44100 Hz
    writeFile(dir.file("music.mp3"), buildModule());
    // The file, how it opens, and one loop's frames at the device's 44100 Hz.
    for (auto [file, asModule, loopFrames] :
        {std::tuple{"tone.mp3", false, 22050L}, {"music.mp3", true, 8 * 6 * 882L}}) {
        ChildResult child = runInChild([&] { playToDisk(dir.file(file), dir.file("out.raw"), asModule); });
        int ends = 0;
        long written = 0;
        float peak = 0;
        ASSERT_EQ(std::sscanf(child.output.c_str(), "%d %ld %f", &ends, &written, &peak), 3) << child.output;
        EXPECT_GE(ends, 2) << file;
        EXPECT_GT(peak, 0.1f) << file;
        // Each end is one whole loop: what was written covers as many loops
        // as ends ran, give or take the output's buffering.
        EXPECT_GE(written, ends * loopFrames - loopFrames / 4) << file << " ends " << ends;
        EXPECT_LE(written, (ends + 1) * loopFrames + loopFrames / 4) << file << " ends " << ends;
    }
}
