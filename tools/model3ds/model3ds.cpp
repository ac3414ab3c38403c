// model3ds.cpp: the 3DS writer: chunk trees to bytes, model records to chunks.
#include "tools/model3ds/model3ds.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace model3ds {

// ---------------------------------------------------------------------------
// Chunks and bytes

Chunk chunk(uint16_t id, std::vector<uint8_t> data, std::vector<Chunk> children)
{
    Chunk result;
    result.id = id;
    result.data = std::move(data);
    result.children = std::move(children);
    return result;
}

Chunk container(uint16_t id, std::vector<Chunk> children)
{
    return chunk(id, {}, std::move(children));
}

Chunk rawBytes(std::vector<uint8_t> bytes)
{
    Chunk result;
    result.data = std::move(bytes);
    result.raw = true;
    return result;
}

Chunk withLength(Chunk chunk, uint32_t length)
{
    chunk.lengthOverride = length;
    return chunk;
}

void putU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
}

void putI32(std::vector<uint8_t>& out, int32_t value)
{
    putU32(out, static_cast<uint32_t>(value));
}

void putFloat(std::vector<uint8_t>& out, float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(out, bits);
}

void putName(std::vector<uint8_t>& out, const std::string& name)
{
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
}

static void putPoint(std::vector<uint8_t>& out, Point point)
{
    putFloat(out, point.x);
    putFloat(out, point.y);
    putFloat(out, point.z);
}

uint32_t chunkLength(const Chunk& chunk)
{
    if (chunk.raw) {
        return static_cast<uint32_t>(chunk.data.size());
    }
    uint32_t length = 6 + static_cast<uint32_t>(chunk.data.size());
    for (const Chunk& child : chunk.children) {
        length += chunkLength(child);
    }
    return length;
}

void writeChunk(std::vector<uint8_t>& out, const Chunk& chunk)
{
    if (chunk.raw) {
        out.insert(out.end(), chunk.data.begin(), chunk.data.end());
        return;
    }
    putU16(out, chunk.id);
    putU32(out, chunk.lengthOverride ? *chunk.lengthOverride : chunkLength(chunk));
    out.insert(out.end(), chunk.data.begin(), chunk.data.end());
    for (const Chunk& child : chunk.children) {
        writeChunk(out, child);
    }
}

std::vector<uint8_t> chunkBytes(const Chunk& chunk)
{
    std::vector<uint8_t> out;
    writeChunk(out, chunk);
    return out;
}

bool writeBytesToFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed;
}

// ---------------------------------------------------------------------------
// Materials

Chunk materialNameChunk(const std::string& name)
{
    std::vector<uint8_t> data;
    putName(data, name);
    return chunk(idMaterialName, data);
}

Chunk colourBytesChunk(uint8_t r, uint8_t g, uint8_t b)
{
    return chunk(idColourBytes, {r, g, b});
}

Chunk colourFloatChunk(float r, float g, float b)
{
    std::vector<uint8_t> data;
    putFloat(data, r);
    putFloat(data, g);
    putFloat(data, b);
    return chunk(idColourFloat, data);
}

Chunk diffuseChunk(uint8_t r, uint8_t g, uint8_t b)
{
    return container(idDiffuse, {colourBytesChunk(r, g, b)});
}

Chunk shadingChunk(uint16_t value)
{
    std::vector<uint8_t> data;
    putU16(data, value);
    return chunk(idShading, data);
}

Chunk flagChunk(uint16_t id)
{
    return chunk(id);
}

Chunk textureMapChunk(const std::string& fileName)
{
    std::vector<uint8_t> name;
    putName(name, fileName);
    return container(idTextureMap, {chunk(idMapFileName, name)});
}

Chunk materialChunk(const MaterialSpec& material)
{
    std::vector<Chunk> children;
    children.push_back(materialNameChunk(material.name));
    if (material.diffuse) {
        const std::array<uint8_t, 3>& c = *material.diffuse;
        children.push_back(diffuseChunk(c[0], c[1], c[2]));
    }
    if (material.shading) {
        children.push_back(shadingChunk(*material.shading));
    }
    if (material.wire) {
        children.push_back(flagChunk(idWire));
    }
    if (material.twoSided) {
        children.push_back(flagChunk(idTwoSided));
    }
    if (material.additive) {
        children.push_back(flagChunk(idAdditive));
    }
    if (!material.textureFile.empty()) {
        children.push_back(textureMapChunk(material.textureFile));
    }
    return container(idMaterial, children);
}

// ---------------------------------------------------------------------------
// Meshes

// The 16-bit count of a list; a longer list cannot be written as one, and is
// refused rather than written with a count that wraps.
static uint16_t listCount(size_t size, const char* what)
{
    if (size > 0xFFFF)
        throw std::length_error(
            "a .3ds " + std::string(what) + " holds at most 65535 entries, not " + std::to_string(size));
    return static_cast<uint16_t>(size);
}

Chunk vertexListChunk(const std::vector<Point>& vertices)
{
    std::vector<uint8_t> data;
    putU16(data, listCount(vertices.size(), "vertex list"));
    for (const Point& vertex : vertices) {
        putPoint(data, vertex);
    }
    return chunk(idVertexList, data);
}

Chunk faceMaterialChunk(const FaceGroup& group)
{
    std::vector<uint8_t> data;
    putName(data, group.material);
    putU16(data, listCount(group.faces.size(), "face-material group"));
    for (uint16_t face : group.faces) {
        putU16(data, face);
    }
    return chunk(idFaceMaterial, data);
}

Chunk faceListChunk(const std::vector<FaceSpec>& faces, const std::vector<FaceGroup>& groups)
{
    std::vector<uint8_t> data;
    putU16(data, listCount(faces.size(), "face list"));
    for (const FaceSpec& face : faces) {
        putU16(data, face.a);
        putU16(data, face.b);
        putU16(data, face.c);
        putU16(data, face.flags);
    }
    std::vector<Chunk> children;
    for (const FaceGroup& group : groups) {
        children.push_back(faceMaterialChunk(group));
    }
    return chunk(idFaceList, data, children);
}

Chunk mappingChunk(const std::vector<Mapping>& mapping)
{
    std::vector<uint8_t> data;
    putU16(data, listCount(mapping.size(), "mapping list"));
    for (const Mapping& pair : mapping) {
        putFloat(data, pair.u);
        putFloat(data, pair.v);
    }
    return chunk(idMapping, data);
}

Chunk localAxesChunk()
{
    static const float axes[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    std::vector<uint8_t> data;
    for (float value : axes) {
        putFloat(data, value);
    }
    return chunk(idLocalAxes, data);
}

Chunk triangleMeshChunk(const MeshSpec& mesh)
{
    std::vector<Chunk> children;
    if (mesh.hasVertexList) {
        children.push_back(vertexListChunk(mesh.vertices));
    }
    if (!mesh.mapping.empty()) {
        children.push_back(mappingChunk(mesh.mapping));
    }
    if (mesh.hasLocalAxes) {
        children.push_back(localAxesChunk());
    }
    if (mesh.hasFaceList) {
        children.push_back(faceListChunk(mesh.faces, mesh.groups));
    }
    return container(idTriangleMesh, children);
}

Chunk namedObjectChunk(const std::string& name, std::vector<Chunk> children)
{
    std::vector<uint8_t> data;
    putName(data, name);
    return chunk(idNamedObject, data, std::move(children));
}

Chunk meshObjectChunk(const MeshSpec& mesh)
{
    return namedObjectChunk(mesh.name, {triangleMeshChunk(mesh)});
}

// ---------------------------------------------------------------------------
// Lights and cameras

Chunk lightChunk(const LightSpec& light)
{
    std::vector<uint8_t> data;
    putPoint(data, light.position);
    std::vector<Chunk> children;
    if (light.floatColour) {
        const std::array<float, 3>& c = *light.floatColour;
        children.push_back(colourFloatChunk(c[0], c[1], c[2]));
    }
    if (light.byteColour) {
        const std::array<uint8_t, 3>& c = *light.byteColour;
        children.push_back(colourBytesChunk(c[0], c[1], c[2]));
    }
    if (light.spot) {
        std::vector<uint8_t> spot;
        putPoint(spot, light.target);
        putFloat(spot, light.hotspot);
        putFloat(spot, light.falloff);
        children.push_back(chunk(idSpotLight, spot));
    }
    return chunk(idLight, data, children);
}

Chunk lightObjectChunk(const LightSpec& light)
{
    return namedObjectChunk(light.name, {lightChunk(light)});
}

Chunk cameraChunk(const CameraSpec& camera)
{
    std::vector<uint8_t> data;
    putPoint(data, camera.position);
    putPoint(data, camera.target);
    putFloat(data, camera.roll);
    putFloat(data, camera.lens);
    return chunk(idCamera, data);
}

Chunk cameraObjectChunk(const CameraSpec& camera)
{
    return namedObjectChunk(camera.name, {cameraChunk(camera)});
}

// ---------------------------------------------------------------------------
// Keyframer

Chunk frameRangeChunk(int32_t start, int32_t end)
{
    std::vector<uint8_t> data;
    putI32(data, start);
    putI32(data, end);
    return chunk(idFrameRange, data);
}

Chunk nodeHeaderChunk(const std::string& name, int16_t parent)
{
    std::vector<uint8_t> data;
    putName(data, name);
    putU16(data, 0);  // flags 1
    putU16(data, 0);  // flags 2
    putU16(data, static_cast<uint16_t>(parent));
    return chunk(idNodeHeader, data);
}

Chunk positionTrackChunk(const TrackSpec& track)
{
    std::vector<uint8_t> data;
    putU16(data, track.flags);
    putU32(data, 0);
    putU32(data, 0);
    putU32(data, static_cast<uint32_t>(track.keys.size()));
    for (const KeySpec& key : track.keys) {
        putI32(data, key.frame);
        putU16(data, key.splineFlags);
        if (key.splineFlags & splineTension)
            putFloat(data, key.tension);
        if (key.splineFlags & splineContinuity)
            putFloat(data, key.continuity);
        if (key.splineFlags & splineBias)
            putFloat(data, key.bias);
        if (key.splineFlags & splineEaseTo)
            putFloat(data, key.easeTo);
        if (key.splineFlags & splineEaseFrom)
            putFloat(data, key.easeFrom);
        putPoint(data, key.position);
    }
    return chunk(idPositionTrack, data);
}

Chunk nodeChunk(const NodeSpec& node)
{
    std::vector<Chunk> children;
    children.push_back(nodeHeaderChunk(node.name, node.parent));
    if (node.track) {
        children.push_back(positionTrackChunk(*node.track));
    }
    return container(node.kind, children);
}

Chunk keyframerChunk(int32_t start, int32_t end, const std::vector<NodeSpec>& nodes)
{
    std::vector<Chunk> children;
    children.push_back(frameRangeChunk(start, end));
    for (const NodeSpec& node : nodes) {
        children.push_back(nodeChunk(node));
    }
    return container(idKeyframer, children);
}

// ---------------------------------------------------------------------------
// Whole models

Chunk modelChunk(const ModelSpec& model)
{
    std::vector<uint8_t> version;
    putU32(version, 3);
    std::vector<Chunk> editor;
    editor.push_back(chunk(idMeshVersion, version));
    for (const MaterialSpec& material : model.materials) {
        editor.push_back(materialChunk(material));
    }
    for (const MeshSpec& mesh : model.meshes) {
        editor.push_back(meshObjectChunk(mesh));
    }
    for (const LightSpec& light : model.lights) {
        editor.push_back(lightObjectChunk(light));
    }
    for (const CameraSpec& camera : model.cameras) {
        editor.push_back(cameraObjectChunk(camera));
    }
    std::vector<Chunk> main;
    main.push_back(chunk(idFileVersion, version));
    main.push_back(container(idEditor, editor));
    if (model.hasKeyframer) {
        main.push_back(keyframerChunk(model.frameStart, model.frameEnd, model.nodes));
    }
    return container(idMain, main);
}

std::vector<uint8_t> modelBytes(const ModelSpec& model)
{
    return chunkBytes(modelChunk(model));
}

// ---------------------------------------------------------------------------
// Scene axes

Point fileAxes(Point point)
{
    return Point{point.x, -point.z, -point.y};
}

MeshSpec meshFromSceneAxes(MeshSpec mesh)
{
    for (Point& vertex : mesh.vertices) {
        vertex = fileAxes(vertex);
    }
    for (FaceSpec& face : mesh.faces) {
        std::swap(face.b, face.c);
    }
    return mesh;
}

ModelSpec modelFromSceneAxes(ModelSpec model)
{
    for (MeshSpec& mesh : model.meshes) {
        mesh = meshFromSceneAxes(mesh);
    }
    for (LightSpec& light : model.lights) {
        light.position = fileAxes(light.position);
        light.target = fileAxes(light.target);
    }
    for (CameraSpec& camera : model.cameras) {
        camera.position = fileAxes(camera.position);
        camera.target = fileAxes(camera.target);
    }
    for (NodeSpec& node : model.nodes) {
        if (node.track) {
            for (KeySpec& key : node.track->keys) {
                key.position = fileAxes(key.position);
            }
        }
    }
    return model;
}

// ---------------------------------------------------------------------------
// Resource library

std::vector<uint8_t> libraryBytes(const std::vector<LibraryEntry>& entries)
{
    std::vector<uint8_t> out;
    for (const LibraryEntry& entry : entries) {
        putName(out, entry.name);
        putU32(out, static_cast<uint32_t>(entry.data.size()));
        out.insert(out.end(), entry.data.begin(), entry.data.end());
    }
    return out;
}

}  // namespace model3ds
