// snurr_scene.cpp: "snurr.3ds", the last scene. The camera follows the
// model's own keyframe tracks at 30 animation frames per second of scene
// time, one object spins about the Y axis, the model stands in white fog on
// a yellow background, and the banner runs across the middle of the screen.
#include "scenes/scenes.h"
#include "scenes/skeleton.h"
#include "scenes/timing.h"

#include "render/render.h"
#include "scene/scene.h"

#include "gl11/gl.h"

#include <cstdint>

// MeshObject 3 spins.
static const int32_t spinningObject = 3;

static const float fogColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};

void setupSnurr()
{
    beginSceneSetup("snurr.3ds");
    bindMaterial(*currentScene, "WHITE FLAT", DrawMode::flatLit, nullptr, 0.8f, 0.8f, 0.8f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "WHITE WIRE", DrawMode::litWire, nullptr, 0.8f, 0.8f, 0.8f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "RED FLAT", DrawMode::flatLit, nullptr, 0.9f, 0.1f, 0.1f, 1.0f, 0, 0);
    bindMaterial(*currentScene, "ORANGE FLAT", DrawMode::flatLit, nullptr, 0.9f, 0.5f, 0.1f, 1.0f, 0, 0);
    endSceneSetup();
    brightness = 1.0f;
}

void drawSnurrFrame()
{
    float t = beginSceneFrame();
    glClearColor(1.0f, 1.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    Scene& scene = *currentScene;
    MeshObject* spinning = sceneObject(spinningObject);
    if (spinning != nullptr)
        setRotation(*spinning, 0.0f, -3 * t, 0.0f);

    // Frames past the end of the animation hold the last one.
    scene.frameRange->loop = 0;
    setSceneFrame(scene, static_cast<int32_t>(3 * t));
    // On frame 0 the camera keeps the pose the file gave it.
    if (scene.currentFrame != 0)
        animateCamera(scene.currentCamera, scene.currentFrame);
    lightFromCamera();

    startFog(fogColour, 0.002f);

    endSceneAfter(t, snurrEnd);

    // From the second frame on, the banner quad of the frame before has left
    // texturing on, so the model takes the banner's top-left colour.
    drawScene(scene);
    drawScreenQuad(bannerTexture, 320, 17);  // also switches the fog off
    swapBuffers();
}
