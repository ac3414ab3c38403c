// main.cpp: kvistra-bake OUTDIR writes the resource library "ant" and the
// music "music.mp3" into OUTDIR; kvistra-bake --icon FILE writes the show's
// icon as a PNG picture. The same program always writes the same bytes.
#include "tools/bake/bake.h"
#include "tools/bake/music.h"
#include "tools/model3ds/model3ds.h"
#include "tools/png/png_writer.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

// Writes the file, first under a temporary name, so that an interrupted bake
// never leaves a partial file under the real name.
static bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::string partial = path + ".partial";
    if (!model3ds::writeBytesToFile(partial, bytes) || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::printf("kvistra-bake: cannot write %s\n", path.c_str());
        std::remove(partial.c_str());
        return false;
    }
    std::printf("kvistra-bake: wrote %s (%zu bytes)\n", path.c_str(), bytes.size());
    return true;
}

// The show's icon as PNG bytes.
static std::vector<uint8_t> iconPng()
{
    std::vector<uint8_t> png;
    PngResult result = encodePng(bake::bakeIcon().data(), bake::pictureSize, bake::pictureSize, png);
    if (result == PngResult::outOfMemory)
        throw std::runtime_error("out of memory encoding a PNG picture");
    if (result == PngResult::failed)
        throw std::runtime_error("cannot encode a PNG picture");
    return png;
}

int main(int argc, char** argv)
{
    bool icon = argc == 3 && std::string(argv[1]) == "--icon";
    if ((argc != 2 && !icon) || std::string(argv[1]) == "--help") {
        std::printf("usage: kvistra-bake OUTDIR\n"
                    "       kvistra-bake --icon FILE\n"
                    "writes the resource library OUTDIR/ant and the music OUTDIR/music.mp3;\n"
                    "--icon writes the show's icon, its 256 x 256 chrome picture, as PNG to FILE\n");
        return argc == 2 ? 0 : 2;
    }
    std::string dir = argv[1];
    try {
        if (icon)
            return writeFile(argv[2], iconPng()) ? 0 : 1;
        if (!writeFile(dir + "/ant", bake::bakeLibrary()))
            return 1;
        if (!writeFile(dir + "/music.mp3", bake::bakeMusic()))
            return 1;
    } catch (const std::exception& failure) {
        std::printf("kvistra-bake: %s\n", failure.what());
        return 1;
    }
    return 0;
}
