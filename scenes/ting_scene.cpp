// ting_scene.cpp: "ting.3ds", one object rewritten every frame from its
// hidden rest copy with travelling sine waves, drawn in blue fog. Only the
// depth buffer is cleared, so every frame lands on what the earlier frames
// (and the scene before) left in the colour buffer, and the model trails.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cmath>

// MeshObject 7 is drawn and deformed; MeshObject 8 is its rest shape.
static const int32_t drawnObject = 7;
static const int32_t restObject = 8;

static const float fogColour[4] = {0.1f, 0.4f, 0.7f, 1.0f};

void setupTing()
{
    beginSceneSetup("ting.3ds");
    bindMaterial(*currentScene, "BLUE FLAT", DrawMode::flatLit, nullptr, 0.2f, 0.5f, 0.7f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "ORANGE FLAT", DrawMode::flatLit, nullptr, 0.8f, 0.5f, 0.2f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "WHITE FLAT", DrawMode::flatLit, nullptr, 0.9f, 0.9f, 0.9f, 1.0f, 0, 0);
    hideObject(restObject);
    endSceneSetup();
    brightness = 1.0f;
    glDisable(GL_FOG);
}

// The waves that rewrite the drawn object from its rest shape; the normals
// stay those of the loaded shape.
static const VertexWaves tingWaves = {0.1, 0.4, 0.2, 0.3, 0.15, 0.2};

void drawTingFrame()
{
    float t = beginSceneFrame();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_DEPTH_BUFFER_BIT);  // the colour buffer keeps earlier frames

    MeshObject* drawn = sceneObject(drawnObject);
    const MeshObject* rest = sceneObject(restObject);
    if (drawn != nullptr && rest != nullptr)
        waveFromRest(*drawn, *rest, tingWaves, t);

    placeCamera(static_cast<float>(720 * std::sin(0.04 * t)), static_cast<float>(10 * std::sin(0.01 * t)),
        static_cast<float>(610 * std::cos(0.04 * t)));
    lightFromCamera();

    startFog(fogColour, 0.0005f);

    endSceneAfter(t, tingEnd);
    drawScene(*currentScene);
    glDisable(GL_FOG);
    swapBuffers();
}
