// pack_command.cpp: kvistra-ant pack OUT INPUT..., a library made of files.
#include "commands.h"
#include "library_file.h"
#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

// The part of a path after its last slash.
std::string baseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool readInput(const std::string& path, std::vector<uint8_t>& data, std::string& error)
{
    FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        data.insert(data.end(), buffer, buffer + count);
    bool failed = std::ferror(stream);
    std::fclose(stream);
    if (failed)
        error = "cannot read " + path + (errno == EISDIR ? ": it is a directory" : "");
    return !failed;
}

}  // namespace

int packCommand(const Arguments& args)
{
    const std::string& out = args[0];
    Arguments inputs(args.begin() + 1, args.end());

    // Every name is checked before anything is read or written.
    std::set<std::string> names;
    for (const std::string& input : inputs) {
        std::string name = baseName(input);
        if (name.empty())
            return fail("input \"" + input + "\" has no file name");
        if (name.size() > longestEntryName)
            return fail("entry name \"" + printableName(name) +
                        "\" is 20 bytes or more; the engine can only find names of up to 19");
        if (!names.insert(name).second)
            return fail("two inputs have the entry name \"" + printableName(name) + "\"");
    }

    std::vector<uint8_t> library;
    std::string error;
    for (const std::string& input : inputs) {
        std::vector<uint8_t> data;
        if (!readInput(input, data, error))
            return fail(error);
        if (data.size() > UINT32_MAX)
            return fail(input + " is too large for an entry (4 GiB or more)");
        std::string name = baseName(input);
        library.insert(library.end(), name.begin(), name.end());
        library.push_back(0);
        uint32_t size = uint32_t(data.size());
        for (int i = 0; i < 4; i++)
            library.push_back(uint8_t(size >> (8 * i)));
        library.insert(library.end(), data.begin(), data.end());
    }

    OutputFile output;
    if (!beginOutput(output, out, error))
        return fail(error);
    std::fwrite(library.data(), 1, library.size(), output.stream);
    if (!finishOutput(output, error))
        return fail(error);
    return 0;
}
