// Mesh preparation: normals and the binding of faces to materials (the
// centres are checked on loaded models).
#include "support.h"

#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A MeshObject owned by the test (released with destroyMeshObject).
MeshObject* makeMesh(const std::vector<Vec3>& positions, const std::vector<std::vector<int>>& faces)
{
    MeshObject* object = createMeshObject();
    object->vertexCount = int32_t(positions.size());
    object->vertices = positions.empty() ? nullptr : new Vertex[positions.size()];
    for (size_t i = 0; i < positions.size(); i++)
        object->vertices[i].position = positions[i];
    object->faceCount = int32_t(faces.size());
    object->faces = faces.empty() ? nullptr : new Face[faces.size()];
    for (size_t i = 0; i < faces.size(); i++)
        std::copy(faces[i].begin(), faces[i].end(), object->faces[i].indices);
    resolveCorners(*object);
    return object;
}

void expectVec(const Vec3& v, float x, float y, float z)
{
    EXPECT_TRUE(std::fabs(v.x - x) < 1e-4f && std::fabs(v.y - y) < 1e-4f && std::fabs(v.z - z) < 1e-4f)
        << v.x << " " << v.y << " " << v.z;
}

}  // namespace

TEST(MeshPrep, NormalsAreUnitAveragedFollowMovedVerticesAndZeroWhenDegenerate)
{
    // Two faces meeting at a right angle along the edge from vertex 0 to 1.
    MeshObject* object = makeMesh({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 2, 1}, {0, 1, 3}});
    computeNormals(*object);
    expectVec(object->faces[0].normal, 0, 0, 1);
    expectVec(object->faces[1].normal, 1, 0, 0);
    expectVec(object->vertices[0].normal, 0.70711f, 0, 0.70711f);
    expectVec(object->vertices[2].normal, 0, 0, 1);
    // Vertices moved, as a deformation does every frame: the normals are
    // those of the new shape alone, nothing of the old one left in them.
    object->vertices[3].position = {0, 0, -1};  // face 1 turns to -x
    computeNormals(*object);
    expectVec(object->faces[1].normal, -1, 0, 0);
    expectVec(object->vertices[0].normal, -0.70711f, 0, 0.70711f);
    expectVec(object->vertices[3].normal, -1, 0, 0);
    destroyMeshObject(object);

    // A face of zero area, and a vertex that no face uses: zeroes, not NaN.
    object = makeMesh({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {5, 5, 5}}, {{0, 1, 2}});
    computeNormals(*object);
    expectVec(object->faces[0].normal, 0, 0, 0);
    for (int i = 0; i < 4; i++)
        expectVec(object->vertices[i].normal, 0, 0, 0);
    destroyMeshObject(object);
}

TEST(MeshPrep, FacesReferToTheLastMaterialOfTheirName)
{
    Scene* scene = createScene();
    for (const char* name : {"RED FLAT", "BLUE", "RED FLAT"})
        addMaterial(*scene, name);
    MeshObject* object = makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 1, 2}, {0, 1, 2}});
    const char* names[3] = {"RED FLAT", "red flat", "BLUE"};
    for (int i = 0; i < 3; i++)
        std::strcpy(object->faces[i].materialName, names[i]);
    prepareMesh(*scene, *object);
    EXPECT_EQ(object->faces[0].material, scene->materials[2]);
    EXPECT_EQ(object->faces[1].material, nullptr);
    EXPECT_EQ(object->faces[2].material, scene->materials[1]);
    EXPECT_EQ(object->faces[2].corners[1], &object->vertices[1]);
    destroyMeshObject(object);
    destroyScene(scene);
}
