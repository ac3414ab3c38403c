// model_reader.cpp: loadModel and the levels of a .3ds entry down to the
// triangle mesh: main, editor, named object, triangle mesh and its leaves
// (vertex list, face list, face-material group, mapping coordinates).
#include "scene/chunk_ids.h"
#include "scene/chunk_reader.h"
#include "scene/lists.h"
#include "scene/names.h"

#include "resources/resources.h"

using namespace chunk3ds;

namespace {

// The object under construction sits at index meshObjectCount, not yet counted.
MeshObject& objectUnderConstruction(ChunkReader& reader)
{
    Scene& scene = *reader.scene;
    return *scene.meshObjects[scene.meshObjectCount];
}

// A list's 16-bit record count, checked against the chunk and the file
// before anything is allocated for it.
uint16_t readCount(ChunkReader& reader, uint32_t end, uint64_t recordSize)
{
    uint16_t count = readU16(reader);
    requireData(reader, end, count * recordSize);
    return count;
}

void readVertexList(ChunkReader& reader, uint32_t end)
{
    MeshObject& object = objectUnderConstruction(reader);
    replaceArray(object.vertices, object.vertexCount, readCount(reader, end, 12));
    for (int32_t i = 0; i < object.vertexCount; i++)
        object.vertices[i].position = readPoint(reader);
}

// The face list's sub-chunks (face-material groups among them) follow its
// records and are met by the triangle-mesh level.
void readFaceList(ChunkReader& reader, uint32_t end)
{
    MeshObject& object = objectUnderConstruction(reader);
    replaceArray(object.faces, object.faceCount, readCount(reader, end, 8));
    for (int32_t i = 0; i < object.faceCount; i++) {
        Face& face = object.faces[i];
        for (int32_t& index : face.indices)
            index = readU16(reader);
        face.flags = readU16(reader);
    }
}

// A group met before its object's face list has no faces to name: its
// indices are read and dropped.
void readFaceMaterialGroup(ChunkReader& reader, uint32_t end)
{
    MeshObject& object = objectUnderConstruction(reader);
    char name[recordNameSize];
    readName(reader, name);
    uint16_t count = readCount(reader, end, 2);
    for (int32_t i = 0; i < count; i++) {
        uint16_t index = readU16(reader);
        if (!object.faces)
            continue;
        if (index >= object.faceCount)
            engineError(errorDamaged3ds);
        copyName(object.faces[index].materialName, sizeof object.faces[index].materialName, name);
    }
}

// Pairs beyond the object's vertices (all of them, before its vertex list)
// are read and dropped.
void readMappingCoordinates(ChunkReader& reader, uint32_t end)
{
    MeshObject& object = objectUnderConstruction(reader);
    uint16_t count = readCount(reader, end, 8);
    for (int32_t i = 0; i < count; i++) {
        float u = readFloat(reader);
        float v = readFloat(reader);
        if (i >= object.vertexCount)
            continue;
        // The fraction within one texture repeat, in steps of 1/256.
        object.vertices[i].u = uint8_t(truncateToInt(u * 256.0f));
        object.vertices[i].v = uint8_t(truncateToInt(v * 256.0f));
    }
}

// Every corner must name one of the object's vertices, whichever order the
// vertex and face lists came in.
void checkFaceIndices(const MeshObject& object)
{
    for (int32_t i = 0; i < object.faceCount; i++) {
        for (int32_t index : object.faces[i].indices) {
            if (index >= object.vertexCount)
                engineError(errorDamaged3ds);
        }
    }
}

void readTriangleMesh(ChunkReader& reader, const char* name, uint32_t end)
{
    Scene& scene = *reader.scene;
    requireRoom(scene.meshObjectCount, maxMeshObjects);
    scene.meshObjects = growList(scene.meshObjects, scene.meshObjectCount);
    scene.meshObjects[scene.meshObjectCount] = createMeshObject();
    MeshObject& object = *scene.meshObjects[scene.meshObjectCount];

    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        switch (chunk.id) {
        case idVertexList: readVertexList(reader, chunk.end); break;
        case idFaceList: readFaceList(reader, chunk.end); break;
        case idFaceMaterial: readFaceMaterialGroup(reader, chunk.end); break;
        case idMapping: readMappingCoordinates(reader, chunk.end); break;
        default: seekTo(reader, chunk.end); break;
        }
        pos = tell(reader);
    }

    checkFaceIndices(object);
    copyName(object.name, sizeof object.name, name);
    scene.meshObjectCount++;
}

// The object's name precedes its children and goes to every mesh, light or
// camera found inside.
void readNamedObject(ChunkReader& reader, uint32_t end)
{
    char name[recordNameSize];
    readName(reader, name);
    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        switch (chunk.id) {
        case idTriangleMesh: readTriangleMesh(reader, name, chunk.end); break;
        case idLight: readLight(reader, name, chunk.end); break;
        case idCamera: readCamera(reader, name); break;
        default: seekTo(reader, chunk.end); break;
        }
        pos = tell(reader);
    }
}

void readMain(ChunkReader& reader, uint32_t end)
{
    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        switch (chunk.id) {
        case idEditor: readEditor(reader, chunk.end); break;
        case idKeyframer: readKeyframer(reader, chunk.end); break;
        default: seekTo(reader, chunk.end); break;
        }
        pos = tell(reader);
    }
}

}  // namespace

void readEditor(ChunkReader& reader, uint32_t end)
{
    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        switch (chunk.id) {
        case idMeshVersion: readU32(reader); break;
        case idNamedObject: readNamedObject(reader, chunk.end); break;
        case idMaterial: readMaterial(reader, chunk.end); break;
        default: seekTo(reader, chunk.end); break;
        }
        pos = tell(reader);
    }
}

void loadModel(Scene& scene, const char* entryName, ResourceLibrary& library)
{
    findEntry(library, entryName);

    ChunkReader reader;
    reader.scene = &scene;
    attachStream(reader, library.stream);

    uint32_t start = tell(reader);
    uint16_t id = readU16(reader);
    uint32_t length = readU32(reader);
    if (id != idMain)
        engineError(errorNot3ds);
    readMain(reader, chunkEnd(start, length));

    prepareMeshes(scene);
}
