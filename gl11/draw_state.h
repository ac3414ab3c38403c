// draw_state.h: what a draw's shader inputs depend on, a pure function of
// the GL 1.1 state record.
#pragma once

#include "gl11/state.h"

// Normalised so that state with no effect (the light while lighting is off,
// the texture while texturing is off, ...) compares equal. Only 4-byte
// fields, so that two of them compare byte for byte.
struct DrawState {
    Matrix4 modelview;
    Matrix4 projection;
    int32_t lighting;
    int32_t light0;
    float lightDirection[3];  // unit vector towards the light, eye space
    float halfVector[3];      // infinite viewer: normalize(light + (0, 0, 1))
    float specular[3];
    float shininess;
    int32_t flat;
    int32_t texturing;
    uint32_t texture;
    int32_t decal;
    int32_t sphereS;
    int32_t sphereT;
    int32_t borderS;  // GL_CLAMP under linear filtering: the black border shows
    int32_t borderT;
    float textureSize[2];
    int32_t fog;
    float fogColour[3];
    float fogScale;  // density / ln 2, for exp2
};

DrawState drawStateOf(const GlState& state);

// Ends the process when state asks for drawing the layer does not
// implement: lighting without colour material, texture coordinates
// generated other than by GL_SPHERE_MAP.
void requireDrawable(const GlState& state);
