// test_scene.cpp: "test.3ds", the first 3D scene. It fades in from black,
// flashes, and draws every frame twice, the second time as a wireframe
// overlay in the grey of the current brightness.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cmath>

// The flash's starting level in demo-clock units: taken on the first frame
// past the fade and kept for the rest of the run.
static float flashStart = 0.0f;

void setupTest()
{
    beginSceneSetup("test.3ds");
    loadSlotPicture(modelTexture, "vagg.pcx");
    bindMaterial(*currentScene, "WHITE WIRE", DrawMode::unlitWire, nullptr, 1.0f, 1.0f, 1.0f, 1.0f, 1, 0);
    bindMaterial(*currentScene, "WHITE FLAT", DrawMode::flatLit, nullptr, 0.9f, 0.9f, 0.9f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "RED FLAT", DrawMode::flatLit, nullptr, 0.8f, 0.1f, 0.1f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "ORANGE FLAT", DrawMode::flatLit, nullptr, 0.8f, 0.4f, 0.1f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "YELLOW FLAT", DrawMode::flatLit, nullptr, 0.9f, 0.9f, 0.1f, 0.8f, 0, 1);
    bindMaterial(*currentScene, "GREEN FLAT", DrawMode::flatLit, nullptr, 0.5f, 0.7f, 0.2f, 1.0f, 0, 0);
    bindMaterial(
        *currentScene, "TEXTUREGOURAUD", DrawMode::texturedLit, &modelTexture, 0.7f, 0.7f, 0.7f, 1.0f, 0, 0);
    endSceneSetup();
    // brightness is left alone: the frame sets it every time.
}

void drawTestFrame()
{
    float t = beginSceneFrame();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    placeCamera(
        static_cast<float>(110 * std::sin(0.03 * t)), 100.0f, static_cast<float>(120 * std::cos(0.03 * t)));
    setLightPosition(0, 0.0f, 0.0f, -400.0f, 0.0f);

    if (t < 52.0f) {
        // Fade from black.
        brightness = static_cast<float>(0.01 * t);
        if (brightness > 1.0f)
            brightness = 1.0f;
    } else {
        // The flash: 2.0 on the first frame past the fade, falling back to
        // 1.0 within a third of a second.
        if (flashStart == 0.0f)
            flashStart = static_cast<float>(demoClock * 0.3 + 2.0);
        brightness = static_cast<float>(flashStart - demoClock * 0.3);
        if (brightness < 1.0f)
            brightness = 1.0f;
    }

    endSceneAfter(t, testEnd);

    Scene& scene = *currentScene;
    for (int32_t i = 0; i < scene.meshObjectCount; i++)
        scene.meshObjects[i]->unlitOverride = 0;
    drawScene(scene);

    // The overlay: every object but the model's last, as grey lines over
    // the first pass.
    scene.meshObjectCount -= 1;
    for (int32_t i = 0; i < scene.meshObjectCount; i++)
        scene.meshObjects[i]->unlitOverride = 1;
    glClear(GL_DEPTH_BUFFER_BIT);
    drawScene(scene);
    scene.meshObjectCount += 1;

    swapBuffers();
}
