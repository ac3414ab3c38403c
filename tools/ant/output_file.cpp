// output_file.cpp: writes a file through a temporary beside it.
#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool beginOutput(OutputFile& output, const std::string& path, std::string& error)
{
    output.path = path;
    output.tempPath = path + ".partial-XXXXXX";
    std::vector<char> pattern(output.tempPath.begin(), output.tempPath.end());
    pattern.push_back('\0');
    int fd = mkstemp(pattern.data());
    if (fd < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    output.tempPath = pattern.data();
    // mkstemp makes the file private; give it the usual permissions.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    output.stream = fdopen(fd, "wb");
    if (!output.stream) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        close(fd);
        std::remove(output.tempPath.c_str());
        return false;
    }
    return true;
}

bool finishOutput(OutputFile& output, std::string& error)
{
    bool written = !std::ferror(output.stream);
    written = std::fclose(output.stream) == 0 && written;
    output.stream = nullptr;
    if (!written || std::rename(output.tempPath.c_str(), output.path.c_str()) != 0) {
        error = "cannot write " + output.path + ": " + std::strerror(errno);
        std::remove(output.tempPath.c_str());
        return false;
    }
    return true;
}

void abandonOutput(OutputFile& output)
{
    if (output.stream)
        std::fclose(output.stream);
    output.stream = nullptr;
    std::remove(output.tempPath.c_str());
}

bool writeOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    OutputFile output;
    if (!beginOutput(output, path, error))
        return false;
    std::fwrite(bytes.data(), 1, bytes.size(), output.stream);
    return finishOutput(output, error);
}
