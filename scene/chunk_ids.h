// chunk_ids.h: the ids of the .3ds chunks that the model readers act on and
// the model writer builds, in one place for both.
#pragma once

#include <cstdint>

namespace chunk3ds {

enum ChunkId : uint16_t {
    idMain = 0x4D4D,
    idFileVersion = 0x0002,
    idColourFloat = 0x0010,  // three floats r, g, b
    idColourBytes = 0x0011,  // three bytes r, g, b
    idEditor = 0x3D3D,
    idMeshVersion = 0x3D3E,
    idNamedObject = 0x4000,
    idTriangleMesh = 0x4100,
    idVertexList = 0x4110,
    idFaceList = 0x4120,
    idFaceMaterial = 0x4130,
    idMapping = 0x4140,
    idLocalAxes = 0x4160,
    idLight = 0x4600,
    idSpotLight = 0x4610,
    idCamera = 0x4700,
    idMaterial = 0xAFFF,
    idMaterialName = 0xA000,
    idDiffuse = 0xA020,
    idTwoSided = 0xA081,
    idAdditive = 0xA083,
    idWire = 0xA085,
    idShading = 0xA100,
    idTextureMap = 0xA200,
    idMapFileName = 0xA300,
    idKeyframer = 0xB000,
    idObjectNode = 0xB002,
    idCameraNode = 0xB003,
    idTargetNode = 0xB004,
    idFrameRange = 0xB008,
    idNodeHeader = 0xB010,
    idPositionTrack = 0xB020,
};

}  // namespace chunk3ds
