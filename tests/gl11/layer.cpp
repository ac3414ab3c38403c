// The OpenGL ES layer's parts that need no GL context: the DrawState of a
// GL 1.1 state, the indices a primitive leaves in the batch, wide lines and
// the repeats left out, matrix stacks at their limits, row layout and the
// RGBA to RGB repack, immediate mode's vertices, and the fatal path for what
// the layer does not implement.
#include "gl11/batch.h"
#include "gl11/pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

bool sameDraw(const GlState& a, const GlState& b)
{
    DrawState x = drawStateOf(a), y = drawStateOf(b);
    return std::memcmp(&x, &y, sizeof x) == 0;
}

// Everything the shaders take switched on.
GlState everythingOn()
{
    GlState gl;
    gl.lighting = gl.light0 = gl.colourMaterial = true;
    float light[4] = {3, 0, 4, 0}, specular[4] = {0.5f, 0.25f, 0.125f, 1};
    std::memcpy(gl.lightPosition, light, sizeof light);
    std::memcpy(gl.specular, specular, sizeof specular);
    gl.shininess = 7;
    gl.shadeModel = GL_FLAT;
    gl.texturing = gl.genS = gl.genT = gl.sphereMapS = true;
    textureRecord(gl, 3) = TextureRecord{GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_REPEAT, 64, 32};
    gl.boundTexture = 3;
    gl.envMode = GL_DECAL;
    gl.fog = true;
    gl.fogColour[2] = 0.75f;
    gl.fogDensity = 0.5f;
    return gl;
}

LayerVertex at(float x, float y, float red = 0)
{
    LayerVertex v{};
    v.position[0] = x, v.position[1] = y, v.colour[0] = red, v.colour[3] = 1;
    return v;
}

}  // namespace

TEST(LayerDrawState, TakesWhatTheShadersUse)
{
    DrawState s = drawStateOf(everythingOn());
    EXPECT_FLOAT_EQ(s.lightDirection[0], 0.6f);
    EXPECT_FLOAT_EQ(s.lightDirection[2], 0.8f);
    // Infinite viewer: halfway between the light and (0, 0, 1).
    const float length = std::sqrt(0.6f * 0.6f + 1.8f * 1.8f);
    EXPECT_FLOAT_EQ(s.halfVector[0], 0.6f / length);
    EXPECT_FLOAT_EQ(s.halfVector[1], 0.0f);
    EXPECT_FLOAT_EQ(s.halfVector[2], 1.8f / length);
    EXPECT_EQ(s.sphereS, 1);
    EXPECT_EQ(s.sphereT, 0) << "generation on, but eye-linear";
    EXPECT_EQ(s.borderS, 1) << "GL_CLAMP under linear filtering";
    EXPECT_EQ(s.borderT, 0) << "GL_REPEAT";
    EXPECT_NEAR(s.fogScale, 0.5 / std::log(2.0), 1e-6) << "exp(-d z) as exp2";
}

TEST(LayerDrawState, StateWithoutEffectLeavesItAsItIs)
{
    // Each case: what is switched off in both states, then what differs
    // between them, and whether the DrawState must tell them apart.
    using Change = void (*)(GlState&);
    const struct {
        const char* what;
        Change off, change;
        bool seen;
    } cases[] = {
        {"the light, lit", [](GlState&) {}, [](GlState& g) { g.lightPosition[1] = 1; }, true},
        {"the light, unlit", [](GlState& g) { g.lighting = false; },
            [](GlState& g) { g.lightPosition[1] = 1; }, false},
        {"the light, light 0 off", [](GlState& g) { g.light0 = false; },
            [](GlState& g) { g.lightPosition[1] = 1; }, false},
        {"the material, unlit", [](GlState& g) { g.lighting = false; }, [](GlState& g) { g.shininess = 1; },
            false},
        {"the texture, untextured", [](GlState& g) { g.texturing = false; },
            [](GlState& g) { g.boundTexture = 0; }, false},
        {"the environment, untextured", [](GlState& g) { g.texturing = false; },
            [](GlState& g) { g.envMode = GL_MODULATE; }, false},
        {"GL_CLAMP on t", [](GlState&) {}, [](GlState& g) { g.textures[3].wrapT = GL_CLAMP; }, true},
        {"GL_CLAMP on t, nearest", [](GlState& g) { g.textures[3].magFilter = GL_NEAREST; },
            [](GlState& g) { g.textures[3].wrapT = GL_CLAMP; }, false},
        {"the minifying filter", [](GlState&) {}, [](GlState& g) { g.textures[3].minFilter = GL_NEAREST; },
            false},
        {"sphere map on t", [](GlState&) {}, [](GlState& g) { g.sphereMapT = true; }, true},
        {"the fog colour, no fog", [](GlState& g) { g.fog = false; }, [](GlState& g) { g.fogColour[0] = 1; },
            false},
    };
    for (const auto& c : cases) {
        GlState a = everythingOn();
        c.off(a);
        GlState b = a;
        c.change(b);
        EXPECT_EQ(!sameDraw(a, b), c.seen) << c.what;
    }
}

TEST(LayerIndices, EveryTriangleEndsOnGl11sFlatShadingVertexAndKeepsTheWinding)
{
    // Counter-clockwise outlines: a pentagon, and two squares with three
    // vertices of a third that GL drops.
    const std::vector<LayerVertex> pentagon = {at(0, 0), at(4, 0), at(6, 3), at(2, 6), at(-2, 3)};
    const std::vector<LayerVertex> quads = {at(0, 0), at(2, 0), at(2, 2), at(0, 2), at(5, 0), at(9, 0),
        at(9, 4), at(5, 4), at(0, 9), at(1, 9), at(1, 10)};
    const struct {
        GLenum mode;
        const std::vector<LayerVertex>& vertices;
        std::vector<uint32_t> flatVertex;  // GL 1.1's, of each triangle
        float area;
    } cases[] = {
        {GL_POLYGON, pentagon, {0, 0, 0}, 30},  // the first vertex
        {GL_QUADS, quads, {3, 3, 7, 7}, 20},    // each quad's fourth
    };
    for (const auto& c : cases) {
        Batch batch;
        batch.kind = BatchKind::triangles;
        batch.vertices.resize(2);  // a primitive before
        addPrimitive(batch, c.mode, c.vertices.data(), c.vertices.size(), LineRaster{});
        ASSERT_EQ(batch.vertices.size(), c.vertices.size() + 2);
        ASSERT_EQ(batch.indices.size(), c.flatVertex.size() * 3) << c.mode;
        float area = 0;
        for (size_t t = 0; t < c.flatVertex.size(); t++) {
            const uint32_t* i = &batch.indices[t * 3];
            EXPECT_EQ(i[2], c.flatVertex[t] + 2) << c.mode << " triangle " << t;
            const float* p[3] = {
                batch.vertices[i[0]].position, batch.vertices[i[1]].position, batch.vertices[i[2]].position};
            float twice =
                (p[1][0] - p[0][0]) * (p[2][1] - p[0][1]) - (p[2][0] - p[0][0]) * (p[1][1] - p[0][1]);
            EXPECT_GT(twice, 0) << c.mode << " triangle " << t << " turns the other way";
            area += twice / 2;
        }
        EXPECT_EQ(area, c.area) << c.mode << ": the triangles cover the outline once";
    }

    // Lines: the second vertex of each pair; an odd last vertex is dropped.
    Batch lines;
    lines.kind = BatchKind::lines;
    const LayerVertex five[5] = {at(0, 0), at(1, 0), at(2, 0), at(3, 0), at(4, 0)};
    addPrimitive(lines, GL_LINES, five, 5, LineRaster{});
    EXPECT_EQ(lines.indices, (std::vector<uint32_t>{0, 1, 2, 3}));
}

TEST(LayerWideLines, EachSegmentIsAQuadAcrossItsMinorAxisEndingOnTheSecondVertex)
{
    // Identity matrices: positions are normalised device coordinates, on a
    // 100 x 50 viewport; 5 pixels wide.
    Batch batch;
    batch.kind = BatchKind::wideLines;
    for (float* m : {batch.state.modelview.m, batch.state.projection.m})
        m[0] = m[5] = m[10] = m[15] = 1;
    const LineRaster raster{5, 100, 50, false};
    const LayerVertex ends[7] = {at(-0.5f, 0, 1), at(0.5f, 0.2f, 2), at(0, -0.5f, 3), at(0.1f, 0.5f, 4),
        at(0, 0, 5), at(0.25f, 0.5f, 6), at(9, 9)};
    addWideLines(batch, ends, 7, raster);
    ASSERT_EQ(batch.vertices.size(), 12u) << "three segments; the odd end is dropped";
    ASSERT_EQ(batch.indices.size(), 18u);
    // The first is x-major: shifted vertically by 2.5 of 50 pixels, in NDC;
    // the second y-major: horizontally by 2.5 of 100; the third, 12.5
    // pixels both ways, x-major as GL has it.
    const float shift[3][2] = {{0, 0.1f}, {0.05f, 0}, {0, 0.1f}};
    for (int segment = 0; segment < 3; segment++) {
        for (int corner = 0; corner < 4; corner++) {
            const LayerVertex& v = batch.vertices[segment * 4 + corner];
            float side = corner % 2 ? 1.0f : -1.0f;
            EXPECT_EQ(v.colour[0], ends[segment * 2 + corner / 2].colour[0]);
            EXPECT_FLOAT_EQ(v.offset[0], side * shift[segment][0]) << segment << ", " << corner;
            EXPECT_FLOAT_EQ(v.offset[1], side * shift[segment][1]) << segment << ", " << corner;
        }
        for (int triangle = 0; triangle < 2; triangle++) {
            uint32_t last = batch.indices[segment * 6 + triangle * 3 + 2];
            EXPECT_EQ(batch.vertices[last].colour[0], ends[segment * 2 + 1].colour[0])
                << "flat: the second vertex";
        }
    }
}

TEST(LayerWideLines, ARepeatedSegmentIsLeftOutOnlyWhereItCannotShow)
{
    auto coloured = [](LayerVertex v, float green) {
        v.colour[1] = green;
        return v;
    };
    const LayerVertex a = at(0, 0), b = at(1, 1);
    const struct {
        const char* what;
        bool repeatsInvisible;
        LayerVertex first[2], second[2];
        size_t quads;
    } cases[] = {
        {"the same way", true, {a, b}, {a, b}, 1},
        {"the other way", true, {a, b}, {b, a}, 1},
        {"where repeats show (blending, no depth test)", false, {a, b}, {b, a}, 2},
        {"in another colour", true, {a, b}, {coloured(a, 1), coloured(b, 1)}, 2},
        {"with ends of two colours", true, {a, coloured(b, 1)}, {a, coloured(b, 1)}, 2},
        {"another segment from the same end", true, {a, b}, {a, at(1, 2)}, 2},
    };
    for (const auto& c : cases) {
        Batch batch;
        batch.kind = BatchKind::wideLines;
        const LineRaster raster{5, 640, 480, c.repeatsInvisible};
        addWideLines(batch, c.first, 2, raster);
        addWideLines(batch, c.second, 2, raster);
        EXPECT_EQ(batch.vertices.size(), c.quads * 4) << c.what;
        EXPECT_EQ(batch.indices.size(), c.quads * 6) << c.what;
    }

    // A batch drawn forgets its segments; thousands of them are all found.
    Batch batch;
    batch.kind = BatchKind::wideLines;
    const LineRaster raster{5, 640, 480, true};
    std::vector<LayerVertex> grid;
    for (int i = 0; i < 3000; i++)
        grid.insert(grid.end(), {at(float(i % 60), float(i / 60)), at(float(i % 60 + 1), float(i / 60))});
    addWideLines(batch, grid.data(), grid.size(), raster);
    ASSERT_EQ(batch.vertices.size(), 12000u);
    std::vector<LayerVertex> reversed(grid.rbegin(), grid.rend());
    addWideLines(batch, reversed.data(), reversed.size(), raster);
    EXPECT_EQ(batch.vertices.size(), 12000u) << "every repeat found again after the table grew";
    emptyBatch(batch);
    addWideLines(batch, grid.data(), 2, raster);
    EXPECT_EQ(batch.vertices.size(), 4u) << "a new batch draws the segment again";
}

TEST(LayerMatrixStacks, PushesPastThirtyTwoAndPopsOfTheLastMatrixChangeNothing)
{
    MatrixStack stack;
    for (int depth = 2; depth <= 32; depth++) {
        ASSERT_TRUE(pushMatrix(stack));
        topMatrix(stack).m[12] = static_cast<float>(depth);
    }
    EXPECT_FALSE(pushMatrix(stack));
    EXPECT_EQ(stack.depth, 32);
    EXPECT_EQ(topMatrix(stack).m[12], 32.0f);
    for (int depth = 31; depth >= 2; depth--) {
        ASSERT_TRUE(popMatrix(stack));
        EXPECT_EQ(topMatrix(stack).m[12], static_cast<float>(depth));
    }
    ASSERT_TRUE(popMatrix(stack));
    EXPECT_EQ(topMatrix(stack).m[12], 0.0f);
    EXPECT_EQ(topMatrix(stack).m[0], 1.0f) << "the identity at the bottom";
    EXPECT_FALSE(popMatrix(stack));
    EXPECT_EQ(stack.depth, 1);
}

TEST(LayerPixels, RowsAreAlignedAsGlPacksThemAndTheRepackKeepsTheBytesBetween)
{
    const struct {
        size_t width, bytesPerPixel, alignment, rowBytes;
    } rows[] = {{3, 3, 1, 9}, {3, 3, 2, 10}, {3, 3, 4, 12}, {3, 3, 8, 16}, {4, 3, 4, 12}, {5, 4, 8, 24},
        {1, 3, 8, 8}, {0, 3, 4, 0}, {2, 4, 4, 8}};
    for (const auto& r : rows)
        EXPECT_EQ(alignedRowBytes(r.width, r.bytesPerPixel, r.alignment), r.rowBytes)
            << r.width << " x " << r.bytesPerPixel << " at " << r.alignment;

    // Two rows of three RGBA pixels 16 bytes apart into RGB rows 12 apart.
    uint8_t rgba[32];
    for (int i = 0; i < 32; i++)
        rgba[i] = static_cast<uint8_t>(i);
    uint8_t rgb[24];
    std::memset(rgb, 0xee, sizeof rgb);
    rgbaToRgb(rgba, 16, rgb, 12, 3, 2);
    const uint8_t expected[24] = {
        0, 1, 2, 4, 5, 6, 8, 9, 10, 0xee, 0xee, 0xee, 16, 17, 18, 20, 21, 22, 24, 25, 26, 0xee, 0xee, 0xee};
    EXPECT_EQ(std::memcmp(rgb, expected, sizeof rgb), 0);
}

TEST(LayerImmediateMode, VerticesTakeTheCurrentValuesBetweenBeginAndEndOnly)
{
    // No ES call happens before the batch is drawn, so no context is needed.
    gl11Vertex3i(9, 9, 9);
    gl11Begin(GL_POLYGON);
    gl11Color3f(1, 0, 0);
    gl11Vertex3i(1, 2, 3);
    gl11Color4f(0, 1, 0, 0.5f);
    gl11TexCoord2f(0.25f, 0.75f);
    gl11Normal3d(0, 1, 0);
    gl11Vertex3i(4, 5, 6);
    gl11Vertex3i(7, 8, 9);
    gl11End();
    EXPECT_EQ(glState.primitive, 0u) << "outside glBegin/glEnd again";
    gl11Vertex3i(10, 11, 12);
    gl11End();
    const std::vector<LayerVertex>& v = glState.primitiveVertices;
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].position[2], 3.0f);
    EXPECT_EQ(v[0].colour[0], 1.0f);
    EXPECT_EQ(v[0].texCoord[1], 0.0f);
    EXPECT_EQ(v[1].colour[3], 0.5f);
    EXPECT_EQ(v[2].colour[1], 1.0f);
    EXPECT_EQ(v[2].texCoord[1], 0.75f);
    EXPECT_EQ(v[2].normal[1], 1.0f);
}

TEST(LayerFatalPath, WhatTheLayerDoesNotImplementEndsTheProcessSayingWhat)
{
    const struct {
        void (*call)();
        const char* line;
    } cases[] = {
        {[] { gl11Enable(GL_ALPHA_TEST); }, "glEnable: 0x0BC0 is not implemented"},
        {[] { gl11Begin(GL_TRIANGLES); }, "glBegin: 0x0004 is not implemented"},
        {[] { gl11Fogi(GL_FOG_MODE, 0x2601); }, "glFogi: 0x2601 is not implemented"},  // GL_LINEAR
        {[] { gl11TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND); },
            "glTexEnv: 0x0BE2 is not implemented"},
        {[] {
             glState.lighting = glState.changed = true;
             gl11Begin(GL_QUADS);
         },
            "glBegin: lighting without GL_COLOR_MATERIAL is not implemented"},
        {[] {
             glState.texturing = glState.genT = glState.changed = true;
             gl11Begin(GL_QUADS);
         },
            "glBegin: texture coordinate generation other than GL_SPHERE_MAP is not implemented"},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(c.call(), ::testing::ExitedWithCode(1), std::string("^gl11: ") + c.line + "\n$");
}
