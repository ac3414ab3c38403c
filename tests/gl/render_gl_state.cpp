// The window projection the renderer relies on, where the pixel tests of the
// renderer do not show it: built afresh on every call, and safe for a window
// of no height.
#include "render/render.h"
#include "support.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

using RenderGlState = GlTest;

TEST_F(RenderGlState, ProjectionIsBuiltAfreshEachTimeAndNeverInfinite)
{
    setInitialGlState();
    // 80 degrees vertically; a window of no height is taken as one row high.
    const double f = 1.0 / std::tan(40.0 * M_PI / 180.0);
    for (int height : {480, 480, 0}) {
        setProjection(640, height);
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        EXPECT_NEAR(m[0], f * std::max(height, 1) / 640.0, 1e-5) << height;
        EXPECT_NEAR(m[5], f, 1e-5) << height;
    }
}
