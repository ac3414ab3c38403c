// show_fixture.cpp: the fixtures and picture helpers of show_fixture.h.
#include "show_fixture.h"

#include "platform/clock.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>

uint32_t virtualNow = 0;
int swaps = 0;

const ShowScene showScenes[8] = {
    {"test.3ds", setupTest, drawTestFrame, 4, 10420},
    {"env.3ds", setupEnv, drawEnvFrame, 7, 16620},
    {"add.3ds", setupAdd, drawAddFrame, 10, 11220},
    {"blue.3ds", setupBlue, drawBlueFrame, 13, 31020},
    {"lo.3ds", setupLo, drawLoFrame, 16, 10800},
    {"ting.3ds", setupTing, drawTingFrame, 19, 19500},
    {"cyl.3ds", setupCyl, drawCylFrame, 22, 28000},
    {"snurr.3ds", setupSnurr, drawSnurrFrame, 25, 34400},
};

void DrawTest::SetUp()
{
    GlTest::SetUp();
    setInitialGlState();
    setProjection(640, 480);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ShowTest::SetUp()
{
    DrawTest::SetUp();
    char dir[4096];
    ASSERT_EQ(getcwd(dir, sizeof dir), dir);
    startDir = dir;
    ASSERT_EQ(chdir(KVISTRA_RUN_DIR), 0);
    setMillisecondSource([] { return virtualNow; });
    virtualNow = 0;
    restartDemoClock();
    swapBuffers = [] { swaps++; };
    swaps = demoStage = frameCount = linearFiltering = 0;
    for (Texture* slot : {&modelTexture, &backdropTexture, &bannerTexture, &envMapTexture})
        *slot = Texture();
}

void ShowTest::TearDown()
{
    endScene();
    setMillisecondSource(nullptr);
    EXPECT_EQ(chdir(startDir.c_str()), 0);
    DrawTest::TearDown();
}

void ShowTest::setupAt(void (*setup)())
{
    virtualNow = setupMs;
    setup();
}

float ShowTest::frameAt(void (*frame)(), uint32_t ms)
{
    virtualNow = setupMs + ms;
    frame();
    return demoClock - sceneStart;
}

void ShowTest::endScene()
{
    destroyScene(currentScene);
    currentScene = nullptr;
}

Texture makeTexture(const std::function<Rgba(int x, int y)>& texel)
{
    Texture texture;
    createTexture(texture, 256, 256);
    for (int i = 0; i < 256 * 256; i++) {
        Rgba c = texel(i % 256, i / 256);
        uint8_t* p = texture.pixels + i * 4;
        p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = c.a;
    }
    uploadTexture(texture);
    return texture;
}

Texture makeTexture(Rgba texel)
{
    return makeTexture([texel](int, int) { return texel; });
}

std::vector<Rgba> readFrame()
{
    std::vector<Rgba> bottomUp(640 * 480), frame(640 * 480);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    for (int y = 0; y < 480; y++)
        std::copy_n(&bottomUp[(479 - y) * 640], 640, &frame[y * 640]);
    return frame;
}

void expectColour(Rgba actual, Rgba expected, const std::string& what, int tolerance)
{
    EXPECT_NEAR(actual.r, expected.r, tolerance) << what;
    EXPECT_NEAR(actual.g, expected.g, tolerance) << what;
    EXPECT_NEAR(actual.b, expected.b, tolerance) << what;
}

void expectVec3(const Vec3& actual, const Vec3& expected, const std::string& what)
{
    EXPECT_FLOAT_EQ(actual.x, expected.x) << what;
    EXPECT_FLOAT_EQ(actual.y, expected.y) << what;
    EXPECT_FLOAT_EQ(actual.z, expected.z) << what;
}
