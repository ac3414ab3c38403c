// The 3D scenes on a virtual music clock, and the sequencer carrying the
// show from scene to scene to its end.
#include "show_fixture.h"

#include "shell/shell.h"

#include <GL/gl.h>

#include <cmath>
#include <regex>

using FirstScenes = ShowTest;

static Vec3 vec3(double x, double y, double z) { return {float(x), float(y), float(z)}; }

// First in this file: the flash's start is taken once per run, and later
// tests draw "test.3ds" frames past the fade too.
TEST_F(FirstScenes, TestSceneFadesInFlashesAndOverlaysAWireframe)
{
    setupAt(setupTest);
    frameAt(drawTestFrame, 0);
    EXPECT_EQ(brightness, 0.0f);
    for (const Rgba& p : readFrame())
        ASSERT_TRUE(p.r == 0 && p.g == 0 && p.b == 0) << "the first frame is black";

    // The flash starts on the first frame past the fade.
    const struct {
        uint32_t ms;
        float brightness;
    } steps[] = {{5190, 0.519f}, {5200, 2.0f}, {5300, 1.7f}, {5540, 1.0f}, {8000, 1.0f}};
    for (const auto& step : steps) {
        frameAt(drawTestFrame, step.ms);
        EXPECT_NEAR(brightness, step.brightness, 2e-5) << step.ms;
    }
    // The overlay pass leaves every object but the last marked unlit.
    int32_t count = currentScene->meshObjectCount;
    ASSERT_GE(count, 2);
    for (int32_t i = 0; i < count; i++)
        EXPECT_EQ(currentScene->meshObjects[i]->unlitOverride, i < count - 1 ? 1 : 0) << i;
    EXPECT_EQ(swaps, 6);
}

TEST_F(FirstScenes, EverySceneFollowsItsClockAndEndsOnlyPastItsEndTime)
{
    // The camera paths at scene time t; "snurr.3ds" follows its model's tracks.
    using std::cos, std::sin;
    const std::function<Vec3(double t)> paths[8] = {
        [](double t) { return vec3(110 * sin(0.03 * t), 100, 120 * cos(0.03 * t)); },
        [](double t) { return vec3(560 * sin(0.04 * t), 680 * cos(0.02 * t), 500 * cos(0.04 * t)); },
        [](double t) { return vec3(200 * sin(0.01 * t), -400 * sin(0.001 * t), -300 * cos(0.01 * t)); },
        [](double t) { return vec3(280 * sin(0.01 * t), -487 * sin(0.001 * t), -300 * cos(0.01 * t)); },
        [](double t) { return vec3(120 * sin(0.05 * t), -70, 100 * cos(0.05 * t)); },
        [](double t) { return vec3(720 * sin(0.04 * t), 10 * sin(0.01 * t), 610 * cos(0.04 * t)); },
        [](double t) { return vec3(420 * sin(0.04 * t), 10 * sin(0.01 * t), 310 * cos(0.04 * t)); },
        nullptr,
    };
    for (int i = 0; i < 8; i++) {
        const ShowScene& s = showScenes[i];
        SCOPED_TRACE(s.model);
        demoStage = s.frameStage;
        setupAt(s.setup);
        float t = frameAt(s.frame, 3700);
        const Vec3& camera = currentScene->currentCamera->position;
        if (paths[i] != nullptr)
            expectVec3(camera, paths[i](t), "camera");

        // A directional light in eye coordinates: fixed in the first scene,
        // from the camera (its x twice) in every other.
        GLfloat light[4];
        glGetLightfv(GL_LIGHT0, GL_POSITION, light);
        expectVec3({light[0], light[1], light[2]}, i == 0 ? Vec3{0, 0, -400} : Vec3{camera.x, camera.x, camera.z}, "light");
        EXPECT_EQ(light[3], 0.0f);

        // A frame exactly at the end time does not end the scene; the next
        // one does, and is still shown.
        frameAt(s.frame, s.endMs);
        EXPECT_EQ(demoStage, s.frameStage);
        frameAt(s.frame, s.endMs + 1);
        EXPECT_EQ(demoStage, s.frameStage + 1);
        EXPECT_TRUE(swaps == 3 * (i + 1) && frameCount == swaps);
        endScene();
    }
}

TEST_F(FirstScenes, EnvBackdropFillsTheFrameAndTintsTheModel)
{
    setupAt(setupEnv);
    // A pure red backdrop: the model, drawn with texturing left on by the
    // backdrop quad, keeps only the red of its lit colours.
    backdropTexture = makeTexture(Rgba{255, 0, 0, 0});
    frameAt(drawEnvFrame, 2000);
    std::vector<Rgba> frame = readFrame();
    int model = 0;
    for (const Rgba& p : frame) {
        ASSERT_TRUE(p.g == 0 && p.b == 0);
        model += p.r != 255;
    }
    EXPECT_GT(model, 640 * 480 / 50) << "the model covers part of the backdrop";
    // The quad stops within a pixel of the screen's edges.
    for (int corner : {2 * 640 + 2, 2 * 640 + 637, 477 * 640 + 2, 477 * 640 + 637})
        EXPECT_EQ(frame[corner].r, 255) << "the backdrop reaches the corners";
}

TEST_F(FirstScenes, BlueDeformsItsObjectFromTheRestCopy)
{
    setupAt(setupBlue);
    ASSERT_GE(currentScene->meshObjectCount, 2);
    MeshObject& drawn = *currentScene->meshObjects[0];
    const MeshObject& rest = *currentScene->meshObjects[1];
    EXPECT_FALSE(rest.visible);

    frameAt(drawBlueFrame, 0);
    const Vec3& p = rest.vertices[0].position;
    expectVec3(drawn.vertices[0].position, {p.x, float(p.y * 1.4), p.z}, "vertex 0 at t = 0");

    // The waves travel along the vertex order, and the normals follow.
    frameAt(drawBlueFrame, 2000);
    int i = drawn.vertexCount / 2;
    const Vec3& q = rest.vertices[i].position;
    EXPECT_FLOAT_EQ(drawn.vertices[i].position.y, float(q.y * (1 + 0.4 * std::cos(0.18 * 20 + 0.1 * i))));
    int changedNormals = 0;
    for (int v = 0; v < drawn.vertexCount; v++)
        changedNormals += std::fabs(drawn.vertices[v].normal.x - rest.vertices[v].normal.x) > 1e-3f;
    EXPECT_GT(changedNormals, 0);
}

TEST_F(FirstScenes, SequencerRunsTheTitleChangesSceneWithinOnePassAndEndsAfterTheLast)
{
    // The first pass: the title's set-up, the music's start, the first title frame.
    static int musicStarts = 0;
    AudioCalls saved = audioCalls;
    audioCalls.start = [] { return ++musicStarts; };
    virtualNow = 5000;
    demoStage = 0;
    runSequencer();
    audioCalls = saved;
    EXPECT_EQ(musicStarts, 1);
    EXPECT_TRUE(demoStage == 2 && swaps == 1 && clockBase == 5000u && sceneStart == 0.0f);
    EXPECT_TRUE(titleTexture4.name != 0 && titleTexture4.pixels == nullptr) << "uploaded, buffer freed";
    EXPECT_GT(readPixel(320, 240).r, 0) << "the first picture at half brightness";

    // Past the title's end (16.3 s): its last frame and the first set-up and frame.
    virtualNow += 16310;
    swaps = 0;
    runSequencer();
    EXPECT_EQ(swaps, 2);
    virtualNow = 100000;
    for (const ShowScene& scene : showScenes) {
        SCOPED_TRACE(scene.model);
        ASSERT_EQ(demoStage, scene.frameStage);
        ASSERT_NE(currentScene, nullptr);
        EXPECT_GT(currentScene->meshObjectCount, 0);
        virtualNow += scene.endMs + 1;
        swaps = 0;
        if (scene.frameStage == 25) {
            // The last scene's end runs the release and the exit path.
            ChildResult child = runInChild(runSequencer);
            EXPECT_EQ(child.exitStatus, 0);
            EXPECT_TRUE(std::regex_match(child.output, std::regex("\n\n\nfps:[0-9]+\\.[0-9][0-9]\n"))) << child.output;
            break;
        }
        runSequencer();
        EXPECT_EQ(demoStage, scene.frameStage + 3);
        EXPECT_EQ(swaps, 2) << "the last frame and the next scene's first";
    }
}
