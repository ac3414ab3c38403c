// kvistra-capture as a whole: the same window captured twice gives the same
// frames; the clock restarts at the music's real length; single frames show
// what the scenes draw (the title strip, the env.3ds backdrop, the snurr.3ds
// banner) and the show's own end finishes the capture; an MP4 holds the
// frames asked for and the music; what cannot be done is refused clearly.
#include "support.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

const std::string capturePath = programPath("kvistra-capture");

ProgramResult runTool(const std::string& tool, const std::vector<std::string>& args, const std::string& dir = "")
{
    std::vector<std::string> call = {tool};
    call.insert(call.end(), args.begin(), args.end());
    return runProgram("/usr/bin/env", call, dir);
}

// A sine tone of the given length as an MPEG stream, encoded by ffmpeg;
// with halfSilent, a second of silence and a second of the tone.
void makeMusic(const std::string& path, int seconds, bool halfSilent = false)
{
    std::vector<std::string> args = {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds)};
    if (halfSilent)
        args.insert(args.end(), {"-af", "volume=enable='lt(t,1)':volume=0"});
    args.insert(args.end(), {"-ac", "2", "-ar", "44100", "-c:a", "libmp3lame", "-b:a", "96k", path});
    ProgramResult made = runTool("ffmpeg", args);
    ASSERT_EQ(made.exitStatus, 0) << made.errors;
}

// A folder to run the show in: the baked library, and the baked music or,
// when that is not there, a tone longer than the show.
struct ShowFolder {
    TempDir dir;
    explicit ShowFolder(int musicSeconds = 0, bool halfSilent = false)
    {
        std::vector<uint8_t> library = readFile(std::string(KVISTRA_RUN_DIR) + "/ant");
        EXPECT_FALSE(library.empty()) << "the build bakes \"ant\" into the run folder";
        writeFile(dir.file("ant"), library);
        std::vector<uint8_t> music = readFile(std::string(KVISTRA_RUN_DIR) + "/music.mp3");
        if (musicSeconds == 0 && !music.empty())
            writeFile(dir.file("music.mp3"), music);
        else
            makeMusic(dir.file("music.mp3"), musicSeconds == 0 ? 200 : musicSeconds, halfSilent);
    }
    ProgramResult capture(const std::vector<std::string>& args) const
    {
        std::vector<std::string> all = {"--dir", dir.path};
        all.insert(all.end(), args.begin(), args.end());
        return runProgram(capturePath, all);
    }
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    Rgba at(int x, int y) const
    {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2], 255};
    }
};

Picture readPicture(const std::string& path, int width = 640, int height = 480)
{
    ProgramResult read = runTool("convert", {path, "-depth", "8", "rgb:-"});
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.assign(read.output.begin(), read.output.end());
    EXPECT_EQ(picture.rgb.size(), static_cast<size_t>(width) * height * 3) << path << ": " << read.errors;
    picture.rgb.resize(static_cast<size_t>(width) * height * 3);
    return picture;
}

std::string frameName(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", number);
    return name;
}

bool isYellow(Rgba c)
{
    return c.r == 255 && c.g == 255 && c.b == 0;
}

bool fileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

} // namespace

// 15.5 s to 17.5 s holds the title's last frames, the pass that also loads
// "test.3ds" and draws its first frame, and the first frames of that scene.
TEST(Capture, TheSameWindowTwiceGivesTheSameFrames)
{
    ShowFolder show;
    TempDir out;
    for (const char* run : {"a", "b"}) {
        ProgramResult result = show.capture({"--png", out.file(run), "--fps", "10", "--from", "15.5", "--to", "17.5"});
        ASSERT_EQ(result.exitStatus, 0) << result.output << result.errors;
    }
    std::vector<uint8_t> previous;
    int changes = 0;
    for (int number = 155; number < 175; number++) {
        std::vector<uint8_t> first = readFile(out.file("a/" + frameName(number)));
        std::vector<uint8_t> second = readFile(out.file("b/" + frameName(number)));
        ASSERT_FALSE(first.empty()) << frameName(number);
        EXPECT_EQ(std::hash<std::string>()(std::string(first.begin(), first.end())),
                  std::hash<std::string>()(std::string(second.begin(), second.end())))
            << frameName(number);
        changes += first != previous;
        previous = first;
    }
    EXPECT_FALSE(fileExists(out.file("a/" + frameName(154))));
    EXPECT_FALSE(fileExists(out.file("a/" + frameName(175))));
    // The title's pictures are over by 15.4 s (its last frames are black);
    // from "test.3ds" on every frame differs from the one before.
    EXPECT_GE(changes, 9) << "the 3D scene moves from frame to frame";
}

// With a music of 2 s, the demo clock restarts at 2 s: the title, which is
// drawn afresh every frame from its own time, shows at 2.0 + x what it
// showed at x.
TEST(Capture, TheClockRestartsAtTheMusicsLength)
{
    ShowFolder show(2);
    TempDir out;
    ProgramResult result = show.capture({"--png", out.path, "--fps", "10", "--to", "3"});
    ASSERT_EQ(result.exitStatus, 0) << result.output << result.errors;
    for (int number : {0, 4, 9}) {
        EXPECT_EQ(readFile(out.file(frameName(number))), readFile(out.file(frameName(number + 20))))
            << frameName(number);
    }
    EXPECT_NE(readFile(out.file(frameName(4))), readFile(out.file(frameName(9))));
}

// The title's pictures pulse in a 426 x 24 strip in the middle of the screen.
TEST(Capture, TheTitleStaysInItsStrip)
{
    ShowFolder show;
    TempDir out;
    for (const char* at : {"1", "10"}) {
        ProgramResult result = show.capture({"--at", at, "--out", out.file("title.png")});
        ASSERT_EQ(result.exitStatus, 0) << result.output << result.errors;
        Picture picture = readPicture(out.file("title.png"));
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < 480; y++) {
            for (int x = 0; x < 640; x++) {
                Rgba c = picture.at(x, y);
                if (c.r + c.g + c.b < 90)
                    continue;
                bool inStrip = x >= 107 && x < 533 && y >= 228 && y < 252;
                (inStrip ? inside : outside)++;
            }
        }
        EXPECT_GT(inside, 200) << "at " << at << " s";
        EXPECT_EQ(outside, 0) << "at " << at << " s";
    }
}

// "env.3ds" draws its picture over the whole screen behind the model: while
// the camera circles, the picture stays where it is and nothing of it is the
// black the frame was cleared to (but for the outermost pixel, which the
// quad just misses).
TEST(Capture, TheEnvBackdropFillsTheScreenBehindTheModel)
{
    ShowFolder show;
    TempDir out;
    for (const char* at : {"30", "38"}) {
        ProgramResult result = show.capture({"--at", at, "--fps", "5", "--out", out.file(std::string(at) + ".png")});
        ASSERT_EQ(result.exitStatus, 0) << result.output << result.errors;
    }
    Picture early = readPicture(out.file("30.png"));
    Picture late = readPicture(out.file("38.png"));
    EXPECT_NE(early.rgb, late.rgb) << "the camera moves";
    // A ring of pixels two in from the edges.
    std::vector<std::pair<int, int>> ring;
    for (int x = 2; x < 638; x++)
        ring.insert(ring.end(), {{x, 2}, {x, 477}});
    for (int y = 3; y < 477; y++)
        ring.insert(ring.end(), {{2, y}, {637, y}});
    int border = 0;
    int same = 0;
    int black = 0;
    for (auto [x, y] : ring) {
        Rgba a = early.at(x, y);
        Rgba b = late.at(x, y);
        border++;
        same += a.r == b.r && a.g == b.g && a.b == b.b;
        black += (a.r == 0 && a.g == 0 && a.b == 0) + (b.r == 0 && b.g == 0 && b.b == 0);
    }
    EXPECT_GT(same, border * 8 / 10);
    EXPECT_EQ(black, 0);
}

// "snurr.3ds" is the last scene: yellow around the model, the banner over
// everything across the middle of the screen; at its end the show's own
// exit finishes the capture with status 0.
TEST(Capture, TheLastSceneHasItsBannerAndTheShowEndsTheCapture)
{
    ShowFolder show;
    TempDir out;
    ProgramResult result = show.capture({"--png", out.path, "--fps", "2", "--from", "170", "--to", "400"});
    ASSERT_EQ(result.exitStatus, 0) << result.output << result.errors;
    EXPECT_NE(result.output.find("fps:"), std::string::npos) << "the show's exit path ran";
    Picture picture = readPicture(out.file(frameName(340)));
    int edges = 0;
    int yellowEdges = 0;
    for (int x = 0; x < 640; x++) {
        for (int y : {0, 20, 459, 479}) {
            edges++;
            yellowEdges += isYellow(picture.at(x, y));
        }
    }
    EXPECT_GT(yellowEdges, edges * 8 / 10);
    int bannerYellow = 0;
    for (int y = 226; y < 254; y++)
        for (int x = 3; x < 637; x++)
            bannerYellow += isYellow(picture.at(x, y));
    EXPECT_EQ(bannerYellow, 0);
    // The scripted scenes add up to 178.3 s. At 2 frames a second each of
    // the nine ends comes one or two frames late: the first frame past a
    // scene's end is still drawn, and the next scene starts on the frame after.
    int last = 340;
    while (fileExists(out.file(frameName(last + 1))))
        last++;
    EXPECT_GE(last, 365);
    EXPECT_LE(last, 375);
}

// A music of a silent second and a second of tone: the window from 0.5 s
// to 3.5 s has the music from 0.5 s on, playing again from its start at 2 s.
TEST(Capture, AVideoHasTheFramesAskedForAndTheMusicInStep)
{
    ShowFolder show(2, true);
    TempDir out;
    ProgramResult result = show.capture(
        {"--mp4", out.file("window.mp4"), "--fps", "10", "--from", "0.5", "--to", "3.5", "--size", "320x240"});
    ASSERT_EQ(result.exitStatus, 0) << result.output << result.errors;
    ProgramResult probe = runTool("ffprobe", {"-v", "error", "-count_frames", "-show_entries",
        "stream=codec_type,codec_name,width,height,pix_fmt,nb_read_frames", "-of", "csv=p=0",
        out.file("window.mp4")});
    ASSERT_EQ(probe.exitStatus, 0) << probe.errors;
    EXPECT_NE(probe.output.find("h264,video,320,240,yuv420p,30"), std::string::npos) << probe.output;
    EXPECT_NE(probe.output.find("aac,audio"), std::string::npos) << probe.output;

    ProgramResult sound = runTool("ffmpeg", {"-hide_banner", "-loglevel", "error", "-i", out.file("window.mp4"),
        "-f", "f32le", "-ac", "1", "-ar", "44100", "-"});
    ASSERT_EQ(sound.exitStatus, 0) << sound.errors;
    std::vector<float> samples(sound.output.size() / sizeof(float));
    std::memcpy(samples.data(), sound.output.data(), samples.size() * sizeof(float));
    const size_t quarter = 44100 / 4;
    ASSERT_GE(samples.size(), 12 * quarter);
    const bool tone[12] = {false, false, true, true, true, true, false, false, false, false, true, true};
    for (size_t part = 0; part < 12; part++) {
        double power = 0.0;
        for (size_t i = part * quarter; i < (part + 1) * quarter; i++)
            power += samples[i] * samples[i];
        double level = std::sqrt(power / quarter);
        if (tone[part])
            EXPECT_GT(level, 0.04) << "quarter second " << part;
        else
            EXPECT_LT(level, 0.01) << "quarter second " << part;
    }
}

TEST(Capture, RefusesClearly)
{
    ShowFolder show;
    TempDir empty;
    TempDir out;
    // No ffmpeg on the PATH: said before anything is rendered.
    ProgramResult noEncoder = runProgram(capturePath, {"--dir", show.dir.path, "--mp4", out.file("x.mp4")}, "",
                                         {"PATH=" + empty.path});
    EXPECT_EQ(noEncoder.exitStatus, 1);
    EXPECT_NE(noEncoder.errors.find("ffmpeg program is not on PATH"), std::string::npos) << noEncoder.errors;
    EXPECT_FALSE(fileExists(out.file("x.mp4")));

    // A window past the show's end: no frames, no video, not a success.
    ProgramResult late = show.capture({"--mp4", out.file("late.mp4"), "--fps", "2", "--from", "300"});
    EXPECT_EQ(late.exitStatus, 1);
    EXPECT_NE(late.errors.find("the show ended at"), std::string::npos) << late.errors;
    EXPECT_FALSE(fileExists(out.file("late.mp4")));

    // The show's own fatal lines, as the demo prints them.
    std::remove(show.dir.file("music.mp3").c_str());
    ProgramResult noMusic = show.capture({"--at", "1", "--out", out.file("y.png")});
    EXPECT_EQ(noMusic.exitStatus, 1);
    EXPECT_EQ(noMusic.output, "Error(3): Can't play the file\n");
    writeFile(show.dir.file("music.mp3"), std::string("not music"));
    ProgramResult badMusic = show.capture({"--at", "1", "--out", out.file("y.png")});
    EXPECT_EQ(badMusic.exitStatus, 1);
    EXPECT_EQ(badMusic.output, "Error(4): Can't play the file\n");
    makeMusic(show.dir.file("music.mp3"), 1);
    std::remove(show.dir.file("ant").c_str());
    ProgramResult noLibrary = show.capture({"--at", "1", "--out", out.file("y.png")});
    EXPECT_NE(noLibrary.exitStatus, 0);
    EXPECT_NE(noLibrary.output.find("CANNOT open library"), std::string::npos) << noLibrary.output;
    EXPECT_FALSE(fileExists(out.file("y.png")));

    // Options that do not go together.
    ProgramResult bad = runProgram(capturePath, {"--at", "1", "--mp4", out.file("z.mp4")});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.errors.find("usage:"), std::string::npos);
}
