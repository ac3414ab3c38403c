// picture_command.cpp: kvistra-ant picture FILE NAME OUT.png, a PCX entry
// decoded by the engine's own decoder and written as a PNG.
#include "commands.h"
#include "library_file.h"
#include "output_file.h"

#include "platform/process.h"
#include "resources/resources.h"

#include "tools/png/png_writer.h"

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
    std::fprintf(
        stderr, "kvistra-ant: entry \"%s\" is not a picture the engine can decode\n", pictureName.c_str());
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

// The picture's width x height pixels as r, g, b bytes; the padding
// columns of each row are left out.
std::vector<uint8_t> rgbPixels(const Picture& picture)
{
    std::vector<uint8_t> rgb(size_t(picture.width) * size_t(picture.height) * 3);
    uint8_t* out = rgb.data();
    for (int y = 0; y < picture.height; y++) {
        const uint8_t* source = picture.pixels.data() + size_t(y) * picture.bytesPerLine * 4;
        for (int x = 0; x < picture.width; x++, out += 3) {
            out[0] = source[x * 4 + 2];
            out[1] = source[x * 4 + 1];
            out[2] = source[x * 4 + 0];
        }
    }
    return rgb;
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

    std::vector<uint8_t> png;
    if (encodePng(rgbPixels(picture).data(), picture.width, picture.height, png) != PngResult::encoded)
        return fail("cannot write " + out + ": PNG encoding failed");
    if (!writeOutputFile(out, png, error))
        return fail(error);
    return 0;
}
