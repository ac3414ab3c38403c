// Screen quads and the light setter: what a quad covers, which way up it
// shows, how the faded quad blends, and the GL state each leaves behind.
#include "render/render.h"
#include "resources/resources.h"
#include "support.h"

#include <GL/gl.h>

#include <functional>
#include <vector>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

Texture makeTexture(const std::function<Rgb(int x, int y)>& texel)
{
    Texture texture;
    createTexture(texture, 256, 256);
    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            Rgb c = texel(x, y);
            uint8_t* p = texture.pixels + (y * 256 + x) * 4;
            p[0] = c.r, p[1] = c.g, p[2] = c.b, p[3] = 0;
        }
    uploadTexture(texture);
    return texture;
}

// Red top left, green top right, blue bottom left, white bottom right.
Rgb quadrants(int x, int y)
{
    if (y < 128)
        return x < 128 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
    return x < 128 ? Rgb{0, 0, 255} : Rgb{255, 255, 255};
}

class Overlays : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        setInitialGlState();
        setProjection(640, 480);
        glMatrixMode(GL_MODELVIEW);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
};

void expectColour(Rgba p, int r, int g, int b, const char* what)
{
    EXPECT_NEAR(p.r, r, 2) << what;
    EXPECT_NEAR(p.g, g, 2) << what;
    EXPECT_NEAR(p.b, b, 2) << what;
}

// The rows of the frame that hold at least one lit pixel, and whether every
// pixel of those rows away from the left and right edge is lit.
struct Coverage {
    int firstRow = -1, lastRow = -1;
    bool rowsFull = true;
};

Coverage coverage()
{
    std::vector<uint8_t> frame(640 * 480 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    Coverage result;
    for (int row = 0; row < 480; row++) {
        const uint8_t* line = frame.data() + (479 - row) * 640 * 4;  // row 0 at the top
        int lit = 0;
        for (int x = 2; x < 638; x++)
            lit += (line[x * 4] | line[x * 4 + 1] | line[x * 4 + 2]) != 0;
        if (lit == 0)
            continue;
        if (result.firstRow < 0)
            result.firstRow = row;
        result.lastRow = row;
        result.rowsFull = result.rowsFull && lit == 636;
    }
    return result;
}

}  // namespace

TEST_F(Overlays, ScreenQuadCoversFrameOrStripUprightAndUnmirrored)
{
    Texture picture = makeTexture(quadrants);
    drawScreenQuad(picture, 320, 240);
    Coverage full = coverage();
    EXPECT_LE(full.firstRow, 1);
    EXPECT_GE(full.lastRow, 478);
    EXPECT_TRUE(full.rowsFull);
    // At depth 287 one unit is a little less than a pixel: the quad falls
    // just short of the outermost columns.
    for (int column : {0, 639}) {
        Rgba p = readPixel(column, 100);
        EXPECT_EQ(p.r + p.g + p.b, 0) << column;
    }
    expectColour(readPixel(2, 2), 255, 0, 0, "top left");
    expectColour(readPixel(637, 2), 0, 255, 0, "top right");
    expectColour(readPixel(2, 477), 0, 0, 255, "bottom left");
    expectColour(readPixel(637, 477), 255, 255, 255, "bottom right");

    glClear(GL_COLOR_BUFFER_BIT);
    drawScreenQuad(picture, 320, 17);
    Coverage strip = coverage();
    EXPECT_NEAR(strip.firstRow, 240 - 17, 1);
    EXPECT_NEAR(strip.lastRow, 240 + 17 - 1, 1);
    EXPECT_TRUE(strip.rowsFull);
    expectColour(readPixel(10, 230), 255, 0, 0, "strip top left");
    expectColour(readPixel(630, 230), 0, 255, 0, "strip top right");
    expectColour(readPixel(10, 250), 0, 0, 255, "strip bottom left");
    expectColour(readPixel(630, 250), 255, 255, 255, "strip bottom right");
}

TEST_F(Overlays, ScreenQuadRestoresTheSceneStateButLeavesTexturingOn)
{
    Texture picture = makeTexture(quadrants);
    // Decal mode left by a sphere-mapped draw changes nothing: the quad is
    // white and unlit either way.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glEnable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glDisable(GL_COLOR_MATERIAL);
    drawScreenQuad(picture, 320, 240);
    expectColour(readPixel(100, 100), 255, 0, 0, "own colours in decal mode");

    for (GLenum on : {GL_DEPTH_TEST, GL_LIGHTING, GL_CULL_FACE, GL_COLOR_MATERIAL, GL_TEXTURE_2D})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    GLint value = 0;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CW);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(GLuint(value), picture.name);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
}

TEST_F(Overlays, FadedQuadAddsTexelTimesAlphaToDestinationTimesTexel)
{
    Texture picture = makeTexture([](int, int) { return Rgb{204, 102, 51}; });  // 0.8, 0.4, 0.2
    const struct {
        float alpha;
        float destination;
        int r, g, b;
    } cases[] = {
        {0.0f, 0.0f, 0, 0, 0},
        {1.0f, 0.0f, 204, 102, 51},
        {0.5f, 0.0f, 102, 51, 26},
        {0.5f, 1.0f, 255, 153, 77},  // 0.4 + 0.8, 0.2 + 0.4, 0.1 + 0.2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alpha << " over " << c.destination);
        glClearColor(c.destination, c.destination, c.destination, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawFadedQuad(picture, 213, 12, c.alpha);
        expectColour(readPixel(320, 240), c.r, c.g, c.b, "inside");
        expectColour(readPixel(320, 200), int(c.destination * 255), int(c.destination * 255),
                     int(c.destination * 255), "outside the strip");
    }

    for (GLenum on : {GL_BLEND, GL_TEXTURE_2D, GL_CULL_FACE, GL_LIGHTING, GL_DEPTH_TEST})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    for (GLenum off : {GL_DITHER, GL_FOG, GL_ALPHA_TEST, GL_COLOR_LOGIC_OP, GL_STENCIL_TEST})
        EXPECT_FALSE(glIsEnabled(off)) << off;
}

TEST_F(Overlays, LightPositionGoesThroughTheModelviewAndSwitchesTheLightOn)
{
    glLoadIdentity();
    glRotatef(90, 0, 1, 0);  // turns +z into +x
    for (int32_t index : {0, 1}) {
        glDisable(GL_LIGHT0 + index);
        setLightPosition(index, 0, 0, 1, 0);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0 + index));
        GLfloat position[4];
        glGetLightfv(GL_LIGHT0 + index, GL_POSITION, position);
        EXPECT_NEAR(position[0], 1, 1e-5);
        EXPECT_NEAR(position[1], 0, 1e-5);
        EXPECT_NEAR(position[2], 0, 1e-5);
        EXPECT_EQ(position[3], 0);
    }
}
