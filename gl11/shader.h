// shader.h: the layer's programs, GL 1.1's fixed function with its state as
// uniforms (shader.cpp).
#pragma once

#include "gl11/gl11.h"

// A program and where its uniforms are. A uniform the program has not got
// has location -1, which ES ignores.
struct ShaderInputs {
    GLuint program = 0;
    GLint modelview, projection, normalMatrix;
    GLint lighting, light0, lightDirection, halfVector, specular, shininess, sceneAmbient;
    GLint sphereMap;
    GLint sampler, decal, border, textureSize;
    GLint fogColour, fogScale;
};

// Compiles and links the program with or without texturing and fog, for
// flat or smooth shading; ends the process if ES refuses it.
void createProgram(ShaderInputs& inputs, bool texturing, bool fog, bool flat);

// The vertex attribute locations the program binds.
enum AttributeLocation : GLuint {
    attributePosition = 0,
    attributeNormal = 1,
    attributeColour = 2,
    attributeTexCoord = 3,
    attributeOffset = 4,
};
