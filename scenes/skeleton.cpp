// skeleton.cpp: the steps the 3D scenes' set-up and frame functions share.
#include "scenes/skeleton.h"

#include "render/render.h"
#include "scene/scene.h"
#include "scenes/scenes.h"

#include "gl11/gl.h"

#include <algorithm>
#include <cmath>

void beginSceneSetup(const char* modelName)
{
    openLibrary(library, "ant");
    currentScene = createScene();
    loadModel(*currentScene, modelName, library);
    if (currentScene->currentCamera == nullptr)
        engineError(errorNoCamera);
}

void loadSlotPicture(Texture& slot, const char* pictureName)
{
    if (slot.pixels == nullptr)
        createTexture(slot, 256, 256);
    loadPicture(library, pictureName, slot.pixels, slot.width * slot.height);
    convertTexturePixels(slot);
    uploadTexture(slot);
}

void endSceneSetup()
{
    closeLibrary(library);
    updateDemoClock();
    sceneStart = demoClock;
}

float beginSceneFrame()
{
    updateDemoClock();
    frameCount += 1;
    return demoClock - sceneStart;
}

MeshObject* sceneObject(int32_t index)
{
    if (currentScene == nullptr || index < 0 || index >= currentScene->meshObjectCount)
        return nullptr;
    return currentScene->meshObjects[index];
}

void hideObject(int32_t index)
{
    MeshObject* object = sceneObject(index);
    if (object != nullptr)
        object->visible = false;
}

void waveFromRest(MeshObject& drawn, const MeshObject& rest, const VertexWaves& waves, float t)
{
    int32_t count = std::min(drawn.vertexCount, rest.vertexCount);
    for (int32_t i = 0; i < count; i++) {
        const Vec3& p = rest.vertices[i].position;
        Vec3& q = drawn.vertices[i].position;
        q.x = static_cast<float>(p.x * (1 + waves.amplitudeX * std::sin(waves.speedX * t + 0.1 * i)));
        q.y = static_cast<float>(p.y * (1 + waves.amplitudeY * std::cos(waves.speedY * t + 0.1 * i)));
        q.z = static_cast<float>(p.z * (1 - waves.amplitudeZ * std::sin(waves.speedZ * t + 0.1 * i)));
    }
}

void placeCamera(float x, float y, float z)
{
    setCameraPosition(*currentScene->currentCamera, x, y, z);
}

void lightFromCamera()
{
    const Vec3& position = currentScene->currentCamera->position;
    setLightPosition(0, position.x, position.x, position.z, 0.0f);
}

void startFog(const float colour[4], float density)
{
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogfv(GL_FOG_COLOR, colour);
    glFogf(GL_FOG_DENSITY, density);
}

void endSceneAfter(float t, double endTime)
{
    if (t > endTime)
        demoStage += 1;
}
