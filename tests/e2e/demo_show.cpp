// The whole show as built into the run directory, under its own Xvfb with the
// dummy audio driver: it plays to the end by itself. (Escape from every stage is
// the sequencer test's; Escape in the real program, the title test's.)
#include "support.h"
#include "xserver.h"

#include <regex>

TEST(DemoShow, PlaysFromTitleToLastSceneByItself)
{
    XServer server;
    ASSERT_FALSE(server.display.empty());
    TempDir scratch;
    BackgroundProgram show(programPath("kvistra"), {}, KVISTRA_RUN_DIR,
        {"DISPLAY=" + server.display, "SDL_AUDIODRIVER=dummy"}, scratch.file("out"));
    // About three minutes: the demo clock, not the frame rate, decides when it ends.
    ASSERT_TRUE(show.waitForEnd(600)) << show.output();
    EXPECT_EQ(show.status, 0);
    EXPECT_TRUE(std::regex_match(show.output(), std::regex("[\\s\\S]*\n\n\nfps:[0-9]+\\.[0-9][0-9]\n$")))
        << show.output();
}
