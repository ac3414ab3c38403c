// Small pictures drawn through the OpenGL 1.1 that kvistra calls, with their
// pixels known in advance. The desktop tree draws them with Mesa's fixed
// function, the OpenGL ES tree through the gl11 layer: both must show the
// same, so each case checks the layer against GL 1.1 itself.
#include "gl11/gl.h"
#include "platform/headless_gl.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int size = 64;

struct Rgb {
    int r, g, b;
};

Rgb scaled(float r, float g, float b)
{
    auto level = [](float v) {
        return static_cast<int>(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255));
    };
    return {level(r), level(g), level(b)};
}

class PixelCases : public ::testing::Test {
protected:
    void SetUp() override
    {
        // One context for the whole program: the layer keeps the ES objects
        // of the context it started in.
        static HeadlessGl gl;
        static std::string error;
        if (gl.display == nullptr && error.empty() && !createHeadlessGl(gl, size, size, error) &&
            error.empty())
            error = "no context";
        ASSERT_NE(gl.display, nullptr) << error;
        // The clear colour first: in a fresh process the layer starts on it.
        glClearColor(0.2f, 0.4f, 0.6f, 0);
        glViewport(0, 0, size, size);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        // Whole-number x and y land on pixel corners: (x, y) at window
        // (x, y); z from -64 to 64 spans the depth range.
        glTranslatef(-1, -1, 0);
        glScalef(2.0f / size, 2.0f / size, 1.0f / size);
        glDisable(GL_DITHER);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // The frame, read back in one piece; (0, 0) is the bottom-left pixel.
    void readFrame()
    {
        frame.assign(size * size * 3, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
    }

    Rgb at(int x, int y) const
    {
        const uint8_t* p = &frame[(y * size + x) * 3];
        return {p[0], p[1], p[2]};
    }

    void expectPixel(int x, int y, Rgb expected, const std::string& what, int tolerance = 2) const
    {
        Rgb p = at(x, y);
        EXPECT_TRUE(std::abs(p.r - expected.r) <= tolerance && std::abs(p.g - expected.g) <= tolerance &&
            std::abs(p.b - expected.b) <= tolerance)
            << what << " at (" << x << ", " << y << "): " << p.r << " " << p.g << " " << p.b << ", expected "
            << expected.r << " " << expected.g << " " << expected.b;
    }

    std::vector<uint8_t> frame;
    const Rgb background = scaled(0.2f, 0.4f, 0.6f);
};

const Rgb palette[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}, {0, 255, 255}, {255, 0, 255},
    {255, 255, 255}, {128, 0, 0}};

void colour(int i)
{
    glColor3f(palette[i].r / 255.0f, palette[i].g / 255.0f, palette[i].b / 255.0f);
}

// A square of side s at (x, y), corners counter-clockwise from the
// bottom-left, or clockwise; vertex i takes colour first + i.
void square(int x, int y, int s, bool clockwise = false, int first = 0)
{
    const int corners[4][2] = {{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}};
    for (int i = 0; i < 4; i++) {
        colour(first + i);
        const int* c = corners[clockwise ? (4 - i) % 4 : i];
        glVertex3i(c[0], c[1], 0);
    }
}

}  // namespace

TEST_F(PixelCases, FlatShadingTakesGl11sVertexOfEachPrimitive)
{
    glShadeModel(GL_FLAT);
    glBegin(GL_QUADS);
    square(2, 2, 16);
    square(22, 2, 16, false, 4);
    glEnd();
    glBegin(GL_POLYGON);
    const int pentagon[5][2] = {{44, 2}, {60, 2}, {62, 12}, {52, 20}, {42, 12}};
    for (int i = 0; i < 5; i++)
        colour(i + 2), glVertex3i(pentagon[i][0], pentagon[i][1], 0);
    glEnd();
    // Lines through pixel centres: half a pixel up and right.
    glPushMatrix();
    glTranslatef(0.5f, 0.5f, 0);
    glBegin(GL_LINES);
    colour(0), glVertex3i(2, 30, 0), colour(1), glVertex3i(60, 30, 0);
    colour(2), glVertex3i(10, 32, 0), colour(3), glVertex3i(10, 60, 0);
    glEnd();
    glLineWidth(5);
    glBegin(GL_LINES);
    colour(4), glVertex3i(20, 40, 0), colour(5), glVertex3i(60, 40, 0);
    colour(6), glVertex3i(40, 46, 0), colour(7), glVertex3i(42, 62, 0);
    glEnd();
    glLineWidth(1);
    glPopMatrix();
    glShadeModel(GL_SMOOTH);
    readFrame();

    // Both triangles of each quad, whichever way it is cut.
    for (auto [x, y] : {std::pair{10, 3}, {17, 10}, {10, 17}, {3, 10}}) {
        expectPixel(x, y, palette[3], "quad: its fourth vertex");
        expectPixel(x + 20, y, palette[7], "the second quad of the glBegin: its fourth vertex");
    }
    for (auto [x, y] : {std::pair{58, 5}, {56, 14}, {46, 12}})
        expectPixel(x, y, palette[2], "polygon: its first vertex, in every triangle of the fan");
    expectPixel(30, 30, palette[1], "line: its second vertex");
    expectPixel(10, 50, palette[3], "vertical line");
    for (int y = 38; y <= 42; y++)
        expectPixel(30, y, palette[5], "5-pixel line across its minor axis");
    for (int x = 39; x <= 43; x++)
        expectPixel(x, 54, palette[7], "5-pixel y-major line");
    for (auto [x, y] : {std::pair{30, 37}, {30, 43}, {38, 54}, {44, 54}, {19, 40}, {30, 31}, {20, 2}})
        expectPixel(x, y, background, "outside every primitive: the clear colour set first");
}

TEST_F(PixelCases, CullingSeesTheWindingOfPolygonsAndQuadsButNeverOfWideLines)
{
    glShadeModel(GL_FLAT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    glBegin(GL_QUADS);
    square(2, 2, 12, true);
    square(18, 2, 12, false);
    glEnd();
    for (bool clockwise : {true, false}) {
        glBegin(GL_POLYGON);
        for (int i = 0; i < 5; i++) {
            int k = clockwise ? 4 - i : i;
            const int pentagon[5][2] = {{2, 20}, {14, 20}, {16, 28}, {8, 34}, {0, 28}};
            colour(0), glVertex3i(pentagon[k][0] + (clockwise ? 0 : 20), pentagon[k][1], 0);
        }
        glEnd();
    }
    glLineWidth(5);
    glBegin(GL_LINES);
    colour(1), glVertex3i(2, 50, 0), glVertex3i(30, 50, 0);
    colour(1), glVertex3i(60, 56, 0), glVertex3i(34, 56, 0);
    glEnd();
    glLineWidth(1);
    glBegin(GL_QUADS);
    square(44, 20, 12, false);
    glEnd();
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glShadeModel(GL_SMOOTH);
    readFrame();

    expectPixel(8, 8, palette[3], "clockwise quad, front");
    expectPixel(24, 8, background, "counter-clockwise quad, culled");
    expectPixel(8, 26, palette[0], "clockwise polygon, front");
    expectPixel(28, 26, background, "counter-clockwise polygon, culled");
    expectPixel(16, 50, palette[1], "wide line one way");
    expectPixel(46, 56, palette[1], "wide line the other way");
    expectPixel(50, 26, background, "culled again after the wide lines");
}

TEST_F(PixelCases, GlClampBlendsItsBlackBorderUnderLinearFilteringOnly)
{
    // 2 x 2 texels given as RGBA and stored as RGB, kvistra's upload.
    const uint8_t texels[16] = {255, 0, 0, 9, 0, 255, 0, 9, 0, 0, 255, 9, 255, 255, 255, 9};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    // The second case changes only t's wrap: the border must leave t alone.
    const struct {
        GLint wrapS, wrapT, filter;
    } cases[] = {{GL_CLAMP, GL_CLAMP, GL_LINEAR}, {GL_CLAMP, GL_REPEAT, GL_LINEAR},
        {GL_REPEAT, GL_REPEAT, GL_LINEAR}, {GL_CLAMP, GL_CLAMP, GL_NEAREST}};
    // Each case a 16 x 16 square with the whole texture, one beside the other.
    for (int c = 0; c < 4; c++) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, cases[c].wrapS);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, cases[c].wrapT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, cases[c].filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, cases[c].filter);
        glColor3f(1, 1, 1);
        glBegin(GL_QUADS);
        const int x = c * 16, corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (auto [s, t] : corners)
            glTexCoord2f(float(s), float(t)), glVertex3i(x + s * 16, t * 16, 0);
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
    readFrame();

    // GL 1.1's filter: texel (i, j) for i, j in 0..1, outside them the
    // border (black) under GL_CLAMP, the texture again under GL_REPEAT.
    for (int c = 0; c < 4; c++) {
        auto texel = [&](int i, int j, int channel) -> float {
            if (cases[c].wrapS == GL_REPEAT)
                i &= 1;
            if (cases[c].wrapT == GL_REPEAT)
                j &= 1;
            if (i < 0 || i > 1 || j < 0 || j > 1)
                return 0;
            return texels[(j * 2 + i) * 4 + channel] / 255.0f;
        };
        for (int y = 0; y < 16; y++) {
            for (int x = 0; x < 16; x++) {
                float u = (x + 0.5f) / 8 - 0.5f, v = (y + 0.5f) / 8 - 0.5f;
                float rgb[3];
                for (int channel = 0; channel < 3; channel++) {
                    if (cases[c].filter == GL_NEAREST) {
                        rgb[channel] = texel(int(std::floor(u + 0.5f)), int(std::floor(v + 0.5f)), channel);
                        continue;
                    }
                    int i = int(std::floor(u)), j = int(std::floor(v));
                    float a = u - i, b = v - j;
                    rgb[channel] = (1 - a) * (1 - b) * texel(i, j, channel) +
                        a * (1 - b) * texel(i + 1, j, channel) + (1 - a) * b * texel(i, j + 1, channel) +
                        a * b * texel(i + 1, j + 1, channel);
                }
                expectPixel(c * 16 + x, y, scaled(rgb[0], rgb[1], rgb[2]), "case " + std::to_string(c), 3);
            }
        }
    }
}

TEST_F(PixelCases, ReadBackPacksRowsAsGlPackAlignmentSays)
{
    // Row 0 one colour, row 1 another, from x = 0 on.
    glBegin(GL_QUADS);
    colour(0), glVertex3i(0, 0, 0), glVertex3i(8, 0, 0), glVertex3i(8, 1, 0), glVertex3i(0, 1, 0);
    colour(4), glVertex3i(0, 1, 0), glVertex3i(8, 1, 0), glVertex3i(8, 2, 0), glVertex3i(0, 2, 0);
    glEnd();
    const struct {
        GLenum format;
        int width, alignment, rowBytes;
    } cases[] = {{GL_RGB, 3, 1, 9}, {GL_RGB, 3, 2, 10}, {GL_RGB, 3, 4, 12}, {GL_RGB, 3, 8, 16},
        {GL_RGB, 5, 4, 16}, {GL_RGBA, 5, 8, 24}, {GL_RGBA, 3, 1, 12}};
    for (const auto& c : cases) {
        int components = c.format == GL_RGB ? 3 : 4;
        std::vector<uint8_t> out(64, 0xab);
        glPixelStorei(GL_PACK_ALIGNMENT, c.alignment);
        glReadPixels(0, 0, c.width, 2, c.format, GL_UNSIGNED_BYTE, out.data());
        std::vector<uint8_t> expected(64, 0xab);
        for (int row = 0; row < 2; row++) {
            for (int x = 0; x < c.width; x++) {
                uint8_t* p = &expected[row * c.rowBytes + x * components];
                Rgb rgb = palette[row == 0 ? 0 : 4];
                p[0] = uint8_t(rgb.r), p[1] = uint8_t(rgb.g), p[2] = uint8_t(rgb.b);
                if (components == 4)
                    p[3] = out[row * c.rowBytes + x * 4 + 3];  // the surface's alpha, whatever it keeps
            }
        }
        EXPECT_EQ(out, expected) << c.width << " pixels of " << components << " at alignment " << c.alignment;
    }
}

TEST_F(PixelCases, MatrixStacksHoldThirtyTwoMatricesEach)
{
    // Forty pushes, each followed by a step of one pixel to the right: the
    // last nine steps all land on the 32nd matrix.
    glShadeModel(GL_FLAT);
    for (int i = 0; i < 40; i++)
        glPushMatrix(), glTranslatef(1, 0, 0);
    for (int i = 0; i < 10; i++)
        glPopMatrix();
    glBegin(GL_QUADS);
    square(0, 10, 1);  // drawn with the 22nd matrix: 21 steps
    glEnd();
    for (int i = 0; i < 40; i++)
        glPopMatrix();
    glBegin(GL_QUADS);
    square(0, 20, 1);  // the first matrix, no step
    glEnd();
    // The projection's own stack: steps of one pixel up.
    glMatrixMode(GL_PROJECTION);
    for (int i = 0; i < 33; i++)
        glPushMatrix(), glTranslatef(0, 2.0f / size, 0);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glBegin(GL_QUADS);
    square(40, 0, 1);  // the 31st projection matrix: 30 steps
    glEnd();
    glMatrixMode(GL_PROJECTION);
    for (int i = 0; i < 40; i++)
        glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glShadeModel(GL_SMOOTH);
    readFrame();

    expectPixel(21, 10, palette[3], "the modelview after overflow and ten pops");
    expectPixel(20, 10, background, "one step short");
    expectPixel(22, 10, background, "one step more");
    expectPixel(0, 20, palette[3], "the modelview after underflow");
    expectPixel(40, 30, palette[3], "the projection after overflow and one pop");
    expectPixel(40, 31, background, "one step more");
}

// Light 0 towards (0, y, z), placed through a modelview turned about x.
void placeLight(float y, float z, float turn)
{
    const GLfloat position[4] = {0, y, z, 0};
    glPushMatrix(), glLoadIdentity(), glRotatef(turn, 1, 0, 0);
    glLightfv(GL_LIGHT0, GL_POSITION, position), glPopMatrix();
}

void setSpecular(float level, float shininess)
{
    const GLfloat specular[4] = {level, level, level, 1};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &shininess);
}

using Corners = std::array<std::array<float, 3>, 4>;

Corners same(float r, float g, float b)
{
    return {{{r, g, b}, {r, g, b}, {r, g, b}, {r, g, b}}};
}

TEST_F(PixelCases, EachStateChangeReachesTheNextPrimitive)
{
    // Steps in order, each a change and then a square of its own (8 x 8,
    // eight to a row) with the colour it must show at its centre.
    const struct {
        const char* what;
        void (*change)();
        Corners colours;
        Rgb expected;
        int z;
    } steps[] = {
        {"smooth, one colour", [] {}, same(1, 0, 0), scaled(1, 0, 0), 0},
        {"flat", [] { glShadeModel(GL_FLAT); }, {{{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 0, 1}}},
            scaled(0, 0, 1), 0},
        // Colours linear across the square, as both ways of cutting a quad
        // into triangles interpolate them (GL leaves the cut open).
        {"smooth again", [] { glShadeModel(GL_SMOOTH); }, {{{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}},
            scaled(0, 4.5f / 8, 4.5f / 8), 0},
        {"lit from ahead: ambient 0.2, diffuse 1",
            [] {
                placeLight(0, 1, 0), glEnable(GL_COLOR_MATERIAL), glEnable(GL_LIGHT0), glEnable(GL_LIGHTING);
            },
            same(0.5f, 0.25f, 0), scaled(0.6f, 0.3f, 0), 0},
        {"the light turned from up to (0, 0.6, 0.8): diffuse 0.8",
            [] { placeLight(1, 0, std::atan2(0.8f, 0.6f) * 180 / M_PI); }, same(0.5f, 0.25f, 0),
            scaled(0.5f, 0.25f, 0), 0},
        {"specular, halfway between the light and the eye", [] { setSpecular(0.5f, 1); },
            same(0.25f, 0.25f, 0),
            scaled(0.25f + 0.45f / std::sqrt(0.9f), 0.25f + 0.45f / std::sqrt(0.9f), 0.45f / std::sqrt(0.9f)),
            0},
        {"unlit", [] { setSpecular(0, 0), glDisable(GL_LIGHTING); }, same(1, 1, 0), scaled(1, 1, 0), 0},
        {"blue fog at eye distance 0.5",
            [] {
                const GLfloat blue[4] = {0, 0, 1, 0};
                glFogi(GL_FOG_MODE, GL_EXP), glFogfv(GL_FOG_COLOR, blue), glFogf(GL_FOG_DENSITY, 1);
                glEnable(GL_FOG);
            },
            same(1, 1, 0), scaled(std::exp(-0.5f), std::exp(-0.5f), 1 - std::exp(-0.5f)), -32},
        {"denser fog", [] { glFogf(GL_FOG_DENSITY, 2); }, same(1, 1, 0),
            scaled(std::exp(-1.0f), std::exp(-1.0f), 1 - std::exp(-1.0f)), -32},
        {"no fog", [] { glDisable(GL_FOG); }, same(1, 1, 0), scaled(1, 1, 0), -32},
        {"blending with GL's default function replaces", [] { glEnable(GL_BLEND); }, same(0, 0.5f, 0),
            scaled(0, 0.5f, 0), 0},
        {"the depth test is off by default: the far square covers a near one",
            [] { glDisable(GL_BLEND), glBegin(GL_QUADS), square(8 * 3 + 2, 8 + 2, 4), glEnd(); },
            same(0, 1, 1), scaled(0, 1, 1), 20},
    };
    glNormal3d(0, 0, 1.0 / size);  // the modelview scales z by 1/64: an eye normal of length 1
    for (size_t slot = 0; slot < std::size(steps); slot++) {
        steps[slot].change();
        int x = slot % 8 * 8, y = slot / 8 * 8;
        const int corners[4][2] = {{x, y}, {x + 8, y}, {x + 8, y + 8}, {x, y + 8}};
        glBegin(GL_QUADS);
        for (int i = 0; i < 4; i++) {
            const auto& c = steps[slot].colours[i];
            glColor4f(c[0], c[1], c[2], 0.5f), glVertex3i(corners[i][0], corners[i][1], steps[slot].z);
        }
        glEnd();
    }
    readFrame();
    for (size_t slot = 0; slot < std::size(steps); slot++)
        expectPixel(slot % 8 * 8 + 4, slot / 8 * 8 + 4, steps[slot].expected, steps[slot].what);
}

TEST_F(PixelCases, AdditiveBlendingShowsEachPrimitiveOnceAndEveryRepeatedWideLine)
{
    // Additive: a primitive drawn twice shows twice as bright.
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(0.25f, 0.25f, 0.25f);
    glBegin(GL_QUADS);
    glVertex3i(2, 2, 0), glVertex3i(10, 2, 0), glVertex3i(10, 10, 0), glVertex3i(2, 10, 0);
    glEnd();
    glEnd();  // a second glEnd adds nothing
    glBegin(GL_QUADS);
    glVertex3i(30, 2, 0), glVertex3i(38, 2, 0), glVertex3i(38, 10, 0);
    glEnd();  // an incomplete quad draws nothing
    // The same wide line three times, the second the other way: without
    // the depth test, blending shows every one.
    glLineWidth(3);
    glBegin(GL_LINES);
    glVertex3i(2, 30, 0), glVertex3i(40, 30, 0), glVertex3i(40, 30, 0), glVertex3i(2, 30, 0);
    glVertex3i(2, 30, 0), glVertex3i(40, 30, 0);
    glEnd();
    glLineWidth(1);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    readFrame();

    expectPixel(6, 6, scaled(0.25f, 0.25f, 0.25f), "one quad, once");
    expectPixel(36, 4, Rgb{0, 0, 0}, "incomplete quad");
    expectPixel(20, 30, scaled(0.75f, 0.75f, 0.75f), "three wide lines");
}
