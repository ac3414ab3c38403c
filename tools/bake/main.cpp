// main.cpp: kvistra-bake OUTDIR writes the resource library "ant" and the
// music "music.mp3" into OUTDIR. The same program always writes the same
// bytes.
#include "tools/bake/bake.h"
#include "tools/model3ds/model3ds.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        std::printf("usage: kvistra-bake OUTDIR\n"
                    "writes the resource library OUTDIR/ant and the music OUTDIR/music.mp3\n");
        return argc == 2 ? 0 : 2;
    }
    std::string dir = argv[1];
    std::vector<uint8_t> library = bake::bakeLibrary();
    if (!model3ds::writeBytesToFile(dir + "/ant", library)) {
        std::printf("kvistra-bake: cannot write %s/ant\n", dir.c_str());
        return 1;
    }
    std::printf("kvistra-bake: wrote %s/ant (%zu bytes)\n", dir.c_str(), library.size());
    return 0;
}
