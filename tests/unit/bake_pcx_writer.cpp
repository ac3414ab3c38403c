// The baker's PCX encoder: what it writes decodes, through the engine's own
// decoder, to exactly the pixels it was given, in both kinds of picture.
#include "support.h"

#include "resources/resources.h"
#include "tools/bake/pcx_writer.h"

#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Decodes a picture from memory into width x height pixels (b, g, r, x).
Bytes decode(const Bytes& file, int pixels)
{
    Bytes out(static_cast<size_t>(pixels) * 4, 0x5A);
    FILE* stream = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
    decodePcx(stream, out.data(), pixels);
    long position = ftell(stream);
    fclose(stream);
    EXPECT_EQ(position, static_cast<long>(file.size())) << "the decoder reads the whole file";
    return out;
}

// A line with every kind of run: a long run over the 63 limit, single bytes
// at and above 0xC0 (which need a count byte), pairs, and plain literals.
Bytes testLine(int width, int row)
{
    Bytes line(width);
    for (int x = 0; x < width; x++) {
        if (x < 100) line[x] = static_cast<uint8_t>(row);               // runs 63 + 37
        else if (x < 140) line[x] = static_cast<uint8_t>(0xC0 + x % 64);  // high literals
        else if (x < 180) line[x] = static_cast<uint8_t>((x / 2) * 7);   // pairs
        else line[x] = static_cast<uint8_t>(x * 31 + row);                // literals
    }
    return line;
}

}  // namespace

TEST(BakePcxWriter, ThreePlanesRoundTripThroughTheDecoder)
{
    const int width = 256, height = 5;
    Bytes rgb;
    for (int y = 0; y < height; y++) {
        Bytes line = testLine(width, y);
        for (int x = 0; x < width; x++) {
            rgb.insert(rgb.end(), {line[x], static_cast<uint8_t>(255 - line[x]),
                                   static_cast<uint8_t>(line[(x + 7) % width])});
        }
    }
    Bytes file = bake::encodePcxRgb(width, height, rgb);
    ASSERT_EQ(file[65], 3);
    Bytes pixels = decode(file, width * height);
    for (int i = 0; i < width * height; i++) {
        ASSERT_EQ(pixels[i * 4 + 2], rgb[i * 3 + 0]) << "red of pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 1], rgb[i * 3 + 1]) << "green of pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 0], rgb[i * 3 + 2]) << "blue of pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 3], 0x5A);
    }
}

TEST(BakePcxWriter, OnePlaneWithPaletteRoundTripsThroughTheDecoder)
{
    const int width = 256, height = 4;
    Bytes indices;
    for (int y = 0; y < height; y++) {
        Bytes line = testLine(width, y * 50);
        indices.insert(indices.end(), line.begin(), line.end());
    }
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < 256; i++) {
        palette[i * 3] = static_cast<uint8_t>(i);
        palette[i * 3 + 1] = static_cast<uint8_t>(i ^ 0x55);
        palette[i * 3 + 2] = static_cast<uint8_t>(255 - i);
    }
    Bytes file = bake::encodePcxIndexed(width, height, indices, palette);
    ASSERT_EQ(file[65], 1);
    ASSERT_EQ(file[file.size() - 769], 12) << "palette marker";
    Bytes pixels = decode(file, width * height);
    for (int i = 0; i < width * height; i++) {
        int index = indices[i];
        ASSERT_EQ(pixels[i * 4 + 2], palette[index * 3]) << "red of pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 1], palette[index * 3 + 1]) << "green of pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 0], palette[index * 3 + 2]) << "blue of pixel " << i;
    }
}

TEST(BakePcxWriter, RunsAreCodedCompactlyAndStopAtTheLineEnd)
{
    struct Case {
        Bytes line;
        Bytes expected;
    } cases[] = {
        {Bytes(3, 7), {0xC3, 7}},
        {Bytes(64, 1), {0xFF, 1, 1}},          // 63, then a single literal
        {{0xC0}, {0xC1, 0xC0}},                // a high single byte needs a count
        {{0xBF, 0xBF, 0x20}, {0xC2, 0xBF, 0x20}},
    };
    for (const Case& c : cases) {
        Bytes out;
        bake::encodePcxLine(out, c.line.data(), static_cast<int>(c.line.size()));
        EXPECT_EQ(out, c.expected);
    }
}
