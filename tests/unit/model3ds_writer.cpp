// The 3DS writer: chunk lengths and nesting, deliberately damaged chunks, key
// records, and the scene-axes helper. Its library entries are read by the
// engine in every model test.
#include "tools/model3ds/model3ds.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace model3ds;

namespace {

uint32_t u32At(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value;
    std::memcpy(&value, &bytes[at], 4);  // the test machines are little-endian, as .3ds is
    return value;
}

float floatAt(const std::vector<uint8_t>& bytes, size_t at)
{
    float value;
    std::memcpy(&value, &bytes[at], 4);
    return value;
}

// Walks a chunk sequence from begin to end and checks that every container's
// children fill it exactly; returns the number of chunks seen.
int checkNesting(const std::vector<uint8_t>& bytes, size_t begin, size_t end)
{
    int seen = 0;
    size_t pos = begin;
    for (; pos < end; seen++) {
        uint16_t id = uint16_t(bytes[pos] | bytes[pos + 1] << 8);
        uint32_t length = u32At(bytes, pos + 2);
        EXPECT_GE(length, 6u);
        EXPECT_LE(pos + length, end) << "chunk 0x" << std::hex << id << " overruns its parent";
        // Pure containers: their children start right after the header.
        for (uint16_t container : {idMain, idEditor, idMaterial, idTriangleMesh, idKeyframer, idCameraNode, idDiffuse})
            seen += id == container ? checkNesting(bytes, pos + 6, pos + length) : 0;
        pos += length;
    }
    EXPECT_EQ(pos, end);
    return seen;
}

}  // namespace

TEST(Model3dsWriter, LengthsCountHeadersDataAndChildrenAtEveryLevel)
{
    ModelSpec model;
    model.materials = {{"RED", std::array<uint8_t, 3>{255, 0, 0}, 1, false, true, false, "a.pcx"}};
    model.meshes = {{"box", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 7}}, {{"RED", {0}}}, {{0.5f, 0.25f}}}};
    model.cameras = {{"cam", {1, 2, 3}, {4, 5, 6}, 0, 50}};
    model.hasKeyframer = true;
    model.frameEnd = 100;
    model.nodes = {{idCameraNode, "cam", -1, TrackSpec{0, {KeySpec{}, KeySpec{10, 0, 0, 0, 0, 0, 0, {}}}}}};
    std::vector<uint8_t> bytes = modelBytes(model);
    EXPECT_EQ(u32At(bytes, 2), bytes.size());
    EXPECT_GT(checkNesting(bytes, 0, bytes.size()), 10);

    // Face list: 2 + 8n bytes of records, the groups follow as sub-chunks.
    std::vector<uint8_t> faces = chunkBytes(faceListChunk(model.meshes[0].faces, model.meshes[0].groups));
    EXPECT_EQ(u32At(faces, 2), faces.size());
    EXPECT_EQ(u32At(faces, 6 + 2 + 8 + 2), 6u + 4u + 2u + 2u);
}

TEST(Model3dsWriter, DamagedChunksKeepTheirBogusLengthAndRawBytes)
{
    Chunk bad = withLength(container(idEditor, {chunk(idMeshVersion, {1, 2, 3, 4})}), 3);
    std::vector<uint8_t> bytes = chunkBytes(container(idMain, {bad, rawBytes({0xAA, 0xBB})}));
    ASSERT_EQ(bytes.size(), 6u + 6u + 10u + 2u);
    EXPECT_EQ(u32At(bytes, 2), bytes.size());  // the parent counts the true size
    EXPECT_EQ(u32At(bytes, 8), 3u);
    EXPECT_TRUE(bytes[bytes.size() - 2] == 0xAA && bytes[bytes.size() - 1] == 0xBB);
}

TEST(Model3dsWriter, KeysCarryOneFloatPerSplineFlagInOrder)
{
    // Continuity is not announced, so not written.
    KeySpec key = {40000, splineTension | splineBias | splineEaseFrom | 0x20, 1.5f, 9, 2.5f, 0, 3.5f, {7, 8, 9}};
    std::vector<uint8_t> bytes = chunkBytes(positionTrackChunk(TrackSpec{0x40, {key}}));
    // header 6, flags 2, skipped 8, count 4, frame 4, spline flags 2, 3 + 3 floats
    ASSERT_EQ(bytes.size(), 6u + 2u + 8u + 4u + 4u + 2u + 24u);
    EXPECT_TRUE(bytes[6] == 0x40 && u32At(bytes, 16) == 1u && u32At(bytes, 20) == 40000u);
    EXPECT_EQ(floatAt(bytes, 26), 1.5f);
    EXPECT_EQ(floatAt(bytes, 30), 2.5f);
    EXPECT_EQ(floatAt(bytes, 34), 3.5f);
    EXPECT_EQ(floatAt(bytes, 38), 7.0f);
}

TEST(Model3dsWriter, SceneAxesRoundTripAndReverseTheWinding)
{
    Point file = fileAxes({1, 2, 3}), back = fileAxes(file);
    EXPECT_TRUE(file.x == 1 && file.y == -3 && file.z == -2);
    EXPECT_TRUE(back.x == 1 && back.y == 2 && back.z == 3);

    // A face counter-clockwise seen from +Z in scene axes, written and taken
    // back into scene axes, has its normal on -Z: clockwise seen from the front.
    ModelSpec model;
    model.meshes = {{"m", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 5}}, {}, {}}};
    model.cameras = {{"c", {1, 2, 3}, {4, 5, 6}}};
    model.nodes = {{idCameraNode, "c", -1, TrackSpec{0, {{0, 0, 0, 0, 0, 0, 0, {1, 2, 3}}}}}};
    ModelSpec written = modelFromSceneAxes(model);
    const FaceSpec& face = written.meshes[0].faces[0];
    EXPECT_TRUE(face.a == 0 && face.b == 2 && face.c == 1 && face.flags == 5);
    const std::vector<Point>& vertices = written.meshes[0].vertices;
    Point p[3] = {fileAxes(vertices[face.a]), fileAxes(vertices[face.b]), fileAxes(vertices[face.c])};
    EXPECT_LT((p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x), 0);
    EXPECT_EQ(written.cameras[0].position.y, -3);
    EXPECT_EQ(written.cameras[0].target.z, -5);
    EXPECT_EQ(written.nodes[0].track->keys[0].position.z, -2);
}
