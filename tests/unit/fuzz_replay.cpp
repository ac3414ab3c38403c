// The fuzz corpus through the fuzz targets' entries, with the ordinary
// compiler: every file of every target's corpus goes through every entry,
// so each change meets the inputs the fuzzers found interesting.
#include "support.h"

#include "fuzz/fuzz_targets.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

std::vector<std::string> corpusFiles()
{
    std::vector<std::string> files;
    for (const char* target : {"library", "pcx", "model", "music"}) {
        size_t before = files.size();
        std::string dir = std::string(KVISTRA_SOURCE_DIR) + "/fuzz/corpus/" + target;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            files.push_back(entry.path());
        EXPECT_GT(files.size(), before) << "no corpus for " << target;
    }
    return files;
}

}  // namespace

TEST(FuzzReplay, EveryCorpusFileGoesThroughEveryTarget)
{
    std::vector<std::string> files = corpusFiles();
    TempDir scratch;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(scratch.path.c_str()), 0);
    // The refusals' lines go where the fuzzers send them: nowhere.
    std::fflush(stdout);
    int out = dup(1);
    ASSERT_TRUE(std::freopen("/dev/null", "w", stdout));
    for (const std::string& file : files) {
        std::vector<uint8_t> bytes = readFile(file);
        for (auto target : {fuzzLibrary, fuzzPcx, fuzzModel, fuzzMusic})
            target(bytes.data(), bytes.size());
    }
    std::fflush(stdout);
    dup2(out, 1);
    close(out);
    ASSERT_EQ(chdir(previous), 0);
}
