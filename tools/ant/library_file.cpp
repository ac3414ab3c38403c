// library_file.cpp: reads a resource library file into an index of entries.
#include "library_file.h"

#include "commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    FILE* stream = std::fopen(path.c_str(), "rb");
    if (!stream) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t buffer[65536];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + count);
    bool failed = std::ferror(stream);
    std::fclose(stream);
    if (failed)
        error = "cannot read " + path;
    return !failed;
}

bool readLibraryFile(const std::string& path, LibraryFile& library, std::string& error)
{
    library = LibraryFile();
    if (!readWholeFile(path, library.bytes, error))
        return false;

    const std::vector<uint8_t>& bytes = library.bytes;
    uint64_t position = 0;
    while (position < bytes.size()) {
        uint64_t end = position;
        while (end < bytes.size() && bytes[end] != 0)
            end++;
        if (end == bytes.size()) {
            library.damage = "the file ends inside an entry name at offset " + std::to_string(position);
            break;
        }
        LibraryEntry entry;
        entry.name.assign(bytes.begin() + position, bytes.begin() + end);
        position = end + 1;
        if (bytes.size() - position < 4) {
            library.damage =
                "the file ends inside the size field of entry \"" + printableName(entry.name) + "\"";
            break;
        }
        entry.size = uint32_t(bytes[position]) | uint32_t(bytes[position + 1]) << 8 |
            uint32_t(bytes[position + 2]) << 16 | uint32_t(bytes[position + 3]) << 24;
        entry.dataOffset = position + 4;
        uint64_t left = bytes.size() - entry.dataOffset;
        entry.present = entry.size < left ? entry.size : left;
        library.entries.push_back(entry);
        if (entry.present < entry.size) {
            library.damage = "the last entry \"" + printableName(entry.name) +
                "\" is cut short: " + std::to_string(entry.present) + " of " + std::to_string(entry.size) +
                " data bytes are in the file";
            break;
        }
        position = entry.dataOffset + entry.size;
    }
    return true;
}

const LibraryEntry* findLibraryEntry(const LibraryFile& library, const std::string& name)
{
    for (const LibraryEntry& entry : library.entries)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

std::vector<uint8_t> entryData(const LibraryFile& library, const LibraryEntry& entry)
{
    auto start = library.bytes.begin() + static_cast<std::ptrdiff_t>(entry.dataOffset);
    return std::vector<uint8_t>(start, start + static_cast<std::ptrdiff_t>(entry.present));
}
