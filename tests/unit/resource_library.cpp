// The resource library: lookups by name, and the lines it ends the process with.
#include "support.h"

#include "resources/resources.h"

#include <unistd.h>

#include <cstdio>

namespace {

// One entry: its name, a NUL, the size field (size overrides it), its data.
std::string entryBytes(const std::string& name, const std::string& data, long size = -1)
{
    uint32_t n = size < 0 ? uint32_t(data.size()) : uint32_t(size);
    return name + '\0' + char(n & 0xFF) + char(n >> 8 & 0xFF) + char(n >> 16 & 0xFF) + char(n >> 24) + data;
}

std::string libraryBytes(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string bytes;
    for (const auto& [name, data] : entries)
        bytes += entryBytes(name, data);
    return bytes;
}

std::string readData(FILE* stream, size_t count)
{
    std::string data(count, '\0');
    data.resize(std::fread(&data[0], 1, count, stream));
    return data;
}

// The library is opened by a short relative name, as the show does.
class ResourceLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(previousDir, sizeof previousDir), nullptr);
        ASSERT_EQ(chdir(dir.path.c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(previousDir), 0); }

    TempDir dir;
    char previousDir[4096] = {};
};

}  // namespace

TEST_F(ResourceLibraryTest, FindsEveryEntryFromTheStartOfTheFile)
{
    writeFile("ant",
        libraryBytes(
            {{"", "empty name"}, {"first.pcx", "FIRST"}, {"zero.3ds", ""}, {std::string(25, 'x'), "long"},
                {"env.pcx", "ENV"}, {"first.pcx", "shadowed"}, {"last.3ds", "LAST"}}));
    ResourceLibrary library;
    openLibrary(library, "ant");
    struct Lookup {
        const char* wanted;
        std::string data;
    } lookups[] = {
        {"last.3ds", "LAST"},
        {"last.3ds", "LAST"},    // twice in a row
        {"first.pcx", "FIRST"},  // the first of two entries of that name wins
        {"", "empty name"},
        {"env.pcx", "ENV"},  // after a zero-size and an over-long entry
        {"zero.3ds", ""},
    };
    for (const Lookup& lookup : lookups) {
        findEntry(library, lookup.wanted);
        EXPECT_EQ(library.entrySize, lookup.data.size()) << lookup.wanted;
        EXPECT_STREQ(entryName, lookup.wanted);
        EXPECT_EQ(readData(library.stream, lookup.data.size()), lookup.data) << lookup.wanted;
    }
    closeLibrary(library);
}

TEST_F(ResourceLibraryTest, FatalLinesEndTheProcessWithStatus1)
{
    auto lookUp = [](const char* path, const std::string& wanted) {
        return runInChild([&] {
            ResourceLibrary library;
            openLibrary(library, path);
            findEntry(library, wanted.c_str());
        });
    };
    // No library file; a path too long for the record, though the file is there.
    writeFile("abcdefghijklmnopqrst", libraryBytes({{"a", "1"}}));
    for (const char* path : {"ant", "abcdefghijklmnopqrst"}) {
        ChildResult child = lookUp(path, "a");
        EXPECT_EQ(child.output, "CANNOT open library : " + std::string(path) + "\n");
        EXPECT_EQ(child.exitStatus, 1) << path;
    }
    std::string longName(25, 'x');
    struct Case {
        const char* what;
        std::string file;  // the content of "ant"
        std::string wanted;
    } cases[] = {
        {"a name not in the file", libraryBytes({{"env.pcx", "E"}, {"b", ""}}), "env"},
        {"an over-long name is not matched by its first 19 bytes", libraryBytes({{longName, "L"}}),
            longName.substr(0, 19)},
        {"nor by the whole name", libraryBytes({{longName, "L"}}), longName},
        {"the file ends inside a name", libraryBytes({{"a", "1"}}) + "env.p", "env.pcx"},
        {"the file ends inside an over-long name", std::string(40, 'y'), "y"},
        {"the file ends inside the size field of the wanted entry",
            libraryBytes({{"a", "1"}}) + entryBytes("b", "").substr(0, 4), "b"},
        {"a size field reaching past the end", entryBytes("a", "1", 1000), "b"},
    };
    for (const Case& c : cases) {
        writeFile("ant", c.file);
        ChildResult child = lookUp("ant", c.wanted);
        EXPECT_EQ(child.output, "oh no!\n") << c.what;
        EXPECT_EQ(child.exitStatus, 1) << c.what;
    }
}
