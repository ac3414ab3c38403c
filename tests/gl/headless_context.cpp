// The headless context runs OpenGL 1.1 immediate mode and reads pixels back.
#include "support.h"

#include <GL/gl.h>

using HeadlessContext = GlTest;

TEST_F(HeadlessContext, ClearsAndDrawsImmediateMode)
{
    glViewport(0, 0, 640, 480);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1, 0, 0);
    glBegin(GL_QUADS);  // the left half of the frame
    glVertex2f(-1, -1);
    glVertex2f(0, -1);
    glVertex2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glFinish();
    Rgba left = readPixel(100, 240), right = readPixel(540, 240);
    EXPECT_EQ(left.r, 255);
    EXPECT_EQ(left.b, 0);
    EXPECT_EQ(right.r, 0);
    EXPECT_EQ(right.b, 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
