// The sequencer's passes with recording stage actions, the keys, the release and the exit.
#include "support.h"

#include "platform/clock.h"
#include "render/render.h"
#include "scene/scene.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <algorithm>
#include <cstdio>

static std::vector<int> ran;           // the stages whose actions ran, in order
static std::vector<int> endingFrames;  // frame stages that end their scene

// Every stage records itself; frames advance when told to, the sequencer advances
// the others (stage 1 advances itself, as the real one does).
template <int stage> static void record()
{
    ran.push_back(stage);
    if (stage == 1)
        demoStage = 2;
    bool ends = std::count(endingFrames.begin(), endingFrames.end(), stage) > 0;
    if (!stages[stage].sequencerAdvances && stage != 1 && ends)
        demoStage += 1;
}

template <int... stage> static void installRecorders(std::integer_sequence<int, stage...>)
{
    ((stages[stage].action = record<stage>), ...);
}

class Sequencer : public ::testing::Test {
protected:
    Stage saved[stageCount];
    void SetUp() override
    {
        std::copy(stages, stages + stageCount, saved);
        installRecorders(std::make_integer_sequence<int, stageCount>());
        ran.clear();
        endingFrames.clear();
    }
    void TearDown() override { std::copy(saved, saved + stageCount, stages); }
};

TEST_F(Sequencer, AnAdvanceLetsTheNextStageRunInTheSamePass)
{
    struct Case {
        int start;
        std::vector<int> endingFrames;
        std::vector<int> expected;
        int stageAfter;
    } cases[] = {
        {0, {}, {0, 1, 2}, 2},  // the first pass: title set-up, music, first frame
        {2, {}, {2}, 2},        // a title frame that goes on
        // Every frame ends at once: releases, set-ups, frames and the exit, all in one pass.
        {0, {2, 4, 7, 10, 13, 16, 19, 22, 25},
            {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26,
                27},
            27},
    };
    for (const Case& c : cases) {
        ran.clear();
        endingFrames = c.endingFrames;
        demoStage = c.start;
        runSequencer();
        EXPECT_EQ(ran, c.expected) << "from stage " << c.start;
        EXPECT_EQ(demoStage, c.stageAfter) << "from stage " << c.start;
    }
}

TEST_F(Sequencer, EscapeFromAnyStageGoesStraightToTheExit)
{
    for (int stage = 0; stage < stageCount; stage++) {
        ran.clear();
        demoStage = stage;
        onKeyboard(27, 0, 0);
        runSequencer();
        EXPECT_EQ(ran, std::vector<int>{27}) << "Escape at stage " << stage;
    }
}

TEST(Keyboard, OnlyLowerCaseBTogglesFilteringAndOnlyEscapeExits)
{
    linearFiltering = 0;
    demoStage = 4;
    for (unsigned char key : {'b', 'B', 'q', ' ', '\r', '\x9b'})
        onKeyboard(key, 10, 20);
    EXPECT_EQ(linearFiltering, 1);
    EXPECT_EQ(demoStage, 4);
    onKeyboard('b', 0, 0);
    EXPECT_EQ(linearFiltering, 0);
}

TEST(ReleaseScene, DestroysTheCurrentSceneAndThenDoesNothing)
{
    currentScene = createScene();
    addMaterial(*currentScene, "stone");
    addCamera(*currentScene, "camera", 0, 0, 0, 1, 1, 1);
    releaseScene();
    EXPECT_EQ(currentScene, nullptr);
    releaseScene();
    EXPECT_EQ(currentScene, nullptr);
}

static uint64_t wallNow = 0;

TEST(ExitPath, FreesTheMusicAndPrintsTheAverageFrameRate)
{
    struct Case {
        int frames;
        uint64_t elapsed;
        const char* expected;
    } cases[] = {
        {30, 2000, "fps:15.00\n"}, {1, 3000, "fps:0.33\n"},
        {5, 0, "fps:0.00\n"},  // no time passed: no division by zero
    };
    for (const Case& c : cases) {
        ChildResult child = runInChild([&] {
            setWallMillisecondSource([] { return wallNow; });
            audioCalls.free = [] { return std::printf("[audio freed]"); };
            wallNow = 5000;
            startFrameRate();
            frameCount = c.frames;
            wallNow += c.elapsed;
            exitShow();
        });
        EXPECT_EQ(child.exitStatus, 0) << c.frames;
        EXPECT_EQ(child.output, std::string("[audio freed]\n\n\n") + c.expected) << c.frames;
    }
}
