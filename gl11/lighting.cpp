// lighting.cpp: light 0, the material and the fog, as state for the shader.
//
// A light's position goes through the modelview matrix current at the
// glLightfv call and is kept in eye space; with w = 0 (the only kind kvistra
// places) the light is directional. The material is one for both faces:
// specular and shininess as set, ambient and diffuse from the current colour
// (colour material), emission 0. Light 0's colours (ambient 0, diffuse and
// specular 1) and the light model (scene ambient 0.2, infinite viewer,
// one-sided) stay at GL's defaults. Fog is GL_EXP, the only mode kvistra
// asks for. Any other light, face, mode or name is not implemented.
#include "gl11/state.h"

void gl11Lightfv(GLenum light, GLenum name, const GLfloat* values)
{
    if (light != GL_LIGHT0)
        notImplemented("glLightfv", light);
    if (name != GL_POSITION)
        notImplemented("glLightfv", name);
    const float* m = topMatrix(glState.modelview).m;
    for (int row = 0; row < 4; row++)
        glState.lightPosition[row] =
            m[row] * values[0] + m[4 + row] * values[1] + m[8 + row] * values[2] + m[12 + row] * values[3];
    markStateChanged();
}

void gl11Materialfv(GLenum face, GLenum name, const GLfloat* values)
{
    if (face != GL_FRONT_AND_BACK)
        notImplemented("glMaterialfv", face);
    if (name == GL_SPECULAR) {
        for (int i = 0; i < 4; i++)
            glState.specular[i] = values[i];
    } else if (name == GL_SHININESS) {
        glState.shininess = values[0];
    } else {
        notImplemented("glMaterialfv", name);
    }
    markStateChanged();
}

// Colour material as the layer implements it, for both faces, ambient and
// diffuse; nothing to keep.
void gl11ColorMaterial(GLenum face, GLenum mode)
{
    if (face != GL_FRONT_AND_BACK)
        notImplemented("glColorMaterial", face);
    if (mode != GL_AMBIENT_AND_DIFFUSE)
        notImplemented("glColorMaterial", mode);
}

// GL_EXP, GL's default, is the only mode implemented; nothing to keep.
void gl11Fogi(GLenum name, GLint value)
{
    if (name != GL_FOG_MODE)
        notImplemented("glFogi", name);
    if (value != GL_EXP)
        notImplemented("glFogi", static_cast<GLenum>(value));
}

void gl11Fogf(GLenum name, GLfloat value)
{
    if (name != GL_FOG_DENSITY)
        notImplemented("glFogf", name);
    if (value == glState.fogDensity)
        return;
    glState.fogDensity = value;
    markStateChanged();
}

void gl11Fogfv(GLenum name, const GLfloat* values)
{
    if (name != GL_FOG_COLOR)
        notImplemented("glFogfv", name);
    for (int i = 0; i < 4; i++)
        glState.fogColour[i] = values[i];
    markStateChanged();
}
