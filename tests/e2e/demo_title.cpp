// kvistra under its own Xvfb with the dummy audio driver: the title, the ways
// the show ends and the screen mode coming back after each.
#include "support.h"
#include "platform/display.h"
#include "platform/process.h"
#include "shell/shell.h"
#include "tools/bake/pcx_writer.h"
#include "tools/model3ds/model3ds.h"
#include "xserver.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <fstream>
#include <regex>

namespace {

// The show's folder: the four title pictures, all white, and a tone as the music.
void writeShowFiles(const TempDir& dir)
{
    std::vector<uint8_t> white = bake::encodePcxRgb(256, 256, std::vector<uint8_t>(256 * 256 * 3, 255));
    std::vector<model3ds::LibraryEntry> entries;
    for (const char* name : {"morvel.pcx", "tovan.pcx", "gelmo.pcx", "usker.pcx"})
        entries.push_back({name, white});
    writeFile(dir.file("ant"), model3ds::libraryBytes(entries));
    ProgramResult music = writeToneMp3(dir.file("music.mp3"), 2);
    ASSERT_EQ(music.exitStatus, 0) << music.errors;
}

// The size of the screen's current RandR configuration.
std::pair<int, int> currentScreenSize(Display* x)
{
    XRRScreenConfiguration* config = XRRGetScreenInfo(x, DefaultRootWindow(x));
    int count = 0;
    XRRScreenSize* sizes = XRRConfigSizes(config, &count);
    Rotation rotation;
    SizeID current = XRRConfigCurrentConfiguration(config, &rotation);
    std::pair<int, int> size = {sizes[current].width, sizes[current].height};
    XRRFreeScreenConfigInfo(config);
    return size;
}

// When a client last set the screen's configuration.
Time lastConfigurationSet(Display* x)
{
    XRRScreenConfiguration* config = XRRGetScreenInfo(x, DefaultRootWindow(x));
    Time changed, set = XRRConfigTimes(config, &changed);
    XRRFreeScreenConfigInfo(config);
    return set;
}

// The only child of a process, 0 if none.
pid_t onlyChild(pid_t pid)
{
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    pid_t child = 0;
    children >> child;
    return child;
}

// Offers a 640 x 480 mode beside the screen's own, as a monitor would.
void add640x480Mode(Display* x)
{
    Window root = DefaultRootWindow(x);
    XRRScreenResources* resources = XRRGetScreenResources(x, root);
    char name[] = "640x480";
    XRRModeInfo mode = {};
    mode.width = 640, mode.height = 480, mode.dotClock = 25175000;
    mode.hSyncStart = 656, mode.hSyncEnd = 752, mode.hTotal = 800;
    mode.vSyncStart = 490, mode.vSyncEnd = 492, mode.vTotal = 525;
    mode.name = name, mode.nameLength = 7;
    XRRAddOutputMode(x, resources->outputs[0], XRRCreateMode(x, root, &mode));
    XRRFreeScreenResources(resources);
    XSync(x, False);
}

bool blackAt(Display* x, int px, int py)
{
    XImage* image = XGetImage(x, DefaultRootWindow(x), px, py, 1, 1, AllPlanes, ZPixmap);
    unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return (value >> 16 & 0xFF) < 8 && (value >> 8 & 0xFF) < 8 && (value & 0xFF) < 8;
}

// What a window manager sends when the viewer closes the window.
void closeWindow(Display* x, const std::string& window)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(window);
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    XSendEvent(x, event.xclient.window, False, NoEventMask, &event);
    XFlush(x);
}

}  // namespace

TEST(DemoTitle, PlaysInItsStripAndTheScreenModeComesBackWhicheverWayTheShowEnds)
{
    enum Way { escape, signalled, windowClosed, noLibrary };
    const std::string frameRate = "\n\n\nfps:([0-9]+\\.[0-9][0-9])\n";
    struct Case {
        const char* name;
        Way way;
        int signal;
        int status;
        std::string output;  // a pattern
    } cases[] = {
        {"Escape", escape, 0, 0, frameRate},
        {"Ctrl-C", signalled, SIGINT, 0, frameRate},
        {"SIGTERM", signalled, SIGTERM, 0, frameRate},
        {"the console closed", signalled, SIGHUP, 0, frameRate},
        {"SIGKILL", signalled, SIGKILL, 128 + SIGKILL, ""},
        {"a crash", signalled, SIGSEGV, 128 + SIGSEGV, ""},
        {"the window closed", windowClosed, 0, 0, frameRate},
        {"no library", noLibrary, 0, 1, "CANNOT open library : ant\n"},
    };
    // The screen mode watchdog the show leaves behind becomes this process's child.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    for (const Case& c : cases) {
        XServer server("800x600x24");
        ASSERT_FALSE(server.display.empty());
        Display* x = XOpenDisplay(server.display.c_str());
        ASSERT_NE(x, nullptr);
        add640x480Mode(x);
        TempDir dir;
        writeShowFiles(dir);
        if (c.way == noLibrary)
            std::remove(dir.file("ant").c_str());
        BackgroundProgram show(programPath("kvistra"), {}, dir.path,
            {"DISPLAY=" + server.display, "SDL_AUDIODRIVER=dummy"}, dir.file("out"));
        std::string window;
        pid_t watchdog = 0;
        if (c.way != noLibrary) {
            window = findWindow(server.display, "kvistra", 60, [&] { return show.hasEnded(); });
            ASSERT_FALSE(window.empty()) << c.name << ": " << show.output();
            EXPECT_EQ(currentScreenSize(x), std::make_pair(640, 480)) << c.name;
            watchdog = onlyChild(show.pid);
            ASSERT_GT(watchdog, 0) << c.name;
        }
        // Where the show ends by itself, its watchdog is held still until then, so whatever it
        // does afterwards shows.
        bool showRestores = c.status < 128;
        if (showRestores && watchdog > 0)
            kill(watchdog, SIGSTOP);
        if (c.way == escape) {
            // A title picture in the centre strip (426 x 24), black above and beside it.
            auto strip = [&] {
                return !blackAt(x, 320, 240) && blackAt(x, 320, 200) && blackAt(x, 100, 240);
            };
            EXPECT_TRUE(pollUntil(strip, 60, [&] { return show.hasEnded(); }))
                << "no title picture on the screen";
            sendKey(server.display, window, "Escape");
        }
        if (c.way == signalled)
            kill(show.pid, c.signal);
        if (c.way == windowClosed)
            closeWindow(x, window);

        ASSERT_TRUE(show.waitForEnd(60)) << c.name;
        EXPECT_EQ(show.status, c.status) << c.name;
        std::smatch match;
        std::string output = show.output();
        EXPECT_TRUE(std::regex_match(output, match, std::regex(c.output))) << c.name << ": " << output;
        EXPECT_TRUE(c.way != escape || (match.size() == 2 && std::stod(match[1]) > 0)) << "frames were drawn";
        // Back by the time the show has ended, or within a second of its death through the watchdog;
        // then the watchdog ends and sets nothing more.
        auto restored = [&] { return currentScreenSize(x) == std::make_pair(800, 600); };
        EXPECT_TRUE(showRestores ? restored() : pollUntil(restored, 1)) << c.name;
        if (watchdog > 0) {
            Time restoredAt = lastConfigurationSet(x);
            kill(watchdog, SIGCONT);
            EXPECT_TRUE(pollUntil([&] { return waitpid(watchdog, nullptr, WNOHANG) == watchdog; }, 10))
                << c.name;
            EXPECT_EQ(lastConfigurationSet(x), restoredAt) << c.name;
        }
        XCloseDisplay(x);
    }
}

// What the exit stage has left on the screen, seen from an exit hook: those
// run after the frame-rate line and before the display's own hook.
static Display* probe = nullptr;
static void reportScreenSize(int)
{
    std::pair<int, int> size = currentScreenSize(probe);
    std::printf("screen %dx%d\n", size.first, size.second);
}

TEST(DemoTitle, TheExitStageRestoresTheModeBeforeTheFrameRateLine)
{
    XServer server("800x600x24");
    ASSERT_FALSE(server.display.empty());
    Display* x = XOpenDisplay(server.display.c_str());
    ASSERT_NE(x, nullptr);
    add640x480Mode(x);
    ChildResult child = runInChild([&] {
        setenv("DISPLAY", server.display.c_str(), 1);
        probe = XOpenDisplay(nullptr);
        setDisplayMode();
        std::printf("screen %dx%d\n", currentScreenSize(probe).first, currentScreenSize(probe).second);
        addExitHook(reportScreenSize);
        exitShow();
    });
    EXPECT_EQ(child.exitStatus, 0);
    EXPECT_TRUE(
        std::regex_match(child.output, std::regex("screen 640x480\n\n\n\nfps:[0-9.]+\nscreen 800x600\n")))
        << child.output;
    XCloseDisplay(x);
}

TEST(DemoTitle, UnplayableMusicEndsWithStatus1BeforeAnyWindow)
{
    // No display at all: the music fails before a window would open.
    struct Case {
        const char* name;
        const char* music;  // "": the tone
        const char* audioDriver;
        const char* output;  // a pattern
    } cases[] = {
        {"a text as music", "not music at all\n", "dummy", "Error\\(-?[0-9]+\\): Can't play the file\n"},
        {"no audio device", "", "no-such-driver", "Error\\(-?[0-9]+\\): Can't initialize device\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeShowFiles(dir);
        if (*c.music)
            writeFile(dir.file("music.mp3"), std::string(c.music));
        ProgramResult result = runProgram(programPath("kvistra"), {}, dir.path,
            {"DISPLAY=", std::string("SDL_AUDIODRIVER=") + c.audioDriver});
        EXPECT_EQ(result.exitStatus, 1) << c.name;
        EXPECT_TRUE(std::regex_match(result.output, std::regex(c.output))) << c.name << ": " << result.output;
    }
}
