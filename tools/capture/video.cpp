// video.cpp: the ffmpeg program as the video encoder. Frames go down a pipe
// as raw RGB; the soundtrack is a second input read from a file. ffmpeg runs
// in a process group of its own, so a Ctrl-C at the terminal reaches only
// the capture, which then closes the pipe and lets ffmpeg finish the file.
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

} // namespace

std::string findOnPath(const std::string& name, const char* path)
{
    if (path == nullptr)
        return "";
    std::string list = path;
    size_t start = 0;
    for (;;) {
        size_t colon = list.find(':', start);
        std::string folder = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (folder.empty())
            folder = ".";
        std::string candidate = folder + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos)
            return "";
        start = colon + 1;
    }
}

bool startVideo(const std::string& ffmpeg, const std::string& mp4Path, const std::string& audioPath,
                const CaptureOptions& options, std::string& error)
{
    std::string size = std::to_string(options.width) + "x" + std::to_string(options.height);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostats", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size,
        "-framerate", std::to_string(options.fps), "-i", "pipe:0"};
    if (!audioPath.empty()) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        const char* sampleFormat = "f32le";
#else
        const char* sampleFormat = "f32be";
#endif
        // The music loops, as it does in the show, for as long as the video lasts.
        args.insert(args.end(), {"-stream_loop", "-1", "-f", sampleFormat, "-ar", std::to_string(pcmRate),
            "-ac", "2", "-i", audioPath, "-map", "0:v:0", "-map", "1:a:0"});
    }
    args.insert(args.end(), {"-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p"});
    if (!audioPath.empty())
        args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k", "-shortest"});
    args.insert(args.end(), {"-movflags", "+faststart", mp4Path});

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
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
    int result = posix_spawn(&encoder, ffmpeg.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[0]);
    if (result != 0) {
        close(fds[1]);
        encoder = 0;
        error = "cannot start " + ffmpeg + ": " + std::strerror(result);
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
    int status = 0;
    pid_t done;
    do
        done = waitpid(encoder, &status, 0);
    while (done < 0 && errno == EINTR);
    encoder = 0;
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
