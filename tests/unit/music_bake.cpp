// The baked music: the loudness meter it is mastered with, the rendered
// piece, and the MP3 as a decoder sees it.
#include "support.h"

#include "tools/bake/music.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>

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
        {"full-scale sine", sine(1000.0, 1.0, 1.0, 5.0), 0.0}, {"-20 dBFS sine", sine(1000.0, 0.1, 0.1, 5.0), -20.0},
        {"silence after the tone is gated away",
            joined(sine(1000.0, 0.1, 0.1, 10.0), sine(1000.0, 0, 0, 10.0)), -20.0},
        {"a passage 20 dB quieter is gated away",
            joined(sine(1000.0, 0.1, 0.1, 10.0), sine(1000.0, 0.01, 0.01, 10.0)), -20.0},
        {"shorter than one 400 ms block", sine(1000.0, 1.0, 1.0, 0.3), -70.0},
    };
    for (const Case& c : cases) EXPECT_NEAR(synth::measureLoudness(c.buffer), c.expected, 0.15) << c.name;

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

// "music.mp3" as a player decodes it: the whole piece, with headroom; and the
// build's own bake, another process, made the very same bytes.
TEST(MusicMp3, DecodesToTheWholePieceWithHeadroomAndBakesTheSameBytes)
{
    TempDir dir;
    writeFile(dir.file("music.mp3"), piece().mp3);
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    ASSERT_NE(handle, nullptr);
    mpg123_param(handle, MPG123_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET, 0.0);
    long rate = 0;
    int channels = 0, encoding = 0, status = mpg123_open(handle, dir.file("music.mp3").c_str());
    ASSERT_EQ(status, MPG123_OK);
    ASSERT_EQ(mpg123_getformat(handle, &rate, &channels, &encoding), MPG123_OK);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);
    ASSERT_EQ(encoding, MPG123_ENC_FLOAT_32);
    std::vector<float> block(8192);
    size_t values = 0;
    float peak = 0.0f;
    while (status == MPG123_OK || status == MPG123_NEW_FORMAT) {
        size_t done = 0;
        status = mpg123_read(handle, block.data(), block.size() * sizeof(float), &done);
        for (size_t i = 0; i < done / sizeof(float); i++) peak = std::max(peak, std::fabs(block[i]));
        values += done / sizeof(float);
    }
    mpg123_delete(handle);
    EXPECT_EQ(status, MPG123_DONE);
    EXPECT_NEAR(double(values) / 2 / 44100.0, 190.0, 5.0);
    EXPECT_LE(20.0 * std::log10(peak), -1.0);
    EXPECT_GT(20.0 * std::log10(peak), -4.0);

    EXPECT_EQ(readFile(std::string(KVISTRA_RUN_DIR) + "/music.mp3"), piece().mp3)
        << "the build's music.mp3 differs from this bake (or is stale: build kvistra-assets)";
}
