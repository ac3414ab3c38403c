// pcx_target.cpp: arbitrary bytes as a PCX picture, decoded into a buffer
// of a Texture's 256 x 256 pixels.
#include "fuzz/fuzz_targets.h"
#include "fuzz/refusal.h"

#include "resources/resources.h"

#include <cstdio>
#include <vector>

void fuzzPcx(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;  // no stream over no bytes; the decoder's first read fails alike
    FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!stream)
        return;
    static std::vector<uint8_t> pixels(256 * 256 * 4);
    runRefusable([&] { decodePcx(stream, pixels.data(), 256 * 256); });
    std::fclose(stream);
}
