// png_writer.h: encodes a picture as PNG bytes, for the show's icon.
#pragma once

#include <cstdint>
#include <vector>

namespace bake {

// rgb holds width x height pixels of r, g, b bytes, top row first.
std::vector<uint8_t> encodePng(int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace bake
