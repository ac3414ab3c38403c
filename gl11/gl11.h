// gl11.h: the fixed-function layer's interface, for OpenGL ES 3.0.
//
// The part of OpenGL 1.1 and GLU that kvistra calls, with GL 1.1's
// semantics, on OpenGL ES 3.0 (GLSL "#version 300 es", the subset WebGL 2
// mirrors). Every function here is the GL 1.1 or GLU function of the same
// name after "gl11" (gl11Enable is glEnable, gl11Perspective is
// gluPerspective); gl11/gl.h maps the GL names onto them, so the engine's
// source stays the same in both builds. The constants GL 1.1 has and ES
// lacks are defined with their GL 1.1 values.
//
// The layer keeps GL 1.1's state itself (gl11/state.h) and turns
// immediate-mode primitives into batched ES draws: consecutive primitives
// between which no state changes reach the GPU as one draw. Only what
// kvistra asks for is there: the projection and modelview stacks, lines,
// polygons and quads, directional light 0 with colour material, exponential
// fog, RGB textures with GL_CLAMP, modulate and decal, sphere-map
// coordinates, wide lines, and RGB read-back.
#pragma once

#include <GLES3/gl3.h>

typedef double GLdouble;

// Capabilities ES does not have (kept as state, or emulated).
#define GL_ALPHA_TEST 0x0BC0
#define GL_COLOR_MATERIAL 0x0B57
#define GL_FOG 0x0B60
#define GL_LIGHTING 0x0B50
#define GL_LIGHT0 0x4000
#define GL_LOGIC_OP 0x0BF1
#define GL_TEXTURE_GEN_S 0x0C60
#define GL_TEXTURE_GEN_T 0x0C61

// Primitives.
#define GL_QUADS 0x0007
#define GL_POLYGON 0x0009

// Matrices.
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701

// Lighting and shading.
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_SHININESS 0x1601
#define GL_AMBIENT_AND_DIFFUSE 0x1602
#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01

// Fog.
#define GL_EXP 0x0800
#define GL_FOG_DENSITY 0x0B62
#define GL_FOG_MODE 0x0B65
#define GL_FOG_COLOR 0x0B66

// Textures.
#define GL_S 0x2000
#define GL_T 0x2001
#define GL_MODULATE 0x2100
#define GL_DECAL 0x2101
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_TEXTURE_ENV 0x2300
#define GL_SPHERE_MAP 0x2402
#define GL_TEXTURE_GEN_MODE 0x2500
#define GL_CLAMP 0x2900

// Not GL 1.1: sets up the ES side now (its programs and buffers, and a
// draw in every raster state the driver compiles for, es.cpp), which the
// first call that reaches ES does otherwise. For a program that has its
// context before the show and time to spare then: the web page, while it
// waits for the viewer.
void gl11Start();

// Capabilities and fixed state (state.cpp).
void gl11Enable(GLenum capability);
void gl11Disable(GLenum capability);
void gl11ShadeModel(GLenum mode);
void gl11BlendFunc(GLenum source, GLenum destination);
void gl11CullFace(GLenum mode);
void gl11FrontFace(GLenum mode);
void gl11LineWidth(GLfloat width);

// The frame: clears, viewport, flush and read-back (frame.cpp).
void gl11ClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void gl11Clear(GLbitfield mask);
void gl11Viewport(GLint x, GLint y, GLsizei width, GLsizei height);
void gl11Flush();
void gl11Finish();
void gl11ReadPixels(
    GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, void* pixels);

// Matrix stacks and the two GLU matrices (matrices.cpp).
void gl11MatrixMode(GLenum mode);
void gl11PushMatrix();
void gl11PopMatrix();
void gl11LoadIdentity();
void gl11Scalef(GLfloat x, GLfloat y, GLfloat z);
void gl11Rotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void gl11Translatef(GLfloat x, GLfloat y, GLfloat z);
void gl11Perspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void gl11LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
    GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ);

// Immediate mode (immediate.cpp).
void gl11Begin(GLenum mode);
void gl11End();
void gl11Vertex3i(GLint x, GLint y, GLint z);
void gl11Normal3d(GLdouble x, GLdouble y, GLdouble z);
void gl11TexCoord2f(GLfloat s, GLfloat t);
void gl11Color3f(GLfloat red, GLfloat green, GLfloat blue);
void gl11Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);

// Light, material and fog (lighting.cpp).
void gl11Lightfv(GLenum light, GLenum name, const GLfloat* values);
void gl11Materialfv(GLenum face, GLenum name, const GLfloat* values);
void gl11ColorMaterial(GLenum face, GLenum mode);
void gl11Fogi(GLenum name, GLint value);
void gl11Fogf(GLenum name, GLfloat value);
void gl11Fogfv(GLenum name, const GLfloat* values);

// Textures (textures.cpp).
void gl11GenTextures(GLsizei count, GLuint* names);
void gl11BindTexture(GLenum target, GLuint name);
void gl11TexParameteri(GLenum target, GLenum name, GLint value);
void gl11TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
    GLint border, GLenum format, GLenum type, const void* pixels);
void gl11TexEnvi(GLenum target, GLenum name, GLint value);
void gl11TexEnvf(GLenum target, GLenum name, GLfloat value);
void gl11TexGeni(GLenum coordinate, GLenum name, GLint value);
void gl11PixelStorei(GLenum name, GLint value);
