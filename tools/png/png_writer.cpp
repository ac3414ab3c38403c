// png_writer.cpp: PNG encoding through libpng, into memory.
#include "tools/png/png_writer.h"

#include <png.h>

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) { }

}  // namespace

PngResult encodePng(
    const uint8_t* rgb, int width, int height, std::vector<uint8_t>& out, int compressionLevel)
{
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return PngResult::outOfMemory;
    }
    // Rows are handed over one at a time: no row table to allocate, and a
    // size libpng refuses never reaches a row pointer.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        out.clear();
        return PngResult::failed;
    }
    png_set_write_fn(png, &out, appendBytes, flushNothing);
    if (compressionLevel != defaultPngCompression)
        png_set_compression_level(png, compressionLevel);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
        PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; y++)
        png_write_row(
            png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * static_cast<size_t>(width) * 3));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return PngResult::encoded;
}
