// The whole show, as built into the run directory with its baked library
// and music, under an X server of the test's own (Xvfb) with the dummy audio
// driver: it plays from the title to the last scene by itself and ends with
// the frame-rate line; Escape during a 3D scene ends it the same way.
#include "support.h"
#include "xserver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <regex>

namespace {

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

// Plays the show from the run directory; with escape, sends Escape once a 3D
// scene shows. It ends with status 0 and the frame-rate line.
void playShow(bool escape)
{
    XServer server;
    ASSERT_FALSE(server.display.empty());
    TempDir scratch;
    BackgroundProgram show(programPath("kvistra"), {}, KVISTRA_RUN_DIR,
                           {"DISPLAY=" + server.display, "SDL_AUDIODRIVER=dummy"}, scratch.file("out"));
    if (escape) {
        Display* x = XOpenDisplay(server.display.c_str());
        ASSERT_NE(x, nullptr);
        bool scene = pollUntil([&] { return sceneShowing(x); }, 120, [&] { return show.hasEnded(); });
        XCloseDisplay(x);
        ASSERT_TRUE(scene) << "no 3D scene on the screen: " << show.output();
        std::string window = findWindow(server.display, "kvistra", 10);
        ASSERT_FALSE(window.empty());
        sendKey(server.display, window, "Escape");
    }
    // The show lasts about three minutes; loading and a slow machine add a
    // little. The demo clock, not the frame rate, decides when it ends.
    ASSERT_TRUE(show.waitForEnd(escape ? 60 : 600)) << show.output();
    EXPECT_EQ(show.status, 0);
    EXPECT_TRUE(std::regex_match(show.output(), endsWithFrameRate)) << show.output();
}

}  // namespace

TEST(DemoShow, PlaysFromTitleToLastSceneByItself)
{
    playShow(false);
}

TEST(DemoShow, EscapeDuringA3dSceneEndsTheShow)
{
    playShow(true);
}
