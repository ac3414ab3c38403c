// keyframer.cpp: Kochanek-Bartels tangents of position tracks, their
// evaluation at a frame, the camera animation and the scene's current frame.
#include "scene/scene.h"

namespace {

Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(float s, Vec3 v)
{
    return {s * v.x, s * v.y, s * v.z};
}

float absolute(float value)
{
    return value < 0 ? -value : value;
}

void innerKeyTangents(const TrackKey& previous, TrackKey& key, const TrackKey& next)
{
    Vec3 g1 = key.value - previous.value;
    Vec3 g2 = next.value - key.value;

    float span = float(next.frame - previous.frame);
    float adjustIn = float(key.frame - previous.frame) / (span * 0.5f);
    float adjustOut = float(next.frame - key.frame) / (span * 0.5f);

    float m = absolute(key.continuity);
    adjustIn = adjustIn + m - adjustIn * m;
    adjustOut = adjustOut + m - adjustOut * m;

    float t = key.tension, c = key.continuity, b = key.bias;
    float k = (1 - t) * 0.5f;
    key.inTangent = adjustIn * k * ((1 - c) * (1 + b) * g1 + (1 + c) * (1 - b) * g2);
    key.outTangent = adjustOut * k * ((1 + c) * (1 + b) * g1 + (1 - c) * (1 - b) * g2);
}

void firstKeyTangent(TrackKey& key0, const TrackKey& key1, const TrackKey& key2)
{
    float share = float(key1.frame - key0.frame) / (2 * float(key2.frame - key0.frame));
    key0.outTangent =
        (1 - key0.tension) * (1.5f * (key1.value - key0.value) - share * (key2.value - key0.value));
}

void lastKeyTangent(const TrackKey& key0, const TrackKey& key1, TrackKey& key2)
{
    float share = float(key2.frame - key1.frame) / (2 * float(key2.frame - key0.frame));
    key2.inTangent =
        (1 - key2.tension) * (1.5f * (key2.value - key1.value) - share * (key2.value - key0.value));
}

}  // namespace

void prepareTangents(Track& track)
{
    uint32_t n = track.keyCount;
    if (n < 3)
        return;
    TrackKey* keys = track.keys;
    for (uint32_t i = 1; i + 1 < n; i++)
        innerKeyTangents(keys[i - 1], keys[i], keys[i + 1]);
    firstKeyTangent(keys[0], keys[1], keys[2]);
    lastKeyTangent(keys[n - 3], keys[n - 2], keys[n - 1]);
}

float easeParameter(float t, float a, float b)
{
    float s = a + b;
    if (s == 0)
        return t;
    if (s > 1) {
        a = a / s;
        b = b / s;
    }
    float k = 1 / (2 - a - b);
    // An ease of 0 on one side has no curved part there: the straight part
    // reaches that end (and no division by 0 takes place).
    if (t < a && a > 0)
        return k / a * t * t;
    if (t < 1 - b || b <= 0)
        return k * (2 * t - a);
    return 1 - k / b * (1 - t) * (1 - t);
}

Vec3 evaluateTrack(const Track& track, int32_t frame)
{
    uint32_t n = track.keyCount;
    if (n == 0)
        return {0, 0, 0};
    const TrackKey* keys = track.keys;
    if (n == 1)
        return keys[0].value;

    // Frames after the second-to-last key hold its position: the segment into
    // the last key is never interpolated.
    if (frame > keys[n - 2].frame)
        return keys[n - 2].value;

    for (uint32_t i = 0; i + 2 < n; i++) {
        int32_t from = keys[i].frame, to = keys[i + 1].frame;
        bool inside = (from <= frame && frame < to) || (from < frame && frame == to);
        if (!inside)
            continue;
        float t = float(frame - from) / float(to - from);
        float s = easeParameter(t, keys[i].easeFrom, keys[i + 1].easeTo);
        float s2 = s * s, s3 = s2 * s;
        float h2 = 3 * s2 - 2 * s3;
        float h1 = 1 - h2;
        float h3 = s3 - 2 * s2 + s;
        float h4 = s3 - s2;
        return h1 * keys[i].value + h2 * keys[i + 1].value + h3 * keys[i].outTangent +
            h4 * keys[i + 1].inTangent;
    }
    // No segment holds the frame (before the first key, or a track of two
    // keys at or before its first key): the first key's position.
    return keys[0].value;
}

void animateCamera(Camera& camera, int32_t frame)
{
    // A track without keys leaves its value as it is.
    const Track& path = *camera.tracks[0];
    if (path.keyCount == 1)
        camera.position = path.keys[0].value;
    else if (path.keyCount > 1)
        camera.position = evaluateTrack(path, frame);

    const Track& aim = *camera.tracks[1];
    if (aim.keyCount == 1)
        camera.target = aim.keys[0].value;
    else if (aim.keyCount > 1)
        camera.target = evaluateTrack(aim, frame);
}

void animateCamera(Camera* camera, int32_t frame)
{
    if (camera)
        animateCamera(*camera, frame);
}

void setSceneFrame(Scene& scene, int32_t frame)
{
    const FrameRange& range = *scene.frameRange;
    if (range.loop == 0 && frame >= range.end)
        frame = range.end;
    if (range.loop == 1 && frame >= range.end) {
        // A range that ends at 0 has nothing to wrap by: it stays at its start.
        if (range.end == 0)
            frame = range.start;
        else
            frame = frame % range.end;
    }
    if (frame < range.start)
        frame = range.start;
    scene.currentFrame = frame;
}
