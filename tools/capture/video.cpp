// video.cpp: the ffmpeg program as the video encoder, in two steps. While
// the show runs, frames go down a pipe as raw RGB and are encoded to H.264;
// at the end, once the video's length is known, the encoded frames and the
// soundtrack (the music looped, cut to that length) are put together into
// the MP4. Muxing afterwards keeps ffmpeg from reading the endless looped
// music ahead of frames that have not been drawn yet. ffmpeg runs in a
// process group of its own, so a Ctrl-C at the terminal reaches only the
// capture, which then closes the pipe and lets ffmpeg finish.
#include "tools/capture/capture.h"

#include "platform/audio_pcm.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

pid_t encoder = 0;
int framePipe = -1;

}  // namespace

std::string findOnPath(const std::string& name, const char* path)
{
    if (path == nullptr)
        return "";
    std::string list = path;
    size_t start = 0;
    for (;;) {
        size_t colon = list.find(':', start);
        std::string folder =
            list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (folder.empty())
            folder = ".";
        std::string candidate = folder + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos)
            return "";
        start = colon + 1;
    }
}

// Starts ffmpeg with args (args[0] is its name); input, when not -1,
// becomes its standard input.
static bool spawnEncoder(
    const std::string& ffmpeg, std::vector<std::string>& args, int input, pid_t& pid, std::string& error)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0)
        posix_spawn_file_actions_adddup2(&actions, input, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int result = posix_spawn(&pid, ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (result != 0) {
        pid = 0;
        error = "cannot start " + ffmpeg + ": " + std::strerror(result);
        return false;
    }
    return true;
}

static bool waitForEncoder(pid_t pid, std::string& error)
{
    int status = 0;
    pid_t done;
    do
        done = waitpid(pid, &status, 0);
    while (done < 0 && errno == EINTR);
    if (done < 0) {
        error = std::string("cannot wait for ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    if (WIFEXITED(status))
        error = "ffmpeg failed with status " + std::to_string(WEXITSTATUS(status));
    else
        error = "ffmpeg ended by signal " + std::to_string(WTERMSIG(status));
    return false;
}

bool startVideo(const std::string& ffmpeg, const std::string& framesPath, const CaptureOptions& options,
    std::string& error)
{
    std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostats", "-y", "-f",
        "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", std::to_string(options.fps), "-i",
        "pipe:0", "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p", "-f",
        "matroska", framesPath};
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    bool started = spawnEncoder(ffmpeg, args, fds[0], encoder, error);
    close(fds[0]);
    if (!started) {
        close(fds[1]);
        return false;
    }
    framePipe = fds[1];
    return true;
}

bool writeVideoFrame(const uint8_t* rgb, size_t size)
{
    if (framePipe < 0)
        return false;
    while (size > 0) {
        ssize_t written = write(framePipe, rgb, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        rgb += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool finishVideo(std::string& error)
{
    if (encoder == 0)
        return true;
    if (framePipe >= 0)
        close(framePipe);
    framePipe = -1;
    pid_t pid = encoder;
    encoder = 0;
    return waitForEncoder(pid, error);
}

bool muxVideo(const std::string& ffmpeg, const std::string& framesPath, const std::string& audioPath,
    double seconds, const std::string& mp4Path, std::string& error)
{
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostats", "-y", "-i", framesPath};
    if (!audioPath.empty()) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        const char* sampleFormat = "f32le";
#else
        const char* sampleFormat = "f32be";
#endif
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.6f", seconds);
        // The music loops, as it does in the show, and is cut at the video's end.
        args.insert(args.end(),
            {"-stream_loop", "-1", "-f", sampleFormat, "-ar", std::to_string(pcmRate), "-ac", "2", "-i",
                audioPath, "-map", "0:v:0", "-map", "1:a:0", "-c:a", "aac", "-b:a", "192k", "-t", duration});
    }
    args.insert(args.end(), {"-c:v", "copy", "-movflags", "+faststart", mp4Path});
    pid_t pid = 0;
    return spawnEncoder(ffmpeg, args, -1, pid, error) && waitForEncoder(pid, error);
}
