// lo_scene.cpp: "lo.3ds", the camera circling a flat-shaded model with one
// translucent material on a red background.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cmath>

void setupLo()
{
    beginSceneSetup("lo.3ds");
    bindMaterial(*currentScene, "WHITE FLAT", DrawMode::flatLit, nullptr, 0.8f, 0.8f, 0.8f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "RED FLAT", DrawMode::flatLit, nullptr, 0.9f, 0.1f, 0.1f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "ORANGE FLAT", DrawMode::flatLit, nullptr, 0.9f, 0.5f, 0.1f, 0.8f, 0, 1);
    endSceneSetup();
    brightness = 1.0f;
    glDisable(GL_FOG);
}

void drawLoFrame()
{
    float t = beginSceneFrame();
    glClearColor(1.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    placeCamera(
        static_cast<float>(120 * std::sin(0.05 * t)), -70.0f, static_cast<float>(100 * std::cos(0.05 * t)));
    lightFromCamera();

    endSceneAfter(t, loEnd);
    drawScene(*currentScene);
    swapBuffers();
}
