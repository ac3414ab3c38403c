// skeleton.h: the steps the 3D scenes' set-up and frame functions share.
//
// A set-up: beginSceneSetup (library open, new currentScene, model loaded),
// loadSlotPicture for each picture, the material bindings, endSceneSetup
// (library closed, scene time base taken). A frame: beginSceneFrame (clock,
// frame count, scene time), the scene's own work with placeCamera,
// lightFromCamera and, for some, waveFromRest and startFog, endSceneAfter,
// the draws, swapBuffers.
#pragma once

#include <cstdint>

struct MeshObject;
struct Texture;

// openLibrary("ant"), a new empty Scene as currentScene, loadModel of the
// entry. A model without a camera ends the process (errorNoCamera):
// every frame function moves the camera.
void beginSceneSetup(const char* modelName);

// Fills a Texture slot with a picture from the open library: the slot's
// buffer and GL name are created the first time it is used in the show,
// then the picture is decoded, its bytes reordered and uploaded.
void loadSlotPicture(Texture& slot, const char* pictureName);

// closeLibrary, updateDemoClock, sceneStart := demoClock.
void endSceneSetup();

// updateDemoClock, frameCount += 1; returns the scene time
// demoClock - sceneStart.
float beginSceneFrame();

// MeshObject `index` of the current Scene in file order, or nullptr when the
// model has fewer objects.
MeshObject* sceneObject(int32_t index);

// Clears the visible bit of MeshObject `index`, if the model has it.
void hideObject(int32_t index);

// Travelling sine waves along the vertex order, the phase 0.1 radian further
// per vertex index: each axis of the rest shape is scaled by
// 1 + amplitude * wave(speed * t + 0.1 * i), the wave sin for x, cos for y
// and minus sin for z.
struct VertexWaves {
    double amplitudeX, speedX;
    double amplitudeY, speedY;
    double amplitudeZ, speedZ;
};

// Rewrites the vertices of `drawn` from `rest` with `waves` at scene time t:
// only those both objects have. Normals are left alone.
void waveFromRest(MeshObject& drawn, const MeshObject& rest, const VertexWaves& waves, float t);

// Moves the current camera to (x, y, z).
void placeCamera(float x, float y, float z);

// Directional light 0 along (cx, cx, cz) in eye coordinates, from the
// current camera's position: its x serves as the first and second component.
void lightFromCamera();

// Exponential fog of the given colour and density, switched on.
void startFog(const float colour[4], float density);

// The end test: a scene time greater than endTime advances demoStage; a
// frame at exactly endTime does not.
void endSceneAfter(float t, double endTime);
