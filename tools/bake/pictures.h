// pictures.h: the nine pictures of the show, each a 256 x 256 PCX file
// (the four title credits, the title banner, a wall texture, the backdrop
// and two environment maps).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bake {

struct NamedFile {
    std::string name;  // library entry name, e.g. "vagg.pcx"
    std::vector<uint8_t> data;
};

constexpr int pictureSize = 256;

// Every picture, in the order they go into the library.
std::vector<NamedFile> bakePictures();

// The show's icon: the chrome of "env.pcx", pictureSize x pictureSize pixels
// of r, g, b bytes, top row first.
std::vector<uint8_t> bakeIcon();

}  // namespace bake
