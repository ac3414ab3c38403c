// Screen quads: what a quad covers, which way up it shows, how the faded
// quad blends, and the GL state each leaves behind.
#include "show_fixture.h"

#include <GL/gl.h>

namespace {

// Red top left, green top right, blue bottom left, white bottom right.
Rgba quadrants(int x, int y)
{
    if (y < 128)
        return x < 128 ? Rgba{255, 0, 0, 0} : Rgba{0, 255, 0, 0};
    return x < 128 ? Rgba{0, 0, 255, 0} : Rgba{255, 255, 255, 0};
}

// The first and last rows holding a lit pixel; false when a row between
// them is not lit all across, away from the left and right edge.
bool litRows(int& firstRow, int& lastRow)
{
    std::vector<Rgba> frame = readFrame();
    bool full = true;
    firstRow = lastRow = -1;
    for (int row = 0; row < 480; row++) {
        int lit = 0;
        for (int x = 2; x < 638; x++)
            lit += (frame[row * 640 + x].r | frame[row * 640 + x].g | frame[row * 640 + x].b) != 0;
        if (lit > 0)
            firstRow = firstRow < 0 ? row : firstRow, lastRow = row, full = full && lit == 636;
    }
    return full;
}

}  // namespace

using Overlays = DrawTest;

TEST_F(Overlays, ScreenQuadCoversFrameOrStripUprightAndUnmirrored)
{
    Texture picture = makeTexture(quadrants);
    // The whole frame, then a strip of the middle rows.
    const struct {
        int halfHeight, firstRow, lastRow, top, bottom, left, right;
    } quads[] = {{240, 0, 479, 2, 477, 2, 637}, {17, 223, 256, 230, 250, 10, 630}};
    for (const auto& q : quads) {
        SCOPED_TRACE(q.halfHeight);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScreenQuad(picture, 320, q.halfHeight);
        int firstRow, lastRow;
        EXPECT_TRUE(litRows(firstRow, lastRow));
        EXPECT_NEAR(firstRow, q.firstRow, 1);
        EXPECT_NEAR(lastRow, q.lastRow, 1);
        expectColour(readPixel(q.left, q.top), {255, 0, 0, 0}, "top left");
        expectColour(readPixel(q.right, q.top), {0, 255, 0, 0}, "top right");
        expectColour(readPixel(q.left, q.bottom), {0, 0, 255, 0}, "bottom left");
        expectColour(readPixel(q.right, q.bottom), {255, 255, 255, 0}, "bottom right");
    }
}

TEST_F(Overlays, ScreenQuadRestoresTheSceneStateButLeavesTexturingOn)
{
    Texture picture = makeTexture(quadrants);
    // Decal mode left by a sphere-mapped draw changes nothing: the quad is
    // white and unlit either way.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glEnable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_COLOR_MATERIAL);
    drawScreenQuad(picture, 320, 240);
    expectColour(readPixel(100, 100), {255, 0, 0, 0}, "own colours in decal mode");

    // What the next draw relies on; front face, binding and matrix mode show
    // in the renderer's tint test.
    for (GLenum on : {GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE, GL_COLOR_MATERIAL, GL_TEXTURE_2D})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(Overlays, FadedQuadAddsTexelTimesAlphaToDestinationTimesTexel)
{
    Texture picture = makeTexture(Rgba{204, 102, 51, 0});  // 0.8, 0.4, 0.2
    const struct {
        float alpha, destination;
        Rgba inside;
    } cases[] = {
        {0.0f, 0.0f, {0, 0, 0, 0}}, {1.0f, 0.0f, {204, 102, 51, 0}}, {0.5f, 0.0f, {102, 51, 26, 0}},
        {0.5f, 1.0f, {255, 153, 77, 0}},  // 0.4 + 0.8, 0.2 + 0.4, 0.1 + 0.2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alpha << " over " << c.destination);
        glClearColor(c.destination, c.destination, c.destination, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawFadedQuad(picture, 213, 12, c.alpha);
        expectColour(readPixel(320, 240), c.inside, "inside");
        uint8_t d = uint8_t(c.destination * 255);
        expectColour(readPixel(320, 200), {d, d, d, 0}, "outside the strip");
    }
    for (GLenum on : {GL_BLEND, GL_TEXTURE_2D, GL_CULL_FACE, GL_LIGHTING, GL_DEPTH_TEST})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    EXPECT_FALSE(glIsEnabled(GL_DITHER) || glIsEnabled(GL_FOG));
}
