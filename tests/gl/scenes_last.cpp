// The last four 3D scenes ("lo.3ds", "ting.3ds", "cyl.3ds", "snurr.3ds") on
// a virtual music clock: their camera paths and light, the end of each scene,
// the trails of "ting.3ds", the halo and fixed ends of "cyl.3ds", the
// keyframed camera and banner colour of "snurr.3ds", and deformations of
// models whose rest copies or object lists are too short.
#include "support.h"

#include "platform/clock.h"
#include "render/render.h"
#include "scene/scene.h"
#include "scenes/scenes.h"
#include "tools/bake/pcx_writer.h"
#include "tools/model3ds/model3ds.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <vector>

static uint32_t virtualNow = 0;
static uint32_t virtualClock()
{
    return virtualNow;
}
static int swaps = 0;

// Every scene is set up at this music time, so scene time t is the music
// time minus 50.0 tenths.
static const uint32_t setupMs = 5000;

class LastScenes : public GlTest {
protected:
    void SetUp() override
    {
        GlTest::SetUp();
        ASSERT_EQ(getcwd(startDir, sizeof startDir), startDir);
        ASSERT_EQ(chdir(KVISTRA_RUN_DIR), 0);
        setMillisecondSource(virtualClock);
        clockBase = 0;
        swaps = 0;
        swapBuffers = [] { swaps++; };
        // Each test has a fresh GL context: no slot keeps a name of an
        // earlier one.
        for (Texture* slot : {&modelTexture, &bannerTexture, &envMapTexture})
            *slot = Texture{};
        setInitialGlState();
        setProjection(640, 480);
        // As the title leaves it: the modelview matrix selected, the identity.
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        linearFiltering = 0;
        demoStage = 0;
        frameCount = 0;
    }
    void TearDown() override
    {
        destroyScene(currentScene);
        currentScene = nullptr;
        setMillisecondSource(nullptr);
        EXPECT_EQ(chdir(startDir), 0);
        GlTest::TearDown();
    }
    char startDir[4096] = {};
};

static void setupAt(void (*setup)())
{
    virtualNow = setupMs;
    setup();
}

static float frameAt(void (*frame)(), uint32_t msAfterSetup)
{
    virtualNow = setupMs + msAfterSetup;
    frame();
    return demoClock - sceneStart;
}

// The show's earlier scenes that leave state for the last: "blue.3ds" fills
// the banner, and a sphere-mapped "cyl.3ds" frame leaves the decal mode.
static void playTheScenesBefore(bool cylFrame)
{
    setupAt(setupBlue);
    destroyScene(currentScene);
    setupAt(setupCyl);
    if (cylFrame)
        frameAt(drawCylFrame, 0);
    destroyScene(currentScene);
    currentScene = nullptr;
}

static std::vector<Vec3> positions(const MeshObject& object)
{
    std::vector<Vec3> out;
    for (int32_t i = 0; i < object.vertexCount; i++)
        out.push_back(object.vertices[i].position);
    return out;
}

static void expectVec3(const Vec3& actual, const Vec3& expected, const char* what)
{
    EXPECT_FLOAT_EQ(actual.x, expected.x) << what;
    EXPECT_FLOAT_EQ(actual.y, expected.y) << what;
    EXPECT_FLOAT_EQ(actual.z, expected.z) << what;
}

static Vec3 loCamera(double t)
{
    return {float(120 * std::sin(0.05 * t)), -70.0f, float(100 * std::cos(0.05 * t))};
}
static Vec3 tingCamera(double t)
{
    return {float(720 * std::sin(0.04 * t)), float(10 * std::sin(0.01 * t)), float(610 * std::cos(0.04 * t))};
}
static Vec3 cylCamera(double t)
{
    return {float(420 * std::sin(0.04 * t)), float(10 * std::sin(0.01 * t)), float(310 * std::cos(0.04 * t))};
}

TEST_F(LastScenes, EachSceneFollowsItsClockAndEndsOnlyPastItsEndTime)
{
    playTheScenesBefore(false);
    struct Case {
        const char* name;
        void (*setup)();
        void (*frame)();
        Vec3 (*camera)(double t);  // nullptr: the model's own tracks
        uint32_t endMs;            // the end time, in milliseconds of scene time
        bool setupEndsFog;
    } cases[] = {
        {"lo.3ds", setupLo, drawLoFrame, loCamera, 10800, true},
        {"ting.3ds", setupTing, drawTingFrame, tingCamera, 19500, true},
        {"cyl.3ds", setupCyl, drawCylFrame, cylCamera, 28000, false},
        {"snurr.3ds", setupSnurr, drawSnurrFrame, nullptr, 34400, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        brightness = 0.25f;
        glEnable(GL_FOG);
        setupAt(c.setup);
        EXPECT_EQ(brightness, 1.0f);
        EXPECT_EQ(glIsEnabled(GL_FOG), !c.setupEndsFog);
        EXPECT_EQ(sceneStart, 50.0f);
        int32_t stage = demoStage;
        int framesBefore = frameCount, swapsBefore = swaps;

        // The camera path and the light along (cx, cx, cz) in eye
        // coordinates; fog is off again when the frame returns.
        float t = frameAt(c.frame, 1234);
        const Camera& camera = *currentScene->currentCamera;
        if (c.camera != nullptr)
            expectVec3(camera.position, c.camera(t), "camera");
        GLfloat light[4];
        glGetLightfv(GL_LIGHT0, GL_POSITION, light);
        EXPECT_FLOAT_EQ(light[0], camera.position.x);
        EXPECT_FLOAT_EQ(light[1], camera.position.x);
        EXPECT_FLOAT_EQ(light[2], camera.position.z);
        EXPECT_EQ(light[3], 0.0f);
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
        EXPECT_FALSE(glIsEnabled(GL_FOG));

        // Exactly at the end time the scene goes on; the next frame ends it
        // and is still shown.
        EXPECT_EQ(frameAt(c.frame, c.endMs), c.endMs / 100.0f);
        EXPECT_EQ(demoStage, stage);
        frameAt(c.frame, c.endMs + 1);
        EXPECT_EQ(demoStage, stage + 1);
        EXPECT_EQ(frameCount, framesBefore + 3);
        EXPECT_EQ(swaps, swapsBefore + 3);

        destroyScene(currentScene);
        currentScene = nullptr;
    }
}

TEST_F(LastScenes, TingDrawsOverEarlierFramesAndDeformsFromItsRestCopy)
{
    setupAt(setupTing);
    ASSERT_GE(currentScene->meshObjectCount, 9);
    MeshObject& drawn = *currentScene->meshObjects[7];
    const MeshObject& rest = *currentScene->meshObjects[8];
    ASSERT_EQ(drawn.vertexCount, rest.vertexCount);
    ASSERT_GE(drawn.vertexCount, 3);
    EXPECT_FALSE(rest.visible);
    EXPECT_TRUE(drawn.visible);
    std::vector<Vec3> restBefore = positions(rest);
    std::vector<Vec3> normalsBefore;
    for (int32_t i = 0; i < drawn.vertexCount; i++)
        normalsBefore.push_back(drawn.vertices[i].normal);

    // An earlier picture in green, and a depth buffer that would hide
    // everything unless the frame empties it.
    glClearColor(0, 1, 0, 0);
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    double t = frameAt(drawTingFrame, 1234);

    for (Rgba corner : {readPixel(1, 1), readPixel(638, 1), readPixel(1, 478), readPixel(638, 478)}) {
        EXPECT_EQ(corner.r, 0);
        EXPECT_EQ(corner.g, 255);
        EXPECT_EQ(corner.b, 0);
    }
    Rgba centre = readPixel(320, 240);
    EXPECT_FALSE(centre.r == 0 && centre.g == 255 && centre.b == 0) << "the model was not drawn";

    // The waves, from the rest shape; the normals stay those of the loaded
    // shape and the rest copy never changes.
    for (int32_t i : {0, 1, drawn.vertexCount / 2, drawn.vertexCount - 1}) {
        const Vec3& p = restBefore[i];
        Vec3 expected = {float(p.x * (1 + 0.1 * std::sin(0.4 * t + 0.1 * i))),
                         float(p.y * (1 + 0.2 * std::cos(0.3 * t + 0.1 * i))),
                         float(p.z * (1 - 0.15 * std::sin(0.2 * t + 0.1 * i)))};
        SCOPED_TRACE(i);
        expectVec3(drawn.vertices[i].position, expected, "vertex");
    }
    for (int32_t i = 0; i < drawn.vertexCount; i++) {
        SCOPED_TRACE(i);
        expectVec3(drawn.vertices[i].normal, normalsBefore[i], "normal");
        expectVec3(rest.vertices[i].position, restBefore[i], "rest");
    }
}

TEST_F(LastScenes, CylHaloRimsTheBodyAndItsEndsStayPut)
{
    setupAt(setupCyl);
    ASSERT_GE(currentScene->meshObjectCount, 2);
    MeshObject& drawn = *currentScene->meshObjects[0];
    const MeshObject& rest = *currentScene->meshObjects[1];
    ASSERT_EQ(drawn.vertexCount, rest.vertexCount);
    ASSERT_GE(drawn.vertexCount, 3);
    EXPECT_FALSE(rest.visible);
    std::vector<Vec3> restBefore = positions(rest);
    int32_t last = drawn.vertexCount - 1;

    // Row 240 at t = 0: grey background, a red rim on either side, the body
    // between them.
    frameAt(drawCylFrame, 0);
    auto isGrey = [](Rgba p) { return std::abs(p.r - 77) <= 2 && p.r == p.g && p.g == p.b; };
    auto isRed = [](Rgba p) { return p.r == 255 && p.g == 0 && p.b == 0; };
    int left = 0, right = 639;
    while (left < 320 && isGrey(readPixel(left, 240)))
        left++;
    while (right > 320 && isGrey(readPixel(right, 240)))
        right--;
    ASSERT_LT(left, right);
    int redCount = 0;
    for (int x = left; x <= right; x++)
        redCount += isRed(readPixel(x, 240));
    for (int x : {left, left + 3, right - 3, right})
        EXPECT_TRUE(isRed(readPixel(x, 240))) << x;
    EXPECT_FALSE(isRed(readPixel((left + right) / 2, 240)));
    EXPECT_LT(redCount, (right - left) / 2);

    // The bend, at several times: y never written, the ends never moved.
    for (uint32_t ms : {0u, 3730u, 15090u}) {
        double t = frameAt(drawCylFrame, ms);
        SCOPED_TRACE(ms);
        expectVec3(drawn.vertices[0].position, restBefore[0], "first vertex");
        expectVec3(drawn.vertices[last].position, restBefore[last], "last vertex");
        for (int32_t i = 1; i < last; i++) {
            const Vec3& p = restBefore[i];
            double h = 0.14 * t + 0.008 * i;
            Vec3 expected = {float(p.x * (1 + 0.3 * std::sin(h))), p.y, float(p.z * (1 + 0.32 * std::sin(h)))};
            expectVec3(drawn.vertices[i].position, expected, "bent vertex");
        }
        for (int32_t i = 0; i <= last; i++)
            expectVec3(rest.vertices[i].position, restBefore[i], "rest");
        expectVec3(drawn.scale, {1, 1, 1}, "scale after the frame");
    }
}

// Whether a pixel is the texel colour c faded towards white: p = f c + (1 - f) white
// with the same f in every channel.
static bool fadedTexel(Rgba p, const uint8_t* c)
{
    double f[3] = {(255.0 - p.r) / (255.0 - c[0]), (255.0 - p.g) / (255.0 - c[1]), (255.0 - p.b) / (255.0 - c[2])};
    double low = std::fmin(f[0], std::fmin(f[1], f[2]));
    double high = std::fmax(f[0], std::fmax(f[1], f[2]));
    return low > -0.02 && high < 1.02 && high - low < 0.04;
}

// Model pixels (neither the yellow background nor the banner strip) that are
// not the texel colour faded towards white.
static int pixelsOffTheTexelColour(const uint8_t* texel, int& modelPixels)
{
    std::vector<uint8_t> frame(640 * 480 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    int off = 0;
    modelPixels = 0;
    for (int y = 0; y < 480; y++) {
        if (y >= 220 && y <= 260)
            continue;
        for (int x = 0; x < 640; x++) {
            const uint8_t* q = &frame[(y * 640 + x) * 4];
            Rgba p = {q[0], q[1], q[2], q[3]};
            if (p.r >= 250 && p.g >= 250 && p.b <= 5)
                continue;
            modelPixels++;
            off += !fadedTexel(p, texel);
        }
    }
    return off;
}

TEST_F(LastScenes, SnurrFollowsItsCameraTracksAndPaintsInTheBannerColour)
{
    playTheScenesBefore(true);
    setupAt(setupSnurr);
    Scene& scene = *currentScene;
    ASSERT_GE(scene.meshObjectCount, 4);
    const Camera& camera = *scene.currentCamera;
    ASSERT_NE(camera.tracks[0], nullptr);
    ASSERT_NE(camera.tracks[1], nullptr);
    ASSERT_GT(scene.frameRange->end, 0);
    Vec3 filePosition = camera.position, fileTarget = camera.target;

    std::vector<uint8_t> banner(256 * 256 * 4);
    glBindTexture(GL_TEXTURE_2D, bannerTexture.name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, banner.data());
    ASSERT_EQ(banner[3], 255);

    // The first frame has texturing off: lit colours. From the second on,
    // every model pixel is the banner's top-left texel under white fog.
    int modelPixels = 0;
    frameAt(drawSnurrFrame, 0);
    EXPECT_GT(pixelsOffTheTexelColour(banner.data(), modelPixels), 1000);
    frameAt(drawSnurrFrame, 20);
    EXPECT_EQ(pixelsOffTheTexelColour(banner.data(), modelPixels), 0);
    EXPECT_GT(modelPixels, 1000);
    expectVec3(camera.position, filePosition, "position on frame 0");
    expectVec3(camera.target, fileTarget, "target on frame 0");

    int32_t end = scene.frameRange->end;
    struct Step {
        uint32_t ms;    // scene time in milliseconds
        int32_t frame;  // the animation frame, 3 per tenth of a second
    } steps[] = {
        {33, 0},       // t 0.33: still frame 0
        {34, 1},       // t 0.34: frame 1, the tracks take over
        {10000, 300},  //
        {40000, end},  // t 400: frame 1200 clamps at the end, loop or not
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.ms);
        scene.frameRange->loop = 1;
        // While the frame is 0 the camera stays wherever it is.
        Vec3 marker = {1, 2, 3};
        scene.currentCamera->position = marker;
        scene.currentCamera->target = marker;
        float t = frameAt(drawSnurrFrame, s.ms);
        EXPECT_EQ(scene.frameRange->loop, 0);
        EXPECT_EQ(scene.currentFrame, s.frame);
        EXPECT_FLOAT_EQ(scene.meshObjects[3]->rotation.y, -3 * t);
        if (s.frame == 0) {
            expectVec3(camera.position, marker, "position");
            expectVec3(camera.target, marker, "target");
        } else {
            expectVec3(camera.position, evaluateTrack(*camera.tracks[0], s.frame), "position");
            expectVec3(camera.target, evaluateTrack(*camera.tracks[1], s.frame), "target");
        }
    }
}

// ---------------------------------------------------------------------------
// Models that do not fit their scripts

using model3ds::MeshSpec;
using model3ds::ModelSpec;

// A zigzag strip of `count` vertices and count - 2 faces in material `material`.
static MeshSpec strip(const std::string& name, int count, const std::string& material)
{
    MeshSpec mesh;
    mesh.name = name;
    for (int i = 0; i < count; i++)
        mesh.vertices.push_back({float(10 * (i + 1)), float(20 + 10 * (i % 2)), float(30 + i)});
    model3ds::FaceGroup group{material, {}};
    for (int i = 0; i + 2 < count; i++) {
        if (i % 2 == 0)
            mesh.faces.push_back({uint16_t(i), uint16_t(i + 1), uint16_t(i + 2), 0});
        else
            mesh.faces.push_back({uint16_t(i), uint16_t(i + 2), uint16_t(i + 1), 0});
        group.faces.push_back(uint16_t(i));
    }
    mesh.groups = {group};
    return mesh;
}

// A model of the given meshes (vertex counts), all in material `material`.
static std::vector<uint8_t> model(const std::vector<int>& vertexCounts, const std::string& material)
{
    ModelSpec spec;
    model3ds::MaterialSpec m;
    m.name = material;
    m.diffuse = std::array<uint8_t, 3>{200, 200, 200};
    m.shading = 1;
    spec.materials = {m};
    for (size_t k = 0; k < vertexCounts.size(); k++)
        spec.meshes.push_back(strip("mesh " + std::to_string(k), vertexCounts[k], material));
    model3ds::CameraSpec camera;
    camera.name = "Camera01";
    camera.position = {0, -300, 0};
    spec.cameras = {camera};
    return model3ds::modelBytes(spec);
}

TEST_F(LastScenes, DeformationsStayInsideShortRestCopiesAndMissingObjects)
{
    std::vector<uint8_t> picture(256 * 256 * 3, 128);
    std::vector<uint8_t> ting = bake::encodePcxRgb(256, 256, picture);

    // Rest copies with half the vertices of the objects they drive.
    TempDir shortRest;
    writeFile(shortRest.file("ant"),
              model3ds::libraryBytes({{"ting.3ds", model({3, 3, 3, 3, 3, 3, 3, 12, 6}, "WHITE FLAT")},
                                      {"cyl.3ds", model({12, 6}, "ENVMAP")},
                                      {"ting.pcx", ting}}));
    ASSERT_EQ(chdir(shortRest.path.c_str()), 0);
    struct Case {
        void (*setup)();
        void (*frame)();
        int32_t drawnObject;
        int32_t firstMoved, lastMoved;  // the vertices the deformation rewrites
    } cases[] = {
        {setupTing, drawTingFrame, 7, 0, 5},
        {setupCyl, drawCylFrame, 0, 1, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drawnObject);
        setupAt(c.setup);
        MeshObject& drawn = *currentScene->meshObjects[c.drawnObject];
        std::vector<Vec3> before = positions(drawn);
        frameAt(c.frame, 2500);
        for (int32_t i = 0; i < drawn.vertexCount; i++) {
            bool moved = before[i].x != drawn.vertices[i].position.x;
            EXPECT_EQ(moved, i >= c.firstMoved && i <= c.lastMoved) << i;
        }
        destroyScene(currentScene);
        currentScene = nullptr;
    }

    // Models with fewer objects than the scripts address: the scenes still
    // play and end.
    TempDir fewObjects;
    writeFile(fewObjects.file("ant"),
              model3ds::libraryBytes({{"ting.3ds", model({5, 5}, "WHITE FLAT")},
                                      {"cyl.3ds", model({5}, "ENVMAP")},
                                      {"snurr.3ds", model({5, 5}, "WHITE FLAT")},
                                      {"ting.pcx", ting}}));
    ASSERT_EQ(chdir(fewObjects.path.c_str()), 0);
    struct Few {
        void (*setup)();
        void (*frame)();
        uint32_t endMs;
    } few[] = {{setupTing, drawTingFrame, 19500}, {setupCyl, drawCylFrame, 28000}, {setupSnurr, drawSnurrFrame, 34400}};
    for (const Few& c : few) {
        setupAt(c.setup);
        int32_t stage = demoStage;
        frameAt(c.frame, 2500);
        frameAt(c.frame, c.endMs + 1);
        EXPECT_EQ(demoStage, stage + 1);
        destroyScene(currentScene);
        currentScene = nullptr;
    }
}
