// The Debian package, made by cpack from this build tree and unpacked into a
// scratch root: its programs run from the packaged data.
#include "support.h"

#include <filesystem>

TEST(DebianPackage, UnpackedItPlaysFromItsOwnFiles)
{
    TempDir dir;
    std::string build = std::string(KVISTRA_RUN_DIR) + "/..";
    ProgramResult made = runProgram("/usr/bin/env", {"cpack", "--config", build + "/CPackConfig.cmake", "-B", dir.path});
    ASSERT_EQ(made.exitStatus, 0) << made.output << made.errors;
    std::string deb;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        if (entry.path().extension() == ".deb")
            deb = entry.path();
    ASSERT_NE(deb, "") << made.output;
    std::string root = dir.file("root");
    ASSERT_EQ(runProgram("/usr/bin/env", {"dpkg-deb", "-x", deb, root}).exitStatus, 0);
    EXPECT_NE(runProgram("/usr/bin/env", {"dpkg-deb", "-f", deb, "Depends"}).output.find("libglut"),
              std::string::npos) << "dependencies come from the linked libraries";

    // Started from a folder without the show's files, the packaged capture
    // finds the packaged ones and draws what this tree's capture draws.
    ProgramResult still = runProgram(root + "/usr/bin/kvistra-capture", {"--at", "20", "--out", dir.file("a.png")}, dir.path);
    ASSERT_EQ(still.exitStatus, 0) << still.output << still.errors;
    runProgram(programPath("kvistra-capture"), {"--dir", KVISTRA_RUN_DIR, "--at", "20", "--out", dir.file("b.png")});
    EXPECT_EQ(readFile(dir.file("a.png")), readFile(dir.file("b.png")));

    // The launcher starts the packaged program in the data folder: it loads
    // the music there, then finds no display.
    ProgramResult launched = runProgram(root + "/usr/games/kvistra", {}, dir.path, {"DISPLAY=", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(launched.output, "");
    EXPECT_NE(launched.errors.find("/lib/games/kvistra/kvistra): failed to open display"), std::string::npos)
        << launched.errors;
}
