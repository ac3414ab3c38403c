// png_writer.h: the tools' PNG writer: 8-bit RGB pictures encoded by libpng
// into memory.
#pragma once

#include <cstdint>
#include <vector>

enum class PngResult {
    encoded,
    outOfMemory,  // libpng could not set itself up
    failed,       // libpng refused the picture or failed while encoding it
};

// zlib's default compression level.
constexpr int defaultPngCompression = -1;

// Encodes width x height pixels of r, g, b bytes, top row first, as a
// non-interlaced 8-bit RGB PNG into out (replacing what it held). A level
// of 0 to 9 trades speed for size.
PngResult encodePng(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& out,
    int compressionLevel = defaultPngCompression);
