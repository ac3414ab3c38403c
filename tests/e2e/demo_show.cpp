// The whole show as built into the run directory, under its own Xvfb with the dummy
// audio driver: it plays to the end by itself, or until Escape during a 3D scene.
#include "support.h"
#include "xserver.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <regex>

namespace {

// A 3D scene is running once anything shows outside the title's strip.
bool sceneShowing(Display* x)
{
    for (auto [px, py] : {std::pair{320, 60}, {320, 420}, {160, 120}, {480, 360}, {100, 400}, {540, 100}}) {
        XImage* image = XGetImage(x, DefaultRootWindow(x), px, py, 1, 1, AllPlanes, ZPixmap);
        unsigned long value = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        if ((value & 0xFFFFFF) != 0)
            return true;
    }
    return false;
}

// It ends with status 0 and the frame-rate line last.
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
        sendKey(server.display, findWindow(server.display, "kvistra", 10), "Escape");
    }
    // About three minutes: the demo clock, not the frame rate, decides when it ends.
    ASSERT_TRUE(show.waitForEnd(escape ? 60 : 600)) << show.output();
    EXPECT_EQ(show.status, 0);
    EXPECT_TRUE(std::regex_match(show.output(), std::regex("[\\s\\S]*\n\n\nfps:[0-9]+\\.[0-9][0-9]\n$")))
        << show.output();
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
