// The PCX decoder: both kinds of picture, the run-length codes, and every
// picture it refuses.
#include "support.h"

#include "resources/resources.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct Header {
    int manufacturer = 10, version = 5, encoding = 1, bitsPerPixel = 8;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int planes = 1, bytesPerLine = 1;
};

Bytes headerBytes(const Header& h)
{
    Bytes bytes(128, 0xEE);  // the skipped fields hold junk
    bytes[0] = uint8_t(h.manufacturer);
    bytes[1] = uint8_t(h.version);
    bytes[2] = uint8_t(h.encoding);
    bytes[3] = uint8_t(h.bitsPerPixel);
    auto word = [&](int at, int value) {
        bytes[at] = uint8_t(value & 0xFF);
        bytes[at + 1] = uint8_t(value >> 8);
    };
    word(4, h.xmin), word(6, h.ymin), word(8, h.xmax), word(10, h.ymax);
    bytes[65] = uint8_t(h.planes);
    word(66, h.bytesPerLine);
    return bytes;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Palette entry i is red i, green 255 - i, blue i / 2.
Bytes rampPalette()
{
    Bytes bytes;
    for (int i = 0; i < 256; i++)
        bytes.insert(bytes.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    return bytes;
}

Bytes onePlane(const Header& h, const Bytes& data, uint8_t marker = 12)
{
    return headerBytes(h) + data + Bytes{marker} + rampPalette();
}

// The decoded pixel of palette index i: blue, green, red, and byte 3 as it was.
Bytes rampPixel(int i)
{
    return {uint8_t(i / 2), uint8_t(255 - i), uint8_t(i), 0x5A};
}

// Decodes bytes from a memory stream into a buffer of capacity pixels whose
// bytes all hold 0x5A beforehand, and returns those pixels; what lies past
// them must be untouched. position receives where the stream stands.
Bytes decode(const Bytes& file, int capacity, long* position = nullptr)
{
    Bytes pixels(size_t(capacity) * 4 + 16, 0x5A);
    FILE* stream = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
    decodePcx(stream, pixels.data(), capacity);
    if (position)
        *position = std::ftell(stream);
    std::fclose(stream);
    EXPECT_EQ(Bytes(pixels.end() - 16, pixels.end()), Bytes(16, 0x5A)) << "written past the buffer";
    pixels.resize(size_t(capacity) * 4);
    return pixels;
}

}  // namespace

TEST(PcxDecoder, OnePlaneFillsA256By256BufferAndLeavesByte3)
{
    Header h;
    h.xmax = 255, h.ymax = 255, h.bytesPerLine = 256;
    const int total = 256 * 256;
    Bytes data;  // literals only (below 0xC0); the runs have their own cases
    for (int k = 0; k < total; k++)
        data.push_back(uint8_t(k % 191));
    long position = 0;
    Bytes file = onePlane(h, data, 0x99);  // a marker other than 12 is accepted
    Bytes pixels = decode(file + Bytes{1, 2, 3}, total, &position);
    EXPECT_EQ(position, long(file.size()));  // just after the palette
    for (int k = 0; k < total; k++)
        ASSERT_EQ(Bytes(&pixels[size_t(k) * 4], &pixels[size_t(k) * 4 + 4]), rampPixel(k % 191)) << k;
}

TEST(PcxDecoder, RunLengthCodesAndPaddedScanlines)
{
    struct Case {
        const char* what;
        int encoding, width, bytesPerLine;  // two rows
        Bytes data;
        Bytes indices;  // the delivered palette indices
    } cases[] = {
        {"0xC1 then 5 is one value 5", 1, 2, 2, {0xC1, 5, 7, 8, 9}, {5, 7, 8, 9}},
        {"0xC0 and its value deliver nothing", 1, 2, 2, {0xC0, 0xFF, 1, 2, 3, 4}, {1, 2, 3, 4}},
        {"0xBF is a literal", 1, 2, 2, {0xBF, 0x3F, 0x80, 0xC4, 0xC0}, {0xBF, 0x3F, 0x80, 0xC0}},
        {"a final run is cut at the picture's end", 1, 2, 2, {1, 2, 0xFF, 9}, {1, 2, 9, 9}},
        {"encoding 0 is still run-length data", 0, 2, 2, {0xC4, 6}, {6, 6, 6, 6}},
        {"padding bytes are pixels too", 1, 3, 4, {10, 11, 12, 13, 20, 21, 22, 23},
         {10, 11, 12, 13, 20, 21, 22, 23}},
    };
    for (const Case& c : cases) {
        Header h;
        h.xmax = c.width - 1, h.ymax = 1, h.bytesPerLine = c.bytesPerLine, h.encoding = c.encoding;
        int count = 2 * c.bytesPerLine;
        Bytes pixels = decode(onePlane(h, c.data), count);
        Bytes expected;
        for (uint8_t i : c.indices)
            expected = expected + rampPixel(i);
        EXPECT_EQ(pixels, expected) << c.what;
    }
}

TEST(PcxDecoder, ThreePlanesRunAcrossPlanesAndScanlines)
{
    Header h;
    h.xmax = 2, h.ymax = 1, h.planes = 3, h.bytesPerLine = 4;  // one padding column
    // Row 0: red 1 1 1 1, green 1 1 2 3, blue 4 5 6 7; row 1: red 7 7 8 9,
    // green 10 11 12 13, blue 14 14 14 14. The first run crosses from red into
    // green, the one at the end of row 0's blue continues in row 1's red.
    Bytes data = {0xC6, 1, 2, 3, 4, 5, 6, 0xC3, 7, 8, 9, 10, 11, 12, 13, 0xC4, 14};
    long position = 0;
    Bytes file = headerBytes(h) + data;
    Bytes pixels = decode(file + Bytes{0xC1}, 8, &position);
    EXPECT_EQ(position, long(file.size()));  // just after the last encoded byte
    Bytes expected = {
        4, 1, 1, 0x5A, 5, 1, 1, 0x5A, 6, 2, 1, 0x5A, 7, 3, 1, 0x5A,
        14, 10, 7, 0x5A, 14, 11, 7, 0x5A, 14, 12, 8, 0x5A, 14, 13, 9, 0x5A,
    };
    EXPECT_EQ(pixels, expected);
}

TEST(PcxDecoder, RefusalsPrintTheirLineAndEndWithStatus1)
{
    const std::string notPcx = "[MORVEL ENGINE ERROR]:This is not a pcx file.\n\n";
    const std::string planes = "[MORVEL ENGINE ERROR]:Error amount of bitplanes.\n\n";
    const std::string tooLarge = "[MORVEL ENGINE ERROR]:Picture does not fit its texture.\n\n";
    const std::string cutShort = "[MORVEL ENGINE ERROR]:Could not read from file.\n\n";
    Header ok;  // a 2 x 2 one-plane picture
    ok.xmax = 1, ok.ymax = 1, ok.bytesPerLine = 2;
    auto with = [&](auto change) {
        Header h = ok;
        change(h);
        return onePlane(h, {0xC4, 1});
    };
    Bytes whole = onePlane(ok, {0xC4, 1});
    struct Case {
        const char* what;
        Bytes file;
        int capacity;
        std::string output;
    } cases[] = {
        {"manufacturer 11", with([](Header& h) { h.manufacturer = 11; }), 4, notPcx},
        {"version 4", with([](Header& h) { h.version = 4; }), 4, notPcx},
        {"24 bits per pixel", with([](Header& h) { h.bitsPerPixel = 24; }), 4, notPcx},
        {"2 planes", with([](Header& h) { h.planes = 2; }), 4, planes},
        {"xmax < xmin", with([](Header& h) { h.xmin = 2; }), 4, tooLarge},
        {"ymax < ymin", with([](Header& h) { h.ymin = 5; }), 4, tooLarge},
        {"bytes per line < width", with([](Header& h) { h.bytesPerLine = 1; }), 4, tooLarge},
        {"larger than the buffer", whole, 3, tooLarge},
        {"cut in the data", Bytes(whole.begin(), whole.begin() + 129), 4, cutShort},
        {"cut in the palette", Bytes(whole.begin(), whole.end() - 1), 4, cutShort},
    };
    for (const Case& c : cases) {
        ChildResult child = runInChild([&] { decode(c.file, c.capacity); });
        EXPECT_EQ(child.output, c.output) << c.what;
        EXPECT_EQ(child.exitStatus, 1) << c.what;
    }
    EXPECT_TRUE(runInChild([&] { decode(whole, 4); }).returned) << "the untouched picture decodes";
}
