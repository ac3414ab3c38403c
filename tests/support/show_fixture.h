// show_fixture.h: what the renderer and scene tests share.
//
//  - DrawTest: a GL fixture in the state the title leaves for the scenes.
//  - ShowTest: a DrawTest that drives the scenes from the run directory on a
//    virtual millisecond clock and counts the frames shown.
//  - showScenes: the eight 3D scenes in show order.
//  - picture helpers: makeTexture, readFrame, expectColour, expectVec3.
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
    // Runs a set-up at the virtual time setupMs.
    void setupAt(void (*setup)());
    // Draws one frame ms after the set-up; returns the scene time it drew at.
    float frameAt(void (*frame)(), uint32_t ms);
    // Releases currentScene.
    void endScene();
    uint32_t setupMs = 100000;  // whole tenths of scene time stay exact

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

// Red, green and blue within tolerance.
void expectColour(Rgba actual, Rgba expected, const std::string& what = "", int tolerance = 2);
// Each component within tolerance; 0: equal but for rounding (4 units in the last place).
void expectVec3(const Vec3& actual, const Vec3& expected, const std::string& what = "", float tolerance = 0);
