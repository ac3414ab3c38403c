// lighting.cpp: light 0, the material and the fog, as state for the shader.
//
// A light's position goes through the modelview matrix current at the
// glLightfv call and is kept in eye space; with w = 0 (the only kind kvistra
// places) the light is directional. The material is one for both faces:
// specular and shininess as set, ambient and diffuse from the current colour
// (colour material), emission 0. Light 0's colours (ambient 0, diffuse and
// specular 1) and the light model (scene ambient 0.2, infinite viewer,
// one-sided) stay at GL's defaults. Fog is GL_EXP, the only mode kvistra
// asks for.
#include "gl11/state.h"

void gl11Lightfv(GLenum light, GLenum name, const GLfloat* values)
{
    if (light != GL_LIGHT0 || name != GL_POSITION)
        return;
    const float* m = layer.modelview.entries[layer.modelview.depth - 1].m;
    for (int row = 0; row < 4; row++)
        layer.lightPosition[row] = m[row] * values[0] + m[4 + row] * values[1] + m[8 + row] * values[2] +
                                   m[12 + row] * values[3];
    markStateChanged();
}

void gl11Materialfv(GLenum, GLenum name, const GLfloat* values)
{
    if (name == GL_SPECULAR) {
        for (int i = 0; i < 4; i++)
            layer.specular[i] = values[i];
    } else if (name == GL_SHININESS) {
        layer.shininess = values[0];
    } else {
        return;
    }
    markStateChanged();
}

void gl11ColorMaterial(GLenum face, GLenum mode)
{
    layer.colourMaterialFace = face;
    layer.colourMaterialMode = mode;
}

void gl11Fogi(GLenum name, GLint value)
{
    if (name == GL_FOG_MODE)
        layer.fogMode = static_cast<GLenum>(value);
}

void gl11Fogf(GLenum name, GLfloat value)
{
    if (name != GL_FOG_DENSITY || value == layer.fogDensity)
        return;
    layer.fogDensity = value;
    markStateChanged();
}

void gl11Fogfv(GLenum name, const GLfloat* values)
{
    if (name != GL_FOG_COLOR)
        return;
    for (int i = 0; i < 4; i++)
        layer.fogColour[i] = values[i];
    markStateChanged();
}
