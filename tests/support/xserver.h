// xserver.h: whole programs under an X server of the test's own, and xdotool.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

struct XServer {
    pid_t pid = -1;
    std::string display;  // ":N", empty if the server did not start
    explicit XServer(const std::string& screen = "640x480x24");
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
};

struct BackgroundProgram {
    pid_t pid = -1;
    std::string outPath;
    int status = -1;  // the exit status, or 128 + the signal that ended it
    bool ended = false;

    // Starts program with args in dir, as runProgram does; standard output
    // goes to outPath, standard error to /dev/null.
    BackgroundProgram(const std::string& program, const std::vector<std::string>& args,
        const std::string& dir, const std::vector<std::string>& extraEnv, const std::string& outPath);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    bool hasEnded();
    bool waitForEnd(int seconds);
    std::string output() const;
};

// The id of the first window whose whole name is name, polled for until it
// shows, seconds pass or giveUp holds; empty if it never shows.
std::string findWindow(const std::string& display, const std::string& name, int seconds,
    const std::function<bool()>& giveUp = nullptr);

// Sends one key (an xdotool key name, e.g. "Escape") to a window.
void sendKey(const std::string& display, const std::string& window, const std::string& key);
