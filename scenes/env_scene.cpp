// env_scene.cpp: "env.3ds", the camera circling the model in front of a
// full-screen backdrop picture.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cmath>

void setupEnv()
{
    beginSceneSetup("env.3ds");
    loadSlotPicture(backdropTexture, "back.pcx");
    bindMaterial(*currentScene, "YELLOW FLAT", DrawMode::flatLit, nullptr, 0.1f, 1.0f, 0.6f, 0.8f, 0, 1);
    endSceneSetup();
    brightness = 1.0f;
}

void drawEnvFrame()
{
    float t = beginSceneFrame();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    placeCamera(static_cast<float>(560 * std::sin(0.04 * t)), static_cast<float>(680 * std::cos(0.02 * t)),
        static_cast<float>(500 * std::cos(0.04 * t)));
    lightFromCamera();

    // The backdrop goes first; the model covers it. The quad leaves
    // texturing on with the backdrop bound, so the model's colours come out
    // modulated by the backdrop's top-left texel.
    drawScreenQuad(backdropTexture, 320, 240);

    endSceneAfter(t, envEnd);
    drawScene(*currentScene);
    swapBuffers();
}
