// scratch.cpp: the scratch directory the library and model targets write
// their library file into, and the library they write.
#include "fuzz/fuzz_targets.h"
#include "fuzz/scratch.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string scratch;

void removeScratch()
{
    std::remove((scratch + "/ant").c_str());
    rmdir(scratch.c_str());
}

}  // namespace

void enterScratchDirectory()
{
    // Memory-backed when the machine has it: one file is written per input.
    char path[] = "/dev/shm/kvistra-fuzz-XXXXXX";
    char fallback[] = "/tmp/kvistra-fuzz-XXXXXX";
    char* made = mkdtemp(path);
    if (!made)
        made = mkdtemp(fallback);
    if (!made || chdir(made) != 0) {
        std::perror("kvistra fuzz: scratch directory");
        std::exit(1);
    }
    scratch = made;
    std::atexit(removeScratch);
}

void writeLibrary(const char* name, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen("ant", "wb");
    if (!file) {
        std::perror("kvistra fuzz: ant");
        std::abort();
    }
    if (name) {
        std::fwrite(name, 1, std::char_traits<char>::length(name) + 1, file);
        uint8_t length[4] = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16), uint8_t(size >> 24)};
        std::fwrite(length, 1, 4, file);
    }
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}
