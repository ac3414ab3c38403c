// extract_command.cpp: kvistra-ant extract FILE NAME [OUT], one entry's data
// written to a file of its own.
#include "commands.h"
#include "library_file.h"
#include "output_file.h"

int extractCommand(const Arguments& args)
{
    const std::string& path = args[0];
    const std::string& name = args[1];
    std::string out = args.size() > 2 ? args[2] : name;
    // Without OUT the entry name becomes a file name in the current
    // directory; a name that would lead elsewhere needs an explicit OUT.
    if (args.size() < 3 &&
        (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos))
        return fail("entry name \"" + printableName(name) + "\" is not a file name; give OUT");

    LibraryFile library;
    std::string error;
    if (!readLibraryFile(path, library, error))
        return fail(error);
    const LibraryEntry* entry = findLibraryEntry(library, name);
    if (!entry) {
        std::string note = library.damage.empty() ? "" : " (" + library.damage + ")";
        return fail("no entry \"" + printableName(name) + "\" in " + path + note);
    }
    if (entry->present < entry->size)
        return fail("entry \"" + printableName(name) + "\" is cut short: " + std::to_string(entry->present) +
            " of " + std::to_string(entry->size) + " data bytes are in " + path);

    if (!writeOutputFile(out, entryData(library, *entry), error))
        return fail(error);
    return 0;
}
