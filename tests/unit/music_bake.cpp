// The baked music: the loudness meter and limiter it is mastered with, the
// instruments, the rendered piece, and the MP3 as a decoder sees it.
#include "support.h"

#include "tools/bake/music.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <functional>

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
        {"full-scale sine in both channels", sine(1000.0, 1.0, 1.0, 5.0), 0.0},
        {"-20 dBFS sine in both channels", sine(1000.0, 0.1, 0.1, 5.0), -20.0},
        {"full-scale sine in one channel", sine(1000.0, 1.0, 0.0, 5.0), -3.01},
        {"silence after the tone is gated away",
            joined(sine(1000.0, 0.1, 0.1, 10.0), sine(1000.0, 0, 0, 10.0)), -20.0},
        {"a passage 20 dB quieter is gated away",
            joined(sine(1000.0, 0.1, 0.1, 10.0), sine(1000.0, 0.01, 0.01, 10.0)), -20.0},
        {"silence", sine(1000.0, 0.0, 0.0, 5.0), -70.0},
        {"shorter than one 400 ms block", sine(1000.0, 1.0, 1.0, 0.3), -70.0},
    };
    for (const Case& c : cases) EXPECT_NEAR(synth::measureLoudness(c.buffer), c.expected, 0.15) << c.name;

    // The K-weighting lifts the treble and cuts the deep bass.
    EXPECT_GT(synth::measureLoudness(sine(8000.0, 0.1, 0.1, 5.0)), -20.0 + 3.0);
    EXPECT_LT(synth::measureLoudness(sine(30.0, 0.1, 0.1, 5.0)), -20.0 - 3.0);
}

TEST(MusicMastering, LimiterKeepsPeaksUnderTheCeilingAndLeavesQuietSignalsAlone)
{
    const float ceiling = 0.75f;
    synth::StereoBuffer square;
    synth::StereoBuffer clicks = sine(440.0, 0.05, 0.05, 2.0);
    for (size_t i = 0; i < size_t(2 * synth::sampleRate); i++) {
        float v = (i / 441) % 2 ? 2.0f : -2.0f;
        square.left.push_back(v);
        square.right.push_back(-v);
    }
    for (size_t i = 1000; i < clicks.left.size(); i += 9000) clicks.right[i] = 3.0f;
    synth::StereoBuffer loudStart = sine(100.0, 4.0, 0.2, 1.0);
    synth::StereoBuffer shorterThanLookAhead = sine(1000.0, 0.1, 0.1, 0.001);
    shorterThanLookAhead.left[20] = -2.0f;

    for (synth::StereoBuffer* buffer : {&square, &clicks, &loudStart, &shorterThanLookAhead}) {
        synth::limitPeaks(*buffer, ceiling);
        EXPECT_LE(synth::peakLevel(*buffer), ceiling);
        EXPECT_GT(synth::peakLevel(*buffer), 0.9f * ceiling);
    }
    // Far from the clicks the tone passes untouched.
    EXPECT_NEAR(clicks.left[500], sine(440.0, 0.05, 0.05, 1.0).left[500], 1e-6);

    synth::StereoBuffer quiet = sine(440.0, 0.5, 0.7, 1.0);
    synth::StereoBuffer original = quiet;
    synth::limitPeaks(quiet, ceiling);
    EXPECT_TRUE(quiet.left == original.left && quiet.right == original.right);
}

TEST(MusicInstruments, SoundExactlyFromTheirStartAndStayBounded)
{
    const double start = 0.5;
    synth::Route route;
    synth::PadSound pad;
    struct Case {
        const char* name;
        std::function<void(synth::Mix&)> play;
    } cases[] = {
        {"kick", [&](synth::Mix& m) { synth::playKick(m, start, 1.0f, 0.5f); }},
        {"snare", [&](synth::Mix& m) { synth::playSnare(m, start, 1.0f); }},
        {"clap", [&](synth::Mix& m) { synth::playClap(m, start, 1.0f); }},
        {"closed hat", [&](synth::Mix& m) { synth::playHat(m, start, 1.0f, false); }},
        {"open hat", [&](synth::Mix& m) { synth::playHat(m, start, 1.0f, true); }},
        {"crash", [&](synth::Mix& m) { synth::playCrash(m, start, 1.0f); }},
        {"impact", [&](synth::Mix& m) { synth::playImpact(m, start, 1.0f); }},
        {"pad", [&](synth::Mix& m) { synth::playPad(m, route, start, 0.5, 60, pad); }},
        {"pluck", [&](synth::Mix& m) { synth::playPluck(m, route, start, 0.1, 84, 1.0f); }},
        {"bass", [&](synth::Mix& m) { synth::playBass(m, route, start, 0.1, 33, 1000.0f); }},
        {"acid", [&](synth::Mix& m) { synth::playAcid(m, route, start, 0.1, 45, 4000.0f, true); }},
        {"lead", [&](synth::Mix& m) { synth::playLead(m, route, start, 0.5, 96, 8000.0f); }},
        {"bell", [&](synth::Mix& m) { synth::playBell(m, route, start, 100); }},
        {"sub", [&](synth::Mix& m) { synth::playSub(m, route, start, 0.5, 28); }},
    };
    for (const Case& c : cases) {
        synth::Mix mix = synth::makeMix(5.0);
        c.play(mix);
        synth::StereoBuffer out = synth::finishMix(mix);
        size_t first = out.left.size();
        float peak = 0.0f;
        for (size_t i = 0; i < out.left.size(); i++) {
            float v = std::max(std::fabs(out.left[i]), std::fabs(out.right[i]));
            ASSERT_TRUE(std::isfinite(v)) << c.name;
            if (v > 1e-4f && first == out.left.size()) first = i;
            peak = std::max(peak, v);
        }
        EXPECT_GE(first, size_t(start * synth::sampleRate)) << c.name;
        EXPECT_LT(first, size_t(start * synth::sampleRate) + synth::sampleRate / 20) << c.name;
        EXPECT_LT(peak, 2.5f) << c.name;
        // The tail dies away within the five seconds.
        EXPECT_LT(std::fabs(out.left.back()) + std::fabs(out.right.back()), 1e-3f) << c.name;
    }
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
    // No 1 s stretch of silence anywhere in the piece (50 ms windows under -60 dBFS).
    double silent = 0.0, longestSilent = 0.0;
    for (double t = 0.0; t + 0.05 <= bake::musicSeconds; t += 0.05) {
        silent = level(t, t + 0.05) < -60.0 ? silent + 0.05 : 0.0;
        longestSilent = std::max(longestSilent, silent);
    }
    EXPECT_LT(longestSilent, 1.0);

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
