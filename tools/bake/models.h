// models.h: the eight 3D Studio models of the show, one per 3D scene.
#pragma once

#include "tools/bake/pictures.h"

#include <vector>

namespace bake {

// Every model, in the order of the show.
std::vector<NamedFile> bakeModels();

}  // namespace bake
