// fuzz_main.cpp: the libFuzzer entry of one target; the build compiles it
// once per target with KVISTRA_FUZZ_TARGET naming the target's function.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    enterScratchDirectory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KVISTRA_FUZZ_TARGET(data, size);
    return 0;
}
