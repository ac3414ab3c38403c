// sequencer.cpp: the stage machine that runs the show, the frame rate and
// the exit path.
#include "shell/shell.h"

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/process.h"
#include "platform/stop_signals.h"
#include "scene/scene.h"
#include "scenes/scenes.h"

#include <csignal>
#include <cstdio>

// Set by a stop signal; the next pass goes to the exit stage.
static volatile sig_atomic_t stopSignalled = 0;

static void onStopSignal(int)
{
    stopSignalled = 1;
}

void installStopSignals()
{
    catchStopSignals(onStopSignal);
}

Stage stages[stageCount] = {
    {setupTitle, true},       // 0
    {startShow, false},       // 1 advances to 2 itself
    {drawTitleFrame, false},  // 2
    {setupTest, true},        // 3 "test.3ds"
    {drawTestFrame, false},   // 4
    {releaseScene, true},     // 5
    {setupEnv, true},         // 6 "env.3ds"
    {drawEnvFrame, false},    // 7
    {releaseScene, true},     // 8
    {setupAdd, true},         // 9 "add.3ds"
    {drawAddFrame, false},    // 10
    {releaseScene, true},     // 11
    {setupBlue, true},        // 12 "blue.3ds"
    {drawBlueFrame, false},   // 13
    {releaseScene, true},     // 14
    {setupLo, true},          // 15 "lo.3ds"
    {drawLoFrame, false},     // 16
    {releaseScene, true},     // 17
    {setupTing, true},        // 18 "ting.3ds"
    {drawTingFrame, false},   // 19
    {releaseScene, true},     // 20
    {setupCyl, true},         // 21 "cyl.3ds"
    {drawCylFrame, false},    // 22
    {releaseScene, true},     // 23
    {setupSnurr, true},       // 24 "snurr.3ds"
    {drawSnurrFrame, false},  // 25 the last scene
    {releaseScene, true},     // 26
    {exitShow, false},        // 27 never returns
};

void runSequencer()
{
    if (stopSignalled)
        demoStage = exitStage;
    notePassStart();
    // Every stage is tested, in order, against the counter as the previous
    // action left it: no early return, no loop back.
    for (int32_t stage = 0; stage < stageCount; stage++) {
        if (demoStage == stage) {
            stages[stage].action();
            if (stages[stage].sequencerAdvances)
                demoStage += 1;
        }
    }
    notePassEnd();
}

void startShow()
{
    startMusic();
    noteClockZero();
    demoStage = 2;
    updateDemoClock();
    sceneStart = demoClock;
}

void releaseScene()
{
    destroyScene(currentScene);
    currentScene = nullptr;
}

static uint64_t frameRateStart = 0;

void startFrameRate()
{
    frameCount = 0;
    frameRateStart = wallMilliseconds();
}

double frameRate()
{
    uint64_t end = wallMilliseconds();
    // No time passed, no rate: 0 rather than a division by zero.
    if (end <= frameRateStart)
        return 0.0;
    return frameCount * 1000.0 / static_cast<double>(end - frameRateStart);
}

void exitShow()
{
    freeMusic();
    restoreDisplayMode();
    double fps = frameRate();
    std::printf("\n\n\nfps:%2.2f\n", fps);
    endProcess(0);
}
