// kvistra-capture as a whole (that its frames repeat, the OpenGL ES and web
// comparisons rely on).
#include "support.h"

#include "platform/audio_pcm.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const std::string capturePath = programPath("kvistra-capture");

ProgramResult ffmpeg(std::vector<std::string> args, const char* program = "ffmpeg")
{
    args.insert(args.begin(), {program, "-hide_banner", "-loglevel", "error"});
    return runProgram("/usr/bin/env", args);
}

// A folder to run the show in, with the baked library and music.
struct ShowFolder {
    TempDir dir;
    ShowFolder()
    {
        for (const char* name : {"ant", "music.mp3"}) {
            std::vector<uint8_t> bytes = readFile(std::string(KVISTRA_RUN_DIR) + "/" + name);
            EXPECT_FALSE(bytes.empty()) << "the build bakes " << name << " into the run folder";
            writeFile(dir.file(name), bytes);
        }
    }
    ProgramResult capture(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--dir", dir.path});
        return runProgram(capturePath, args);
    }
};

// The pixels of a 640 x 480 picture file, as RGB.
struct Picture {
    std::string rgb;
    Rgba at(int x, int y) const
    {
        const char* p = &rgb[(static_cast<size_t>(y) * 640 + x) * 3];
        return {uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2]), 255};
    }
};

Picture readPicture(const std::string& path)
{
    Picture picture{runProgram("/usr/bin/env", {"convert", path, "-depth", "8", "rgb:-"}).output};
    EXPECT_EQ(picture.rgb.size(), 640u * 480 * 3) << path;
    picture.rgb.resize(640 * 480 * 3);
    return picture;
}

std::string frameName(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", number);
    return name;
}

// Raw 32-bit float samples, as ffmpeg writes them.
std::vector<float> monoSamples(const std::string& raw)
{
    std::vector<float> samples(raw.size() / sizeof(float));
    std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    return samples;
}

#define ASSERT_CAPTURED(result) ASSERT_EQ((result).exitStatus, 0) << (result).output << (result).errors

}  // namespace

// With a music of 2 s the clock restarts at 2 s: the title shows at 2 + x
// what it showed at x.
TEST(Capture, TheClockRestartsAtTheMusicsLength)
{
    ShowFolder show;
    ASSERT_EQ(writeToneMp3(show.dir.file("music.mp3"), 2).exitStatus, 0);
    TempDir out;
    ASSERT_CAPTURED(show.capture({"--png", out.path, "--fps", "10", "--to", "3"}));
    for (int number : {0, 4, 9})
        EXPECT_EQ(readFile(out.file(frameName(number))), readFile(out.file(frameName(number + 20))))
            << number;
    EXPECT_NE(readFile(out.file(frameName(4))), readFile(out.file(frameName(9))));
}

// "snurr.3ds": yellow around the model, the banner across the middle; at its
// end the show's own exit finishes the capture with status 0.
TEST(Capture, TheLastSceneHasItsBannerAndTheShowEndsTheCapture)
{
    ShowFolder show;
    TempDir out;
    ProgramResult result = show.capture({"--png", out.path, "--fps", "2", "--from", "170", "--to", "400"});
    ASSERT_CAPTURED(result);
    EXPECT_NE(result.output.find("fps:"), std::string::npos) << "the show's exit path ran";
    Picture picture = readPicture(out.file(frameName(340)));
    auto isYellow = [](Rgba c) { return c.r == 255 && c.g == 255 && c.b == 0; };
    int yellowEdges = 0, bannerYellow = 0;
    for (int x = 0; x < 640; x++)
        for (int y : {0, 20, 459, 479})
            yellowEdges += isYellow(picture.at(x, y));
    EXPECT_GT(yellowEdges, 640 * 4 * 8 / 10);
    for (int y = 226; y < 254; y++)
        for (int x = 3; x < 637; x++)
            bannerYellow += isYellow(picture.at(x, y));
    EXPECT_EQ(bannerYellow, 0);
    // The scripted scenes add up to 178.3 s. At 2 frames a second each of
    // the nine ends comes one or two frames late: the first frame past a
    // scene's end is still drawn, and the next scene starts on the frame after.
    int last = 340;
    while (!readFile(out.file(frameName(last + 1))).empty())
        last++;
    EXPECT_GE(last, 365);
    EXPECT_LE(last, 375);
}

// A music of a silent second and a second of tone: the window from 0.5 s
// to 3.5 s has the music from 0.5 s on, playing again from its start at 2 s.
TEST(Capture, AVideoHasTheFramesAskedForAndTheMusicInStep)
{
    ShowFolder show;
    ProgramResult made = ffmpeg({"-y", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2",
        "-af", "volume=enable='lt(t,1)':volume=0", "-c:a", "libmp3lame", show.dir.file("music.mp3")});
    ASSERT_EQ(made.exitStatus, 0) << made.errors;
    TempDir out;
    std::string video = out.file("window.mp4");
    ASSERT_CAPTURED(
        show.capture({"--mp4", video, "--fps", "10", "--from", "0.5", "--to", "3.5", "--size", "320x240"}));
    ProgramResult probe = ffmpeg(
        {"-count_frames", "-show_entries", "stream=codec_type,codec_name,width,height,pix_fmt,nb_read_frames",
            "-of", "csv=p=0", video},
        "ffprobe");
    EXPECT_NE(probe.output.find("h264,video,320,240,yuv420p,30"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("aac,audio"), std::string::npos) << probe.output;

    ProgramResult sound = ffmpeg({"-i", video, "-f", "f32le", "-ac", "1", "-ar", "44100", "-"});
    std::vector<float> samples = monoSamples(sound.output);
    const size_t quarter = 44100 / 4;
    ASSERT_GE(samples.size(), 12 * quarter) << sound.errors;
    const char* tone = "--1111----11";  // by quarter second
    for (size_t part = 0; part < 12; part++) {
        double power = 0.0;
        for (size_t i = part * quarter; i < (part + 1) * quarter; i++)
            power += samples[i] * samples[i];
        double level = std::sqrt(power / quarter);
        EXPECT_TRUE(tone[part] == '1' ? level > 0.04 : level < 0.01)
            << "quarter second " << part << ": " << level;
    }
}

// The show's own music: its time 0 at the video's time 0, to the sample (the
// encoder's priming, in the MP3 and in the video's AAC, is taken out).
TEST(Capture, TheMusicsTimeZeroIsTheVideosToTheSample)
{
    ShowFolder show;
    TempDir out;
    std::string video = out.file("start.mp4");
    ASSERT_CAPTURED(show.capture({"--mp4", video, "--fps", "5", "--to", "2"}));
    std::vector<float> heard =
        monoSamples(ffmpeg({"-i", video, "-f", "f32le", "-ac", "1", "-ar", "44100", "-"}).output);
    std::FILE* decoded = std::tmpfile();
    DecodedMusic music;
    ASSERT_EQ(decodeMusic(show.dir.file("music.mp3").c_str(), false, decoded, music), audioOk);
    std::rewind(decoded);
    std::vector<float> piece(2 * 44100);
    for (float& sample : piece) {
        float frame[2] = {0, 0};
        ASSERT_EQ(std::fread(frame, sizeof frame, 1, decoded), 1u);
        sample = 0.5f * (frame[0] + frame[1]);
    }
    std::fclose(decoded);
    ASSERT_GE(heard.size(), piece.size());
    // The shift of best correlation over a second from 0.2 s on.
    long best = 0;
    double bestSum = -1e30;
    for (long shift = -2000; shift <= 2000; shift++) {
        double sum = 0;
        for (size_t i = 8820; i < 8820 + 44100; i++)
            sum += double(piece[i]) * heard[size_t(long(i) + shift)];
        if (sum > bestSum)
            bestSum = sum, best = shift;
    }
    EXPECT_EQ(best, 0);
}

TEST(Capture, RefusesClearly)
{
    ShowFolder show;
    TempDir empty, out;
    // No ffmpeg on the PATH: said before anything is rendered.
    ProgramResult noEncoder = runProgram(
        capturePath, {"--dir", show.dir.path, "--mp4", out.file("x.mp4")}, "", {"PATH=" + empty.path});
    EXPECT_EQ(noEncoder.exitStatus, 1);
    EXPECT_NE(noEncoder.errors.find("ffmpeg program is not on PATH"), std::string::npos) << noEncoder.errors;
    // A window past the show's end: no frames, no video, not a success.
    ProgramResult late = show.capture({"--mp4", out.file("x.mp4"), "--fps", "2", "--from", "300"});
    EXPECT_EQ(late.exitStatus, 1);
    EXPECT_NE(late.errors.find("the show ended at"), std::string::npos) << late.errors;
    EXPECT_TRUE(readFile(out.file("x.mp4")).empty());

    // The show's own fatal lines, as the demo prints them.
    for (auto [music, code] : {std::pair{"", 3}, {"not music", 4}}) {
        std::remove(show.dir.file("music.mp3").c_str());
        if (*music)
            writeFile(show.dir.file("music.mp3"), std::string(music));
        ProgramResult result = show.capture({"--at", "1", "--out", out.file("y.png")});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.output, "Error(" + std::to_string(code) + "): Can't play the file\n");
    }
    ASSERT_EQ(writeToneMp3(show.dir.file("music.mp3"), 1).exitStatus, 0);
    std::remove(show.dir.file("ant").c_str());
    ProgramResult noLibrary = show.capture({"--at", "1", "--out", out.file("y.png")});
    EXPECT_NE(noLibrary.exitStatus, 0);
    EXPECT_NE(noLibrary.output.find("CANNOT open library"), std::string::npos) << noLibrary.output;
    EXPECT_TRUE(readFile(out.file("y.png")).empty());
}
