// The 3D scenes on a virtual music clock, and the sequencer carrying the
// show from scene to scene to its end.
#include "show_fixture.h"

#include "shell/shell.h"

#include <GL/gl.h>

#include <cmath>
#include <regex>

using FirstScenes = ShowTest;

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

// The radius of the sphere about centre that holds the scene's visible
// objects as drawn (positions times scale).
static float modelRadius(const Scene& scene, const Vec3& centre)
{
    float radius = 0;
    for (int32_t o = 0; o < scene.meshObjectCount; o++) {
        const MeshObject& object = *scene.meshObjects[o];
        for (int32_t v = 0; v < object.vertexCount && object.visible; v++) {
            const Vec3& q = object.vertices[v].position;
            radius = std::fmax(radius,
                std::hypot(q.x * object.scale.x - centre.x, q.y * object.scale.y - centre.y,
                    q.z * object.scale.z - centre.z));
        }
    }
    return radius;
}

TEST_F(FirstScenes, EveryCameraCirclesItsTargetOutsideTheModelAndEachSceneEndsPastItsEndTime)
{
    // Where each camera may go over its scene: its distance from the target,
    // which stays the file's, and its way round it seen from above (y up),
    // 1 anticlockwise, -1 clockwise. It starts from the file's position,
    // keeps out of the sphere about the target that holds the model and
    // moves smoothly. "snurr.3ds" flies its model's tracks instead.
    const struct {
        float nearest, farthest;
        int turn;
    } ways[7] = {{135, 150, 1}, {490, 870, 1}, {220, 305, -1}, {280, 340, -1}, {120, 142, 1}, {600, 730, 1},
        {305, 425, 1}};
    for (int i = 0; i < 7; i++) {
        const ShowScene& s = showScenes[i];
        SCOPED_TRACE(s.model);
        demoStage = s.frameStage;
        setupAt(s.setup);
        const Camera& camera = *currentScene->currentCamera;
        const Vec3 start = camera.position, target = camera.target;
        auto offset = [&] {
            return Vec3{
                camera.position.x - target.x, camera.position.y - target.y, camera.position.z - target.z};
        };
        for (uint32_t k = 0; k < 16; k++) {
            uint32_t ms = s.endMs * k / 16;
            frameAt(s.frame, ms);
            if (k == 0)
                expectVec3(camera.position, start, "the first frame's camera");
            Vec3 a = offset();
            frameAt(s.frame, ms + 10);
            const Vec3& p = camera.position;
            Vec3 b = offset();
            float distance = std::hypot(b.x, b.y, b.z);
            EXPECT_TRUE(distance >= ways[i].nearest && distance <= ways[i].farthest)
                << ms << " ms: " << distance;
            EXPECT_GT(distance, modelRadius(*currentScene, target)) << ms << " ms";
            EXPECT_LT(std::hypot(b.x - a.x, b.y - a.y, b.z - a.z), 4.0f) << "10 ms after " << ms << " ms";
            float turn = a.z * b.x - a.x * b.z;
            EXPECT_GT(turn * float(ways[i].turn), 0.0f) << ms << " ms";
            expectVec3(camera.target, target, "target");

            // A directional light in eye coordinates: fixed in the first
            // scene, from the camera (its x twice) in every other.
            GLfloat light[4];
            glGetLightfv(GL_LIGHT0, GL_POSITION, light);
            expectVec3(
                {light[0], light[1], light[2]}, i == 0 ? Vec3{0, 0, -400} : Vec3{p.x, p.x, p.z}, "light");
            EXPECT_EQ(light[3], 0.0f);
        }

        // A frame exactly at the end time does not end the scene; the next
        // one does, and is still shown.
        frameAt(s.frame, s.endMs);
        EXPECT_EQ(demoStage, s.frameStage);
        frameAt(s.frame, s.endMs + 1);
        EXPECT_EQ(demoStage, s.frameStage + 1);
        EXPECT_TRUE(swaps == 34 * (i + 1) && frameCount == swaps);
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
            EXPECT_TRUE(std::regex_match(child.output, std::regex("\n\n\nfps:[0-9]+\\.[0-9][0-9]\n")))
                << child.output;
            break;
        }
        runSequencer();
        EXPECT_EQ(demoStage, scene.frameStage + 3);
        EXPECT_EQ(swaps, 2) << "the last frame and the next scene's first";
    }
}
