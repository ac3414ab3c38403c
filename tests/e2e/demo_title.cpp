// kvistra as a whole, under an X server of the test's own (Xvfb) with the
// dummy audio driver: the title plays in its strip and Escape ends the show
// with the frame-rate line; the screen mode comes back whichever way the
// show ends; a missing library and an unplayable music end with status 1.
#include "support.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <regex>
#include <thread>

using Clock = std::chrono::steady_clock;

// A short pause between two looks at something that is polled for.
static void pollPause()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// ---------------------------------------------------------------------------
// The test's files: a library with the four title pictures, and the music

// A 256 x 256 three-plane PCX picture of one colour.
static std::vector<uint8_t> pcxPicture(uint8_t red, uint8_t green, uint8_t blue)
{
    std::vector<uint8_t> bytes(128, 0);
    bytes[0] = 10;
    bytes[1] = 5;
    bytes[2] = 1;
    bytes[3] = 8;
    bytes[8] = 255;   // xmax
    bytes[10] = 255;  // ymax
    bytes[65] = 3;    // planes
    bytes[67] = 1;    // 256 bytes per line
    for (int row = 0; row < 256; row++) {
        for (uint8_t value : {red, green, blue}) {
            for (int run = 0; run < 4; run++)
                bytes.insert(bytes.end(), {0xFF, value});  // 63 bytes
            bytes.insert(bytes.end(), {0xC4, value});      // and 4 more
        }
    }
    return bytes;
}

struct Entry {
    const char* name;
    std::vector<uint8_t> data;
};

static void writeLibrary(const std::string& path, const std::vector<Entry>& entries)
{
    std::vector<uint8_t> bytes;
    for (const Entry& entry : entries) {
        bytes.insert(bytes.end(), entry.name, entry.name + std::strlen(entry.name) + 1);
        uint32_t size = static_cast<uint32_t>(entry.data.size());
        for (int i = 0; i < 4; i++)
            bytes.push_back(static_cast<uint8_t>(size >> (8 * i)));
        bytes.insert(bytes.end(), entry.data.begin(), entry.data.end());
    }
    writeFile(path, bytes);
}

static std::vector<Entry> titlePictures()
{
    return {{"morvel.pcx", pcxPicture(255, 0, 0)},
            {"tovan.pcx", pcxPicture(255, 255, 255)},
            {"gelmo.pcx", pcxPicture(0, 0, 255)},
            {"usker.pcx", pcxPicture(0, 255, 0)}};
}

// A sine tone of the given length as an MP3 file.
static void writeMusic(const std::string& path, int seconds)
{
    ProgramResult encoded = runProgram(
        "/usr/bin/env",
        {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
         "sine=frequency=440:duration=" + std::to_string(seconds), "-c:a", "libmp3lame", "-b:a", "64k", path});
    ASSERT_EQ(encoded.exitStatus, 0) << encoded.errors;
}

// ---------------------------------------------------------------------------
// The X server

struct XServer {
    pid_t pid = -1;
    std::string display;  // ":N"
    XServer(const std::string& screen)
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
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
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

// The size of the screen's current RandR configuration.
static std::pair<int, int> currentScreenSize(Display* x)
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

// Offers a 640 x 480 mode beside the screen's own, as a monitor would.
static void add640x480Mode(Display* x)
{
    Window root = DefaultRootWindow(x);
    XRRScreenResources* resources = XRRGetScreenResources(x, root);
    XRRModeInfo mode = {};
    char name[] = "640x480";
    mode.width = 640;
    mode.height = 480;
    mode.dotClock = 25175000;
    mode.hSyncStart = 656;
    mode.hSyncEnd = 752;
    mode.hTotal = 800;
    mode.vSyncStart = 490;
    mode.vSyncEnd = 492;
    mode.vTotal = 525;
    mode.name = name;
    mode.nameLength = 7;
    RRMode id = XRRCreateMode(x, root, &mode);
    XRRAddOutputMode(x, resources->outputs[0], id);
    XRRFreeScreenResources(resources);
    XSync(x, False);
}

struct Pixel {
    int red, green, blue;
    bool black() const { return red < 8 && green < 8 && blue < 8; }
};

static Pixel screenPixel(Display* x, int px, int py)
{
    XImage* image = XGetImage(x, DefaultRootWindow(x), px, py, 1, 1, AllPlanes, ZPixmap);
    unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return {int(value >> 16 & 0xFF), int(value >> 8 & 0xFF), int(value & 0xFF)};
}

// ---------------------------------------------------------------------------
// The show

static std::string shellOutput(const std::string& command)
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

struct Show {
    pid_t pid = -1;
    std::string display;
    std::string outPath;
    int status = -1;
    bool ended = false;

    Show(const TempDir& dir, const std::string& displayName) : display(displayName), outPath(dir.file("out"))
    {
        std::string program = programPath("kvistra");
        pid = fork();
        if (pid == 0) {
            int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int null = open("/dev/null", O_RDWR);
            dup2(out, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            dup2(null, STDIN_FILENO);
            if (chdir(dir.path.c_str()) != 0)
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

    // The show's window id, once it exists; empty if it never does.
    std::string window(int seconds = 60)
    {
        auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end && !hasEnded()) {
            std::string found = shellOutput("DISPLAY=" + display + " xdotool search --name '^kvistra$' 2>/dev/null");
            if (!found.empty())
                return found.substr(0, found.find('\n'));
            pollPause();
        }
        return "";
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

    bool waitForEnd(int seconds = 60)
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

static const std::regex frameRateLine("\n\n\nfps:([0-9]+\\.[0-9][0-9])\n");

// ---------------------------------------------------------------------------

TEST(DemoTitle, PlaysInItsStripAndEndsOnEscape)
{
    XServer server("640x480x24");
    ASSERT_FALSE(server.display.empty());
    TempDir dir;
    writeLibrary(dir.file("ant"), titlePictures());
    writeMusic(dir.file("music.mp3"), 2);

    Show show(dir, server.display);
    std::string window = show.window();
    ASSERT_FALSE(window.empty()) << show.output();

    // A title picture shows in the centre strip (426 x 24), black above it.
    Display* x = XOpenDisplay(server.display.c_str());
    ASSERT_NE(x, nullptr);
    bool seen = false;
    auto end = Clock::now() + std::chrono::seconds(60);
    while (!seen && Clock::now() < end && !show.hasEnded()) {
        Pixel inside = screenPixel(x, 320, 240), above = screenPixel(x, 320, 200), beside = screenPixel(x, 100, 240);
        seen = !inside.black() && above.black() && beside.black();
        if (!seen)
            pollPause();
    }
    XCloseDisplay(x);
    EXPECT_TRUE(seen) << "no title picture on the screen";

    shellOutput("DISPLAY=" + server.display + " xdotool key --window " + window + " Escape 2>/dev/null");
    ASSERT_TRUE(show.waitForEnd());
    EXPECT_EQ(show.status, 0);
    std::smatch match;
    std::string output = show.output();
    ASSERT_TRUE(std::regex_match(output, match, frameRateLine)) << output;
    EXPECT_GT(std::stod(match[1]), 0.0) << "frames were drawn";
}

TEST(DemoTitle, EndsByItselfAndTheShowMovesOn)
{
    XServer server("640x480x24");
    ASSERT_FALSE(server.display.empty());
    TempDir dir;
    writeLibrary(dir.file("ant"), titlePictures());
    writeMusic(dir.file("music.mp3"), 20);  // longer than the title: no restart of the clock

    // No key is pressed: the title ends after its time, and the show goes on
    // to the first 3D scene, whose set-up finds no model in this library
    // (without the 3D scenes in the sequencer, the show ends there instead).
    Show show(dir, server.display);
    ASSERT_TRUE(show.waitForEnd(180));
    std::string output = show.output();
    bool onToTheScenes = show.status == 1 && output == "oh no!\n";
    bool ended = show.status == 0 && std::regex_match(output, frameRateLine);
    EXPECT_TRUE(onToTheScenes || ended) << show.status << ": " << output;
}

TEST(DemoTitle, TheScreenModeComesBackWhicheverWayTheShowEnds)
{
    enum Way { escape, terminate, interrupt, closeWindow, missingPicture };
    struct Case {
        const char* name;
        Way way;
        int status;
        const char* output;  // a pattern
    } cases[] = {
        {"Escape", escape, 0, "\n\n\nfps:[0-9]+\\.[0-9][0-9]\n"},
        {"SIGTERM", terminate, 0, "\n\n\nfps:[0-9]+\\.[0-9][0-9]\n"},
        {"Ctrl-C", interrupt, 0, "\n\n\nfps:[0-9]+\\.[0-9][0-9]\n"},
        {"the window closed", closeWindow, 0, "\n\n\nfps:[0-9]+\\.[0-9][0-9]\n"},
        {"a fatal error", missingPicture, 1, "oh no!\n"},
    };
    for (const Case& c : cases) {
        XServer server("800x600x24");
        ASSERT_FALSE(server.display.empty());
        Display* x = XOpenDisplay(server.display.c_str());
        ASSERT_NE(x, nullptr);
        add640x480Mode(x);
        ASSERT_EQ(currentScreenSize(x), std::make_pair(800, 600));

        TempDir dir;
        std::vector<Entry> pictures = titlePictures();
        if (c.way == missingPicture)
            pictures.pop_back();
        writeLibrary(dir.file("ant"), pictures);
        writeMusic(dir.file("music.mp3"), 2);
        Show show(dir, server.display);
        if (c.way != missingPicture) {
            std::string window = show.window();
            ASSERT_FALSE(window.empty()) << c.name;
            EXPECT_EQ(currentScreenSize(x), std::make_pair(640, 480)) << c.name;
            if (c.way == escape)
                shellOutput("DISPLAY=" + server.display + " xdotool key --window " + window + " Escape 2>/dev/null");
            if (c.way == terminate)
                kill(show.pid, SIGTERM);
            if (c.way == interrupt)
                kill(show.pid, SIGINT);
            if (c.way == closeWindow) {
                // What a window manager sends when the viewer closes the window.
                XEvent event = {};
                event.xclient.type = ClientMessage;
                event.xclient.window = std::stoul(window);
                event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
                event.xclient.format = 32;
                event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
                event.xclient.data.l[1] = CurrentTime;
                XSendEvent(x, event.xclient.window, False, NoEventMask, &event);
                XFlush(x);
            }
        }
        ASSERT_TRUE(show.waitForEnd()) << c.name;
        EXPECT_EQ(show.status, c.status) << c.name;
        EXPECT_TRUE(std::regex_match(show.output(), std::regex(c.output))) << c.name << ": " << show.output();
        EXPECT_EQ(currentScreenSize(x), std::make_pair(800, 600)) << c.name;
        XCloseDisplay(x);
    }
}

TEST(DemoTitle, MissingLibraryOrUnplayableMusicEndWithStatus1)
{
    XServer server("640x480x24");
    ASSERT_FALSE(server.display.empty());
    struct Case {
        const char* name;
        bool library;
        const char* music;  // "tone": a real MP3
        const char* display;
        const char* audioDriver;
        const char* output;  // a pattern
    } cases[] = {
        {"no library", false, "tone", "server", "dummy", "CANNOT open library : ant\n"},
        // The music fails before any window opens: no display is needed.
        {"a text as music", true, "not music at all\n", "", "dummy", "Error\\(-?[0-9]+\\): Can't play the file\n"},
        {"no music file", true, nullptr, "", "dummy", "Error\\(-?[0-9]+\\): Can't play the file\n"},
        {"no audio device", true, "tone", "", "no-such-driver",
         "Error\\(-?[0-9]+\\): Can't initialize device\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        if (c.library)
            writeLibrary(dir.file("ant"), titlePictures());
        if (c.music && std::strcmp(c.music, "tone") == 0)
            writeMusic(dir.file("music.mp3"), 1);
        else if (c.music)
            writeFile(dir.file("music.mp3"), std::string(c.music));
        std::string display = std::strcmp(c.display, "server") == 0 ? server.display : c.display;
        ProgramResult result = runProgram(programPath("kvistra"), {}, dir.path,
                                          {"DISPLAY=" + display, std::string("SDL_AUDIODRIVER=") + c.audioDriver});
        EXPECT_EQ(result.exitStatus, 1) << c.name;
        EXPECT_TRUE(std::regex_match(result.output, std::regex(c.output))) << c.name << ": " << result.output;
    }
}
