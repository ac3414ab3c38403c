// scratch.h: writing the library file "ant" for a target (private to fuzz/).
#pragma once

#include <cstddef>
#include <cstdint>

// Writes "ant" in the current directory: one entry called name holding the
// bytes, or (name nullptr) the bytes themselves as the whole library.
void writeLibrary(const char* name, const uint8_t* data, size_t size);
