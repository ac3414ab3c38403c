// library_file.h: the tool's own reader of resource library files.
//
// Unlike the engine's reader, which ends the process on a damaged file, this
// one reads the whole file and describes what it finds, damage included, so
// that the commands can report it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The longest entry name the engine can find is 19 bytes.
constexpr size_t longestEntryName = 19;

struct LibraryEntry {
    std::string name;
    uint64_t dataOffset = 0;  // where the entry's data starts in the file
    uint32_t size = 0;        // the size field
    uint64_t present = 0;     // data bytes actually in the file (less than size when cut short)
};

struct LibraryFile {
    std::vector<uint8_t> bytes;  // the whole file
    std::vector<LibraryEntry> entries;
    std::string damage;  // how the file is damaged at its end; empty when it is sound
};

// Reads the whole file at path. Returns false with error set ("cannot open
// PATH: REASON" or "cannot read PATH") when it cannot be read.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Reads and indexes the library at path. Returns false with error set when
// the file cannot be read; a damaged file is read as far as it goes.
bool readLibraryFile(const std::string& path, LibraryFile& library, std::string& error);

// The first entry named name, as the engine's lookup finds it; null if none.
const LibraryEntry* findLibraryEntry(const LibraryFile& library, const std::string& name);

// The entry's data as present in the file.
std::vector<uint8_t> entryData(const LibraryFile& library, const LibraryEntry& entry);
