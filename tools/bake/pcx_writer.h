// pcx_writer.h: writes run-length encoded PCX pictures, 8 bits per plane,
// in the two kinds the engine reads: one plane of palette indices followed
// by a 256-colour palette, or three colour planes (red, green, blue).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace bake {

// Three planes. rgb holds width x height pixels of r, g, b bytes, top row first.
std::vector<uint8_t> encodePcxRgb(int width, int height, const std::vector<uint8_t>& rgb);

// One plane. indices holds width x height palette indices, top row first;
// palette holds 256 entries of r, g, b.
std::vector<uint8_t> encodePcxIndexed(
    int width, int height, const std::vector<uint8_t>& indices, const std::array<uint8_t, 768>& palette);

// Appends one scanline of one plane, run-length encoded: runs of 2 to 63
// equal bytes become a count byte (0xC0 | n) and the value; single bytes
// below 0xC0 stand for themselves, single bytes of 0xC0 and above are
// written as a run of one. Runs never cross the end of the line.
void encodePcxLine(std::vector<uint8_t>& out, const uint8_t* line, int length);

}  // namespace bake
