// blue_scene.cpp: "blue.3ds", a sphere-mapped object rewritten every frame
// from its hidden rest copy with travelling sine waves, then drawn again as a
// thick black wireframe twenty percent larger. The set-up also loads the
// banner that the last scene shows.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cmath>

// MeshObject 0 is drawn and deformed; MeshObject 1 is its rest shape.
static const int32_t drawnObject = 0;
static const int32_t restObject = 1;

void setupBlue()
{
    beginSceneSetup("blue.3ds");
    // modelTexture keeps the GL name "test.3ds" gave it; only the picture
    // changes.
    loadSlotPicture(modelTexture, "env.pcx");
    loadSlotPicture(bannerTexture, "kvistra.pcx");
    bindMaterial(
        *currentScene, "ENVMAP", DrawMode::sphereMapped, &modelTexture, 0.3f, 0.5f, 0.7f, 1.0f, 0, 0);
    endSceneSetup();
    hideObject(restObject);
    brightness = 1.0f;
}

// The waves that rewrite the drawn object from its rest shape.
static const VertexWaves blueWaves = {0.3, 0.19, 0.4, 0.18, 0.35, 0.22};

void drawBlueFrame()
{
    float t = beginSceneFrame();
    glClearColor(0.4f, 0.4f, 0.4f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    MeshObject* drawn = sceneObject(drawnObject);
    const MeshObject* rest = sceneObject(restObject);
    if (drawn != nullptr && rest != nullptr)
        waveFromRest(*drawn, *rest, blueWaves, t);
    if (drawn != nullptr)
        computeNormals(*drawn);

    placeCamera(static_cast<float>(280 * std::sin(0.01 * t)), static_cast<float>(-487 * std::sin(0.001 * t)),
        static_cast<float>(-300 * std::cos(0.01 * t)));
    lightFromCamera();

    endSceneAfter(t, blueEnd);

    Scene& scene = *currentScene;
    if (drawn != nullptr)
        setScale(*drawn, 1.0f, 1.0f, 1.0f);
    bindMaterial(scene, "ENVMAP", DrawMode::sphereMapped, &modelTexture, 0.3f, 0.5f, 0.7f, 1.0f, 0, 0);
    drawScene(scene);

    // The outline: no depth clear, so lines behind the surface stay hidden.
    glLineWidth(5.0f);
    if (drawn != nullptr)
        setScale(*drawn, 1.2f, 1.2f, 1.2f);
    bindMaterial(scene, "ENVMAP", DrawMode::unlitWire, &modelTexture, 0.0f, 0.0f, 0.0f, 1.0f, 0, 0);
    drawScene(scene);
    glLineWidth(1.0f);

    swapBuffers();
}
