// The initial GL state and the window projection the renderer relies on.
#include "render/render.h"
#include "support.h"

#include <GL/gl.h>

#include <cmath>

using RenderGlState = GlTest;

TEST_F(RenderGlState, InitialStateThenProjectionOfTheWindow)
{
    setInitialGlState();
    for (GLenum on : {GL_DEPTH_TEST, GL_COLOR_MATERIAL, GL_LIGHTING, GL_CULL_FACE})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    GLint value = 0;
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &value);
    EXPECT_EQ(value, GL_FRONT_AND_BACK);
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &value);
    EXPECT_EQ(value, GL_AMBIENT_AND_DIFFUSE);
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CW);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_PROJECTION);
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        GLfloat specular[4], shininess = 0;
        glGetMaterialfv(face, GL_SPECULAR, specular);
        glGetMaterialfv(face, GL_SHININESS, &shininess);
        EXPECT_EQ(specular[0] + specular[1] + specular[2] + specular[3], 4.0f);
        EXPECT_EQ(shininess, 110.0f);
    }

    // 80 degrees vertically; the aspect scales x.
    const double f = 1.0 / std::tan(40.0 * M_PI / 180.0);
    auto expectProjection = [&](double aspect, int viewportHeight) {
        GLfloat m[16];
        GLint viewport[4];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_NEAR(m[0], f / aspect, 1e-5);
        EXPECT_NEAR(m[5], f, 1e-5);
        EXPECT_NEAR(m[10], -6001.0 / 5999.0, 1e-5);
        EXPECT_EQ(viewport[3], viewportHeight);
    };
    expectProjection(1.0, 480);
    setProjection(640, 480);
    expectProjection(640.0 / 480.0, 480);
    setProjection(640, 480);  // starts from the identity each time
    expectProjection(640.0 / 480.0, 480);
    setProjection(640, 0);    // no infinite aspect
    expectProjection(640.0, 1);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_PROJECTION);
}
