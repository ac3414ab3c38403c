// The PCX decoder: both kinds of picture, the run-length codes, the refusals.
#include "support.h"

#include "resources/resources.h"

#include <cstdio>

namespace {

using Bytes = std::vector<uint8_t>;

// A header of a width x height picture; the fields the decoder skips hold junk.
Bytes header(int width, int height, int bytesPerLine, int planes = 1, int encoding = 1)
{
    Bytes bytes(128, 0xEE);
    bytes[0] = 10, bytes[1] = 5, bytes[2] = uint8_t(encoding), bytes[3] = 8;
    for (auto [at, value] : {std::pair{4, 0}, {6, 0}, {8, width - 1}, {10, height - 1}, {66, bytesPerLine}})
        bytes[at] = uint8_t(value & 0xFF), bytes[at + 1] = uint8_t(value >> 8);
    bytes[65] = uint8_t(planes);
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

Bytes onePlane(const Bytes& header, const Bytes& data, uint8_t marker = 12)
{
    return header + data + Bytes{marker} + rampPalette();
}

// The decoded pixel of palette index i: blue, green, red, and byte 3 as it was.
Bytes rampPixel(int i)
{
    return {uint8_t(i / 2), uint8_t(255 - i), uint8_t(i), 0x5A};
}

// Decodes into capacity pixels of 0x5A bytes, checking that nothing past them
// is touched; position receives where the stream stands.
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
    const int total = 256 * 256;
    Bytes data;  // literals only (below 0xC0); the runs have their own cases
    for (int k = 0; k < total; k++)
        data.push_back(uint8_t(k % 191));
    long position = 0;
    Bytes file = onePlane(header(256, 256, 256), data, 0x99);  // a marker other than 12 is accepted
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
        Bytes file = onePlane(header(c.width, 2, c.bytesPerLine, 1, c.encoding), c.data);
        Bytes pixels = decode(file, 2 * c.bytesPerLine);
        Bytes expected;
        for (uint8_t i : c.indices)
            expected = expected + rampPixel(i);
        EXPECT_EQ(pixels, expected) << c.what;
    }
}

TEST(PcxDecoder, ThreePlanesRunAcrossPlanesAndScanlines)
{
    // Row 0: red 1 1 1 1, green 1 1 2 3, blue 4 5 6 7; row 1: red 7 7 8 9,
    // green 10 11 12 13, blue 14 14 14 14. The first run crosses from red into
    // green, the one at the end of row 0's blue continues in row 1's red.
    Bytes data = {0xC6, 1, 2, 3, 4, 5, 6, 0xC3, 7, 8, 9, 10, 11, 12, 13, 0xC4, 14};
    long position = 0;
    Bytes file = header(3, 2, 4, 3) + data;  // one padding column
    Bytes pixels = decode(file + Bytes{0xC1}, 8, &position);
    EXPECT_EQ(position, long(file.size()));  // just after the last encoded byte
    // clang-format off
    Bytes expected = {
        4, 1, 1, 0x5A, 5, 1, 1, 0x5A, 6, 2, 1, 0x5A, 7, 3, 1, 0x5A,
        14, 10, 7, 0x5A, 14, 11, 7, 0x5A, 14, 12, 8, 0x5A, 14, 13, 9, 0x5A,
    };
    // clang-format on
    EXPECT_EQ(pixels, expected);
}

TEST(PcxDecoder, RefusalsPrintTheirLineAndEndWithStatus1)
{
    const std::string notPcx = "[MORVEL ENGINE ERROR]:This is not a pcx file.\n\n";
    const std::string planes = "[MORVEL ENGINE ERROR]:Error amount of bitplanes.\n\n";
    const std::string tooLarge = "[MORVEL ENGINE ERROR]:Picture does not fit its texture.\n\n";
    const std::string cutShort = "[MORVEL ENGINE ERROR]:Could not read from file.\n\n";
    Bytes whole = onePlane(header(2, 2, 2), {0xC4, 1});
    auto with = [&](size_t at, uint8_t value) {
        Bytes file = whole;
        file[at] = value;
        return file;
    };
    struct Case {
        const char* what;
        Bytes file;
        int capacity;
        std::string output;
    } cases[] = {
        {"manufacturer 11", with(0, 11), 4, notPcx},
        {"version 4", with(1, 4), 4, notPcx},
        {"24 bits per pixel", with(3, 24), 4, notPcx},
        {"2 planes", with(65, 2), 4, planes},
        {"xmax < xmin", with(4, 2), 4, tooLarge},
        {"ymax < ymin", with(6, 5), 4, tooLarge},
        {"bytes per line < width", with(66, 1), 4, tooLarge},
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
