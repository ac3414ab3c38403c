// batch.h: the primitives not yet drawn, as the vertices and indices of one
// ES draw, and how a primitive joins them. es.cpp holds the one batch and
// draws it; the functions here only build it.
#pragma once

#include "gl11/draw_state.h"

// What a batch draws: one-pixel lines (as ES lines), lines wider than one
// pixel (as triangles, drawn without culling), or polygons and quads (as
// triangles).
enum class BatchKind : int32_t { none, lines, wideLines, triangles };

// The wide-line segments a batch holds, by hash of their ends: the index of
// each quad's first vertex, + 1 (0 is a free slot). Half full at most.
struct SegmentTable {
    std::vector<uint32_t> slots;
    size_t used = 0;
};

struct Batch {
    BatchKind kind = BatchKind::none;
    DrawState state{};
    std::vector<LayerVertex> vertices;
    std::vector<uint32_t> indices;
    SegmentTable segments;  // of a wideLines batch
};

// Where wide lines land: the width and the viewport's size in pixels;
// repeatsInvisible: the depth test on and blending off, so that a segment
// drawn again over itself changes no pixel.
struct LineRaster {
    float width;
    float viewportWidth;
    float viewportHeight;
    bool repeatsInvisible;
};

// Adds a primitive (GL_LINES, GL_POLYGON or GL_QUADS) of `count` vertices
// to the batch: its vertices, and the indices of its lines or triangles,
// GL 1.1's flat-shading vertex last in each (batch.cpp). In a wideLines
// batch, lines become quads (wide_lines.cpp).
void addPrimitive(
    Batch& batch, GLenum mode, const LayerVertex* vertices, size_t count, const LineRaster& raster);

// The batch emptied after its draw: kind, state and capacity stay.
void emptyBatch(Batch& batch);

// Each segment of the lines `ends` as a quad of the line width, but for
// segments the batch holds already where repeats are invisible
// (wide_lines.cpp).
void addWideLines(Batch& batch, const LayerVertex* ends, size_t count, const LineRaster& raster);

// The table of a batch that starts afresh.
void forgetSegments(SegmentTable& table);
