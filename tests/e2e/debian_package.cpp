// The Debian package, made by cpack from this build tree and unpacked into a
// scratch root: its programs run from the packaged data, its manual pages
// render cleanly, its desktop entry validates; and every option a tool's
// --help lists is in that tool's manual page.
#include "support.h"

#include <filesystem>
#include <regex>

TEST(DebianPackage, UnpackedItPlaysFromItsOwnFiles)
{
    TempDir dir;
    std::string build = std::string(KVISTRA_RUN_DIR) + "/..";
    ProgramResult made =
        runProgram("/usr/bin/env", {"cpack", "--config", build + "/CPackConfig.cmake", "-B", dir.path});
    ASSERT_EQ(made.exitStatus, 0) << made.output << made.errors;
    std::string deb;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
        if (entry.path().extension() == ".deb")
            deb = entry.path();
    ASSERT_NE(deb, "") << made.output;
    std::string root = dir.file("root");
    ASSERT_EQ(runProgram("/usr/bin/env", {"dpkg-deb", "-x", deb, root}).exitStatus, 0);
    EXPECT_NE(runProgram("/usr/bin/env", {"dpkg-deb", "-f", deb, "Depends"}).output.find("libglut"),
        std::string::npos)
        << "dependencies come from the linked libraries";

    // Started from a folder without the show's files, the packaged capture
    // finds the packaged ones and draws what this tree's capture draws.
    ProgramResult still =
        runProgram(root + "/usr/bin/kvistra-capture", {"--at", "20", "--out", dir.file("a.png")}, dir.path);
    ASSERT_EQ(still.exitStatus, 0) << still.output << still.errors;
    runProgram(
        programPath("kvistra-capture"), {"--dir", KVISTRA_RUN_DIR, "--at", "20", "--out", dir.file("b.png")});
    EXPECT_EQ(readFile(dir.file("a.png")), readFile(dir.file("b.png")));

    // The launcher starts the packaged program in the data folder: it loads
    // the music there, then finds no display.
    ProgramResult launched =
        runProgram(root + "/usr/games/kvistra", {}, dir.path, {"DISPLAY=", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(launched.output, "");
    EXPECT_NE(launched.errors.find("/lib/games/kvistra/kvistra): failed to open display"), std::string::npos)
        << launched.errors;

    for (const char* page :
        {"man6/kvistra.6", "man1/kvistra-ant.1", "man1/kvistra-capture.1", "man1/kvistra-bake.1"}) {
        std::string path = root + "/usr/share/man/" + page + ".gz";
        ProgramResult rendered = runProgram("/bin/sh", {"-c", "zcat \"$0\" | groff -man -ww -z", path});
        EXPECT_EQ(rendered.exitStatus, 0) << page;
        EXPECT_EQ(rendered.errors, "") << page;
    }
    ProgramResult entry = runProgram(
        "/usr/bin/env", {"desktop-file-validate", root + "/usr/share/applications/kvistra.desktop"});
    EXPECT_EQ(entry.exitStatus, 0);
    EXPECT_EQ(entry.output + entry.errors, "");
}

TEST(DebianPackage, ManualPagesHaveEveryOptionOfTheHelp)
{
    // Options anywhere in the help, and the first word of its lines indented
    // by two spaces (kvistra-ant's commands), each as a whole word in the page.
    std::regex listed(R"(--[a-z][a-z0-9-]*|^  [a-z][a-z0-9-]*)", std::regex::multiline);
    for (const char* tool : {"kvistra-ant", "kvistra-capture", "kvistra-bake"}) {
        std::string help = runProgram(programPath(tool), {"--help"}).output;
        ASSERT_NE(help, "") << tool;
        std::vector<uint8_t> bytes = readFile(std::string(KVISTRA_SOURCE_DIR) + "/man/" + tool + ".1");
        std::string page =
            std::regex_replace(std::string(bytes.begin(), bytes.end()), std::regex(R"(\\-)"), "-");
        for (std::sregex_iterator it(help.begin(), help.end(), listed), end; it != end; ++it) {
            std::string word = it->str().substr(it->str()[0] == ' ' ? 2 : 0);
            EXPECT_TRUE(std::regex_search(page, std::regex("(^|[^a-z-])" + word + "([^a-z0-9-]|$)")))
                << tool << " --help lists " << word;
        }
    }
}
