// keyframer_reader.cpp: the .3ds keyframer section: the frame range, and the
// position tracks of camera, camera-target and object nodes with their
// tangents prepared for evaluation.
#include "scene/chunk_ids.h"
#include "scene/chunk_reader.h"

#include "resources/resources.h"

using namespace chunk3ds;

namespace {

// The smallest key: frame, spline flags and the position.
constexpr uint64_t smallestKeySize = 4 + 2 + 12;

int optionalFloatCount(uint16_t splineFlags)
{
    int count = 0;
    for (uint16_t bit = 0x01; bit <= 0x10; bit <<= 1) {
        if (splineFlags & bit)
            count++;
    }
    return count;
}

// A key position the tangents and the evaluation can work with: finite, and
// not so large that their sums overflow.
bool usablePosition(const Vec3& p)
{
    for (float c : {p.x, p.y, p.z}) {
        if (!(c >= -maxKeyCoordinate && c <= maxKeyCoordinate))
            return false;
    }
    return true;
}

// A track whose frames repeat or go back (also where they only meet after
// the 16-bit reading) would give spans of zero in the tangents: like a key
// position that is not usable, it is damaged data.
void readTrack(ChunkReader& reader, Track& track, uint32_t end)
{
    track.trackFlags = readU16(reader);
    readU32(reader);
    readU32(reader);
    uint32_t keyCount = readU32(reader);
    requireData(reader, end, uint64_t(keyCount) * smallestKeySize);
    if (keyCount > maxTrackKeys)
        engineError(errorDamaged3ds);

    replaceArray(track.keys, track.keyCount, keyCount);

    for (uint32_t i = 0; i < keyCount; i++) {
        TrackKey& key = track.keys[i];
        key.frame = int16_t(uint16_t(readU32(reader) & 0xFFFF));
        key.splineFlags = readU16(reader);
        int optionalFloats = optionalFloatCount(key.splineFlags);
        uint64_t keysLeft = keyCount - i - 1;
        requireData(reader, end, 4 * optionalFloats + 12 + keysLeft * smallestKeySize);
        // Every key interpolates with tension, continuity and bias 0 and no
        // easing (the key's fields stay 0): the stored parameters are
        // consumed and dropped.
        for (int f = 0; f < optionalFloats; f++)
            readFloat(reader);
        key.value = readPoint(reader);
        if ((i > 0 && key.frame <= track.keys[i - 1].frame) || !usablePosition(key.value))
            engineError(errorDamaged3ds);
    }
    prepareTangents(track);
}

// Reads a node header's name and its flags and parent index (skipped).
void readNodeHeader(ChunkReader& reader, char (&name)[recordNameSize])
{
    readName(reader, name);
    uint8_t skipped[6];
    readBytes(reader, skipped, sizeof skipped);
}

Camera* findNodeCamera(ChunkReader& reader)
{
    char name[recordNameSize];
    readNodeHeader(reader, name);
    Scene& scene = *reader.scene;
    Camera* camera = findByName(reader.cameraNames, scene.cameras, scene.cameraCount, name);
    if (!camera)
        engineError(errorUnknownNode);
    return camera;
}

MeshObject* findNodeObject(ChunkReader& reader)
{
    char name[recordNameSize];
    readNodeHeader(reader, name);
    Scene& scene = *reader.scene;
    MeshObject* object = findByName(reader.objectNames, scene.meshObjects, scene.meshObjectCount, name);
    if (!object)
        engineError(errorUnknownNode);
    return object;
}

// One walk for the three node kinds; they differ in the lookup and in the
// Track the position track goes to. A position track before the node header
// has no subject and is skipped.
void readNode(ChunkReader& reader, uint16_t kind, uint32_t end)
{
    Track* track = nullptr;
    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        if (chunk.id == idNodeHeader) {
            if (kind == idObjectNode)
                track = findNodeObject(reader)->tracks[0];
            else if (kind == idCameraNode)
                track = findNodeCamera(reader)->tracks[0];
            else
                track = findNodeCamera(reader)->tracks[1];
        } else if (chunk.id == idPositionTrack && track) {
            readTrack(reader, *track, chunk.end);
        } else {
            seekTo(reader, chunk.end);
        }
        pos = tell(reader);
    }
}

}  // namespace

void readKeyframer(ChunkReader& reader, uint32_t end)
{
    FrameRange& range = *reader.scene->frameRange;
    uint32_t pos = tell(reader);
    while (pos < end) {
        ChunkHeader chunk = readChunkHeader(reader, pos);
        switch (chunk.id) {
        case idObjectNode:
        case idCameraNode:
        case idTargetNode: readNode(reader, chunk.id, chunk.end); break;
        case idFrameRange:
            range.start = readI32(reader);
            range.end = readI32(reader);
            break;
        default: seekTo(reader, chunk.end); break;
        }
        pos = tell(reader);
    }
}
