// The baker's PCX encoder: both kinds decode, through the engine, to the pixels given.
#include "support.h"

#include "resources/resources.h"
#include "tools/bake/pcx_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>

using Bytes = std::vector<uint8_t>;

TEST(BakePcxWriter, BothKindsRoundTripThroughTheDecoder)
{
    // Lines with every kind of run: a long run over the 63 limit, single
    // bytes at and above 0xC0 (which need a count byte), pairs and literals.
    const int width = 256, height = 4;
    Bytes indices;
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            if (x < 100) indices.push_back(uint8_t(y * 50));
            else if (x < 140) indices.push_back(uint8_t(0xC0 + x % 64));
            else if (x < 180) indices.push_back(uint8_t((x / 2) * 7));
            else indices.push_back(uint8_t(x * 31 + y));
        }
    }
    // Red, green and blue of pixel i, in the three planes or through the palette.
    auto rgbOf = [&](int i) {
        return Bytes{indices[i], uint8_t(255 - indices[i]), uint8_t(indices[i] ^ 0x55)};
    };
    Bytes rgb;
    std::array<uint8_t, 768> palette{};
    for (int i = 0; i < width * height; i++) {
        Bytes c = rgbOf(i);
        rgb.insert(rgb.end(), c.begin(), c.end());
        std::copy(c.begin(), c.end(), palette.begin() + indices[i] * 3);
    }
    Bytes indexed = bake::encodePcxIndexed(width, height, indices, palette);
    ASSERT_EQ(indexed[indexed.size() - 769], 12) << "palette marker";
    for (const Bytes& file : {bake::encodePcxRgb(width, height, rgb), indexed}) {
        Bytes pixels(width * height * 4, 0x5A);
        FILE* stream = fmemopen(const_cast<uint8_t*>(file.data()), file.size(), "rb");
        decodePcx(stream, pixels.data(), width * height);
        EXPECT_EQ(ftell(stream), long(file.size())) << "the decoder reads the whole file";
        fclose(stream);
        for (int i = 0; i < width * height; i++) {
            Bytes c = rgbOf(i);
            ASSERT_EQ(Bytes(&pixels[i * 4], &pixels[i * 4 + 4]), (Bytes{c[2], c[1], c[0], 0x5A}))
                << int(file[65]) << " planes, pixel " << i;
        }
    }
}

