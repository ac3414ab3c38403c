// gl.h: the one header through which kvistra reaches OpenGL.
//
// The desktop build gets the system's OpenGL 1.1 and GLU headers, nothing
// else. The OpenGL ES build (KVISTRA_GLES) gets the fixed-function layer of
// gl11/ instead: every GL 1.1 and GLU name kvistra calls is mapped onto the
// layer's function of that name, including those ES has too (glEnable sees
// GL_LIGHTING, glClear must draw what is pending first), so the callers'
// source is the same in both builds.
#pragma once

#ifndef KVISTRA_GLES

#include <GL/gl.h>
#include <GL/glu.h>

#else

#include "gl11/gl11.h"

#define glEnable gl11Enable
#define glDisable gl11Disable
#define glShadeModel gl11ShadeModel
#define glBlendFunc gl11BlendFunc
#define glCullFace gl11CullFace
#define glFrontFace gl11FrontFace
#define glLineWidth gl11LineWidth

#define glClearColor gl11ClearColor
#define glClear gl11Clear
#define glViewport gl11Viewport
#define glFlush gl11Flush
#define glFinish gl11Finish
#define glReadPixels gl11ReadPixels

#define glMatrixMode gl11MatrixMode
#define glPushMatrix gl11PushMatrix
#define glPopMatrix gl11PopMatrix
#define glLoadIdentity gl11LoadIdentity
#define glScalef gl11Scalef
#define glRotatef gl11Rotatef
#define glTranslatef gl11Translatef
#define gluPerspective gl11Perspective
#define gluLookAt gl11LookAt

#define glBegin gl11Begin
#define glEnd gl11End
#define glVertex3i gl11Vertex3i
#define glNormal3d gl11Normal3d
#define glTexCoord2f gl11TexCoord2f
#define glColor3f gl11Color3f
#define glColor4f gl11Color4f

#define glLightfv gl11Lightfv
#define glMaterialfv gl11Materialfv
#define glColorMaterial gl11ColorMaterial
#define glFogi gl11Fogi
#define glFogf gl11Fogf
#define glFogfv gl11Fogfv

#define glGenTextures gl11GenTextures
#define glBindTexture gl11BindTexture
#define glTexParameteri gl11TexParameteri
#define glTexImage2D gl11TexImage2D
#define glTexEnvi gl11TexEnvi
#define glTexEnvf gl11TexEnvf
#define glTexGeni gl11TexGeni
#define glPixelStorei gl11PixelStorei

#endif
