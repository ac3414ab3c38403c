// Textures: what OpenGL holds and samples after the byte reordering and an
// upload, and after a refill under the same name.
#include "support.h"

#include "resources/resources.h"

#include <GL/gl.h>

#include <vector>

namespace {

// Fills a texture as the decoder leaves it: blue, green, red, then byte 3.
void fillDecoded(Texture& texture, int seed)
{
    for (int i = 0; i < texture.width * texture.height; i++) {
        uint8_t* p = texture.pixels + i * 4;
        p[0] = uint8_t(i * 3 + seed);  // blue
        p[1] = uint8_t(i * 5 + seed);  // green
        p[2] = uint8_t(i * 7 + seed);  // red
        p[3] = uint8_t(i % 2 ? 0 : 0x80);
    }
}

std::vector<uint8_t> storedImage(const Texture& texture)
{
    std::vector<uint8_t> image(size_t(texture.width) * texture.height * 4);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
    return image;
}

// Draws the texture over the whole frame in white and reads the texel that
// lands on the given pixel of a 640 x 480 frame.
Rgba sampleAt(const Texture& texture, int x, int y)
{
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);  // texture row 0 at the top of the frame
    glTexCoord2f(0, 1), glVertex2f(-1, -1);
    glTexCoord2f(1, 1), glVertex2f(1, -1);
    glTexCoord2f(1, 0), glVertex2f(1, 1);
    glTexCoord2f(0, 0), glVertex2f(-1, 1);
    glEnd();
    glFinish();
    return readPixel(x, y);
}

}  // namespace

using TextureUpload = GlTest;

TEST_F(TextureUpload, StoresRgbWithAlpha1AndRefillsUnderTheSameName)
{
    Texture texture;
    createTexture(texture, 256, 256);
    ASSERT_NE(texture.name, 0u);

    for (int seed : {0, 100}) {  // the first picture, then a refill of the kept buffer
        fillDecoded(texture, seed);
        convertTexturePixels(texture);
        uploadTexture(texture);
        std::vector<uint8_t> image = storedImage(texture);
        int mismatches = 0;
        for (int i = 0; i < 256 * 256; i++) {
            const uint8_t* p = &image[size_t(i) * 4];
            if (p[0] != uint8_t(i * 7 + seed) || p[1] != uint8_t(i * 5 + seed) ||
                p[2] != uint8_t(i * 3 + seed) || p[3] != 255)
                mismatches++;
        }
        EXPECT_EQ(mismatches, 0) << "seed " << seed;

        // Pixel (0, 0) of the frame shows texel (0, 0), drawn in white under
        // GL_MODULATE: the texel itself.
        Rgba shown = sampleAt(texture, 0, 0);
        EXPECT_EQ((std::vector<int>{shown.r, shown.g, shown.b}), std::vector<int>(3, seed)) << "seed " << seed;
    }

    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
