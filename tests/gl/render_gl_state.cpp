// The initial GL state and the window projection the renderer relies on,
// where the pixel tests of the renderer do not show them.
#include "render/render.h"
#include "support.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

using RenderGlState = GlTest;

TEST_F(RenderGlState, SpecularHighlightsAndAProjectionBuiltAfreshEachTime)
{
    setInitialGlState();
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        GLfloat specular[4], shininess = 0;
        glGetMaterialfv(face, GL_SPECULAR, specular);
        glGetMaterialfv(face, GL_SHININESS, &shininess);
        EXPECT_EQ(specular[0] + specular[1] + specular[2] + specular[3], 4.0f);
        EXPECT_EQ(shininess, 110.0f);
    }

    // 80 degrees vertically, the aspect scaling x; a second call must not
    // multiply onto the first, and a window of no height gives no infinite aspect.
    const double f = 1.0 / std::tan(40.0 * M_PI / 180.0);
    for (int height : {480, 480, 0}) {
        SCOPED_TRACE(height);
        setProjection(640, height);
        GLfloat m[16];
        GLint viewport[4];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_NEAR(m[0], f / (640.0 / std::max(height, 1)), 1e-5);
        EXPECT_NEAR(m[5], f, 1e-5);
        EXPECT_NEAR(m[10], -6001.0 / 5999.0, 1e-5);
        EXPECT_EQ(viewport[3], std::max(height, 1));
    }
}
