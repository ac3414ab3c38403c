// support.cpp: child processes, programs, scratch files and the GL fixture.
#include "support.h"

#include <GL/gl.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

// Waits for pid and records how it ended.
static void waitFor(pid_t pid, int& exitStatus, int& signal)
{
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        signal = WTERMSIG(status);
}

static std::string readText(const std::string& path)
{
    std::vector<uint8_t> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// In a build with LeakSanitizer: what a child leaves when it ends the
// process on a fatal path is what ending frees, not a leak.
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" int __asan_address_is_poisoned(const volatile void* address) __attribute__((weak));

bool underAddressSanitizer()
{
    return __asan_address_is_poisoned != nullptr;
}

ChildResult runInChild(const std::function<void()>& body)
{
    ChildResult result;
    TempDir scratch;
    std::string outPath = scratch.file("out");
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        if (__lsan_disable)
            __lsan_disable();
        body();
        std::fflush(stdout);
        _exit(213);  // the body came back: the path under test did not end the process
    }
    waitFor(pid, result.exitStatus, result.signal);
    result.returned = result.exitStatus == 213;
    result.output = readText(outPath);
    return result;
}

pid_t startProgram(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
    const std::vector<std::string>& extraEnv, const std::string& outPath, const std::string& errPath)
{
    std::fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
        if (!dir.empty() && chdir(dir.c_str()) != 0)
            _exit(126);
        for (const std::string& entry : extraEnv)
            putenv(const_cast<char*>(entry.c_str()));
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
    const std::string& dir, const std::vector<std::string>& extraEnv)
{
    ProgramResult result;
    TempDir scratch;
    std::string outPath = scratch.file("out"), errPath = scratch.file("err");
    waitFor(startProgram(program, args, dir, extraEnv, outPath, errPath), result.exitStatus, result.signal);
    result.output = readText(outPath);
    result.errors = readText(errPath);
    return result;
}

std::string programPath(const std::string& name)
{
    return std::string(KVISTRA_RUN_DIR) + "/" + name;
}

bool pollUntil(const std::function<bool()>& condition, int seconds, const std::function<bool()>& giveUp)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end || (giveUp && giveUp()))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ProgramResult writeToneMp3(const std::string& path, int seconds)
{
    return runProgram("/usr/bin/env",
        {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
            "sine=frequency=440:duration=" + std::to_string(seconds), "-c:a", "libmp3lame", "-b:a", "64k",
            path});
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/kvistra-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made ? made : "/tmp";
}

TempDir::~TempDir()
{
    if (path != "/tmp") {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeFile(const std::string& path, const std::string& text)
{
    writeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void GlTest::SetUp()
{
    std::string error;
    ASSERT_TRUE(createHeadlessGl(gl, 640, 480, error)) << error;
}

void GlTest::TearDown()
{
    destroyHeadlessGl(gl);
}

Rgba readPixel(int x, int y)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    uint8_t p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, viewport[3] - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}
