// model3ds.h: builds 3D Studio (.3ds) models in memory and writes them.
//
// A model is a tree of chunks. Each chunk is written as a 2-byte id, a 4-byte
// length (the 6 header bytes, the chunk's own data and all its children) and
// then its data followed by its children; everything is little-endian.
//
// Two ways to build one:
//  - Records (ModelSpec with MaterialSpec, MeshSpec, LightSpec, CameraSpec,
//    NodeSpec) turned into a whole file by modelChunk / modelBytes.
//  - Single chunks from the builders below, put together by hand into Chunk
//    trees: for unusual orders, and for damaged files (a chunk with a bogus
//    length, raw bytes anywhere in the tree).
//
// Axes. The records hold FILE axes, as a .3ds file stores them. The engine
// maps a file point (x, y, z) to the scene point (x, -z, -y). To author in
// scene axes, fill the records with scene points and pass the model through
// modelFromSceneAxes (or a mesh through meshFromSceneAxes): it maps every
// point with the same mapping (it is its own inverse) and, because the
// mapping is a reflection, reverses the winding of every face. Faces are then
// authored the usual way: counter-clockwise seen from their front side in
// scene axes (the front is where (b - a) x (c - a) points). After loading,
// such a face is clockwise seen from the front, which is front-facing under
// the engine's clockwise rule.
//
// Lists with a 16-bit count (vertices, faces, face-material groups, mapping
// pairs) of more than 65535 entries cannot be written: the builders throw
// std::length_error saying which list.
//
// Resource libraries: libraryBytes packs named entries into the library
// format (name, NUL, 32-bit little-endian size, data).
#pragma once

#include "scene/chunk_ids.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace model3ds {

// ---------------------------------------------------------------------------
// Chunk ids

// The ids are the engine's own, so that writer and readers agree.
using namespace chunk3ds;

// Spline flags of a track key: which optional floats follow the flags.
enum SplineFlag : uint16_t {
    splineTension = 0x01,
    splineContinuity = 0x02,
    splineBias = 0x04,
    splineEaseTo = 0x08,
    splineEaseFrom = 0x10,
};

// ---------------------------------------------------------------------------
// Chunks and bytes

struct Chunk {
    uint16_t id = 0;
    std::vector<uint8_t> data;  // the chunk's own data, written before the children
    std::vector<Chunk> children;
    // Damaged files: when set, written as the length instead of the true one.
    std::optional<uint32_t> lengthOverride;
    // raw: only `data` is written, no header and no children.
    bool raw = false;
};

Chunk chunk(uint16_t id, std::vector<uint8_t> data = {}, std::vector<Chunk> children = {});
Chunk container(uint16_t id, std::vector<Chunk> children);
Chunk rawBytes(std::vector<uint8_t> bytes);
// A chunk whose header claims `length` whatever its contents are.
Chunk withLength(Chunk chunk, uint32_t length);

// Appenders, little-endian.
void putU16(std::vector<uint8_t>& out, uint16_t value);
void putU32(std::vector<uint8_t>& out, uint32_t value);
void putI32(std::vector<uint8_t>& out, int32_t value);
void putFloat(std::vector<uint8_t>& out, float value);
// The name's bytes and a NUL (a name of 16 or more characters is written whole).
void putName(std::vector<uint8_t>& out, const std::string& name);

// The true length of a chunk: 6 + data + children (0 extra for raw bytes).
uint32_t chunkLength(const Chunk& chunk);
// Appends the chunk (header with its length or lengthOverride, data, children).
void writeChunk(std::vector<uint8_t>& out, const Chunk& chunk);
std::vector<uint8_t> chunkBytes(const Chunk& chunk);
// Writes bytes to a file; false when it cannot be written.
bool writeBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes);

// ---------------------------------------------------------------------------
// Records of a model (file axes unless passed through the scene-axes helpers)

struct Point {
    float x = 0, y = 0, z = 0;
};

struct MaterialSpec {
    std::string name;
    std::optional<std::array<uint8_t, 3>> diffuse;  // 0xA020 with a byte colour
    std::optional<uint16_t> shading;                // 0xA100 value (1 flat .. 4 metal)
    bool wire = false;                              // 0xA085, written after the shading
    bool twoSided = false;                          // 0xA081
    bool additive = false;                          // 0xA083, written after the shading
    std::string textureFile;                        // non-empty: 0xA200 with 0xA300, last
};

struct FaceSpec {
    uint16_t a = 0, b = 0, c = 0;
    uint16_t flags = 0;
};

struct FaceGroup {
    std::string material;
    std::vector<uint16_t> faces;  // face indices
};

struct Mapping {
    float u = 0, v = 0;
};

struct MeshSpec {
    std::string name;
    std::vector<Point> vertices;
    std::vector<FaceSpec> faces;
    std::vector<FaceGroup> groups;  // written as sub-chunks of the face list
    std::vector<Mapping> mapping;   // empty: no mapping chunk
    bool hasVertexList = true;      // false: no 0x4110 at all
    bool hasFaceList = true;        // false: no 0x4120 at all (nor groups)
    bool hasLocalAxes = true;       // 0x4160: identity axes, origin (0, 0, 0)
};

struct LightSpec {
    std::string name;
    Point position;
    std::optional<std::array<float, 3>> floatColour;   // 0x0010, 0.0 to 1.0
    std::optional<std::array<uint8_t, 3>> byteColour;  // 0x0011, after the float one
    bool spot = false;                                 // 0x4610
    Point target;                                      // spot only
    float hotspot = 0, falloff = 0;                    // spot only
};

struct CameraSpec {
    std::string name;
    Point position;
    Point target;
    float roll = 0;
    float lens = 50;
};

struct KeySpec {
    int32_t frame = 0;
    uint16_t splineFlags = 0;  // SplineFlag bits; a float follows for each set bit
    float tension = 0, continuity = 0, bias = 0, easeTo = 0, easeFrom = 0;
    Point position;
};

struct TrackSpec {
    uint16_t flags = 0;
    std::vector<KeySpec> keys;
};

struct NodeSpec {
    uint16_t kind = idCameraNode;  // idObjectNode, idCameraNode or idTargetNode
    std::string name;              // the camera's name for camera and target nodes
    int16_t parent = -1;
    std::optional<TrackSpec> track;  // written after the node header
};

struct ModelSpec {
    std::vector<MaterialSpec> materials;
    std::vector<MeshSpec> meshes;
    std::vector<LightSpec> lights;
    std::vector<CameraSpec> cameras;
    bool hasKeyframer = false;
    int32_t frameStart = 0, frameEnd = 0;  // 0xB008
    std::vector<NodeSpec> nodes;
};

// ---------------------------------------------------------------------------
// Builders

Chunk materialNameChunk(const std::string& name);
Chunk diffuseChunk(uint8_t r, uint8_t g, uint8_t b);
Chunk shadingChunk(uint16_t value);
Chunk flagChunk(uint16_t id);  // 0xA081, 0xA083, 0xA085: no data
Chunk textureMapChunk(const std::string& fileName);
Chunk materialChunk(const MaterialSpec& material);

Chunk vertexListChunk(const std::vector<Point>& vertices);
// The face records, then one face-material group sub-chunk per group.
Chunk faceListChunk(const std::vector<FaceSpec>& faces, const std::vector<FaceGroup>& groups);
Chunk faceMaterialChunk(const FaceGroup& group);
Chunk mappingChunk(const std::vector<Mapping>& mapping);
Chunk localAxesChunk();
Chunk triangleMeshChunk(const MeshSpec& mesh);
// A named object: the name, then the given children.
Chunk namedObjectChunk(const std::string& name, std::vector<Chunk> children);
Chunk meshObjectChunk(const MeshSpec& mesh);

Chunk colourFloatChunk(float r, float g, float b);
Chunk colourBytesChunk(uint8_t r, uint8_t g, uint8_t b);
Chunk lightChunk(const LightSpec& light);  // the 0x4600 chunk alone
Chunk lightObjectChunk(const LightSpec& light);
Chunk cameraChunk(const CameraSpec& camera);  // the 0x4700 chunk alone, 32 bytes of data
Chunk cameraObjectChunk(const CameraSpec& camera);

Chunk frameRangeChunk(int32_t start, int32_t end);
Chunk nodeHeaderChunk(const std::string& name, int16_t parent = -1);
Chunk positionTrackChunk(const TrackSpec& track);
Chunk nodeChunk(const NodeSpec& node);
Chunk keyframerChunk(int32_t start, int32_t end, const std::vector<NodeSpec>& nodes);

// main { file version, editor { mesh version, materials, meshes, lights,
// cameras }, keyframer when hasKeyframer }
Chunk modelChunk(const ModelSpec& model);
std::vector<uint8_t> modelBytes(const ModelSpec& model);

// ---------------------------------------------------------------------------
// Scene axes

// Scene point (X, Y, Z) to file point (X, -Z, -Y); also file to scene.
Point fileAxes(Point point);
// Maps every vertex and reverses every face (a, b, c) to (a, c, b).
MeshSpec meshFromSceneAxes(MeshSpec mesh);
// Maps every point of the model: vertices (with the winding), light
// positions and spot targets, camera positions and targets, track keys.
ModelSpec modelFromSceneAxes(ModelSpec model);

// ---------------------------------------------------------------------------
// Resource library

struct LibraryEntry {
    std::string name;
    std::vector<uint8_t> data;
};

std::vector<uint8_t> libraryBytes(const std::vector<LibraryEntry>& entries);

}  // namespace model3ds
