// The title's frames on a virtual music clock: which picture shows when, how
// bright, where on the screen, and the frame in which the title ends.
#include "support.h"

#include "platform/clock.h"
#include "render/render.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <GL/gl.h>

static uint32_t virtualNow = 0;
static uint32_t virtualClock()
{
    return virtualNow;
}
static int swaps = 0;

static void fill(Texture& slot, uint8_t red, uint8_t green, uint8_t blue)
{
    createTexture(slot, 256, 256);
    for (int i = 0; i < 256 * 256; i++) {
        uint8_t* p = slot.pixels + i * 4;
        p[0] = red, p[1] = green, p[2] = blue, p[3] = 0;
    }
    uploadTexture(slot);
    releaseTexturePixels(slot);
}

TEST_F(GlTest, TitleFramesFollowTheMusicClock)
{
    setMillisecondSource(virtualClock);
    swapBuffers = [] { swaps++; };
    initGraphics();
    onReshape(640, 480);
    fill(titleTexture1, 255, 0, 0);      // "morvel.pcx"
    fill(titleTexture2, 255, 255, 255);  // "tovan.pcx"
    fill(titleTexture3, 0, 0, 255);      // "gelmo.pcx"
    fill(titleTexture4, 0, 255, 0);      // "usker.pcx"

    virtualNow = 1000;
    restartDemoClock();  // the music starts
    updateDemoClock();
    sceneStart = demoClock;
    demoStage = 2;
    titlePicture = 0;
    frameCount = 0;

    struct Frame {
        uint32_t afterMs;   // since the music started; title time t = ms x 0.0015
        Rgba centre;        // the expected colour in the middle of the strip
        int32_t stageAfter;
    } frames[] = {
        {0, {128, 0, 0, 0}, 2},         // t 0: "morvel.pcx" at half brightness
        {5236, {0, 255, 0, 0}, 2},      // t 7.85: "usker.pcx" at its brightest
        {9425, {0, 0, 255, 0}, 2},      // t 14.14: "gelmo.pcx"
        {13614, {255, 255, 255, 0}, 2}, // t 20.42: "tovan.pcx"
        {16000, {0, 0, 0, 0}, 2},       // t 24: black, the title goes on
        {16334, {0, 0, 0, 0}, 3},       // t 24.5: black, and the title is over
    };
    int drawn = 0;
    for (const Frame& f : frames) {
        virtualNow = 1000 + f.afterMs;
        drawTitleFrame();
        drawn++;
        EXPECT_EQ(frameCount, drawn);
        EXPECT_EQ(swaps, drawn);
        EXPECT_EQ(demoStage, f.stageAfter) << f.afterMs;
        Rgba centre = readPixel(320, 240);
        EXPECT_NEAR(centre.r, f.centre.r, 3) << f.afterMs;
        EXPECT_NEAR(centre.g, f.centre.g, 3) << f.afterMs;
        EXPECT_NEAR(centre.b, f.centre.b, 3) << f.afterMs;
        // The strip is 426 x 24 around the centre; the rest stays black.
        Rgba inside[] = {readPixel(111, 240), readPixel(528, 240), readPixel(320, 231), readPixel(320, 249)};
        Rgba outside[] = {readPixel(103, 240), readPixel(537, 240), readPixel(320, 225), readPixel(320, 255)};
        for (Rgba p : inside)
            EXPECT_EQ(p.r + p.g + p.b, centre.r + centre.g + centre.b) << f.afterMs;
        for (Rgba p : outside)
            EXPECT_EQ(p.r + p.g + p.b, 0) << f.afterMs;
    }
    setMillisecondSource(nullptr);
}
