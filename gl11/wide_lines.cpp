// wide_lines.cpp: lines wider than one pixel, drawn as quads.
//
// ES (and WebGL) rasterise only one-pixel lines reliably. Each segment
// becomes a quad widened across its minor axis by the line width in window
// pixels (an x-major line vertically), as Mesa rasterises wide aliased lines:
// its four corners are the two ends, each shifted both ways by half the
// width, a shift the shader applies after projection. Both triangles of a
// quad end on a corner of the segment's second vertex, GL 1.1's flat-shading
// vertex for lines; the batch draws them without culling.
//
// A wireframe draws every edge shared by two faces twice, once each way.
// With the depth test on (GL_LESS) and blending off, the second of two equal
// quads changes no pixel: its fragments have the depths the first one
// stored, and fail. So a segment whose two ends carry the same colour,
// normal and texture coordinate, and which the batch already holds with the
// same ends, is left out. Its quad is the same area either way round, and
// where depth rounding would let one of its fragments through, it would
// paint the colour already there.
#include "gl11/batch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Whole-number coordinates have their low bits all zero, so the bits are
// mixed down as well as up before the low bits pick a slot.
uint32_t positionHash(const float position[3])
{
    uint32_t hash = 0;
    for (int i = 0; i < 3; i++) {
        uint32_t bits;
        std::memcpy(&bits, &position[i], sizeof bits);
        hash = (hash ^ bits) * 0x9e3779b1u;
        hash ^= hash >> 15;
    }
    hash *= 0x85ebca6bu;
    return hash ^ (hash >> 13);
}

// The same for a segment and for its reverse.
uint32_t segmentHash(const LayerVertex& a, const LayerVertex& b)
{
    return positionHash(a.position) + positionHash(b.position);
}

bool samePosition(const LayerVertex& a, const LayerVertex& b)
{
    return std::memcmp(a.position, b.position, sizeof a.position) == 0;
}

// Equal but for position (and the quad's shift).
bool sameAttributes(const LayerVertex& a, const LayerVertex& b)
{
    return std::memcmp(a.normal, b.normal, sizeof a.normal) == 0 &&
        std::memcmp(a.colour, b.colour, sizeof a.colour) == 0 &&
        std::memcmp(a.texCoord, b.texCoord, sizeof a.texCoord) == 0;
}

// Whether the quad starting at vertex `base` is the segment a-b, either way.
bool sameSegment(const Batch& batch, uint32_t base, const LayerVertex& a, const LayerVertex& b)
{
    const LayerVertex& from = batch.vertices[base];
    const LayerVertex& to = batch.vertices[base + 2];
    if (!sameAttributes(from, a))
        return false;
    return (samePosition(from, a) && samePosition(to, b)) || (samePosition(from, b) && samePosition(to, a));
}

void insert(const Batch& batch, std::vector<uint32_t>& slots, uint32_t base)
{
    size_t mask = slots.size() - 1;
    size_t i = segmentHash(batch.vertices[base], batch.vertices[base + 2]) & mask;
    while (slots[i] != 0)
        i = (i + 1) & mask;
    slots[i] = base + 1;
}

// Twice the slots, the segments held so far placed again.
void grow(Batch& batch)
{
    std::vector<uint32_t>& slots = batch.segments.slots;
    std::vector<uint32_t> held;
    for (uint32_t slot : slots)
        if (slot != 0)
            held.push_back(slot - 1);
    slots.assign(slots.empty() ? 1024 : slots.size() * 2, 0);
    for (uint32_t base : held)
        insert(batch, slots, base);
}

// Whether the batch holds the segment a-b already; if not, it will, as the
// quad about to start at vertex `base`.
bool heldBefore(Batch& batch, const LayerVertex& a, const LayerVertex& b, uint32_t base)
{
    SegmentTable& table = batch.segments;
    if (2 * (table.used + 1) > table.slots.size())
        grow(batch);
    size_t mask = table.slots.size() - 1;
    for (size_t i = segmentHash(a, b) & mask;; i = (i + 1) & mask) {
        if (table.slots[i] == 0) {
            table.slots[i] = base + 1;
            table.used++;
            return false;
        }
        if (sameSegment(batch, table.slots[i] - 1, a, b))
            return true;
    }
}

// A point's window position under the batch's matrices and the viewport;
// false when it lies behind the eye.
bool windowPosition(
    const DrawState& state, const LineRaster& raster, const float position[3], float window[2])
{
    float eye[4], clip[4];
    for (int row = 0; row < 4; row++) {
        const float* m = state.modelview.m;
        eye[row] = m[row] * position[0] + m[4 + row] * position[1] + m[8 + row] * position[2] + m[12 + row];
    }
    for (int row = 0; row < 4; row++) {
        const float* m = state.projection.m;
        clip[row] = m[row] * eye[0] + m[4 + row] * eye[1] + m[8 + row] * eye[2] + m[12 + row] * eye[3];
    }
    if (clip[3] <= 0.0f)
        return false;
    window[0] = (clip[0] / clip[3] * 0.5f + 0.5f) * raster.viewportWidth;
    window[1] = (clip[1] / clip[3] * 0.5f + 0.5f) * raster.viewportHeight;
    return true;
}

}  // namespace

void addWideLines(Batch& batch, const LayerVertex* ends, size_t count, const LineRaster& raster)
{
    float halfWidth = raster.width * 0.5f;
    for (size_t k = 0; k + 1 < count; k += 2) {
        const LayerVertex& a = ends[k];
        const LayerVertex& b = ends[k + 1];
        auto base = static_cast<uint32_t>(batch.vertices.size());
        if (raster.repeatsInvisible && sameAttributes(a, b) && heldBefore(batch, a, b, base))
            continue;
        float from[2] = {0, 0}, to[2] = {0, 0};
        bool known = windowPosition(batch.state, raster, a.position, from) &&
            windowPosition(batch.state, raster, b.position, to);
        bool xMajor = !known || std::fabs(to[0] - from[0]) >= std::fabs(to[1] - from[1]);
        float offset[2] = {0, 0};
        if (xMajor)
            offset[1] = halfWidth * 2.0f / raster.viewportHeight;
        else
            offset[0] = halfWidth * 2.0f / raster.viewportWidth;
        for (const LayerVertex* end : {&a, &b}) {
            for (float side : {-1.0f, 1.0f}) {
                LayerVertex corner = *end;
                corner.offset[0] = side * offset[0];
                corner.offset[1] = side * offset[1];
                batch.vertices.push_back(corner);
            }
        }
        // base: a-, a+, b-, b+.
        uint32_t quad[6] = {base, base + 1, base + 3, base, base + 3, base + 2};
        batch.indices.insert(batch.indices.end(), quad, quad + 6);
    }
}

void forgetSegments(SegmentTable& table)
{
    if (table.used == 0)
        return;
    std::fill(table.slots.begin(), table.slots.end(), 0);
    table.used = 0;
}
