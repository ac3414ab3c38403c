// shader.cpp: the programs that draw everything, GL 1.1's fixed function
// with its state as uniforms.
//
// Vertex stage, per vertex as GL 1.1 does it: the modelview and projection
// transforms; the normal through the inverse transpose of the modelview,
// not renormalised (GL_NORMALIZE is off); lighting with directional light
// 0 and colour material (ambient and diffuse from the current colour,
// unclamped before lighting), the default light model (scene ambient 0.2,
// infinite viewer, one-sided), specular only where N.L > 0; the colour
// clamped to [0, 1]; sphere-map coordinates; the fog coordinate |z_eye|.
// Lines wider than a pixel arrive as quads whose corners carry their shift
// in normalised device coordinates.
//
// Fragment stage: the flat colour (the provoking vertex's, from a flat
// varying) or the interpolated one; the texture in modulate or decal mode,
// GL_CLAMP's black border emulated on a clamp-to-edge texture under linear
// filtering; exponential fog per fragment, f = 2^(-(density / ln 2) c)
// clamped to [0, 1], mixing red, green and blue towards the fog colour.
//
// Texturing, fog and the shade model are compiled in or out rather than
// switched by uniforms: a software rasteriser runs both sides of a branch,
// and a texture fetch, an exp2 or an interpolated colour per fragment that
// is not needed costs as much as one that is. So there are eight programs,
// all made at start-up.
#include "gl11/shader.h"

#include "gl11/state.h"

#include <cstdio>

static const char* vertexSource = R"(
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 colour;
layout(location = 3) in vec2 texCoord;
layout(location = 4) in vec2 offset;

uniform mat4 modelview;
uniform mat4 projection;
uniform mat3 normalMatrix;
uniform bool lighting;
uniform bool light0;
uniform vec3 lightDirection;
uniform vec3 halfVector;
uniform vec3 specular;
uniform float shininess;
uniform vec3 sceneAmbient;
uniform bvec2 sphereMap;

out vec4 smoothColour;
flat out vec4 flatColour;
out vec2 fragmentTexCoord;
out float fogCoord;

void main()
{
    vec4 eye = modelview * vec4(position, 1.0);
    vec4 clip = projection * eye;
    clip.xy += offset * clip.w;
    gl_Position = clip;

    vec3 n = normalMatrix * normal;
    vec4 c = colour;
    if (lighting) {
        vec3 lit = sceneAmbient * colour.rgb;
        if (light0) {
            float diffuse = dot(n, lightDirection);
            lit += max(diffuse, 0.0) * colour.rgb;
            if (diffuse > 0.0)
                lit += pow(max(dot(n, halfVector), 0.0), shininess) * specular;
        }
        c = vec4(lit, colour.a);
    }
    c = clamp(c, 0.0, 1.0);
    smoothColour = c;
    flatColour = c;

    vec2 st = texCoord;
    if (any(sphereMap)) {
        vec3 u = normalize(eye.xyz);
        vec3 r = u - 2.0 * n * dot(n, u);
        vec3 rp = r + vec3(0.0, 0.0, 1.0);
        vec2 sphere = r.xy * (0.5 * inversesqrt(dot(rp, rp))) + 0.5;
        st = mix(st, sphere, vec2(sphereMap));
    }
    fragmentTexCoord = st;
    fogCoord = abs(eye.z);
}
)";

static const char* fragmentSource = R"(
precision highp float;

in vec4 smoothColour;
flat in vec4 flatColour;
in vec2 fragmentTexCoord;
in float fogCoord;

#if TEXTURING
uniform sampler2D picture;
uniform bool decal;
uniform bvec2 border;
uniform vec2 pictureSize;
#endif
#if FOG
uniform vec3 fogColour;
uniform float fogScale;
#endif

out vec4 fragmentColour;

void main()
{
#if FLAT
    vec4 c = flatColour;
#else
    vec4 c = smoothColour;
#endif
#if TEXTURING
    {
        vec3 texel = texture(picture, fragmentTexCoord).rgb;
        if (any(border)) {
            // The share of the bilinear footprint inside the texture; the
            // rest is GL_CLAMP's black border.
            vec2 u = clamp(fragmentTexCoord, 0.0, 1.0) * pictureSize - 0.5;
            vec2 inside = clamp(u + 1.0, 0.0, 1.0) * clamp(pictureSize - u, 0.0, 1.0);
            inside = mix(vec2(1.0), inside, vec2(border));
            texel *= inside.x * inside.y;
        }
        c.rgb = decal ? texel : c.rgb * texel;
    }
#endif
#if FOG
    float f = clamp(exp2(-fogScale * fogCoord), 0.0, 1.0);
    c.rgb = mix(fogColour, c.rgb, f);
#endif
    fragmentColour = c;
}
)";

static GLuint compileShader(GLenum kind, const char* options, const char* source)
{
    GLuint shader = glCreateShader(kind);
    const char* parts[3] = {"#version 300 es\n", options, source};
    glShaderSource(shader, 3, parts, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        layerFatal(kind == GL_VERTEX_SHADER ? "the vertex shader does not compile"
                                            : "the fragment shader does not compile",
            log);
    }
    return shader;
}

void createProgram(ShaderInputs& inputs, bool texturing, bool fog, bool flat)
{
    char options[80];
    std::snprintf(options, sizeof options, "#define TEXTURING %d\n#define FOG %d\n#define FLAT %d\n",
        texturing, fog, flat);
    GLuint vertex = compileShader(GL_VERTEX_SHADER, "", vertexSource);
    GLuint fragment = compileShader(GL_FRAGMENT_SHADER, options, fragmentSource);
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        char log[1024] = "";
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        layerFatal("the program does not link", log);
    }
    glDeleteShader(vertex);
    glDeleteShader(fragment);

    inputs.program = program;
    auto at = [program](const char* name) { return glGetUniformLocation(program, name); };
    inputs.modelview = at("modelview");
    inputs.projection = at("projection");
    inputs.normalMatrix = at("normalMatrix");
    inputs.lighting = at("lighting");
    inputs.light0 = at("light0");
    inputs.lightDirection = at("lightDirection");
    inputs.halfVector = at("halfVector");
    inputs.specular = at("specular");
    inputs.shininess = at("shininess");
    inputs.sceneAmbient = at("sceneAmbient");
    inputs.sphereMap = at("sphereMap");
    inputs.sampler = at("picture");
    inputs.decal = at("decal");
    inputs.border = at("border");
    inputs.textureSize = at("pictureSize");
    inputs.fogColour = at("fogColour");
    inputs.fogScale = at("fogScale");
}
