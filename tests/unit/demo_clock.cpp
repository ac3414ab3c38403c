// The demo clock: its unit, the timer's wrap, and the restart at the end of
// the music while a scene runs.
#include "support.h"

#include "platform/clock.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <thread>

static uint32_t virtualNow = 0;
static uint32_t virtualClock()
{
    return virtualNow;
}

class DemoClock : public ::testing::Test {
protected:
    void SetUp() override { setMillisecondSource(virtualClock); }
    void TearDown() override { setMillisecondSource(nullptr); }
};

TEST_F(DemoClock, CountsTenthsOfASecondAcrossTheTimerWrap)
{
    struct Case {
        uint32_t base, now;
        float expected;
    } cases[] = {
        {1000, 11000, 100.0f},          // ten seconds read 100
        {0xFFFFFF00u, 0x100u, 5.12f},   // the timer wrapped in between
        {0x100u, 0xFFFFFF00u, -5.12f},  // a base just ahead reads negative, not 49 days
    };
    for (const Case& c : cases) {
        clockBase = c.base;
        virtualNow = c.now;
        updateDemoClock();
        EXPECT_FLOAT_EQ(demoClock, c.expected) << c.base << " " << c.now;
    }
}

TEST_F(DemoClock, EndOfMusicRestartsTheClockUnderTheRunningScene)
{
    virtualNow = 0xFFFFF000u;  // close to the wrap, to cross it on the way
    restartDemoClock();        // the music starts
    virtualNow += 3000;
    updateDemoClock();
    sceneStart = demoClock;  // a scene set up 3 s in
    EXPECT_FLOAT_EQ(sceneStart, 30.0f);

    virtualNow += 5000;
    updateDemoClock();
    EXPECT_FLOAT_EQ(demoClock - sceneStart, 50.0f);

    // The notification comes from the audio thread.
    std::thread audioThread(onMusicEnd, 1u, 1u, 0u);
    audioThread.join();
    virtualNow += 500;
    updateDemoClock();
    EXPECT_FLOAT_EQ(demoClock, 5.0f);
    EXPECT_FLOAT_EQ(demoClock - sceneStart, -25.0f);  // the running scene's time went back

    virtualNow += 1500;
    updateDemoClock();
    EXPECT_FLOAT_EQ(demoClock - sceneStart, -10.0f);  // and counts up from there
}
