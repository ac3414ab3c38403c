// pcx.cpp: the PCX picture decoder.
//
// Two kinds of picture are read, both 8 bits per plane and run-length
// encoded: one plane of palette indices followed by a 256-colour palette, and
// three planes (red, green, blue) of 24-bit colour. Pixels are written
// 4 bytes each into the caller's buffer, bytes 0, 1, 2 = blue, green, red;
// byte 3 is never touched.
#include "resources/resources.h"

#include <cstdint>
#include <cstdio>

namespace {

struct PcxHeader {
    int manufacturer = 0;
    int version = 0;
    int bitsPerPixel = 0;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int planes = 0;
    int bytesPerLine = 0;
};

// Every read goes through here: a picture cut short ends with errorReadFile
// rather than decoding whatever a failed read leaves behind.
uint8_t readByte(FILE* stream)
{
    int c = std::fgetc(stream);
    if (c == EOF)
        engineError(errorReadFile);
    return static_cast<uint8_t>(c);
}

int readWord(FILE* stream)
{
    int low = readByte(stream);
    int high = readByte(stream);
    return low | high << 8;
}

void skipBytes(FILE* stream, int count)
{
    for (int i = 0; i < count; i++)
        readByte(stream);
}

PcxHeader readHeader(FILE* stream)
{
    PcxHeader header;
    header.manufacturer = readByte(stream);
    header.version = readByte(stream);
    readByte(stream);  // encoding: run-length encoding is assumed whatever it says
    header.bitsPerPixel = readByte(stream);
    if (header.manufacturer != 10 || header.version < 5 || header.bitsPerPixel != 8)
        engineError(errorNotPcx);
    header.xmin = readWord(stream);
    header.ymin = readWord(stream);
    header.xmax = readWord(stream);
    header.ymax = readWord(stream);
    skipBytes(stream, 53);  // resolutions, 16-colour palette, reserved byte
    header.planes = readByte(stream);
    if (header.planes != 1 && header.planes != 3)
        engineError(errorBitplanes);
    header.bytesPerLine = readWord(stream);
    skipBytes(stream, 60);  // palette kind, screen size, filler
    return header;
}

// Where the decoded values of a picture go, one at a time, in file order.
struct PixelSink {
    uint8_t* pixels;
    int planes;
    int bytesPerLine;
    int red = 0, green = 0, blue = 0;  // values stored in the current scanline's planes
    int line = 0;                      // first pixel of the current scanline
    int next = 0;                      // next pixel of a one-plane picture
};

void deliver(PixelSink& sink, uint8_t value)
{
    if (sink.planes == 1) {
        sink.pixels[sink.next * 4 + 2] = value;  // a palette index, expanded later
        sink.next++;
        return;
    }
    // A scanline holds bytes-per-line red values, then green, then blue.
    if (sink.red < sink.bytesPerLine) {
        sink.pixels[(sink.line + sink.red) * 4 + 2] = value;
        sink.red++;
    } else if (sink.green < sink.bytesPerLine) {
        sink.pixels[(sink.line + sink.green) * 4 + 1] = value;
        sink.green++;
    } else {
        sink.pixels[(sink.line + sink.blue) * 4 + 0] = value;
        sink.blue++;
        if (sink.blue == sink.bytesPerLine) {
            sink.line += sink.bytesPerLine;
            sink.red = sink.green = sink.blue = 0;
        }
    }
}

}  // namespace

void decodePcx(FILE* stream, uint8_t* pixels, int capacity)
{
    PcxHeader header = readHeader(stream);

    // The picture must fit the buffer: every scanline, padding included,
    // takes bytes-per-line pixels, and a scanline shorter than the picture's
    // width cannot be laid out at all.
    if (header.xmax < header.xmin || header.ymax < header.ymin)
        engineError(errorPictureTooLarge);
    int width = header.xmax - header.xmin + 1;
    int height = header.ymax - header.ymin + 1;
    if (header.bytesPerLine < width)
        engineError(errorPictureTooLarge);
    int64_t pixelCount = int64_t(height) * header.bytesPerLine;
    if (pixelCount > capacity)
        engineError(errorPictureTooLarge);

    // Runs may cross scanlines and planes; the last run is cut at the
    // expected count so that it never delivers past the picture.
    int64_t expected = pixelCount * header.planes;
    int64_t produced = 0;
    PixelSink sink{pixels, header.planes, header.bytesPerLine};
    while (produced < expected) {
        uint8_t b = readByte(stream);
        int64_t run = 1;
        uint8_t value = b;
        if ((b & 0xC0) == 0xC0) {
            run = b & 0x3F;
            value = readByte(stream);
        }
        if (run > expected - produced)
            run = expected - produced;
        for (int64_t i = 0; i < run; i++)
            deliver(sink, value);
        produced += run;
    }

    if (header.planes == 3)
        return;

    readByte(stream);  // the palette marker (12 in well-formed files), not checked
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = readByte(stream);
    // Every decoded pixel is expanded, padding columns included, so that no
    // pixel of the picture is left holding a bare index.
    for (int64_t k = 0; k < pixelCount; k++) {
        uint8_t* pixel = pixels + k * 4;
        const uint8_t* entry = palette + pixel[2] * 3;
        pixel[0] = entry[2];
        pixel[1] = entry[1];
        pixel[2] = entry[0];
    }
}
