// bake.h: everything the baker puts into the resource library "ant".
#pragma once

#include "tools/bake/pictures.h"

#include <cstdint>
#include <vector>

namespace bake {

// The pictures, then the models: the seventeen entries of the library.
std::vector<NamedFile> bakeEntries();

// The library file's bytes: the entries in the library format.
std::vector<uint8_t> bakeLibrary();

}  // namespace bake
