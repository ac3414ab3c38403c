// The mesh renderer, seen through the pixels it leaves: drawing paths,
// colour and brightness, transforms, filters, skipped objects and the GL
// state its draws leave for the next one.
#include "show_fixture.h"

#include <GL/gl.h>

#include <deque>

namespace {

// A corner in the plane 287 units in front of the camera, where one unit is
// about one pixel: (x, y) lands near pixel (320 + x, 240 - y). Normal +z.
Vertex corner(float x, float y, uint8_t u = 0, uint8_t v = 0)
{
    Vertex vertex;
    vertex.position = {x, y, -287}, vertex.normal = {0, 0, 1}, vertex.u = u, vertex.v = v;
    return vertex;
}

// A scene built by hand around a camera at the origin looking down -z.
struct TestScene {
    struct Mesh {
        std::vector<Vertex> vertices;
        std::vector<Face> faces;
        MeshObject object;
    };
    Camera camera;
    Scene scene;
    std::deque<Material> materials;
    std::deque<Mesh> meshes;
    std::vector<MeshObject*> list;

    TestScene() { camera.target = {0, 0, -1}, scene.currentCamera = &camera; }
    Material* material(DrawMode drawMode, float r, float g, float b, float a = 1, Texture* texture = nullptr)
    {
        return &materials.emplace_back(Material{texture, b, g, r, a, drawMode, 0, 0, {}});
    }
    // Every three corners make a face; face i takes faceMaterials[i].
    MeshObject& mesh(std::vector<Vertex> corners, std::vector<Material*> faceMaterials)
    {
        Mesh& m = meshes.emplace_back();
        m.vertices = std::move(corners);
        m.faces.resize(m.vertices.size() / 3);
        for (size_t i = 0; i < m.faces.size(); i++) {
            for (int c = 0; c < 3; c++)
                m.faces[i].corners[c] = &m.vertices[i * 3 + c];
            m.faces[i].material = faceMaterials[i];
        }
        m.object.vertices = m.vertices.data(), m.object.vertexCount = int32_t(m.vertices.size());
        m.object.faces = m.faces.data(), m.object.faceCount = int32_t(m.faces.size());
        list.push_back(&m.object);
        scene.meshObjects = list.data(), scene.meshObjectCount = int32_t(list.size());
        return m.object;
    }
    // A clockwise (front-facing) triangle: top-left, top-right, bottom-right
    // of the square of half-size h around (x, y).
    MeshObject& triangle(Material* m, float x = 0, float y = 0, float h = 100)
    {
        return mesh({corner(x - h, y + h), corner(x + h, y + h), corner(x + h, y - h)}, {m});
    }
};

class MeshRenderer : public DrawTest {
protected:
    void SetUp() override
    {
        DrawTest::SetUp();
        setLightPosition(0, 0, 0, 1, 0);
        brightness = 1.0f, linearFiltering = 0;
    }
};

void clearFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
int sum(Rgba p)
{
    return p.r + p.g + p.b;
}

// The brightest pixel of a column between two rows (finds a line).
Rgba brightestInColumn(int x, int fromRow, int toRow)
{
    Rgba best{0, 0, 0, 0};
    for (int y = fromRow; y <= toRow; y++)
        if (sum(readPixel(x, y)) > sum(best))
            best = readPixel(x, y);
    return best;
}

}  // namespace

TEST_F(MeshRenderer, EachPathDrawsItsPrimitiveWithOrWithoutLight)
{
    // Texel (0.5, 1, 1): modulated it halves red; in decal mode it replaces the colour.
    Texture texture = makeTexture(Rgba{128, 255, 255, 0});
    const Rgba plain{153, 102, 51, 0}, modulated{77, 102, 51, 0}, decal{128, 255, 255, 0};
    const struct {
        DrawMode drawMode;
        bool lit, wire;
        Rgba unlitColour;  // what an unlit path shows
    } cases[] = {{DrawMode::unlitWire, false, true, plain}, {DrawMode::gouraud, false, true, plain},
        {DrawMode::litWire, true, true, plain}, {DrawMode::flatLit, true, false, plain},
        {DrawMode::texturedLit, true, false, plain}, {DrawMode::texturedUnlit, false, false, modulated},
        {DrawMode::sphereMapped, false, false, decal}, {DrawMode::flatUnlit, false, false, plain}};
    // gouraud has no path of its own: it draws as unlitWire.
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.drawMode));
        TestScene s;
        s.triangle(s.material(c.drawMode, 0.6f, 0.4f, 0.2f, 1, &texture));
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        Rgba inside[2], edge[2];
        for (int light = 0; light < 2; light++) {  // from the front, then from behind
            clearFrame();
            setLightPosition(0, 0, 0, light == 0 ? 1.0f : -1.0f, 0);
            drawScene(s.scene);
            inside[light] = readPixel(370, 190);
            edge[light] = brightestInColumn(370, 130, 150);  // the top edge
        }
        EXPECT_EQ(sum(inside[0]) > 0, !c.wire) << "wire paths draw only the edges, polygon paths fill";
        EXPECT_GT(sum(edge[0]), 100);
        Rgba front = c.wire ? edge[0] : inside[0], behind = c.wire ? edge[1] : inside[1];
        EXPECT_TRUE(!c.lit || sum(front) > sum(behind) + 300)
            << "lit paths follow the light: " << sum(front) << " vs " << sum(behind);
        for (Rgba p : c.lit ? std::vector<Rgba>{} : std::vector<Rgba>{front, behind})
            expectColour(p, c.unlitColour, "unlit, light in front or behind");
        // The textured paths switch texturing off at their end; the
        // sphere-mapped one also texture generation, but leaves decal mode.
        bool textured = c.drawMode == DrawMode::texturedLit || c.drawMode == DrawMode::texturedUnlit;
        bool sphereMapped = c.drawMode == DrawMode::sphereMapped;
        EXPECT_FALSE((textured || sphereMapped) && glIsEnabled(GL_TEXTURE_2D));
        GLint mode = 0;
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
        EXPECT_TRUE(!sphereMapped ||
            (mode == GL_DECAL && !glIsEnabled(GL_TEXTURE_GEN_S) && !glIsEnabled(GL_TEXTURE_GEN_T)));
    }
}

TEST_F(MeshRenderer, FaceZeroColourTimesBrightnessButNotAlpha)
{
    // A square of two triangles: the upper right one unlit, the lower left
    // one green and lit; the whole object takes the first face's material.
    TestScene s;
    MeshObject& object = s.mesh({corner(-100, 100), corner(100, 100), corner(100, -100), corner(-100, 100),
                                    corner(100, -100), corner(-100, -100)},
        {s.material(DrawMode::flatUnlit, 0.8f, 0.6f, 0.4f, 0.8f), s.material(DrawMode::flatLit, 0, 1, 0)});
    const struct {
        float brightness;
        Rgba colour;
    } levels[] = {{1.0f, {204, 153, 102, 0}}, {0.5f, {102, 77, 51, 0}}, {0.0f, {0, 0, 0, 0}}};
    for (const auto& level : levels) {
        SCOPED_TRACE(level.brightness);
        brightness = level.brightness;
        clearFrame(), drawScene(s.scene);
        for (Rgba p : {readPixel(370, 190), readPixel(270, 290)}) {
            expectColour(p, level.colour, "colour");
            EXPECT_NEAR(p.a, 204, 1) << "alpha is not scaled";
        }
    }

    // A code outside the table draws unlit lines, in the colour times the brightness too.
    Material& material = *object.faces[0].material;
    for (int32_t code : {0, 3, 17}) {
        material.drawMode = DrawMode(code), brightness = 0.5f;
        clearFrame(), drawScene(s.scene);
        EXPECT_EQ(sum(readPixel(370, 190)), 0) << code;
        expectColour(
            brightestInColumn(370, 130, 150), {102, 77, 51, 0}, "lines of code " + std::to_string(code));
    }
    material.drawMode = DrawMode::flatUnlit;

    // Blended, the destination is scaled by the source colour:
    // (0.8, 0.6, 0.4) x 0.5 + 0.5 x (0.8, 0.6, 0.4).
    material.blend = 1, material.alpha = 0.5f, brightness = 1.0f;
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    clearFrame(), drawScene(s.scene);
    expectColour(readPixel(370, 190), {204, 153, 102, 0}, "blended");

    // The override draws grey lines of the brightness level with alpha 1
    // and without the material's texture, even with texturing left on.
    Texture texture = makeTexture(Rgba{255, 0, 0, 0});
    glBindTexture(GL_TEXTURE_2D, 0);
    glEnable(GL_TEXTURE_2D);
    material.drawMode = DrawMode::texturedLit, material.texture = &texture;
    object.unlitOverride = 1, brightness = 0.5f;
    glClearColor(0, 0, 0, 0);
    clearFrame(), drawScene(s.scene);
    EXPECT_EQ(sum(readPixel(370, 190)), 0);
    expectColour(brightestInColumn(370, 130, 150), {128, 128, 128, 0}, "override line");
}

TEST_F(MeshRenderer, TransformsTranslateThenRotateZYXThenScaleThenView)
{
    TestScene s;
    MeshObject& object = s.triangle(s.material(DrawMode::flatUnlit, 1, 1, 1), 0, 0, 10);
    object.translation = {100, 0, 0};
    object.rotation = {0, 0, 90};                                   // (100, 0) turns to (0, 100)
    object.scale = {2, 1, 1};                                       // leaves x = 0 where it is
    s.camera.position = {50, 0, 0}, s.camera.target = {50, 0, -1};  // the view moves 50 units right
    clearFrame(), drawScene(s.scene);
    // The probe corner (5, 5) of the triangle: translated (105, 5), rotated
    // (-5, 105), scaled (-10, 105), viewed (-60, 105). Other orders put it
    // at least 45 pixels away: without the camera at (-10, 105), rotated
    // before translated at (140, 5), scaled before rotated at (-55, 210).
    auto at = [](int x, int y) { return sum(readPixel(320 + x, 240 - y)); };
    EXPECT_GT(at(-60, 105), 600);
    EXPECT_EQ(at(-10, 105) + at(140, 5) + at(-55, 210) + at(160, 5), 0);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1) << "every push is popped";
}

TEST_F(MeshRenderer, VertexPositionsReachGlTruncatedTowardZero)
{
    // A vertical line at x; the scale of 10 makes one unit ten pixels, so
    // the lost fractions show.
    auto columnOfLineAt = [this](float x) {
        TestScene s;
        MeshObject& object =
            s.mesh({corner(x, -20), corner(x, 20), corner(x, 0)}, {s.material(DrawMode::unlitWire, 1, 1, 1)});
        object.scale = {10, 1, 1};
        clearFrame(), drawScene(s.scene);
        for (int column = 0; column < 640; column++)
            if (sum(readPixel(column, 240)) > 0)
                return column;
        return -1;
    };
    int at1 = columnOfLineAt(1.0f);
    ASSERT_GE(at1, 0);
    EXPECT_TRUE(columnOfLineAt(1.1f) == at1 && columnOfLineAt(1.9f) == at1);
    EXPECT_NEAR(columnOfLineAt(0.9f), columnOfLineAt(-0.9f), 1) << "both reach 0";
    EXPECT_NEAR(columnOfLineAt(-1.9f) + at1, 2 * columnOfLineAt(0.0f), 1) << "-1.9 reaches -1";
}

TEST_F(MeshRenderer, FilterSwitchSmoothsOrKeepsHardTexelEdges)
{
    // Black texels left of 128, white from 128; the square shows texels 126
    // to 130 over 200 pixels.
    Texture texture = makeTexture([](int x, int) {
        return x < 128 ? Rgba{0, 0, 0, 0} : Rgba{255, 255, 255, 0};
    });
    TestScene s;
    s.mesh({corner(-100, 100, 126, 0), corner(100, 100, 130, 0), corner(100, -100, 130, 255)},
        {s.material(DrawMode::texturedUnlit, 1, 1, 1, 1, &texture)});
    for (int32_t filtering : {1, 0}) {
        SCOPED_TRACE(filtering);
        linearFiltering = filtering;
        // The filters act on the texture bound when the object starts: the
        // second draw finds this object's texture bound by the first.
        drawScene(s.scene);
        clearFrame(), drawScene(s.scene);
        int between = 0;
        for (int column = 230; column < 420; column++)
            between += readPixel(column, 150).r > 20 && readPixel(column, 150).r < 235;
        EXPECT_TRUE(filtering == 1 ? between > 20 : between == 0)
            << between << " pixels between black and white";
    }
    // The bytes reach GL as byte / 255: texel 128 begins where u is 127.5
    // (x = -25), not at 128 (x = 0) as byte / 256 would have it.
    int firstWhite = 230;
    while (firstWhite < 420 && readPixel(firstWhite, 150).r < 128)
        firstWhite++;
    EXPECT_NEAR(firstWhite, 320 - 25, 2);
}

TEST_F(MeshRenderer, LitPathsShadeFlatFromTheFirstCornerOrSmooth)
{
    // Corner 0 faces the light, the others face away: a flat face or line
    // takes one corner's lit colour (a polygon its first, a line its
    // second), a smooth face runs from light to dark.
    Texture white = makeTexture(Rgba{255, 255, 255, 0});
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const struct {
        DrawMode drawMode;
        bool smooth, wire;
    } cases[] = {{DrawMode::litWire, false, true}, {DrawMode::flatLit, false, false},
        {DrawMode::texturedLit, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.drawMode));
        TestScene s;
        MeshObject& object = s.triangle(s.material(c.drawMode, 1, 1, 1, 1, &white));
        object.vertices[1].normal = object.vertices[2].normal = {0, 0, -1};
        clearFrame(), drawScene(s.scene);
        // Near corner 0 and near corner 2 (inside), or both ends of the top edge (a line from 0 to 1).
        Rgba nearFirst = c.wire ? brightestInColumn(235, 130, 150) : readPixel(250, 150);
        Rgba nearLast = c.wire ? brightestInColumn(405, 130, 150) : readPixel(410, 310);
        if (c.smooth) {
            EXPECT_GT(sum(nearFirst), sum(nearLast) + 200);
        } else {
            expectColour(nearLast, nearFirst, "one colour");
            EXPECT_TRUE(c.wire ? sum(nearFirst) < 200 : sum(nearFirst) > 600)
                << "the first corner's colour, or the line's second";
        }
    }
}

TEST_F(MeshRenderer, SkippedObjectsCostNothing)
{
    makeTexture(Rgba{255, 255, 255, 0});  // left bound
    TestScene s;
    Material* red = s.material(DrawMode::flatLit, 1, 0, 0);
    s.triangle(red).visible = false;
    s.mesh({}, {});                                                     // no faces
    s.triangle(nullptr);                                                // face 0 without a material
    s.triangle(s.material(DrawMode::flatUnlit, 0, 1, 0), -200, 0, 20);  // left out by the count
    s.scene.meshObjectCount = 3;

    // State no drawn object would leave like this.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glEnable(GL_BLEND);
    glShadeModel(GL_SMOOTH);
    auto expectUntouched = [&](const char* what) {
        GLint filter = 0, shade = 0, depth = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
        glGetIntegerv(GL_SHADE_MODEL, &shade);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_TRUE(filter == GL_LINEAR && shade == GL_SMOOTH && depth == 1 && glIsEnabled(GL_BLEND)) << what;
        EXPECT_EQ(sum(readPixel(370, 190)) + sum(readPixel(130, 235)), 0) << what;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << what;
    };
    clearFrame(), drawScene(s.scene);
    expectUntouched("invisible, faceless, without material, beyond the count");

    s.meshes[0].object.visible = true;
    s.scene.currentCamera = nullptr;
    drawScene(s.scene);
    expectUntouched("no camera");

    s.scene.currentCamera = &s.camera;
    drawScene(s.scene);
    EXPECT_GT(readPixel(370, 190).r, 100) << "the visible object is drawn";
    EXPECT_EQ(sum(readPixel(130, 235)), 0) << "the object beyond the count is not";
}

TEST_F(MeshRenderer, AfterAScreenQuadOnlyTheUntexturedFlatPathTakesItsTopLeftTexel)
{
    // The quad leaves texturing on with its picture bound: a lit object
    // drawn next is modulated by the top-left texel (pure red leaves only
    // red). The textured paths without a Texture must not pick it up, and
    // keep their lighting: from behind, a lit face shows only its ambient part.
    Texture picture = makeTexture([](int x, int y) {
        return x == 0 && y == 0 ? Rgba{255, 0, 0, 0} : Rgba{0, 255, 0, 0};
    });
    const struct {
        DrawMode drawMode;
        float lightZ;
        Rgba colour;
    } cases[] = {{DrawMode::flatLit, 1, {255, 0, 0, 0}}, {DrawMode::texturedLit, -1, {10, 20, 31, 0}},
        {DrawMode::texturedUnlit, -1, {51, 102, 153, 0}}, {DrawMode::sphereMapped, -1, {51, 102, 153, 0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.drawMode));
        TestScene s;
        bool flat = c.drawMode == DrawMode::flatLit;
        s.triangle(flat ? s.material(c.drawMode, 1, 1, 1) : s.material(c.drawMode, 0.2f, 0.4f, 0.6f));
        drawScreenQuad(picture, 320, 240);
        clearFrame(), setLightPosition(0, 0, 0, c.lightZ, 0);
        drawScene(s.scene);
        expectColour(readPixel(370, 190), c.colour);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), flat) << "texturing stays on only after the flat path";
    }
}
