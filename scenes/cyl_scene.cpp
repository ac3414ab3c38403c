// cyl_scene.cpp: "cyl.3ds", a sphere-mapped object bent by a sine wave along
// its vertex order from its hidden rest copy, with a red halo: first drawn
// twenty percent larger as a flat red silhouette, then, on an emptied depth
// buffer, at its own size with the environment map.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cmath>

// MeshObject 0 is drawn and bent; MeshObject 1 is its rest shape.
static const int32_t drawnObject = 0;
static const int32_t restObject = 1;

void setupCyl()
{
    beginSceneSetup("cyl.3ds");
    // The binding keeps a reference to the slot, filled just after.
    bindMaterial(
        *currentScene, "ENVMAP", DrawMode::sphereMapped, &envMapTexture, 1.0f, 1.0f, 1.0f, 1.0f, 0, 0);
    loadSlotPicture(envMapTexture, "ting.pcx");
    endSceneSetup();
    brightness = 1.0f;
    hideObject(restObject);
}

// x and z swell with a wave along the vertex order; y stays. The first and
// the last vertex of the drawn object never move, and only vertices the rest
// copy has are read.
static void bendCyl(MeshObject& drawn, const MeshObject& rest, float t)
{
    int32_t end = drawn.vertexCount - 1;
    if (rest.vertexCount < end)
        end = rest.vertexCount;
    for (int32_t i = 1; i < end; i++) {
        double h = 0.14 * t + 0.008 * i;
        const Vec3& p = rest.vertices[i].position;
        Vec3& q = drawn.vertices[i].position;
        q.x = static_cast<float>(p.x * (1 + 0.3 * std::sin(h)));
        q.z = static_cast<float>(p.z * (1 + 0.32 * std::sin(h)));
    }
}

void drawCylFrame()
{
    float t = beginSceneFrame();
    glClearColor(0.3f, 0.3f, 0.3f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    MeshObject* drawn = sceneObject(drawnObject);
    const MeshObject* rest = sceneObject(restObject);
    if (drawn != nullptr && rest != nullptr)
        bendCyl(*drawn, *rest, t);

    placeCamera(static_cast<float>(420 * std::sin(0.04 * t)), static_cast<float>(10 * std::sin(0.01 * t)),
        static_cast<float>(310 * std::cos(0.04 * t)));
    lightFromCamera();

    endSceneAfter(t, cylEnd);

    Scene& scene = *currentScene;
    // The halo: the enlarged body as a flat red silhouette.
    if (drawn != nullptr)
        setScale(*drawn, 1.2f, 1.2f, 1.2f);
    bindMaterial(scene, "ENVMAP", DrawMode::flatUnlit, &envMapTexture, 1.0f, 0.0f, 0.0f, 1.0f, 0, 0);
    drawScene(scene);

    // The body itself in front of it: only the halo's rim stays visible.
    glClear(GL_DEPTH_BUFFER_BIT);
    if (drawn != nullptr)
        setScale(*drawn, 1.0f, 1.0f, 1.0f);
    bindMaterial(scene, "ENVMAP", DrawMode::sphereMapped, &envMapTexture, 1.0f, 1.0f, 1.0f, 1.0f, 0, 0);
    drawScene(scene);

    glDisable(GL_FOG);
    swapBuffers();
}
