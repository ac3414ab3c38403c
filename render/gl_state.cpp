// gl_state.cpp: the initial GL state and the window's projection.
#include "render/render.h"

#include "gl11/gl.h"

void setInitialGlState()
{
    glEnable(GL_DEPTH_TEST);
    glLineWidth(1.0f);
    // No identity first: the projection matrix of a fresh context is one.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(80.0, 1.0, 1.0, 6000.0);
    const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat shininess[1] = {110.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    glClearColor(0, 0, 0, 0);
}

void setProjection(int32_t width, int32_t height)
{
    // A window of no height would give an infinite aspect.
    if (height == 0)
        height = 1;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(80.0, static_cast<double>(width) / height, 1.0, 6000.0);
    glViewport(0, 0, width, height);
}
