// The 3DS writer: deliberately damaged chunks, key records and the
// scene-axes helper. Its lengths and nesting are proved by the engine reading
// its models back in every model test.
#include "tools/model3ds/model3ds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using namespace model3ds;

namespace {

// The test machines are little-endian, as .3ds is.
template <typename T>
T at(const std::vector<uint8_t>& bytes, size_t offset)
{
    T value;
    std::memcpy(&value, &bytes[offset], sizeof value);
    return value;
}

}  // namespace

TEST(Model3dsWriter, DamagedChunksKeepTheirBogusLengthAndRawBytes)
{
    Chunk bad = withLength(container(idEditor, {chunk(idMeshVersion, {1, 2, 3, 4})}), 3);
    std::vector<uint8_t> bytes = chunkBytes(container(idMain, {bad, rawBytes({0xAA, 0xBB})}));
    ASSERT_EQ(bytes.size(), 6u + 6u + 10u + 2u);
    EXPECT_EQ(at<uint32_t>(bytes, 2), bytes.size());  // the parent counts the true size
    EXPECT_EQ(at<uint32_t>(bytes, 8), 3u);
    EXPECT_TRUE(bytes[bytes.size() - 2] == 0xAA && bytes[bytes.size() - 1] == 0xBB);
}

TEST(Model3dsWriter, RefusesListsLongerThanTheir16BitCount)
{
    EXPECT_EQ(chunkBytes(vertexListChunk(std::vector<Point>(65535))).size(), 6u + 2u + 65535u * 12);
    EXPECT_THROW(vertexListChunk(std::vector<Point>(65536)), std::length_error);
    EXPECT_THROW(faceListChunk(std::vector<FaceSpec>(65536), {}), std::length_error);
    EXPECT_THROW(faceMaterialChunk({"m", std::vector<uint16_t>(70000)}), std::length_error);
    EXPECT_THROW(mappingChunk(std::vector<Mapping>(65536)), std::length_error);
}

TEST(Model3dsWriter, KeysCarryOneFloatPerSplineFlagInOrder)
{
    // Continuity is not announced, so not written.
    KeySpec key = {40000, splineTension | splineBias | splineEaseFrom | 0x20, 1.5f, 9, 2.5f, 0, 3.5f, {7, 8, 9}};
    std::vector<uint8_t> bytes = chunkBytes(positionTrackChunk(TrackSpec{0x40, {key}}));
    // header 6, flags 2, skipped 8, count 4, frame 4, spline flags 2, 3 + 3 floats
    ASSERT_EQ(bytes.size(), 6u + 2u + 8u + 4u + 4u + 2u + 24u);
    EXPECT_TRUE(bytes[6] == 0x40 && at<uint32_t>(bytes, 16) == 1u && at<uint32_t>(bytes, 20) == 40000u);
    float floats[4] = {at<float>(bytes, 26), at<float>(bytes, 30), at<float>(bytes, 34), at<float>(bytes, 38)};
    EXPECT_TRUE(floats[0] == 1.5f && floats[1] == 2.5f && floats[2] == 3.5f && floats[3] == 7.0f);
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
    EXPECT_TRUE(written.cameras[0].position.y == -3 && written.cameras[0].target.z == -5);
    EXPECT_EQ(written.nodes[0].track->keys[0].position.z, -2);
}
