// The resource library: lookups by name, and the lines it ends the process with.
#include "support.h"

#include "resources/resources.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::string name;
    std::string data;
};

// One entry header and its data; size overrides the size field.
std::string entryBytes(const Entry& entry, long size = -1)
{
    uint32_t n = size < 0 ? uint32_t(entry.data.size()) : uint32_t(size);
    std::string bytes = entry.name;
    bytes += '\0';
    for (int i = 0; i < 4; i++)
        bytes += char((n >> (8 * i)) & 0xFF);
    return bytes + entry.data;
}

std::string libraryBytes(const std::vector<Entry>& entries)
{
    std::string bytes;
    for (const Entry& entry : entries)
        bytes += entryBytes(entry);
    return bytes;
}

std::string readData(FILE* stream, size_t count)
{
    std::string data(count, '\0');
    data.resize(std::fread(&data[0], 1, count, stream));
    return data;
}

// The library is opened by a short relative name, as the show does, from
// inside a scratch directory.
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
    std::string longName(25, 'x');
    writeFile("ant", libraryBytes({
                         {"", "empty name"},
                         {"first.pcx", "FIRST"},
                         {"zero.3ds", ""},
                         {longName, "long"},
                         {"env.pcx", "ENV"},
                         {"first.pcx", "shadowed"},
                         {"last.3ds", "LAST"},
                     }));
    ResourceLibrary library;
    openLibrary(library, "ant");
    struct Lookup {
        const char* wanted;
        const char* data;
    } lookups[] = {
        {"last.3ds", "LAST"},    {"last.3ds", "LAST"},  // twice in a row
        {"first.pcx", "FIRST"},  // the first of two entries of that name wins
        {"", "empty name"},      {"env.pcx", "ENV"},    // after a zero-size and an over-long entry
        {"zero.3ds", ""},
    };
    for (const Lookup& lookup : lookups) {
        findEntry(library, lookup.wanted);
        std::string expected = lookup.data;
        EXPECT_EQ(library.entrySize, expected.size()) << lookup.wanted;
        EXPECT_STREQ(entryName, lookup.wanted);
        EXPECT_EQ(readData(library.stream, expected.size()), expected) << lookup.wanted;
    }
    closeLibrary(library);

    // The next set-up opens the same record again.
    openLibrary(library, "ant");
    findEntry(library, "env.pcx");
    EXPECT_EQ(readData(library.stream, 3), "ENV");
    closeLibrary(library);
}

TEST_F(ResourceLibraryTest, FatalLinesEndTheProcessWithStatus1)
{
    std::string longName(25, 'x');
    struct Case {
        const char* what;
        std::string file;  // content of "ant"; empty: no file
        const char* path;
        std::string wanted;
        const char* output;
    } cases[] = {
        {"no library file", "", "ant", "a", "CANNOT open library : ant\n"},
        {"a path of 20 bytes", "", "abcdefghijklmnopqrst", "a",
         "CANNOT open library : abcdefghijklmnopqrst\n"},
        {"a name not in the file", libraryBytes({{"env.pcx", "E"}, {"b", ""}}), "ant", "env",
         "oh no!\n"},
        {"an over-long name is not matched by its first 19 bytes",
         libraryBytes({{longName, "L"}}), "ant", longName.substr(0, 19), "oh no!\n"},
        {"nor by the whole name", libraryBytes({{longName, "L"}}), "ant", longName, "oh no!\n"},
        {"the file ends inside a name", libraryBytes({{"a", "1"}}) + "env.p", "ant", "env.pcx",
         "oh no!\n"},
        {"the file ends inside an over-long name", std::string(40, 'y'), "ant", "y", "oh no!\n"},
        {"the file ends inside the size field of the wanted entry",
         libraryBytes({{"a", "1"}}) + entryBytes({"b", ""}).substr(0, 4), "ant", "b", "oh no!\n"},
        {"a size field reaching past the end", entryBytes({"a", "1"}, 1000), "ant", "b",
         "oh no!\n"},
    };
    for (const Case& c : cases) {
        std::remove("ant");
        if (!c.file.empty())
            writeFile("ant", c.file);
        ChildResult child = runInChild([&] {
            ResourceLibrary library;
            openLibrary(library, c.path);
            findEntry(library, c.wanted.c_str());
        });
        EXPECT_EQ(child.output, c.output) << c.what;
        EXPECT_EQ(child.exitStatus, 1) << c.what;
    }
}
