// The 3DS writer: its 16-bit counts and the scene-axes helper. Its lengths,
// nesting, damaged chunks and key records are proved by the engine reading
// its models back in every model test.
#include "tools/model3ds/model3ds.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace model3ds;

TEST(Model3dsWriter, RefusesListsLongerThanTheir16BitCount)
{
    EXPECT_EQ(chunkBytes(vertexListChunk(std::vector<Point>(65535))).size(), 6u + 2u + 65535u * 12);
    EXPECT_THROW(vertexListChunk(std::vector<Point>(65536)), std::length_error);
    EXPECT_THROW(faceListChunk(std::vector<FaceSpec>(65536), {}), std::length_error);
    EXPECT_THROW(faceMaterialChunk({"m", std::vector<uint16_t>(70000)}), std::length_error);
    EXPECT_THROW(mappingChunk(std::vector<Mapping>(65536)), std::length_error);
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
