// draw_state.cpp: the DrawState of a GL 1.1 state record.
#include "gl11/draw_state.h"

#include <cmath>
#include <cstring>

static void normalise3(float v[3])
{
    float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f)
        return;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

DrawState drawStateOf(const GlState& gl)
{
    DrawState state;
    std::memset(&state, 0, sizeof state);
    state.modelview = topMatrix(gl.modelview);
    state.projection = topMatrix(gl.projection);
    if (gl.lighting) {
        state.lighting = 1;
        state.specular[0] = gl.specular[0];
        state.specular[1] = gl.specular[1];
        state.specular[2] = gl.specular[2];
        state.shininess = gl.shininess;
        if (gl.light0) {
            state.light0 = 1;
            std::memcpy(state.lightDirection, gl.lightPosition, sizeof state.lightDirection);
            normalise3(state.lightDirection);
            std::memcpy(state.halfVector, state.lightDirection, sizeof state.halfVector);
            state.halfVector[2] += 1.0f;
            normalise3(state.halfVector);
        }
    }
    state.flat = gl.shadeModel == GL_FLAT;
    if (gl.texturing) {
        const TextureRecord& texture = findTextureRecord(gl, gl.boundTexture);
        bool linear = texture.magFilter == GL_LINEAR;
        state.texturing = 1;
        state.texture = gl.boundTexture;
        state.decal = gl.envMode == GL_DECAL;
        state.sphereS = gl.genS && gl.sphereMapS;
        state.sphereT = gl.genT && gl.sphereMapT;
        state.borderS = linear && texture.wrapS == GL_CLAMP;
        state.borderT = linear && texture.wrapT == GL_CLAMP;
        state.textureSize[0] = static_cast<float>(texture.width);
        state.textureSize[1] = static_cast<float>(texture.height);
    }
    if (gl.fog) {
        state.fog = 1;
        state.fogColour[0] = gl.fogColour[0];
        state.fogColour[1] = gl.fogColour[1];
        state.fogColour[2] = gl.fogColour[2];
        state.fogScale = gl.fogDensity * 1.442695f;
    }
    return state;
}

void requireDrawable(const GlState& gl)
{
    if (gl.lighting && !gl.colourMaterial)
        layerFatal("glBegin", "lighting without GL_COLOR_MATERIAL is not implemented");
    if (gl.texturing && ((gl.genS && !gl.sphereMapS) || (gl.genT && !gl.sphereMapT)))
        layerFatal("glBegin", "texture coordinate generation other than GL_SPHERE_MAP is not implemented");
}
