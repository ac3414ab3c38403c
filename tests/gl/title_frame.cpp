// The title's frames on a virtual music clock: which picture shows when, how
// bright, where on the screen, and the frame in which the title ends.
#include "show_fixture.h"

#include "shell/shell.h"

using TitleFrame = ShowTest;

TEST_F(TitleFrame, FollowsTheMusicClock)
{
    initGraphics();
    onReshape(640, 480);
    titleTexture1 = makeTexture(Rgba{255, 0, 0, 0});      // "morvel.pcx"
    titleTexture2 = makeTexture(Rgba{255, 255, 255, 0});  // "tovan.pcx"
    titleTexture3 = makeTexture(Rgba{0, 0, 255, 0});      // "gelmo.pcx"
    titleTexture4 = makeTexture(Rgba{0, 255, 0, 0});      // "usker.pcx"
    virtualNow = 1000;
    restartDemoClock();  // the music starts
    updateDemoClock();
    sceneStart = demoClock;
    demoStage = 2;
    titlePicture = 0;

    const struct {
        uint32_t afterMs;  // since the music started; title time t = ms x 0.0015
        Rgba centre;       // the expected colour in the middle of the strip
        int32_t stageAfter;
    } frames[] = {
        {0, {128, 0, 0, 0}, 2},          // t 0: "morvel.pcx" at half brightness
        {5236, {0, 255, 0, 0}, 2},       // t 7.85: "usker.pcx" at its brightest
        {9425, {0, 0, 255, 0}, 2},       // t 14.14: "gelmo.pcx"
        {13614, {255, 255, 255, 0}, 2},  // t 20.42: "tovan.pcx"
        {16000, {0, 0, 0, 0}, 2},        // t 24: black, the title goes on
        {16334, {0, 0, 0, 0}, 3},        // t 24.5: black, and the title is over
    };
    int drawn = 0;
    for (const auto& f : frames) {
        SCOPED_TRACE(f.afterMs);
        virtualNow = 1000 + f.afterMs;
        drawTitleFrame();
        drawn++;
        EXPECT_TRUE(frameCount == drawn && swaps == drawn);
        EXPECT_EQ(demoStage, f.stageAfter);
        Rgba centre = readPixel(320, 240);
        expectColour(centre, f.centre, "centre", 3);
        // The strip is 426 x 24 around the centre; the rest stays black.
        for (Rgba p : {readPixel(111, 240), readPixel(528, 240), readPixel(320, 231), readPixel(320, 249)})
            EXPECT_EQ(p.r + p.g + p.b, centre.r + centre.g + centre.b);
        for (Rgba p : {readPixel(103, 240), readPixel(537, 240), readPixel(320, 225), readPixel(320, 255)})
            EXPECT_EQ(p.r + p.g + p.b, 0);
    }
}
