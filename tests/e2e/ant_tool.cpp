// kvistra-ant: packing, listing, extracting, and its errors (pictures: pcx_imagemagick.cpp).
#include "support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

ProgramResult ant(const std::vector<std::string>& args, const std::string& dir)
{
    return runProgram(programPath("kvistra-ant"), args, dir);
}

std::vector<uint8_t> bytesOf(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

TEST(AntTool, PackListAndExtractRoundTrip)
{
    TempDir dir;
    mkdir(dir.file("sub").c_str(), 0755);
    std::string binary;
    for (int i = 0; i < 70000; i++)
        binary += char(i * 31 % 256);  // zero bytes included
    writeFile(dir.file("sub/model.3ds"), binary);
    writeFile(dir.file("empty.pcx"), "");
    writeFile(dir.file("nineteen-bytes.name"), "xyz");
    ProgramResult packed =
        ant({"pack", "lib", "sub/model.3ds", "empty.pcx", "nineteen-bytes.name"}, dir.path);
    ASSERT_EQ(packed.exitStatus, 0) << packed.errors;
    // The layout: name, NUL, little-endian size, data, entry after entry.
    EXPECT_EQ(readFile(dir.file("lib")),
        bytesOf(std::string("model.3ds\0\x70\x11\x01\x00", 14) + binary +
            std::string("empty.pcx\0\0\0\0\0nineteen-bytes.name\0\3\0\0\0xyz", 41)));

    ProgramResult listed = ant({"list", "lib"}, dir.path);
    EXPECT_EQ(listed.exitStatus, 0) << listed.errors;
    EXPECT_EQ(listed.output,
        "    offset       size  name\n"
        "        14      70000  model.3ds\n"
        "     70028          0  empty.pcx\n"
        "     70052          3  nineteen-bytes.name\n"
        "3 entries, 70003 data bytes, 70055 bytes in the file\n");

    struct Extraction {
        std::vector<std::string> args;
        std::string out;
        std::vector<uint8_t> data;
    } extractions[] = {
        {{"extract", "lib", "model.3ds", "copy.3ds"}, "copy.3ds", bytesOf(binary)},
        {{"extract", "lib", "empty.pcx", "sub/empty"}, "sub/empty", {}},
        {{"extract", "lib", "nineteen-bytes.name"}, "nineteen-bytes.name", bytesOf("xyz")},
    };
    for (const Extraction& e : extractions) {
        std::remove(dir.file(e.out).c_str());
        ProgramResult extracted = ant(e.args, dir.path);
        EXPECT_EQ(extracted.exitStatus, 0) << e.out << ": " << extracted.errors;
        EXPECT_EQ(readFile(dir.file(e.out)), e.data) << e.out;
    }
}

TEST(AntTool, FailuresSayWhyInOneLineAndLeaveNoOutput)
{
    TempDir dir;
    writeFile(dir.file("a.txt"), "alpha");
    writeFile(dir.file("b.txt"), "beta");
    writeFile(dir.file("twenty-bytes-of-name"), "long");
    mkdir(dir.file("other").c_str(), 0755);
    writeFile(dir.file("other/a.txt"), "another alpha");
    ASSERT_EQ(ant({"pack", "lib", "a.txt", "b.txt"}, dir.path).exitStatus, 0);
    std::vector<uint8_t> library = readFile(dir.file("lib"));
    writeFile(dir.file("cut"), std::vector<uint8_t>(library.begin(), library.end() - 2));
    writeFile(dir.file("cut-name"), std::vector<uint8_t>(library.begin(), library.begin() + 17));
    writeFile(dir.file("kept"), "kept");

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;    // part of the line on standard error
        const char* noFile;  // a file that must not be there afterwards
    } cases[] = {
        {{"list", "missing"}, 1, "cannot open missing", nullptr},
        {{"list", "cut"}, 1, "the last entry \"b.txt\" is cut short: 2 of 4", nullptr},
        {{"list", "cut-name"}, 1, "ends inside an entry name at offset 15", nullptr},
        {{"extract", "lib", "c.txt", "out"}, 1, "no entry \"c.txt\" in lib", "out"},
        {{"extract", "cut", "b.txt", "out"}, 1, "entry \"b.txt\" is cut short", "out"},
        {{"extract", "lib", "a.txt", "no/dir/out"}, 1, "cannot write no/dir/out", nullptr},
        {{"pack", "new", "a.txt", "other/a.txt"}, 1, "two inputs have the entry name", "new"},
        {{"pack", "new", "a.txt", "twenty-bytes-of-name"}, 1, "is 20 bytes or more", "new"},
        {{"pack", "new", "a.txt", "other"}, 1, "cannot read other", "new"},
        {{"pack", "kept", "a.txt", "missing"}, 1, "cannot open missing", nullptr},
        {{"picture", "lib", "a.txt", "a.png"}, 1, "\"a.txt\" is not a picture the engine", "a.png"},
        {{"picture", "lib", "c.txt", "c.png"}, 1, "no entry \"c.txt\" in lib", "c.png"},
        {{"pack", "kept"}, 2, "usage: kvistra-ant pack OUT INPUT...", nullptr},
        {{"unpack", "lib"}, 2, "unknown command \"unpack\"", nullptr},
    };
    for (const Case& c : cases) {
        ProgramResult result = ant(c.args, dir.path);
        std::string call = c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
        EXPECT_EQ(result.exitStatus, c.status) << call;
        EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1)
            << call << ": " << result.errors;
        EXPECT_NE(result.errors.find(c.says), std::string::npos) << call << ": " << result.errors;
        if (c.noFile) {
            EXPECT_NE(access(dir.file(c.noFile).c_str(), F_OK), 0) << call;
        }
    }
    // A file in the way of a failed pack is untouched, and no temporary file is left behind.
    EXPECT_EQ(readFile(dir.file("kept")), bytesOf("kept"));
    EXPECT_EQ(runProgram("/bin/sh", {"-c", "ls | grep partial"}, dir.path).output, "");
    // The engine's own line comes on standard output for a refused picture.
    EXPECT_EQ(ant({"picture", "lib", "a.txt", "a.png"}, dir.path).output,
        "[MORVEL ENGINE ERROR]:This is not a pcx file.\n\n");
    EXPECT_EQ(ant({"--help"}, dir.path).exitStatus, 0);
}
