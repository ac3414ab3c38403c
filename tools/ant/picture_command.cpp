// picture_command.cpp: kvistra-ant picture FILE NAME OUT.png, a PCX entry
// decoded by the engine's own decoder and written as a PNG.
#include "commands.h"
#include "library_file.h"
#include "output_file.h"

#include "platform/process.h"
#include "resources/resources.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace {

// The decoder refuses a picture that does not fit the buffer it is given;
// the tool gives it the picture's own size up to this many pixels.
constexpr int64_t largestPicture = 4096 * 4096;

std::string pictureName;

// The decoder ends the process on a picture it refuses, after its own line
// on standard output; this adds the tool's line on standard error.
void reportRefusal(int)
{
    std::fprintf(stderr, "kvistra-ant: entry \"%s\" is not a picture the engine can decode\n",
                 pictureName.c_str());
}

struct Picture {
    int width = 0, height = 0, bytesPerLine = 0;
    std::vector<uint8_t> pixels;  // 4 bytes per pixel, bytes-per-line pixels per row
};

int headerWord(const std::vector<uint8_t>& data, size_t at)
{
    return data.size() < at + 2 ? 0 : data[at] | data[at + 1] << 8;
}

// Sizes the buffer from the header and lets the engine decode into it.
Picture decodePicture(std::vector<uint8_t>& data)
{
    Picture picture;
    picture.width = headerWord(data, 8) - headerWord(data, 4) + 1;
    picture.height = headerWord(data, 10) - headerWord(data, 6) + 1;
    picture.bytesPerLine = headerWord(data, 66);
    int64_t capacity = int64_t(picture.height) * picture.bytesPerLine;
    if (capacity < 0 || capacity > largestPicture)
        capacity = 0;
    picture.pixels.assign(size_t(capacity) * 4 + 4, 0);
    FILE* stream = fmemopen(data.data(), data.size(), "rb");
    decodePcx(stream, picture.pixels.data(), int(capacity));
    std::fclose(stream);
    return picture;
}

// Writes the picture's width x height pixels as 8-bit RGB; the padding
// columns of each row are left out.
bool writePng(FILE* stream, const Picture& picture)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    std::vector<uint8_t> row(size_t(picture.width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, stream);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; y++) {
        const uint8_t* source = picture.pixels.data() + size_t(y) * picture.bytesPerLine * 4;
        for (int x = 0; x < picture.width; x++) {
            row[size_t(x) * 3 + 0] = source[x * 4 + 2];
            row[size_t(x) * 3 + 1] = source[x * 4 + 1];
            row[size_t(x) * 3 + 2] = source[x * 4 + 0];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

int pictureCommand(const Arguments& args)
{
    const std::string& path = args[0];
    const std::string& name = args[1];
    const std::string& out = args[2];
    LibraryFile library;
    std::string error;
    if (!readLibraryFile(path, library, error))
        return fail(error);
    const LibraryEntry* entry = findLibraryEntry(library, name);
    if (!entry)
        return fail("no entry \"" + printableName(name) + "\" in " + path);

    // Only the entry's own bytes are decoded: a picture cut short inside its
    // entry is reported as cut short rather than read on into the next one.
    std::vector<uint8_t> data = entryData(library, *entry);
    pictureName = printableName(name);
    addExitHook(reportRefusal);
    Picture picture = decodePicture(data);

    OutputFile output;
    if (!beginOutput(output, out, error))
        return fail(error);
    if (!writePng(output.stream, picture)) {
        abandonOutput(output);
        return fail("cannot write " + out + ": PNG encoding failed");
    }
    if (!finishOutput(output, error))
        return fail(error);
    return 0;
}
