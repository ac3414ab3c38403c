// add_scene.cpp: "add.3ds", drawn without depth testing on a grey
// background, so its faces overlap in drawing order.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cmath>

void setupAdd()
{
    glDisable(GL_FOG);
    beginSceneSetup("add.3ds");
    bindMaterial(*currentScene, "WHITE WIRE", DrawMode::unlitWire, nullptr, 0.0f, 0.0f, 0.0f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "ORANGE FLAT", DrawMode::flatLit, nullptr, 1.0f, 0.7f, 0.3f, 0.8f, 0, 1);
    endSceneSetup();
    brightness = 1.0f;
}

void drawAddFrame()
{
    float t = beginSceneFrame();
    glClearColor(0.4f, 0.4f, 0.4f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    placeCamera(static_cast<float>(200 * std::sin(0.01 * t)), static_cast<float>(-400 * std::sin(0.001 * t)),
        static_cast<float>(-300 * std::cos(0.01 * t)));
    lightFromCamera();

    endSceneAfter(t, addEnd);

    // Later faces paint over earlier ones; back faces are still culled.
    glDisable(GL_DEPTH_TEST);
    drawScene(*currentScene);
    glEnable(GL_DEPTH_TEST);
    swapBuffers();
}
