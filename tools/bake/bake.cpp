// bake.cpp: puts the pictures and models together into the library.
#include "tools/bake/bake.h"

#include "tools/bake/models.h"
#include "tools/model3ds/model3ds.h"

namespace bake {

std::vector<NamedFile> bakeEntries()
{
    std::vector<NamedFile> entries = bakePictures();
    for (NamedFile& model : bakeModels())
        entries.push_back(std::move(model));
    return entries;
}

std::vector<uint8_t> bakeLibrary()
{
    std::vector<model3ds::LibraryEntry> entries;
    for (NamedFile& file : bakeEntries())
        entries.push_back({file.name, std::move(file.data)});
    return model3ds::libraryBytes(entries);
}

}  // namespace bake
