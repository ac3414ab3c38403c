// pixels.cpp: row layout, the RGBA to RGB repack and the scratch bytes of
// texture uploads and read-back.
#include "gl11/pixels.h"

#include <vector>

size_t alignedRowBytes(size_t width, size_t bytesPerPixel, size_t alignment)
{
    return (width * bytesPerPixel + alignment - 1) / alignment * alignment;
}

void rgbaToRgb(
    const uint8_t* rgba, size_t rgbaRowBytes, uint8_t* rgb, size_t rgbRowBytes, size_t width, size_t height)
{
    for (size_t row = 0; row < height; row++) {
        const uint8_t* from = rgba + row * rgbaRowBytes;
        uint8_t* to = rgb + row * rgbRowBytes;
        for (size_t i = 0; i < width; i++) {
            to[i * 3 + 0] = from[i * 4 + 0];
            to[i * 3 + 1] = from[i * 4 + 1];
            to[i * 3 + 2] = from[i * 4 + 2];
        }
    }
}

uint8_t* pixelScratch(size_t bytes)
{
    static std::vector<uint8_t> scratch;
    if (scratch.size() < bytes)
        scratch.resize(bytes);
    return scratch.data();
}
