// png_file.cpp: one RGB frame as a PNG file, through the tools' PNG writer.
#include "tools/capture/capture.h"

#include "tools/png/png_writer.h"

#include <cerrno>
#include <cstring>
#include <vector>

bool writePngFile(const std::string& path, const uint8_t* rgb, int width, int height, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    // Speed over size: a capture may write thousands of these.
    std::vector<uint8_t> png;
    PngResult result = encodePng(rgb, width, height, png, 3);
    if (result != PngResult::encoded || std::fwrite(png.data(), 1, png.size(), file) != png.size()) {
        std::fclose(file);
        error = result == PngResult::outOfMemory ? "out of memory writing " + path : "cannot write " + path;
        return false;
    }
    if (std::fclose(file) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
