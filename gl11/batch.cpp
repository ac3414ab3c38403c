// batch.cpp: a primitive's indices in the batch.
//
// ES takes a flat-shaded triangle's colour from its last vertex, so every
// triangle ends on GL 1.1's flat-shading vertex:
//  - GL_POLYGON: a fan cut as (v[i], v[i+1], v[0]), a cyclic rotation of
//    each triangle, so the winding (and culling) stays; GL 1.1's flat colour
//    is the first vertex's.
//  - GL_QUADS: (v0, v1, v3) and (v1, v2, v3); GL 1.1's flat colour is the
//    fourth vertex's.
//  - GL_LINES one pixel wide: ES lines; the flat colour is the second
//    vertex's in both.
// Incomplete primitives are dropped, as GL drops them: their vertices stay
// in the batch, unreferenced.
#include "gl11/batch.h"

void addPrimitive(
    Batch& batch, GLenum mode, const LayerVertex* vertices, size_t count, const LineRaster& raster)
{
    if (mode == GL_LINES && batch.kind == BatchKind::wideLines) {
        addWideLines(batch, vertices, count, raster);
        return;
    }
    auto first = static_cast<uint32_t>(batch.vertices.size());
    batch.vertices.insert(batch.vertices.end(), vertices, vertices + count);
    std::vector<uint32_t>& indices = batch.indices;
    switch (mode) {
    case GL_LINES:
        for (uint32_t k = 0; k + 1 < count; k += 2) {
            indices.push_back(first + k);
            indices.push_back(first + k + 1);
        }
        break;
    case GL_POLYGON:
        for (uint32_t i = 1; i + 1 < count; i++) {
            indices.push_back(first + i);
            indices.push_back(first + i + 1);
            indices.push_back(first);
        }
        break;
    case GL_QUADS:
        for (uint32_t q = 0; q + 3 < count; q += 4) {
            uint32_t v = first + q;
            uint32_t quad[6] = {v, v + 1, v + 3, v + 1, v + 2, v + 3};
            indices.insert(indices.end(), quad, quad + 6);
        }
        break;
    default: break;
    }
}

void emptyBatch(Batch& batch)
{
    batch.vertices.clear();
    batch.indices.clear();
    forgetSegments(batch.segments);
}
