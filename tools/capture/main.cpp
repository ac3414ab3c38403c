// main.cpp: kvistra-capture renders the show without a screen, at a fixed
// frame rate, into a video with its music, numbered pictures or a single
// picture. The show runs as in kvistra (the same sequencer passes, scenes,
// engine and files), on a headless GL context, with the music's audio calls
// replaced by a silent stand-in and the demo clock's timer by a virtual one:
// video frame n sees the timer at n * 1000 / fps milliseconds after the
// music's start, whatever the time spent drawing and loading.
#include "tools/capture/capture.h"

#include "platform/audio_pcm.h"
#include "platform/headless_gl.h"
#include "platform/process.h"
#include "platform/stop_signals.h"
#include "render/render.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include "gl11/gl.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Picture {
    uint64_t frame;
    std::string path;
};

struct Capture {
    CaptureOptions options;
    std::string mp4Path;  // absolute paths: the show runs in its own folder
    std::string pngDir;
    std::vector<Picture> pictures;  // --at: the frames to keep as pictures, ascending
    std::string ffmpeg;
    std::string framesPath;          // the encoded frames, before the music joins them
    std::string soundtrackPath;      // the music for the video, or empty
    uint64_t firstFrame = 0;         // frames before this are drawn but not kept
    uint64_t endFrame = UINT64_MAX;  // the capture ends before this frame
    uint64_t framesKept = 0;
    std::vector<uint8_t> pixels;  // as GL reads them, bottom row first
    std::vector<uint8_t> frame;   // top row first
    bool finished = false;
    std::FILE* frameLog = nullptr;                     // --frame-log, or null
    std::chrono::steady_clock::time_point frameStart;  // when the show went back to drawing
};

Capture capture;
volatile sig_atomic_t interrupted = 0;

void onStopSignal(int)
{
    interrupted = 1;
}

void installSignals()
{
    catchStopSignals(onStopSignal);
    // A vanished ffmpeg shows as a failed write, not as a silent death.
    signal(SIGPIPE, SIG_IGN);
}

[[noreturn]] void fail(const std::string& message)
{
    std::fprintf(stderr, "kvistra-capture: %s\n", message.c_str());
    endProcess(1);
}

double frameSeconds(uint64_t frame)
{
    return static_cast<double>(frame) / capture.options.fps;
}

// The first frame whose time is at or after `seconds`; the small margin
// keeps 0.3 s at 10 fps on frame 3 despite the rounding of 0.3 * 10.
uint64_t firstFrameFrom(double seconds)
{
    return static_cast<uint64_t>(std::ceil(seconds * capture.options.fps - 1e-6));
}

std::string absolutePath(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char folder[PATH_MAX];
    if (getcwd(folder, sizeof folder) == nullptr)
        fail(std::string("cannot read the current folder: ") + std::strerror(errno));
    return std::string(folder) + "/" + path;
}

// The show opens "ant" and "music.mp3" by relative name (and the library
// refuses long names), so it runs in the folder that holds them.
void enterShowFolder(const std::string& dir)
{
    std::string target = dir;
    if (target.empty()) {
        if (access("ant", F_OK) == 0)
            return;
        char self[PATH_MAX];
        ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0)
            return;
        self[length] = '\0';
        target = self;
        target.erase(target.rfind('/') + 1);
        // Installed as a package, the show's files are in share/games/kvistra
        // beside the bin folder this program is in.
        std::string installed = target + "../share/games/kvistra/";
        if (access((target + "ant").c_str(), F_OK) != 0 && access((installed + "ant").c_str(), F_OK) == 0)
            target = installed;
    }
    if (chdir(target.c_str()) != 0)
        fail("cannot enter " + target + ": " + std::strerror(errno));
}

void keepFrame(uint64_t number)
{
    const CaptureOptions& options = capture.options;
    readFrame(options.width, options.height, capture.frame, capture.pixels);
    std::string error;
    if (!capture.mp4Path.empty() && !writeVideoFrame(capture.frame.data(), capture.frame.size()))
        fail("ffmpeg stopped taking frames");
    if (!capture.pngDir.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(number));
        if (!writePngFile(capture.pngDir + name, capture.frame.data(), options.width, options.height, error))
            fail(error);
    }
    for (const Picture& picture : capture.pictures)
        if (picture.frame == number &&
            !writePngFile(picture.path, capture.frame.data(), options.width, options.height, error))
            fail(error);
    capture.framesKept++;
}

// With --at, only the frames asked for are read back.
bool wanted(uint64_t number)
{
    if (number < capture.firstFrame || number >= capture.endFrame)
        return false;
    if (capture.pictures.empty())
        return true;
    for (const Picture& picture : capture.pictures)
        if (picture.frame == number)
            return true;
    return false;
}

// The time the show took for this frame, from the end of the capture's work
// on the frame before, once GL has finished drawing it.
void logFrameTime(uint64_t number)
{
    glFinish();
    double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - capture.frameStart)
            .count();
    std::fprintf(
        capture.frameLog, "%llu %d %.3f\n", static_cast<unsigned long long>(number), demoStage, milliseconds);
}

// Each buffer swap of a frame function is one video frame.
void captureSwap()
{
    uint64_t number = virtualFrame();
    if (capture.frameLog != nullptr)
        logFrameTime(number);
    if (wanted(number))
        keepFrame(number);
    nextVirtualFrame();
    showProgress(frameSeconds(number));
    if (interrupted) {
        std::fprintf(stderr, "\nkvistra-capture: interrupted at %.2f s of the show\n", frameSeconds(number));
        endProcess(130);
    }
    if (number + 1 >= capture.endFrame)
        endProcess(0);
    capture.frameStart = std::chrono::steady_clock::now();
}

// Runs on every way out once the capture has started: the show's own end
// (status 0), the end of the window, Ctrl-C, a fatal error in a set-up.
void finishCapture(int status)
{
    if (capture.finished)
        return;
    capture.finished = true;
    if (capture.frameLog != nullptr)
        std::fclose(capture.frameLog);
    std::string error;
    bool videoDone = finishVideo(error);
    bool complete = status == 0 || status == 130;
    // A video without frames is no video, and after a fatal error of the
    // show there is none to make.
    if (videoDone && !capture.mp4Path.empty() && complete && capture.framesKept > 0)
        videoDone = muxVideo(capture.ffmpeg, capture.framesPath, capture.soundtrackPath,
            frameSeconds(capture.framesKept), capture.mp4Path, error);
    if (!capture.framesPath.empty())
        std::remove(capture.framesPath.c_str());
    // After a fatal error of the show, its own message is the last word.
    if (complete && capture.framesKept > 0)
        endProgress(frameSeconds(capture.framesKept), capture.framesKept);
    if (status == 0 && capture.framesKept == 0) {
        std::fprintf(stderr,
            "kvistra-capture: the show ended at %.2f s, before the first frame asked for (%.2f s)\n",
            frameSeconds(virtualFrame() - 1), frameSeconds(capture.firstFrame));
        endProcess(1);
    }
    if (!videoDone) {
        std::fprintf(stderr, "kvistra-capture: %s\n", error.c_str());
        if (status == 0)
            endProcess(1);
    }
    if (status != 0)
        return;
    if (!capture.mp4Path.empty())
        std::fprintf(stderr, "kvistra-capture: the video is %s\n", capture.mp4Path.c_str());
    for (const Picture& picture : capture.pictures)
        std::fprintf(stderr, "kvistra-capture: the picture is %s\n", picture.path.c_str());
}

// The soundtrack as ffmpeg reads it: the music from the first kept frame's
// moment on, looping. Returns the path to give ffmpeg, or empty for none.
std::string prepareSoundtrack(std::FILE* decoded)
{
    if (decoded == nullptr || soundtrackFrames() == 0)
        return "";
    uint64_t startFrame = capture.firstFrame * pcmRate / static_cast<uint64_t>(capture.options.fps);
    std::FILE* soundtrack = decoded;
    if (startFrame % soundtrackFrames() != 0) {
        soundtrack = std::tmpfile();
        std::string error;
        if (soundtrack == nullptr)
            fail(std::string("cannot make a temporary file: ") + std::strerror(errno));
        if (!rotateSoundtrack(decoded, soundtrack, startFrame, error))
            fail(error);
        std::fclose(decoded);
    } else if (std::fflush(decoded) != 0) {
        fail(std::string("cannot write the soundtrack: ") + std::strerror(errno));
    }
    // The file is already unlinked; ffmpeg opens it through our descriptor.
    return "/dev/fd/" + std::to_string(fileno(soundtrack));
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    ParseOutcome outcome = parseOptions(argc, argv, capture.options, error);
    if (outcome == ParseOutcome::help) {
        printUsage(stdout);
        return 0;
    }
    if (outcome == ParseOutcome::error) {
        std::fprintf(stderr, "kvistra-capture: %s\n", error.c_str());
        printUsage(stderr);
        return 2;
    }
    const CaptureOptions& options = capture.options;

    if (!options.mp4Path.empty()) {
        capture.ffmpeg = findOnPath("ffmpeg", std::getenv("PATH"));
        if (capture.ffmpeg.empty())
            fail("the ffmpeg program is not on PATH; --mp4 needs it (Debian: apt-get install ffmpeg),"
                 " --png and --at do not");
    }
    capture.mp4Path = absolutePath(options.mp4Path);
    capture.pngDir = absolutePath(options.pngDir);
    if (!options.atSeconds.empty()) {
        for (double seconds : options.atSeconds) {
            std::string name = options.outPath;
            if (name.empty()) {
                char text[64];
                std::snprintf(text, sizeof text, "kvistra-at-%g.png", seconds);
                name = text;
            }
            capture.pictures.push_back({frameAtSeconds(seconds, options.fps), absolutePath(name)});
        }
        std::sort(capture.pictures.begin(), capture.pictures.end(),
            [](const Picture& a, const Picture& b) { return a.frame < b.frame; });
        capture.firstFrame = capture.pictures.front().frame;
        capture.endFrame = capture.pictures.back().frame + 1;
    } else {
        capture.firstFrame = firstFrameFrom(options.fromSeconds);
        if (options.toGiven)
            capture.endFrame = std::max(firstFrameFrom(options.toSeconds), capture.firstFrame + 1);
    }
    if (!options.frameLogPath.empty()) {
        capture.frameLog = std::fopen(absolutePath(options.frameLogPath).c_str(), "w");
        if (capture.frameLog == nullptr)
            fail("cannot write " + options.frameLogPath + ": " + std::strerror(errno));
    }
    if (!capture.pngDir.empty() && mkdir(capture.pngDir.c_str(), 0777) != 0 && errno != EEXIST)
        fail("cannot make " + capture.pngDir + ": " + std::strerror(errno));

    enterShowFolder(options.dir);

    // The music first, as in the show: its fatal errors come before anything
    // else is set up.
    std::FILE* decoded = nullptr;
    if (!capture.mp4Path.empty()) {
        decoded = std::tmpfile();
        if (decoded == nullptr)
            fail(std::string("cannot make a temporary file: ") + std::strerror(errno));
    }
    useSilentAudio(decoded);
    startVirtualClock(options.fps, VirtualMusic{musicMilliseconds, musicPlaying, signalMusicEnd});
    initMusic("music.mp3");
    installSignals();

    HeadlessGl gl;
    if (!createHeadlessGl(gl, options.width, options.height, error))
        fail("no OpenGL context: " + error);
    initGraphics();
    // What GLUT's first reshape does for the demo's window.
    setProjection(options.width, options.height);
    swapBuffers = captureSwap;

    if (!capture.mp4Path.empty()) {
        capture.soundtrackPath = prepareSoundtrack(decoded);
        capture.framesPath = capture.mp4Path + ".frames.mkv";
        if (!startVideo(capture.ffmpeg, capture.framesPath, options, error))
            fail(error);
    }
    addExitHook(finishCapture);
    // The show as scripted runs 178.3 s; the estimate only feeds the progress bar.
    bool atGiven = !capture.pictures.empty();
    double total = atGiven ? frameSeconds(capture.endFrame - 1) : options.toGiven ? options.toSeconds : 178.3;
    startProgress(atGiven ? 0.0 : options.fromSeconds, total);
    startFrameRate();
    capture.frameStart = std::chrono::steady_clock::now();
    // The show ends the process itself: at its end, or when the capture's
    // last frame is kept.
    for (;;)
        runSequencer();
}
