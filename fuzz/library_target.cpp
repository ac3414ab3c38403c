// library_target.cpp: arbitrary bytes as the resource library "ant", and
// lookups of the names the show asks for, an empty one, one of the most
// characters a name may have and one of one more.
#include "fuzz/fuzz_targets.h"
#include "fuzz/refusal.h"
#include "fuzz/scratch.h"

#include "resources/resources.h"

void fuzzLibrary(const uint8_t* data, size_t size)
{
    writeLibrary(nullptr, data, size);
    static const char* const names[] = {
        "test.3ds", "vagg.pcx", "", "nineteen-characters", "twenty-characters-xx"};
    ResourceLibrary library;
    if (runRefusable([&] { openLibrary(library, "ant"); })) {
        for (const char* name : names)
            runRefusable([&] { findEntry(library, name); });
    }
    closeLibrary(library);
}
