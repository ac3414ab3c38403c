// The whole show, as built into the run directory with its baked library
// and music, under an X server of the test's own (Xvfb) with the dummy audio
// driver: it plays from the title to the last scene by itself and ends with
// the frame-rate line; Escape during a 3D scene ends it the same way.
#include "support.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A short pause between two looks at something that is polled for.
void pollPause()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

struct XServer {
    pid_t pid = -1;
    std::string display;  // ":N", empty if the server did not start
    XServer()
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            close(ready[0]);
            int null = open("/dev/null", O_RDWR);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            std::string fd = std::to_string(ready[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        // The server writes its display number once it accepts connections.
        std::string number;
        pollfd wait = {ready[0], POLLIN, 0};
        while (poll(&wait, 1, 30000) > 0) {
            char c;
            if (read(ready[0], &c, 1) != 1 || c == '\n')
                break;
            number += c;
        }
        close(ready[0]);
        if (!number.empty())
            display = ":" + number;
    }
    ~XServer()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

// kvistra started in the run directory, its standard output in a file.
struct Show {
    pid_t pid = -1;
    std::string outPath;
    int status = -1;
    bool ended = false;

    Show(const TempDir& scratch, const std::string& display) : outPath(scratch.file("out"))
    {
        std::string program = programPath("kvistra");
        pid = fork();
        if (pid == 0) {
            int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int null = open("/dev/null", O_RDWR);
            dup2(out, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            dup2(null, STDIN_FILENO);
            if (chdir(KVISTRA_RUN_DIR) != 0)
                _exit(126);
            setenv("DISPLAY", display.c_str(), 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Show()
    {
        if (!ended && pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    bool hasEnded()
    {
        if (!ended) {
            int raw = 0;
            if (waitpid(pid, &raw, WNOHANG) == pid) {
                ended = true;
                status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            }
        }
        return ended;
    }

    bool waitForEnd(int seconds)
    {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end && !hasEnded())
            pollPause();
        return ended;
    }

    std::string output() const
    {
        std::vector<uint8_t> bytes = readFile(outPath);
        return std::string(bytes.begin(), bytes.end());
    }
};

std::string shellOutput(const std::string& command)
{
    std::string text;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe))
        text += buffer;
    if (pipe)
        pclose(pipe);
    return text;
}

// True once anything shows outside the title's strip across the middle of
// the screen: a 3D scene is running.
bool sceneShowing(Display* x)
{
    const int points[][2] = {{320, 60}, {320, 420}, {160, 120}, {480, 360}, {100, 400}, {540, 100}};
    for (const auto& point : points) {
        XImage* image = XGetImage(x, DefaultRootWindow(x), point[0], point[1], 1, 1, AllPlanes, ZPixmap);
        unsigned long value = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        if ((value & 0xFFFFFF) != 0)
            return true;
    }
    return false;
}

// The frame-rate line, last in the output.
const std::regex endsWithFrameRate("[\\s\\S]*\n\n\nfps:[0-9]+\\.[0-9][0-9]\n$");

}  // namespace

TEST(DemoShow, PlaysFromTitleToLastSceneByItself)
{
    XServer server;
    ASSERT_FALSE(server.display.empty());
    TempDir scratch;
    Show show(scratch, server.display);
    // The show lasts about three minutes; loading and a slow machine add a
    // little. The demo clock, not the frame rate, decides when it ends.
    ASSERT_TRUE(show.waitForEnd(600)) << show.output();
    EXPECT_EQ(show.status, 0);
    EXPECT_TRUE(std::regex_match(show.output(), endsWithFrameRate)) << show.output();
}

TEST(DemoShow, EscapeDuringA3dSceneEndsTheShow)
{
    XServer server;
    ASSERT_FALSE(server.display.empty());
    TempDir scratch;
    Show show(scratch, server.display);
    Display* x = XOpenDisplay(server.display.c_str());
    ASSERT_NE(x, nullptr);
    bool scene = false;
    auto end = Clock::now() + std::chrono::seconds(120);
    while (!scene && Clock::now() < end && !show.hasEnded()) {
        scene = sceneShowing(x);
        if (!scene)
            pollPause();
    }
    XCloseDisplay(x);
    ASSERT_TRUE(scene) << "no 3D scene on the screen: " << show.output();

    std::string window = shellOutput("DISPLAY=" + server.display + " xdotool search --name '^kvistra$' 2>/dev/null");
    ASSERT_FALSE(window.empty());
    window = window.substr(0, window.find('\n'));
    shellOutput("DISPLAY=" + server.display + " xdotool key --window " + window + " Escape 2>/dev/null");
    ASSERT_TRUE(show.waitForEnd(60));
    EXPECT_EQ(show.status, 0);
    EXPECT_TRUE(std::regex_match(show.output(), endsWithFrameRate)) << show.output();
}
