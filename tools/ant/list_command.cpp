// list_command.cpp: kvistra-ant list FILE, the entries of a library.
#include "commands.h"
#include "library_file.h"

#include <cinttypes>
#include <cstdio>

int listCommand(const Arguments& args)
{
    const std::string& path = args[0];
    LibraryFile library;
    std::string error;
    if (!readLibraryFile(path, library, error))
        return fail(error);

    std::printf("%10s %10s  %s\n", "offset", "size", "name");
    uint64_t dataBytes = 0;
    for (const LibraryEntry& entry : library.entries) {
        std::string notes;
        if (entry.name.size() > longestEntryName)
            notes += "  (name longer than 19 bytes: the engine never finds it)";
        if (entry.present < entry.size)
            notes += "  (cut short: " + std::to_string(entry.present) + " bytes in the file)";
        std::printf("%10" PRIu64 " %10" PRIu32 "  %s%s\n", entry.dataOffset, entry.size,
            printableName(entry.name).c_str(), notes.c_str());
        dataBytes += entry.present;
    }
    std::printf("%zu entries, %" PRIu64 " data bytes, %zu bytes in the file\n", library.entries.size(),
        dataBytes, library.bytes.size());
    if (!library.damage.empty())
        return fail(path + ": " + library.damage);
    return 0;
}
