// The 3DS writer: chunk lengths and layout, key records, the scene-axes helper.
#include "tools/model3ds/model3ds.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace model3ds;

namespace {

uint16_t u16At(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t u32At(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

float floatAt(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t bits = u32At(bytes, at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Walks a chunk sequence from begin to end and checks that every container's
// children fill it exactly; returns the number of chunks seen.
int checkNesting(const std::vector<uint8_t>& bytes, size_t begin, size_t end, int depth) {
    int seen = 0;
    size_t pos = begin;
    while (pos < end) {
        uint16_t id = u16At(bytes, pos);
        uint32_t length = u32At(bytes, pos + 2);
        EXPECT_GE(length, 6u);
        EXPECT_LE(pos + length, end) << "chunk 0x" << std::hex << id << " overruns its parent";
        ++seen;
        // Pure containers: their children start right after the header.
        if (id == idMain || id == idEditor || id == idMaterial || id == idTriangleMesh ||
            id == idKeyframer || id == idCameraNode || id == idDiffuse) {
            seen += checkNesting(bytes, pos + 6, pos + length, depth + 1);
        }
        pos += length;
    }
    EXPECT_EQ(pos, end) << "at depth " << depth;
    return seen;
}

}  // namespace

TEST(Model3dsWriter, LengthsCountHeadersDataAndChildrenAtEveryLevel) {
    ModelSpec model;
    model.materials.push_back({"RED", std::array<uint8_t, 3>{255, 0, 0}, 1, false, true, false, "a.pcx"});
    MeshSpec mesh;
    mesh.name = "box";
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.faces = {{0, 1, 2, 7}};
    mesh.groups = {{"RED", {0}}};
    mesh.mapping = {{0.5f, 0.25f}};
    model.meshes.push_back(mesh);
    model.cameras.push_back({"cam", {1, 2, 3}, {4, 5, 6}, 0, 50});
    model.hasKeyframer = true;
    model.frameEnd = 100;
    KeySpec first, second;
    second.frame = 10;
    model.nodes.push_back({idCameraNode, "cam", -1, TrackSpec{0, {first, second}}});
    std::vector<uint8_t> bytes = modelBytes(model);

    ASSERT_EQ(u16At(bytes, 0), idMain);
    EXPECT_EQ(u32At(bytes, 2), bytes.size());
    EXPECT_GT(checkNesting(bytes, 0, bytes.size(), 0), 10);

    // The camera: a named object whose 0x4700 chunk holds exactly 32 bytes.
    Chunk camera = cameraObjectChunk(model.cameras[0]);
    std::vector<uint8_t> cameraBytes = chunkBytes(camera);
    EXPECT_EQ(u32At(cameraBytes, 2), 6u + 4u + 6u + 32u);
    EXPECT_EQ(u16At(cameraBytes, 10), idCamera);
    EXPECT_EQ(u32At(cameraBytes, 12), 38u);
    EXPECT_EQ(floatAt(cameraBytes, 16 + 4 * 3), 4.0f);

    // Face list: 2 + 8n bytes of records, the groups follow as sub-chunks.
    std::vector<uint8_t> faces = chunkBytes(faceListChunk(mesh.faces, mesh.groups));
    EXPECT_EQ(u32At(faces, 2), faces.size());
    EXPECT_EQ(u16At(faces, 6 + 2 + 6), 7);  // flags of face 0
    EXPECT_EQ(u16At(faces, 6 + 2 + 8), idFaceMaterial);
    EXPECT_EQ(u32At(faces, 6 + 2 + 8 + 2), 6u + 4u + 2u + 2u);
}

TEST(Model3dsWriter, DamagedChunksKeepTheirBogusLengthAndRawBytes) {
    Chunk bad = withLength(container(idEditor, {chunk(idMeshVersion, {1, 2, 3, 4})}), 3);
    Chunk main = container(idMain, {bad, rawBytes({0xAA, 0xBB})});
    std::vector<uint8_t> bytes = chunkBytes(main);
    ASSERT_EQ(bytes.size(), 6u + 6u + 10u + 2u);
    EXPECT_EQ(u32At(bytes, 2), bytes.size());  // the parent counts the true size
    EXPECT_EQ(u32At(bytes, 8), 3u);
    EXPECT_EQ(bytes[bytes.size() - 2], 0xAA);
    EXPECT_EQ(bytes[bytes.size() - 1], 0xBB);
}

TEST(Model3dsWriter, KeysCarryOneFloatPerSplineFlagInOrder) {
    KeySpec key;
    key.frame = 40000;
    key.splineFlags = splineTension | splineBias | splineEaseFrom | 0x20;
    key.tension = 1.5f;
    key.continuity = 9;  // not announced, not written
    key.bias = 2.5f;
    key.easeFrom = 3.5f;
    key.position = {7, 8, 9};
    std::vector<uint8_t> bytes = chunkBytes(positionTrackChunk(TrackSpec{0x40, {key}}));
    // header 6, flags 2, skipped 8, count 4, frame 4, spline flags 2, 3 + 3 floats
    ASSERT_EQ(bytes.size(), 6u + 2u + 8u + 4u + 4u + 2u + 24u);
    EXPECT_EQ(u16At(bytes, 6), 0x40);
    EXPECT_EQ(u32At(bytes, 16), 1u);
    EXPECT_EQ(u32At(bytes, 20), 40000u);
    EXPECT_EQ(floatAt(bytes, 26), 1.5f);
    EXPECT_EQ(floatAt(bytes, 30), 2.5f);
    EXPECT_EQ(floatAt(bytes, 34), 3.5f);
    EXPECT_EQ(floatAt(bytes, 38), 7.0f);
}

TEST(Model3dsWriter, SceneAxesRoundTripAndReverseTheWinding) {
    Point scene{1, 2, 3};
    Point file = fileAxes(scene);
    EXPECT_EQ(file.x, 1);
    EXPECT_EQ(file.y, -3);
    EXPECT_EQ(file.z, -2);
    Point back = fileAxes(file);
    EXPECT_EQ(back.x, 1);
    EXPECT_EQ(back.y, 2);
    EXPECT_EQ(back.z, 3);

    // A face counter-clockwise seen from +Z in scene axes: after the mapping
    // the written face, taken back into scene axes, has its normal on -Z,
    // i.e. it is clockwise seen from the front.
    MeshSpec mesh;
    mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.faces = {{0, 1, 2, 5}};
    ModelSpec model;
    model.meshes = {mesh};
    model.cameras = {{"c", {1, 2, 3}, {4, 5, 6}}};
    model.nodes = {{idCameraNode, "c", -1, TrackSpec{0, {{0, 0, 0, 0, 0, 0, 0, {1, 2, 3}}}}}};
    ModelSpec written = modelFromSceneAxes(model);
    const FaceSpec& face = written.meshes[0].faces[0];
    EXPECT_EQ(face.a, 0);
    EXPECT_EQ(face.b, 2);
    EXPECT_EQ(face.c, 1);
    EXPECT_EQ(face.flags, 5);
    const std::vector<Point>& vertices = written.meshes[0].vertices;
    Point p[3] = {fileAxes(vertices[face.a]), fileAxes(vertices[face.b]), fileAxes(vertices[face.c])};
    float nz = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
    EXPECT_LT(nz, 0);
    EXPECT_EQ(written.cameras[0].position.y, -3);
    EXPECT_EQ(written.cameras[0].target.z, -5);
    EXPECT_EQ(written.nodes[0].track->keys[0].position.z, -2);
}

TEST(Model3dsWriter, LibraryEntriesAreNameNulSizeData) {
    std::vector<uint8_t> bytes = libraryBytes({{"a.3ds", {1, 2}}, {"b", {}}});
    std::vector<uint8_t> expected = {'a', '.', '3', 'd', 's', 0, 2, 0, 0, 0, 1, 2, 'b', 0, 0, 0, 0, 0};
    EXPECT_EQ(bytes, expected);
}
