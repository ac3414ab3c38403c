// pack_command.cpp: kvistra-ant pack OUT INPUT..., a library made of files.
#include "commands.h"
#include "library_file.h"
#include "output_file.h"

#include <cerrno>
#include <set>

namespace {

// The part of a path after its last slash.
std::string baseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An input that is a directory opens but cannot be read; the message says so.
bool readInput(const std::string& path, std::vector<uint8_t>& data, std::string& error)
{
    if (readWholeFile(path, data, error))
        return true;
    if (errno == EISDIR)
        error += ": it is a directory";
    return false;
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

    if (!writeOutputFile(out, library, error))
        return fail(error);
    return 0;
}
