// show_fixture.h: what the renderer and scene tests share: the fixtures
// DrawTest and ShowTest, the eight 3D scenes in show order and picture helpers.
#pragma once

#include "support.h"

#include "render/render.h"
#include "scene/scene.h"
#include "scenes/scenes.h"

#include <functional>
#include <string>
#include <vector>

// The initial GL state, the 640 x 480 projection, the modelview matrix
// selected and the identity.
class DrawTest : public GlTest {
protected:
    void SetUp() override;
};

// The timer the demo clock reads while a ShowTest runs, and the frames shown
// through swapBuffers since the test began.
extern uint32_t virtualNow;
extern int swaps;

// No stage due, no frames counted, linear filtering off, the clock counting
// from 0, and the four slots of the 3D scenes empty: their names belonged to
// an earlier GL context. TearDown releases currentScene.
class ShowTest : public DrawTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Runs a set-up at virtual time setupMs; draws one frame ms after it and
    // returns the scene time it drew at; releases currentScene.
    void setupAt(void (*setup)());
    float frameAt(void (*frame)(), uint32_t ms);
    void endScene();
    static constexpr uint32_t setupMs = 100000;  // whole tenths of scene time stay exact

private:
    std::string startDir;
};

// A 3D scene: its functions, the stage of its frame function, and its end
// time in milliseconds of scene time.
struct ShowScene {
    const char* model;
    void (*setup)();
    void (*frame)();
    int32_t frameStage;
    uint32_t endMs;
};
extern const ShowScene showScenes[8];

// A 256 x 256 picture filled texel by texel, uploaded as the scenes upload theirs.
Texture makeTexture(const std::function<Rgba(int x, int y)>& texel);
Texture makeTexture(Rgba texel);

// The whole 640 x 480 frame, top row first: pixel (x, y) at y * 640 + x.
std::vector<Rgba> readFrame();

// Red, green and blue within tolerance; each component equal but for
// rounding (4 units in the last place).
void expectColour(Rgba actual, Rgba expected, const std::string& what = "", int tolerance = 2);
void expectVec3(const Vec3& actual, const Vec3& expected, const std::string& what = "");
