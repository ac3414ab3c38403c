// PCX pictures by ImageMagick (an independent encoder) decode to the pixels it reads
// back from them, and kvistra-ant picture makes PNGs of those pixels.
#include "support.h"

#include "resources/resources.h"

#include <cstdio>

namespace {

// ImageMagick's convert (found on the PATH) and kvistra-ant, run in dir.
ProgramResult convert(std::vector<std::string> args, const std::string& dir)
{
    args.insert(args.begin(), "convert");
    return runProgram("/usr/bin/env", args, dir);
}

ProgramResult ant(const std::vector<std::string>& args, const std::string& dir)
{
    return runProgram(programPath("kvistra-ant"), args, dir);
}

}  // namespace

TEST(PcxFromImageMagick, DecodesToThePixelsImageMagickReads)
{
    // Odd sizes have a padding column. (The baked pictures fill a texture.)
    struct Case {
        const char* what;
        std::vector<std::string> make;  // convert arguments before the output name
        int planes;
    } cases[] = {
        {"palette, odd size", {"-size", "37x21", "gradient:red-blue", "-colors", "200", "-type", "palette"},
            1},
        {"truecolor, odd size",
            {"rose:", "-crop", "69x45+1+1", "+repage", "-alpha", "off", "-type", "truecolor"}, 3},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::vector<std::string> args = c.make;
        args.push_back("picture.pcx");
        ProgramResult written = convert(args, dir.path);
        ASSERT_EQ(written.exitStatus, 0) << c.what << ": " << written.errors;
        ProgramResult read = convert({"picture.pcx", "rgb:-"}, dir.path);
        ASSERT_EQ(read.exitStatus, 0) << c.what << ": " << read.errors;

        std::vector<uint8_t> file = readFile(dir.file("picture.pcx"));
        ASSERT_GE(file.size(), 128u) << c.what;
        ASSERT_EQ(file[65], c.planes) << c.what;
        auto word = [&](int at) { return file[at] | file[at + 1] << 8; };
        int width = word(8) - word(4) + 1, height = word(10) - word(6) + 1, bytesPerLine = word(66);
        ASSERT_EQ(read.output.size(), size_t(width) * height * 3) << c.what;

        // Exactly the room the picture needs, and byte 3 must stay as it was.
        int capacity = height * bytesPerLine;
        std::vector<uint8_t> pixels(size_t(capacity) * 4, 0x33);
        FILE* stream = fmemopen(file.data(), file.size(), "rb");
        decodePcx(stream, pixels.data(), capacity);
        EXPECT_EQ(std::ftell(stream), long(file.size())) << c.what;  // the whole file was used
        std::fclose(stream);
        int mismatches = 0;
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                const uint8_t* p = &pixels[(size_t(y) * bytesPerLine + x) * 4];
                const char* q = &read.output[(size_t(y) * width + x) * 3];
                mismatches +=
                    p[2] != uint8_t(q[0]) || p[1] != uint8_t(q[1]) || p[0] != uint8_t(q[2]) || p[3] != 0x33;
            }
        }
        EXPECT_EQ(mismatches, 0) << c.what << " (" << width << " x " << height << ")";

        ASSERT_EQ(ant({"pack", "lib", "picture.pcx"}, dir.path).exitStatus, 0) << c.what;
        ProgramResult made = ant({"picture", "lib", "picture.pcx", "picture.png"}, dir.path);
        ASSERT_EQ(made.exitStatus, 0) << c.what << ": " << made.errors;
        EXPECT_TRUE(convert({"picture.png", "rgb:-"}, dir.path).output == read.output) << c.what;
    }
}
