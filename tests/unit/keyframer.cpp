// The keyframer's tangents, evaluation, ease curve, camera animation and
// the scene's frame within its range.
#include "support.h"

#include "scene/scene.h"

namespace {

struct KeyPoint {
    int16_t frame;
    Vec3 value;
};

// A track with its tangents prepared, as the loader prepares them.
Track* makeTrack(const std::vector<KeyPoint>& points)
{
    Track* track = createTrack();
    track->keyCount = uint32_t(points.size());
    track->keys = new TrackKey[points.size()];
    for (size_t i = 0; i < points.size(); i++) {
        track->keys[i].frame = points[i].frame;
        track->keys[i].value = points[i].value;
    }
    prepareTangents(*track);
    return track;
}

}  // namespace

TEST(Keyframer, TangentsAndValuesBetweenUnevenKeysAndClampsOutsideThem)
{
    // Uneven spacing, where neither the tangent terms nor the spacing
    // adjustment cancel: values worked out by hand from the Kochanek-Bartels
    // and Hermite formulas.
    Track* uneven = makeTrack({{0, {0, 0, 0}}, {10, {10, 20, 0}}, {30, {40, 0, 10}}, {60, {40, 30, -20}}});
    const TrackKey* k = uneven->keys;
    struct {
        Vec3 actual, expected;
    } vectors[] = {
        {k[0].outTangent, {25.0f / 3, 30, -5.0f / 3}},  // first key: 1.5 g - (10 / 60) (P2 - P0)
        {k[1].inTangent, {40.0f / 3, 0, 10.0f / 3}},    // (10 / 15) x (g1 + g2) / 2
        {k[1].outTangent, {80.0f / 3, 0, 20.0f / 3}},   // (20 / 15) x (g1 + g2) / 2
        {k[3].inTangent, {-9, 42, -39}},                // last key: 1.5 g - (30 / 100) (P3 - P1)
        {evaluateTrack(*uneven, 4), {3.44f, 11.36f, -0.56f}},
        {evaluateTrack(*uneven, 20), {161.0f / 6, 9.5f, 41.0f / 6}},
        {evaluateTrack(*uneven, 25), {34.875f, 2.5625f, 9.875f}},
        {evaluateTrack(*uneven, 45), {40, 0, 10}},  // past the second-to-last key
        {evaluateTrack(*uneven, -3), {0, 0, 0}},    // before the first
    };
    for (const auto& v : vectors) {
        EXPECT_NEAR(v.actual.x, v.expected.x, 1e-4f);
        EXPECT_NEAR(v.actual.y, v.expected.y, 1e-4f);
        EXPECT_NEAR(v.actual.z, v.expected.z, 1e-4f);
    }
    destroyTrack(uneven);
}

TEST(Keyframer, ShortTracksGiveTheirFirstKey)
{
    Track* two = makeTrack({{5, {1, 2, 3}}, {15, {9, 9, 9}}});
    for (int32_t frame : {0, 5, 10, 20})
        EXPECT_FLOAT_EQ(evaluateTrack(*two, frame).z, 3) << frame;
    destroyTrack(two);

    Camera* camera = createCamera();
    camera->position = {7, 7, 7}, camera->target = {8, 8, 8};
    destroyTrack(camera->tracks[0]);
    camera->tracks[0] = makeTrack({{30, {1, 2, 3}}});
    for (int32_t frame : {0, 30, 100}) {
        animateCamera(*camera, frame);
        EXPECT_FLOAT_EQ(camera->position.y, 2);
        EXPECT_FLOAT_EQ(camera->target.y, 8);  // a track without keys changes nothing
    }
    animateCamera(static_cast<Camera*>(nullptr), 10);
    destroyCamera(camera);
}

TEST(Keyframer, EaseParameter)
{
    struct {
        float t, a, b, expected;
    } cases[] = {{0.5f, 0.3f, 0.2f, 7.0f / 15}, {0.9f, 0.3f, 0.2f, 29.0f / 30}, {0.5f, 0.8f, 0.6f, 0.4375f},
        {0.1f, 0.3f, 0.2f, 1.0f / 45}, {0.37f, 0, 0, 0.37f}, {1.0f, 0.3f, 0, 1.0f}};
    for (const auto& c : cases)
        EXPECT_NEAR(easeParameter(c.t, c.a, c.b), c.expected, 1e-6f) << c.t << " " << c.a << " " << c.b;
}

TEST(Keyframer, SetSceneFrameWrapsOrClamps)
{
    struct {
        int32_t start, end;
        uint8_t loop;
        int32_t frame, expected;
    } cases[] = {{0, 100, 1, 250, 50}, {0, 100, 1, 100, 0}, {0, 100, 0, 250, 100}, {20, 100, 1, 110, 20},
        {20, 100, 1, 150, 50}, {5, 0, 1, 37, 5}, {0, 100, 2, 250, 250}, {10, 100, 0, 3, 10}};
    Scene* scene = createScene();
    for (const auto& c : cases) {
        *scene->frameRange = {c.start, c.end, c.loop};
        setSceneFrame(*scene, c.frame);
        EXPECT_EQ(scene->currentFrame, c.expected)
            << c.start << " " << c.end << " " << int(c.loop) << " " << c.frame;
    }
    destroyScene(scene);
}
