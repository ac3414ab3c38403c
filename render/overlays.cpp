// overlays.cpp: pictures drawn straight onto the screen, and the light setter.
//
// A screen quad is ordinary textured geometry at depth 287 in front of the
// eye, where the 80 degree perspective makes one unit about one pixel of the
// 640 x 480 screen. Its corners run counter-clockwise on screen, a back face
// under the clockwise front-face rule, so culling is off while it draws.
#include "render/render.h"

#include "resources/resources.h"

#include "gl11/gl.h"

static const GLint quadDepth = -287;

// Texture t = 0 at the top edge, s = 0 at the left: a picture whose first
// row is its top row shows upright. The current texture coordinate is left
// at (0, 0), the top-left texel.
static void sendQuadCorners(int32_t halfWidth, int32_t halfHeight)
{
    glTexCoord2f(0, 1);
    glVertex3i(-halfWidth, -halfHeight, quadDepth);
    glTexCoord2f(1, 1);
    glVertex3i(halfWidth, -halfHeight, quadDepth);
    glTexCoord2f(1, 0);
    glVertex3i(halfWidth, halfHeight, quadDepth);
    glTexCoord2f(0, 0);
    glVertex3i(-halfWidth, halfHeight, quadDepth);
}

static void bindLinear(const Texture& texture)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
}

void drawScreenQuad(const Texture& texture, int32_t halfWidth, int32_t halfHeight)
{
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    bindLinear(texture);
    // The push saves the matrix of whatever mode is current.
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glColor3f(1, 1, 1);
    sendQuadCorners(halfWidth, halfHeight);
    glEnd();
    glFlush();
    glPopMatrix();
    // Texturing stays on and fog stays off.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
}

void drawFadedQuad(const Texture& texture, int32_t halfWidth, int32_t halfHeight, float alpha)
{
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_DITHER);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_LOGIC_OP);
    glDisable(GL_STENCIL_TEST);
    // The destination is scaled by the source colour: on a black screen the
    // result is the picture times alpha.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_COLOR);
    bindLinear(texture);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS);
    glColor4f(1, 1, 1, alpha);
    sendQuadCorners(halfWidth, halfHeight);
    glEnd();
    glPopMatrix();
    // Blending and texturing stay on; dithering, fog, alpha test, logic
    // operation and stencil test stay off.
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
}

void setLightPosition(int32_t index, float x, float y, float z, float w)
{
    const GLfloat position[4] = {x, y, z, w};
    glLightfv(GL_LIGHT0 + index, GL_POSITION, position);
    glEnable(GL_LIGHT0 + index);
}
