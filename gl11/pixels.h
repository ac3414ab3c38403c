// pixels.h: rows of pixels as GL lays them out, and the layer's one repack
// between RGBA and RGB (pixels.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes from one row's start to the next: width pixels of
// bytesPerPixel, rounded up to a multiple of alignment (1, 2, 4 or 8).
size_t alignedRowBytes(size_t width, size_t bytesPerPixel, size_t alignment);

// Red, green and blue of each RGBA pixel, row by row; each side's rows
// start rowBytes apart, and the bytes between rows are left as they are.
void rgbaToRgb(
    const uint8_t* rgba, size_t rgbaRowBytes, uint8_t* rgb, size_t rgbRowBytes, size_t width, size_t height);

// Scratch bytes, at least `bytes` of them, kept from call to call.
uint8_t* pixelScratch(size_t bytes);
