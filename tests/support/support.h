// support.h: what the tests share: child processes and programs, polling with
// a time limit, scratch files, a short music, and the headless GL fixture.
#pragma once

#include "platform/headless_gl.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct ChildResult {
    std::string output;     // everything the child wrote to standard output
    int exitStatus = -1;    // exit status, when the child exited
    int signal = 0;         // the signal that ended it, or 0
    bool returned = false;  // the body returned instead of ending the process
};

// Forks; the child runs body with its standard output going to a pipe and
// standard error left as it is. A body that returns is reported as returned.
ChildResult runInChild(const std::function<void()>& body);

struct ProgramResult {
    std::string output;  // standard output
    std::string errors;  // standard error
    int exitStatus = -1;
    int signal = 0;
};

// True in a build with AddressSanitizer, which needs the whole address space.
bool underAddressSanitizer();

// Runs program (a path) with args in directory dir (empty: the current one).
// extraEnv entries "NAME=value" are added to the environment.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args,
    const std::string& dir = "", const std::vector<std::string>& extraEnv = {});

// Starts what runProgram runs without waiting for it: standard output and
// error go to the files outPath and errPath, standard input is /dev/null.
pid_t startProgram(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
    const std::vector<std::string>& extraEnv, const std::string& outPath, const std::string& errPath);

// The path of a program built into the run directory, e.g. "kvistra-ant".
std::string programPath(const std::string& name);

// Tries condition every 20 ms until it holds (true) or seconds pass or
// giveUp holds (false). For waiting on another process or thread.
bool pollUntil(
    const std::function<bool()>& condition, int seconds, const std::function<bool()>& giveUp = nullptr);

// Writes a 440 Hz sine tone of the given length as an MP3 file, encoded by
// ffmpeg; its result says whether that worked.
ProgramResult writeToneMp3(const std::string& path, int seconds);

struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

std::vector<uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
void writeFile(const std::string& path, const std::string& text);

// A fixture with a current GL context; skips nothing: a missing context fails.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HeadlessGl gl;
};

struct Rgba {
    uint8_t r, g, b, a;
};

// Reads one pixel of the current framebuffer, (0, 0) the top-left corner.
Rgba readPixel(int x, int y);
