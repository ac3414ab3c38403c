// pcx_writer.cpp: the run-length PCX encoder of the baker.
#include "tools/bake/pcx_writer.h"

#include <cstddef>

namespace bake {

static void putU16(std::vector<uint8_t>& out, int value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// The 128-byte header; bytes per line equal the width (no padding), which
// the engine's decoder requires.
static std::vector<uint8_t> pcxHeader(int width, int height, int planes)
{
    std::vector<uint8_t> out;
    out.push_back(10);  // manufacturer
    out.push_back(5);   // version: 3.0 with palette information
    out.push_back(1);   // run-length encoding
    out.push_back(8);   // bits per pixel of one plane
    putU16(out, 0);     // xmin
    putU16(out, 0);     // ymin
    putU16(out, width - 1);
    putU16(out, height - 1);
    putU16(out, 72);                 // horizontal resolution
    putU16(out, 72);                 // vertical resolution
    out.resize(out.size() + 48, 0);  // 16-colour palette, unused
    out.push_back(0);                // reserved
    out.push_back(static_cast<uint8_t>(planes));
    putU16(out, width);  // bytes per line of one plane
    putU16(out, 1);      // palette kind: colour
    putU16(out, 0);      // screen size
    putU16(out, 0);
    out.resize(128, 0);  // filler
    return out;
}

void encodePcxLine(std::vector<uint8_t>& out, const uint8_t* line, int length)
{
    int i = 0;
    while (i < length) {
        uint8_t value = line[i];
        int run = 1;
        while (i + run < length && run < 63 && line[i + run] == value)
            run++;
        if (run > 1 || value >= 0xC0)
            out.push_back(static_cast<uint8_t>(0xC0 | run));
        out.push_back(value);
        i += run;
    }
}

std::vector<uint8_t> encodePcxRgb(int width, int height, const std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> out = pcxHeader(width, height, 3);
    std::vector<uint8_t> plane(width);
    for (int y = 0; y < height; y++) {
        for (int channel = 0; channel < 3; channel++) {
            for (int x = 0; x < width; x++) {
                plane[x] = rgb[(static_cast<size_t>(y) * width + x) * 3 + channel];
            }
            encodePcxLine(out, plane.data(), width);
        }
    }
    return out;
}

std::vector<uint8_t> encodePcxIndexed(
    int width, int height, const std::vector<uint8_t>& indices, const std::array<uint8_t, 768>& palette)
{
    std::vector<uint8_t> out = pcxHeader(width, height, 1);
    for (int y = 0; y < height; y++) {
        encodePcxLine(out, indices.data() + static_cast<size_t>(y) * width, width);
    }
    out.push_back(12);  // palette marker
    out.insert(out.end(), palette.begin(), palette.end());
    return out;
}

}  // namespace bake
