// soundtrack.cpp: the decoded music turned so that it starts at a given
// frame; looped, it then plays as the show plays it from that moment on.
#include "tools/capture/capture.h"

#include <cerrno>
#include <cstring>
#include <vector>

// One stereo frame of 32-bit float samples.
static constexpr size_t frameBytes = 2 * sizeof(float);

static bool copyFrames(std::FILE* from, std::FILE* to, uint64_t start, uint64_t count, std::string& error)
{
    if (fseeko(from, static_cast<off_t>(start * frameBytes), SEEK_SET) != 0) {
        error = std::string("cannot read the soundtrack: ") + std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> buffer(64 * 1024 * frameBytes);
    uint64_t left = count * frameBytes;
    while (left > 0) {
        size_t part = left < buffer.size() ? static_cast<size_t>(left) : buffer.size();
        if (std::fread(buffer.data(), 1, part, from) != part) {
            error = "cannot read the soundtrack";
            return false;
        }
        if (std::fwrite(buffer.data(), 1, part, to) != part) {
            error = std::string("cannot write the soundtrack: ") + std::strerror(errno);
            return false;
        }
        left -= part;
    }
    return true;
}

bool rotateSoundtrack(std::FILE* from, std::FILE* to, uint64_t startFrame, std::string& error)
{
    if (std::fflush(from) != 0 || fseeko(from, 0, SEEK_END) != 0) {
        error = std::string("cannot read the soundtrack: ") + std::strerror(errno);
        return false;
    }
    uint64_t frames = static_cast<uint64_t>(ftello(from) / static_cast<off_t>(frameBytes));
    if (frames == 0)
        return true;
    startFrame %= frames;
    if (!copyFrames(from, to, startFrame, frames - startFrame, error) ||
        !copyFrames(from, to, 0, startFrame, error))
        return false;
    if (std::fflush(to) != 0) {
        error = std::string("cannot write the soundtrack: ") + std::strerror(errno);
        return false;
    }
    return true;
}
