// The baked music: the loudness meter it is mastered with, the rendered
// piece, and the MP3 as a decoder sees it.
#include "support.h"

#include "tools/bake/music.h"

#include "platform/audio_pcm.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const double pi = 3.14159265358979323846;

synth::StereoBuffer sine(double frequency, double amplitudeLeft, double amplitudeRight, double seconds)
{
    synth::StereoBuffer buffer;
    size_t frames = size_t(seconds * synth::sampleRate);
    for (size_t i = 0; i < frames; i++) {
        double v = std::sin(2.0 * pi * frequency * double(i) / synth::sampleRate);
        buffer.left.push_back(float(v * amplitudeLeft));
        buffer.right.push_back(float(v * amplitudeRight));
    }
    return buffer;
}

synth::StereoBuffer joined(synth::StereoBuffer first, const synth::StereoBuffer& second)
{
    first.left.insert(first.left.end(), second.left.begin(), second.left.end());
    first.right.insert(first.right.end(), second.right.begin(), second.right.end());
    return first;
}

// The whole piece takes seconds to render: rendered and encoded once here.
struct Piece {
    synth::StereoBuffer pcm = bake::renderMusic();
    std::vector<uint8_t> mp3 = bake::encodeMp3(pcm);
};

const Piece& piece()
{
    static const Piece rendered;
    return rendered;
}

}  // namespace

TEST(MusicMastering, LoudnessMeterReadsKnownSignals)
{
    struct Case {
        const char* name;
        synth::StereoBuffer buffer;
        double expected;
    } cases[] = {
        {"full-scale sine", sine(1000.0, 1.0, 1.0, 5.0), 0.0},
        {"-20 dBFS sine", sine(1000.0, 0.1, 0.1, 5.0), -20.0},
        {"silence after the tone is gated away",
            joined(sine(1000.0, 0.1, 0.1, 10.0), sine(1000.0, 0, 0, 10.0)), -20.0},
        {"a passage 20 dB quieter is gated away",
            joined(sine(1000.0, 0.1, 0.1, 10.0), sine(1000.0, 0.01, 0.01, 10.0)), -20.0},
        {"shorter than one 400 ms block", sine(1000.0, 1.0, 1.0, 0.3), -70.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(synth::measureLoudness(c.buffer), c.expected, 0.15) << c.name;

    // The K-weighting lifts the treble and cuts the deep bass.
    EXPECT_GT(synth::measureLoudness(sine(8000.0, 0.1, 0.1, 5.0)), -20.0 + 3.0);
    EXPECT_LT(synth::measureLoudness(sine(30.0, 0.1, 0.1, 5.0)), -20.0 - 3.0);
}

TEST(MusicRender, IsLoudEnoughInEveryScene)
{
    const synth::StereoBuffer& music = piece().pcm;
    ASSERT_EQ(music.right.size(), music.left.size());
    EXPECT_NEAR(synth::measureLoudness(music), bake::musicLoudnessLufs, 0.5);
    // The level of [from, to) in dBFS.
    auto level = [&](double from, double to) {
        double energy = 0.0;
        size_t a = size_t(from * synth::sampleRate), b = size_t(to * synth::sampleRate);
        for (size_t i = a; i < b; i++)
            energy += music.left[i] * music.left[i] + music.right[i] * music.right[i];
        return 10.0 * std::log10(energy / double(2 * (b - a)) + 1e-20);
    };
    double from = 0.0;
    for (double cut : bake::sceneCutSeconds) {
        synth::StereoBuffer scene;
        size_t a = size_t(from * synth::sampleRate), b = size_t(cut * synth::sampleRate);
        scene.left.assign(music.left.begin() + long(a), music.left.begin() + long(b));
        scene.right.assign(music.right.begin() + long(a), music.right.begin() + long(b));
        EXPECT_GT(synth::measureLoudness(scene), -24.0) << "scene ending at " << cut;
        // Each cut opens a new section with a hit: the music steps up right there.
        EXPECT_GT(level(cut, cut + 0.06), level(cut - 0.06, cut) + 2.5) << cut;
        from = cut;
    }
}

namespace {

// The left channel of an MP3 as the show's own decoder gives it, at 44.1 kHz.
struct Decoded {
    DecodedMusic music;
    std::vector<float> left;
    float peak = 0.0f;
};

Decoded decodeWithTheShowsDecoder(const std::vector<uint8_t>& mp3)
{
    TempDir dir;
    writeFile(dir.file("music.mp3"), mp3);
    Decoded decoded;
    std::FILE* samples = std::tmpfile();
    EXPECT_EQ(decodeMusic(dir.file("music.mp3").c_str(), false, samples, decoded.music), audioOk);
    std::rewind(samples);
    float frame[2];
    while (std::fread(frame, sizeof frame, 1, samples) == 1) {
        decoded.left.push_back(frame[0]);
        decoded.peak = std::max({decoded.peak, std::fabs(frame[0]), std::fabs(frame[1])});
    }
    std::fclose(samples);
    return decoded;
}

// Where the piece's sample `at` lies in `decoded`: the shift of best
// correlation over 8192 samples, within +-3000.
long shiftOf(const std::vector<float>& piece, const std::vector<float>& decoded, size_t at)
{
    long best = 0;
    double bestSum = -1e30;
    for (long shift = -3000; shift <= 3000; shift++) {
        double sum = 0.0;
        for (size_t i = 0; i < 8192; i++)
            sum += double(piece[at + i]) * decoded[size_t(long(at + i) + shift)];
        if (sum > bestSum)
            bestSum = sum, best = shift;
    }
    return best;
}

}  // namespace

// "music.mp3" as the show decodes it: exactly the piece, sample for sample
// from its first, with headroom, as the encoder's information frame tells
// the decoder to trim its priming and padding; and the build's own bake,
// another process, made the very same bytes. Without that frame the same
// stream plays as any such file does, priming included.
TEST(MusicMp3, DecodesToExactlyThePieceFromItsFirstSampleAndBakesTheSameBytes)
{
    const std::vector<float>& left = piece().pcm.left;
    Decoded decoded = decodeWithTheShowsDecoder(piece().mp3);
    EXPECT_EQ(decoded.music.frames, left.size());
    EXPECT_DOUBLE_EQ(decoded.music.seconds, bake::musicSeconds);
    ASSERT_GE(decoded.left.size(), left.size());
    for (double seconds : {0.5, 100.0, 185.0})
        EXPECT_EQ(shiftOf(left, decoded.left, size_t(seconds * 44100)), 0) << seconds;
    EXPECT_LE(20.0 * std::log10(decoded.peak), -1.0);
    EXPECT_GT(20.0 * std::log10(decoded.peak), -4.0);

    // The first frame is the information frame: without it, the decoder
    // starts with the encoder's and its own delay, 576 + 529 samples.
    const std::vector<uint8_t>& mp3 = piece().mp3;
    ASSERT_EQ(mp3[0], 0xFF);
    size_t frameBytes = 144 * 192000 / 44100 + ((mp3[2] >> 1) & 1);
    ASSERT_EQ(std::string(mp3.begin() + 36, mp3.begin() + 40), "Info");
    Decoded untagged =
        decodeWithTheShowsDecoder(std::vector<uint8_t>(mp3.begin() + long(frameBytes), mp3.end()));
    EXPECT_GT(untagged.music.seconds, bake::musicSeconds + 0.025);
    EXPECT_EQ(shiftOf(left, untagged.left, 20 * 44100), 1105);

    EXPECT_EQ(readFile(std::string(KVISTRA_RUN_DIR) + "/music.mp3"), piece().mp3)
        << "the build's music.mp3 differs from this bake (or is stale: build kvistra-assets)";
}
