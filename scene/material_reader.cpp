// material_reader.cpp: the .3ds material entries (name, flags and a draw
// mode from the shading kind), lights and cameras.
#include "scene/chunk_ids.h"
#include "scene/chunk_reader.h"

using namespace chunk3ds;

namespace {

// Light colours: each float component x 255, truncated, low 8 bits kept.
uint8_t colourByte(float component)
{
    return uint8_t(truncateToInt(component * 255.0f));
}

}  // namespace

void readMaterial(ChunkReader& reader, uint32_t end)
{
    Scene& scene = *reader.scene;
    // The entry's own material, added by its name chunk. Chunks before the
    // name have no material of this entry to act on and are passed over.
    Material* material = nullptr;
    bool wireSeen = false;

    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        if (chunk.id == idMaterialName) {
            char name[recordNameSize];
            readName(reader, name);
            requireRoom(scene.materialCount, maxMaterials);
            addMaterial(scene, name);
            material = scene.materials[scene.materialCount - 1];
        } else if (!material) {
            seekTo(reader, chunk.end);
        } else {
            switch (chunk.id) {
            case idDiffuse:
                // The file's colour is not used: scene scripts bind their own.
                material->red = 1.0f;
                material->green = 0.5f;
                material->blue = 0.1f;
                seekTo(reader, chunk.end);
                break;
            case idTwoSided: material->twoSided = 1; break;
            case idAdditive:
                if (material->drawMode == DrawMode::flatLit)
                    material->drawMode = DrawMode::flatAdditive;
                break;
            case idWire:
                wireSeen = true;
                material->drawMode = DrawMode::unlitWire;
                break;
            case idShading: {
                uint16_t shading = readU16(reader);
                if (wireSeen)
                    break;
                if (shading == 1)
                    material->drawMode = DrawMode::flatLit;
                else if (shading == 2)
                    material->drawMode = DrawMode::gouraud;
                else if (shading == 3)
                    material->drawMode = DrawMode::sphereMapped;
                else if (shading == 4)
                    material->drawMode = DrawMode::texturedLit;
                break;
            }
            case idTextureMap:
                material->drawMode = DrawMode::texturedUnlit;
                seekTo(reader, chunk.end);
                break;
            default: seekTo(reader, chunk.end); break;
            }
        }
        pos = tell(reader);
    }
}

void readLight(ChunkReader& reader, const char* name, uint32_t end)
{
    Vec3 position = readPoint(reader);
    // A light without a colour chunk is black.
    uint8_t red = 0, green = 0, blue = 0;
    bool spot = false;
    Vec3 target = {0, 0, 0};
    float hotspot = 0, falloff = 0;

    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        switch (chunk.id) {
        case idColourFloat:
            red = colourByte(readFloat(reader));
            green = colourByte(readFloat(reader));
            blue = colourByte(readFloat(reader));
            break;
        case idColourBytes:
            red = readU8(reader);
            green = readU8(reader);
            blue = readU8(reader);
            break;
        case idSpotLight:
            // The spot chunk's own sub-chunks follow and are skipped here.
            spot = true;
            target = readPoint(reader);
            hotspot = readFloat(reader);
            falloff = readFloat(reader);
            break;
        default: seekTo(reader, chunk.end); break;
        }
        pos = tell(reader);
    }

    Scene& scene = *reader.scene;
    requireRoom(spot ? scene.spotLightCount : scene.omniLightCount, maxLights);
    int32_t px = truncateToInt(position.x), py = truncateToInt(position.y), pz = truncateToInt(position.z);
    if (spot) {
        addSpotLight(scene, name, px, py, pz, truncateToInt(target.x), truncateToInt(target.y),
            truncateToInt(target.z), red, green, blue, hotspot, falloff);
    } else {
        addOmniLight(scene, name, px, py, pz, red, green, blue, 1000.0f);
    }
}

// Reads the camera's 32 bytes; its sub-chunks are met by the named-object level.
void readCamera(ChunkReader& reader, const char* name)
{
    Vec3 position = readPoint(reader);
    Vec3 target = readPoint(reader);
    readFloat(reader);  // roll
    readFloat(reader);  // lens
    requireRoom(reader.scene->cameraCount, maxCameras);
    addCamera(*reader.scene, name, truncateToInt(position.x), truncateToInt(position.y),
        truncateToInt(position.z), truncateToInt(target.x), truncateToInt(target.y), truncateToInt(target.z));
}
