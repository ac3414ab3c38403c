// xserver.cpp: Xvfb, programs running beside a test, and xdotool.
#include "xserver.h"

#include "support.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

XServer::XServer(const std::string& screen)
{
    int ready[2];
    if (pipe(ready) != 0)
        return;
    pid = startProgram("/usr/bin/env",
        {"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", screen, "-nolisten", "tcp"}, "", {},
        "/dev/null", "/dev/null");
    close(ready[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd wait = {ready[0], POLLIN, 0};
    char c;
    while (poll(&wait, 1, 30000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (!number.empty())
        display = ":" + number;
}

XServer::~XServer()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

BackgroundProgram::BackgroundProgram(const std::string& program, const std::vector<std::string>& args,
    const std::string& dir, const std::vector<std::string>& extraEnv, const std::string& outputPath)
    : outPath(outputPath)
{
    pid = startProgram(program, args, dir, extraEnv, outPath, "/dev/null");
}

BackgroundProgram::~BackgroundProgram()
{
    if (!ended && pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool BackgroundProgram::hasEnded()
{
    int raw = 0;
    if (!ended && waitpid(pid, &raw, WNOHANG) == pid) {
        ended = true;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    return ended;
}

bool BackgroundProgram::waitForEnd(int seconds)
{
    return pollUntil([this] { return hasEnded(); }, seconds);
}

std::string BackgroundProgram::output() const
{
    std::vector<uint8_t> bytes = readFile(outPath);
    return std::string(bytes.begin(), bytes.end());
}

static ProgramResult xdotool(const std::string& display, const std::vector<std::string>& args)
{
    std::vector<std::string> call = {"xdotool"};
    call.insert(call.end(), args.begin(), args.end());
    return runProgram("/usr/bin/env", call, "", {"DISPLAY=" + display});
}

std::string findWindow(
    const std::string& display, const std::string& name, int seconds, const std::function<bool()>& giveUp)
{
    std::string window;
    pollUntil(
        [&] {
            std::string found = xdotool(display, {"search", "--name", "^" + name + "$"}).output;
            window = found.substr(0, found.find('\n'));
            return !window.empty();
        },
        seconds, giveUp);
    return window;
}

void sendKey(const std::string& display, const std::string& window, const std::string& key)
{
    xdotool(display, {"key", "--window", window, key});
}
