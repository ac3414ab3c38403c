// models.cpp: the show's models.
#include "tools/bake/models.h"

namespace bake {

std::vector<NamedFile> bakeModels() { return {}; }

}  // namespace bake
