// scene_model.cpp: the Scene and its records: construction, the lists that
// grow one slot per addition, material binding, the setters and release.
#include "scene/lists.h"
#include "scene/names.h"
#include "scene/scene.h"

Scene* createScene()
{
    Scene* scene = new Scene;
    scene->frameRange = new FrameRange;
    return scene;
}

void destroyScene(Scene* scene)
{
    if (!scene)
        return;
    for (int32_t i = 0; i < scene->meshObjectCount; i++)
        destroyMeshObject(scene->meshObjects[i]);
    for (int32_t i = 0; i < scene->omniLightCount; i++)
        delete scene->omniLights[i];
    for (int32_t i = 0; i < scene->spotLightCount; i++)
        delete scene->spotLights[i];
    for (int32_t i = 0; i < scene->cameraCount; i++)
        destroyCamera(scene->cameras[i]);
    for (int32_t i = 0; i < scene->materialCount; i++)
        delete scene->materials[i];
    delete scene->frameRange;
    delete[] scene->materials;
    delete[] scene->meshObjects;
    delete[] scene->omniLights;
    delete[] scene->spotLights;
    delete[] scene->cameras;
    delete scene;
}

MeshObject* createMeshObject()
{
    MeshObject* object = new MeshObject;
    for (Track*& track : object->tracks)
        track = createTrack();
    return object;
}

void destroyMeshObject(MeshObject* object)
{
    if (!object)
        return;
    delete[] object->vertices;
    delete[] object->faces;
    for (Track* track : object->tracks)
        destroyTrack(track);
    delete object;
}

Camera* createCamera()
{
    Camera* camera = new Camera;
    for (Track*& track : camera->tracks)
        track = createTrack();
    return camera;
}

void destroyCamera(Camera* camera)
{
    if (!camera)
        return;
    for (Track* track : camera->tracks)
        destroyTrack(track);
    delete camera;
}

void addMaterial(Scene& scene, const char* name)
{
    scene.materials = growList(scene.materials, scene.materialCount);
    Material* material = new Material;
    copyName(material->name, sizeof material->name, name);
    scene.materials[scene.materialCount] = material;
    scene.materialCount++;
}

void bindMaterial(Scene& scene, const char* name, DrawMode drawMode, Texture* texture, float red, float green,
    float blue, float alpha, uint8_t twoSided, uint8_t blend)
{
    for (int32_t i = 0; i < scene.materialCount; i++) {
        Material& material = *scene.materials[i];
        if (!nameIs(material.name, sizeof material.name, name))
            continue;
        material.drawMode = drawMode;
        material.texture = texture;
        material.red = red;
        material.green = green;
        material.blue = blue;
        material.alpha = alpha;
        material.twoSided = twoSided;
        material.blend = blend;
    }
}

void addCamera(
    Scene& scene, const char* name, int32_t px, int32_t py, int32_t pz, int32_t tx, int32_t ty, int32_t tz)
{
    scene.cameras = growList(scene.cameras, scene.cameraCount);
    Camera* camera = createCamera();
    camera->position = {float(px), float(py), float(pz)};
    camera->target = {float(tx), float(ty), float(tz)};
    copyName(camera->name, sizeof camera->name, name);
    scene.cameras[scene.cameraCount] = camera;
    scene.currentCamera = camera;
    scene.cameraCount++;
}

void addOmniLight(Scene& scene, const char* name, int32_t px, int32_t py, int32_t pz, uint8_t red,
    uint8_t green, uint8_t blue, float parameter)
{
    scene.omniLights = growList(scene.omniLights, scene.omniLightCount);
    OmniLight* light = new OmniLight;
    copyName(light->name, sizeof light->name, name);
    light->position = {float(px), float(py), float(pz)};
    light->colour[0] = blue;
    light->colour[1] = green;
    light->colour[2] = red;
    light->parameter = parameter;
    scene.omniLights[scene.omniLightCount] = light;
    scene.omniLightCount++;
}

void addSpotLight(Scene& scene, const char* name, int32_t px, int32_t py, int32_t pz, int32_t tx, int32_t ty,
    int32_t tz, uint8_t red, uint8_t green, uint8_t blue, float hotspot, float falloff)
{
    scene.spotLights = growList(scene.spotLights, scene.spotLightCount);
    SpotLight* light = new SpotLight;
    copyName(light->name, sizeof light->name, name);
    light->position = {float(px), float(py), float(pz)};
    light->target = {float(tx), float(ty), float(tz)};
    light->colour[0] = blue;
    light->colour[1] = green;
    light->colour[2] = red;
    light->hotspot = hotspot;
    light->falloff = falloff;
    scene.spotLights[scene.spotLightCount] = light;
    scene.spotLightCount++;
}

void setRotation(MeshObject& object, float x, float y, float z)
{
    object.rotation = {x, y, z};
}

void setScale(MeshObject& object, float x, float y, float z)
{
    object.scale = {x, y, z};
}

void setCameraPosition(Camera& camera, float x, float y, float z)
{
    camera.position = {x, y, z};
}
