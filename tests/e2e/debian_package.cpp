// The Debian packages kvistra, kvistra-data and kvistra-tools, built from a
// copy of this source by dpkg-buildpackage with Debian's flags
// (scripts/deb-build.sh, without the package's unit test run, which this
// test run has) and unpacked into a scratch root: lintian finds no error or
// warning, the version is the project's, the dependencies come from the
// linked libraries, the installed-package test of debian/tests passes on the
// unpacked files against this build tree, the manual pages render cleanly,
// and the desktop entry and the AppStream metadata validate. Apart from
// that: every option a tool's --help lists is in its manual page.
#include "support.h"

#include <filesystem>
#include <map>
#include <regex>

namespace {

std::string lastLines(const std::string& text, size_t count)
{
    size_t at = text.size();
    for (size_t n = 0; n <= count && at != std::string::npos && at > 0; n++)
        at = text.rfind('\n', at - 1);
    return at == std::string::npos ? text : text.substr(at);
}

std::string field(const std::string& deb, const std::string& name)
{
    std::string value = runProgram("/usr/bin/env", {"dpkg-deb", "-f", deb, name}).output;
    return value.substr(0, value.find_last_not_of('\n') + 1);
}

}  // namespace

TEST(DebianPackage, BuiltFromSourceItPlaysFromItsOwnFiles)
{
    TempDir dir;
    ProgramResult made = runProgram(std::string(KVISTRA_SOURCE_DIR) + "/scripts/deb-build.sh", {dir.path},
        dir.path, {"DEB_BUILD_OPTIONS=nocheck"});
    ASSERT_EQ(made.exitStatus, 0) << lastLines(made.output, 40) << lastLines(made.errors, 40);
    // kvistra, kvistra-data and kvistra-tools, and the debug symbols.
    std::string changes;
    std::map<std::string, std::string> debs;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
        std::string name = entry.path().filename();
        if (entry.path().extension() == ".changes")
            changes = entry.path();
        else if (entry.path().extension() == ".deb" && name.find("-dbgsym_") == std::string::npos)
            debs[name.substr(0, name.find('_'))] = entry.path();
    }
    ASSERT_EQ(debs.size(), 3u) << made.output;
    std::string show = debs["kvistra"], tools = debs["kvistra-tools"];
    ASSERT_NE(show, "");
    ASSERT_NE(tools, "");

    ProgramResult lintian =
        runProgram("/usr/bin/env", {"lintian", "--pedantic", "--fail-on", "error,warning", changes});
    EXPECT_EQ(lintian.exitStatus, 0) << lintian.output << lintian.errors;

    EXPECT_EQ(field(show, "Version"), KVISTRA_VERSION) << "debian/changelog and project() name one version";
    EXPECT_NE(field(show, "Depends").find("libglut"), std::string::npos) << field(show, "Depends");
    EXPECT_NE(field(tools, "Depends").find("libmp3lame0"), std::string::npos) << field(tools, "Depends");

    std::string root = dir.file("root");
    for (const auto& [name, deb] : debs)
        ASSERT_EQ(runProgram("/usr/bin/env", {"dpkg-deb", "-x", deb, root}).exitStatus, 0) << deb;

    ProgramResult installed = runProgram(std::string(KVISTRA_SOURCE_DIR) + "/debian/tests/installed-show", {},
        dir.path, {"KVISTRA_ROOT=" + root, std::string("KVISTRA_BUILD_RUN=") + KVISTRA_RUN_DIR});
    EXPECT_EQ(installed.exitStatus, 0) << installed.output << installed.errors;

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
    ProgramResult metainfo = runProgram("/bin/sh",
        {"-c", "appstreamcli validate --pedantic --no-net \"$0\"/usr/share/metainfo/*.metainfo.xml", root});
    EXPECT_EQ(metainfo.exitStatus, 0) << metainfo.output << metainfo.errors;
    EXPECT_EQ(std::regex_search(metainfo.output, std::regex("^[EW]:", std::regex::multiline)), false)
        << metainfo.output;
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
