// scenes.h: the show's content and the state it shares with the shell.
//
// The stage counter, the current Scene, the frame counter, the one resource
// library reader and the eight Texture slots live here, beside the demo clock,
// because the scene functions work on them directly: a set-up fills slots and
// the current Scene from the library, a frame function reads the clock,
// counts itself, draws and swaps the buffers, and advances the stage counter
// when its scene is over. The shell drives the stages and owns the lifetime.
#pragma once

#include "resources/resources.h"

#include <atomic>
#include <cstdint>

struct Scene;

// ---------------------------------------------------------------------------
// Show state

// What is due: 0 to 27, only growing (the sequencer, a frame function at the
// end of its scene, or Escape, which sets it to 27).
extern int32_t demoStage;
constexpr int32_t exitStage = 27;

// The Scene of the running 3D scene, or nullptr.
extern Scene* currentScene;

// Frames drawn since the frame rate started; every frame function adds 1.
extern int32_t frameCount;

// The one library reader; bound to "ant" only inside a set-up.
extern ResourceLibrary library;

// The eight Texture slots, each filled by the set-up of the scene using it.
extern Texture titleTexture1;  // "morvel.pcx"
extern Texture titleTexture2;  // "tovan.pcx"
extern Texture titleTexture3;  // "gelmo.pcx"
extern Texture titleTexture4;  // "usker.pcx"
extern Texture modelTexture;
extern Texture backdropTexture;
extern Texture bannerTexture;
extern Texture envMapTexture;

// Shows the frame just drawn. Set by the program that owns the window before
// the first pass: kvistra puts glutSwapBuffers here, the capture tool its own.
extern void (*swapBuffers)();

// ---------------------------------------------------------------------------
// Demo clock

// Tenths of a second since the music started or last restarted; changes only
// in updateDemoClock. Scene time is demoClock - sceneStart.
extern float demoClock;
extern float sceneStart;

// The millisecond timer reading the clock counts from. Written by the audio
// thread at the end of the music, read by the main thread.
extern std::atomic<uint32_t> clockBase;

// (milliseconds() - clockBase) x 0.01, the difference taken modulo 2^32 and
// read as signed: what the demo clock would read now.
float readDemoClock();

// demoClock := readDemoClock().
void updateDemoClock();

// clockBase := milliseconds(): the clock counts from 0 again. Called when the
// music starts and at each end of the music (then on the audio thread).
void restartDemoClock();

// ---------------------------------------------------------------------------
// The title

// Which picture the title draws: 0 "morvel.pcx", 1 "usker.pcx",
// 2 "gelmo.pcx", 3 "tovan.pcx", 4 none. 0 at start.
extern int32_t titlePicture;

// The picture for title time t, given the one shown so far: t strictly
// inside an interval selects its picture, anything else keeps the current.
int32_t selectTitlePicture(float t, int32_t current);

// Loads the four title pictures from "ant" and uploads them.
void setupTitle();

// One title frame; advances demoStage once the title is over.
void drawTitleFrame();

// ---------------------------------------------------------------------------
// The 3D scenes
//
// Each scene is a set-up, run once, that loads its model and pictures into a
// new currentScene and binds its materials, and a frame function, run once
// per pass, that animates and draws one frame, swaps the buffers, and
// advances demoStage once its scene time is past the scene's end.

void setupTest();
void drawTestFrame();
void setupEnv();
void drawEnvFrame();
void setupAdd();
void drawAddFrame();
void setupBlue();
void drawBlueFrame();
void setupLo();
void drawLoFrame();
void setupTing();
void drawTingFrame();
void setupCyl();
void drawCylFrame();
void setupSnurr();
void drawSnurrFrame();
