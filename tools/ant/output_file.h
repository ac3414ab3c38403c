// output_file.h: files written whole or not at all.
//
// Output goes to a temporary file beside the destination, which takes the
// destination's name only once everything is written. A failed command
// leaves no partial file behind and an existing file untouched.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct OutputFile {
    std::string path;      // the destination
    std::string tempPath;  // where the bytes go until finishOutput
    FILE* stream = nullptr;
};

// Creates the temporary file. Returns false with error set on failure.
bool beginOutput(OutputFile& output, const std::string& path, std::string& error);

// Closes the temporary file and renames it to the destination. On failure
// removes it and returns false with error set.
bool finishOutput(OutputFile& output, std::string& error);

// Closes and removes the temporary file.
void abandonOutput(OutputFile& output);

// Writes bytes as the whole file at path through beginOutput and
// finishOutput. Returns false with error set on failure.
bool writeOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
