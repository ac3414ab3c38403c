// The first four 3D scenes ("test.3ds", "env.3ds", "add.3ds", "blue.3ds")
// driven on a virtual demo clock with the baked library: brightness, camera
// and light, end tests, the backdrop, the deformation, the scene changes of
// the sequencer, and models that do not fit their scripts.
#include "render/render.h"
#include "scene/scene.h"
#include "scenes/scenes.h"
#include "shell/shell.h"
#include "support.h"
#include "platform/clock.h"
#include "tools/model3ds/model3ds.h"

#include <GL/gl.h>

#include <unistd.h>

#include <cmath>
#include <regex>
#include <vector>

namespace {

uint32_t now = 0;  // the virtual millisecond timer
uint32_t virtualMilliseconds()
{
    return now;
}

int swaps = 0;
void countSwap()
{
    swaps++;
}

class FirstScenes : public GlTest {
protected:
    uint32_t sceneStartMs = 0;

    void SetUp() override
    {
        GlTest::SetUp();
        ASSERT_EQ(chdir(KVISTRA_RUN_DIR), 0);
        setInitialGlState();
        setProjection(640, 480);
        // As the title leaves it: the modelview matrix current and the
        // identity.
        glMatrixMode(GL_MODELVIEW);
        setMillisecondSource(virtualMilliseconds);
        now = 0;
        restartDemoClock();
        now = 100000;  // the music has played for 100 s
        swapBuffers = countSwap;
        swaps = 0;
        demoStage = 0;
        // Each test has a fresh GL context: the slots start unused.
        for (Texture* slot : {&modelTexture, &backdropTexture, &bannerTexture, &envMapTexture})
            *slot = Texture();
    }

    void TearDown() override
    {
        destroyScene(currentScene);
        currentScene = nullptr;
        setMillisecondSource(nullptr);
        GlTest::TearDown();
    }

    void setUp(void (*setup)())
    {
        setup();
        sceneStartMs = now;
    }

    // Moves the clock to scene time t (tenths of a second) and draws a frame.
    void frameAt(void (*frame)(), double t)
    {
        now = sceneStartMs + static_cast<uint32_t>(std::lround(t * 100));
        frame();
    }
};

std::vector<Rgba> readFrame()
{
    std::vector<Rgba> pixels(640 * 480);
    glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// Fills a slot's texture with one colour and uploads it again.
void paintTexture(Texture& texture, uint8_t red, uint8_t green, uint8_t blue)
{
    for (int i = 0; i < texture.width * texture.height; i++) {
        uint8_t* p = texture.pixels + i * 4;
        p[0] = red, p[1] = green, p[2] = blue;
    }
    uploadTexture(texture);
}

struct SceneFunctions {
    const char* model;
    void (*setup)();
    void (*frame)();
    int32_t frameStage;
    double endTime;
};

const SceneFunctions firstScenes[] = {
    {"test.3ds", setupTest, drawTestFrame, 4, 104.2},
    {"env.3ds", setupEnv, drawEnvFrame, 7, 166.2},
    {"add.3ds", setupAdd, drawAddFrame, 10, 112.2},
    {"blue.3ds", setupBlue, drawBlueFrame, 13, 310.2},
};

}  // namespace

// First in this file: the flash's start is taken once per run, and later
// tests draw "test.3ds" frames past the fade too.
TEST_F(FirstScenes, TestSceneFadesInFlashesAndOverlaysAWireframe)
{
    setUp(setupTest);
    frameAt(drawTestFrame, 0);
    EXPECT_EQ(brightness, 0.0f);
    for (const Rgba& p : readFrame())
        ASSERT_TRUE(p.r == 0 && p.g == 0 && p.b == 0) << "the first frame is black";

    struct {
        double t;
        float brightness;
    } steps[] = {
        {26, 0.26f}, {51.9, 0.519f},
        {52, 2.0f},  // the flash starts on the first frame past the fade
        {53, 1.7f},  {55.4, 1.0f}, {80, 1.0f},
    };
    for (const auto& step : steps) {
        frameAt(drawTestFrame, step.t);
        EXPECT_NEAR(brightness, step.brightness, 2e-5) << "t = " << step.t;
    }

    // The overlay pass leaves every object but the last marked unlit.
    Scene& scene = *currentScene;
    ASSERT_GE(scene.meshObjectCount, 2);
    for (int32_t i = 0; i < scene.meshObjectCount; i++)
        EXPECT_EQ(scene.meshObjects[i]->unlitOverride, i < scene.meshObjectCount - 1 ? 1 : 0) << i;
    EXPECT_EQ(swaps, 7);
}

TEST_F(FirstScenes, CameraLightAndEndTimeFollowSceneTime)
{
    const double t = 37.0;
    struct Expected {
        double x, y, z;
    } cameras[] = {
        {110 * std::sin(0.03 * t), 100.0, 120 * std::cos(0.03 * t)},
        {560 * std::sin(0.04 * t), 680 * std::cos(0.02 * t), 500 * std::cos(0.04 * t)},
        {200 * std::sin(0.01 * t), -400 * std::sin(0.001 * t), -300 * std::cos(0.01 * t)},
        {280 * std::sin(0.01 * t), -487 * std::sin(0.001 * t), -300 * std::cos(0.01 * t)},
    };
    for (int i = 0; i < 4; i++) {
        const SceneFunctions& s = firstScenes[i];
        demoStage = s.frameStage;
        swaps = 0;
        now = 100000;
        setUp(s.setup);
        frameAt(s.frame, t);
        const Vec3& camera = currentScene->currentCamera->position;
        EXPECT_NEAR(camera.x, cameras[i].x, 1e-3) << s.model;
        EXPECT_NEAR(camera.y, cameras[i].y, 1e-3) << s.model;
        EXPECT_NEAR(camera.z, cameras[i].z, 1e-3) << s.model;

        // A directional light in eye coordinates; from the camera (its x
        // twice) in every scene but the first.
        GLfloat light[4];
        glGetLightfv(GL_LIGHT0, GL_POSITION, light);
        float expected[4] = {camera.x, camera.x, camera.z, 0};
        if (i == 0)
            expected[0] = 0, expected[1] = 0, expected[2] = -400;
        for (int k = 0; k < 4; k++)
            EXPECT_FLOAT_EQ(light[k], expected[k]) << s.model << " component " << k;
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << s.model;

        // A frame exactly at the end time does not end the scene; the next
        // one does, and is still shown.
        frameAt(s.frame, s.endTime);
        EXPECT_EQ(demoStage, s.frameStage) << s.model;
        frameAt(s.frame, s.endTime + 0.01);
        EXPECT_EQ(demoStage, s.frameStage + 1) << s.model;
        EXPECT_EQ(swaps, 3) << s.model;
        destroyScene(currentScene);
        currentScene = nullptr;
    }
}

TEST_F(FirstScenes, EnvBackdropFillsTheFrameAndTintsTheModel)
{
    setUp(setupEnv);
    // A pure red backdrop: the model, drawn with texturing left on by the
    // backdrop quad, keeps only the red of its lit colours.
    paintTexture(backdropTexture, 255, 0, 0);
    frameAt(drawEnvFrame, 20);
    std::vector<Rgba> frame = readFrame();
    int model = 0;
    for (const Rgba& p : frame) {
        ASSERT_TRUE(p.g == 0 && p.b == 0);
        if (p.r != 255)
            model++;
    }
    EXPECT_GT(model, 640 * 480 / 50) << "the model covers part of the backdrop";
    // The quad stops within a pixel of the screen's edges.
    for (int corner : {2 * 640 + 2, 2 * 640 + 637, 477 * 640 + 2, 477 * 640 + 637})
        EXPECT_EQ(frame[corner].r, 255) << "the backdrop reaches the corners";
}

TEST_F(FirstScenes, AddPaintsOnGreyWithoutDepthTest)
{
    glEnable(GL_FOG);
    setUp(setupAdd);
    frameAt(drawAddFrame, 0);  // no fog: the set-up switched it off first
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    Rgba corner = readPixel(0, 0);
    EXPECT_NEAR(corner.r, 102, 1);
    EXPECT_NEAR(corner.b, 102, 1);
    int drawn = 0;
    for (const Rgba& p : readFrame())
        drawn += p.r != corner.r || p.g != corner.g || p.b != corner.b;
    EXPECT_GT(drawn, 640 * 480 / 50);
}

TEST_F(FirstScenes, BlueDeformsItsObjectFromTheRestCopy)
{
    setUp(setupBlue);
    ASSERT_GE(currentScene->meshObjectCount, 2);
    MeshObject& drawn = *currentScene->meshObjects[0];
    const MeshObject& rest = *currentScene->meshObjects[1];
    EXPECT_FALSE(rest.visible);
    EXPECT_NE(bannerTexture.name, 0u);

    frameAt(drawBlueFrame, 0);
    const Vec3& p = rest.vertices[0].position;
    EXPECT_FLOAT_EQ(drawn.vertices[0].position.x, p.x);
    EXPECT_FLOAT_EQ(drawn.vertices[0].position.y, static_cast<float>(p.y * 1.4));
    EXPECT_FLOAT_EQ(drawn.vertices[0].position.z, p.z);

    // The waves travel along the vertex order, and the normals follow.
    frameAt(drawBlueFrame, 20);
    int i = drawn.vertexCount / 2;
    const Vec3& q = rest.vertices[i].position;
    EXPECT_FLOAT_EQ(drawn.vertices[i].position.y,
                    static_cast<float>(q.y * (1 + 0.4 * std::cos(0.18 * 20 + 0.1 * i))));
    int changedNormals = 0;
    for (int v = 0; v < drawn.vertexCount; v++)
        changedNormals += std::fabs(drawn.vertices[v].normal.x - rest.vertices[v].normal.x) > 1e-3f;
    EXPECT_GT(changedNormals, 0);

    // The frame ends with the outline pass's settings.
    EXPECT_FLOAT_EQ(drawn.scale.x, 1.2f);
    EXPECT_EQ(drawn.faces[0].material->drawMode, 1);
    GLfloat lineWidth = 0;
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    EXPECT_EQ(lineWidth, 1.0f);
    std::vector<Rgba> frame = readFrame();
    EXPECT_NEAR(frame[0].r, 102, 1);
}

TEST_F(FirstScenes, SequencerChangesSceneWithinOnePassAndEndsAfterTheLast)
{
    // The frame stage and end time of every 3D scene, in show order.
    const struct {
        int32_t frameStage;
        double endTime;
    } show[] = {{4, 104.2}, {7, 166.2}, {10, 112.2}, {13, 310.2},
                {16, 108.0}, {19, 195.0}, {22, 280.0}, {25, 344.0}};
    demoStage = 3;
    runSequencer();  // the first set-up and its first frame
    EXPECT_EQ(demoStage, 4);
    EXPECT_EQ(swaps, 1);
    for (const auto& scene : show) {
        ASSERT_EQ(demoStage, scene.frameStage);
        Scene* ending = currentScene;
        ASSERT_NE(ending, nullptr);
        now += static_cast<uint32_t>(scene.endTime * 100) + 1;
        swaps = 0;
        if (scene.frameStage == 25) {
            // The last scene's end runs the release and the exit path.
            ChildResult child = runInChild(runSequencer);
            EXPECT_EQ(child.exitStatus, 0);
            EXPECT_TRUE(std::regex_match(child.output, std::regex("\n\n\nfps:[0-9]+\\.[0-9][0-9]\n")))
                << child.output;
            break;
        }
        runSequencer();
        EXPECT_EQ(demoStage, scene.frameStage + 3);
        EXPECT_EQ(swaps, 2) << "stage " << scene.frameStage << ": the last frame and the next scene's first";
        ASSERT_NE(currentScene, nullptr);
        EXPECT_GT(currentScene->meshObjectCount, 0);
    }
}

// Models that do not fit their scripts, packed in front of the baked
// library so that they are found first.
TEST_F(FirstScenes, ModelsThatDoNotFitTheirScripts)
{
    using namespace model3ds;
    std::vector<uint8_t> baked = readFile(std::string(KVISTRA_RUN_DIR) + "/ant");
    ASSERT_FALSE(baked.empty());
    auto cube = [](float size, size_t vertexCount) {
        MeshSpec mesh;
        mesh.name = "cube";
        for (int k = 0; k < 8; k++)
            mesh.vertices.push_back({k & 1 ? size : -size, k & 2 ? size : -size, k & 4 ? size : -size});
        mesh.faces = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                      {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
        mesh.vertices.resize(vertexCount);
        if (vertexCount < 8)
            mesh.faces.resize(0);
        mesh.groups = {{"ENVMAP", {}}};
        for (uint16_t f = 0; f < mesh.faces.size(); f++)
            mesh.groups[0].faces.push_back(f);
        return mesh;
    };
    auto model = [&](std::vector<MeshSpec> meshes, bool withCamera) {
        ModelSpec spec;
        MaterialSpec material;
        material.name = "ENVMAP";
        spec.materials = {material};
        spec.meshes = meshes;
        if (withCamera) {
            CameraSpec camera;
            camera.name = "Camera01";
            camera.position = {0, -300, 0};
            spec.cameras = {camera};
        }
        return modelBytes(spec);
    };
    auto writeAnt = [&](const std::string& dir, const std::vector<LibraryEntry>& first) {
        std::vector<uint8_t> bytes = libraryBytes(first);
        bytes.insert(bytes.end(), baked.begin(), baked.end());
        writeFile(dir + "/ant", bytes);
    };

    // Without a camera no frame could run: every set-up refuses the model.
    for (const SceneFunctions& s : firstScenes) {
        TempDir dir;
        writeAnt(dir.path, {{s.model, model({cube(50, 8)}, false)}});
        ChildResult child = runInChild([&] {
            if (chdir(dir.path.c_str()) == 0)
                s.setup();
        });
        EXPECT_EQ(child.exitStatus, 1) << s.model;
        EXPECT_EQ(child.output, "[MORVEL ENGINE ERROR]:A .3ds model has no camera.\n\n") << s.model;
    }

    // A rest copy shorter than the object: only the vertices both have move.
    // A model with no rest copy at all: nothing moves.
    struct Case {
        const char* name;
        std::vector<MeshSpec> meshes;
        int32_t moved;
    } cases[] = {
        {"short rest copy", {cube(50, 8), cube(50, 4)}, 4},
        {"no rest copy", {cube(50, 8)}, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        writeAnt(dir.path, {{"blue.3ds", model(c.meshes, true)}});
        ASSERT_EQ(chdir(dir.path.c_str()), 0);
        setUp(setupBlue);
        MeshObject& drawn = *currentScene->meshObjects[0];
        std::vector<Vertex> before(drawn.vertices, drawn.vertices + drawn.vertexCount);
        frameAt(drawBlueFrame, 20);
        for (int32_t v = 0; v < drawn.vertexCount; v++) {
            bool moved = drawn.vertices[v].position.y != before[v].position.y;
            EXPECT_EQ(moved, v < c.moved) << c.name << ", vertex " << v;
        }
        destroyScene(currentScene);
        currentScene = nullptr;
    }
}
