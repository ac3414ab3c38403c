// mesh_prep.cpp: what the renderer needs beyond the file's data: corner
// references, unit face and vertex normals, the centre, the face materials.
#include "scene/name_index.h"
#include "scene/scene.h"

#include <cmath>
#include <string>
#include <unordered_map>

namespace {

// For each material name, the last Material of the Scene's list that has it.
using MaterialsByName = std::unordered_map<std::string, Material*>;

MaterialsByName materialsByName(const Scene& scene)
{
    MaterialsByName byName;
    for (int32_t m = 0; m < scene.materialCount; m++) {
        Material* material = scene.materials[m];
        byName[nameText(material->name, sizeof material->name)] = material;
    }
    return byName;
}

// A face whose name no Material has keeps the material it had. Looking the
// names up keeps the binding's cost to the faces, whatever the number of
// materials.
void assignFrom(const MaterialsByName& byName, MeshObject& object)
{
    for (int32_t i = 0; i < object.faceCount; i++) {
        Face& face = object.faces[i];
        auto found = byName.find(nameText(face.materialName, sizeof face.materialName));
        if (found != byName.end())
            face.material = found->second;
    }
}

void prepareWith(const MaterialsByName& byName, MeshObject& object)
{
    resolveCorners(object);
    computeNormals(object);
    computeCentre(object);
    assignFrom(byName, object);
}

// Scales v to unit length; a zero-length vector becomes (0, 0, 0).
Vec3 unitOrZero(Vec3 v)
{
    float lengthSquared = v.x * v.x + v.y * v.y + v.z * v.z;
    if (!(lengthSquared > 0.0f))
        return {0, 0, 0};
    float r = 1.0f / std::sqrt(lengthSquared);
    return {v.x * r, v.y * r, v.z * r};
}

}  // namespace

void prepareMesh(Scene& scene, MeshObject& object)
{
    prepareWith(materialsByName(scene), object);
}

void prepareMeshes(Scene& scene)
{
    MaterialsByName byName = materialsByName(scene);
    for (int32_t i = 0; i < scene.meshObjectCount; i++)
        prepareWith(byName, *scene.meshObjects[i]);
}

void resolveCorners(MeshObject& object)
{
    // The loader has refused faces whose indices lie outside the vertices.
    for (int32_t i = 0; i < object.faceCount; i++) {
        Face& face = object.faces[i];
        for (int k = 0; k < 3; k++)
            face.corners[k] = &object.vertices[face.indices[k]];
    }
}

void computeNormals(MeshObject& object)
{
    for (int32_t i = 0; i < object.vertexCount; i++)
        object.vertices[i].normal = {0, 0, 0};

    for (int32_t i = 0; i < object.faceCount; i++) {
        Face& face = object.faces[i];
        const Vec3& p0 = face.corners[0]->position;
        const Vec3& p1 = face.corners[1]->position;
        const Vec3& p2 = face.corners[2]->position;
        Vec3 a = {p0.x - p1.x, p0.y - p1.y, p0.z - p1.z};
        Vec3 b = {p0.x - p2.x, p0.y - p2.y, p0.z - p2.z};
        Vec3 n = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        face.normal = unitOrZero(n);
        for (Vertex* corner : face.corners) {
            corner->normal.x += face.normal.x;
            corner->normal.y += face.normal.y;
            corner->normal.z += face.normal.z;
        }
    }

    for (int32_t i = 0; i < object.vertexCount; i++)
        object.vertices[i].normal = unitOrZero(object.vertices[i].normal);
}

void computeCentre(MeshObject& object)
{
    object.centre = {0, 0, 0};
    if (object.vertexCount <= 0)
        return;
    for (int32_t i = 0; i < object.vertexCount; i++) {
        object.centre.x += object.vertices[i].position.x;
        object.centre.y += object.vertices[i].position.y;
        object.centre.z += object.vertices[i].position.z;
    }
    float count = float(object.vertexCount);
    object.centre.x /= count;
    object.centre.y /= count;
    object.centre.z /= count;
}

void assignFaceMaterials(Scene& scene, MeshObject& object)
{
    // When several materials share a name, the last one wins.
    assignFrom(materialsByName(scene), object);
}
