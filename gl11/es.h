// es.h: the ES side of the layer. es.cpp owns all of it: the programs, the
// vertex array and the buffer rings, the texture bound on ES, and the one
// pending batch with its wide-line table. The GL 1.1 entry points reach
// these only through the functions here; ES state that mirrors GL 1.1 state
// (capabilities, blend function, viewport, texture objects) they forward
// themselves, after flushBatch.
#pragma once

#include "gl11/batch.h"

// Sets up the ES side once: every entry point that sets ES state or draws
// calls it first (in kvistra the first call of the initial state starts
// it). The record's viewport takes the surface's size then, GL's initial
// viewport.
void ensureStarted();

// Draws the pending batch, if any.
void flushBatch();

// A primitive of `kind` starts: what is pending is drawn first unless the
// batch is of that kind and, when the state changed (`changed` not null),
// drawn in that state.
void openPrimitive(BatchKind kind, const DrawState* changed);

// The primitive complete, with its vertices, joins the pending batch.
void closePrimitive(GLenum mode, const LayerVertex* vertices, size_t count, const LineRaster& raster);

// Binds a texture name on ES when it is not bound there already.
void bindEsTexture(GLuint name);
