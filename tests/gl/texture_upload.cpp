// Textures: what OpenGL holds after the byte reordering and an upload, and
// after a refill under the same name (how it samples, the overlay tests show).
#include "support.h"

#include "resources/resources.h"

#include <GL/gl.h>

using TextureUpload = GlTest;

TEST_F(TextureUpload, StoresRgbWithAlpha1AndRefillsUnderTheSameName)
{
    Texture texture;
    createTexture(texture, 256, 256);
    ASSERT_NE(texture.name, 0u);

    for (int seed : {0, 100}) {  // the first picture, then a refill of the kept buffer
        // Filled as the decoder leaves it (b, g, r, byte 3), stored as r, g, b, alpha 1.
        std::vector<uint8_t> expected;
        for (int i = 0; i < 256 * 256; i++) {
            uint8_t* p = texture.pixels + i * 4;
            p[0] = uint8_t(i * 3 + seed), p[1] = uint8_t(i * 5 + seed), p[2] = uint8_t(i * 7 + seed);
            p[3] = uint8_t(i % 2 ? 0 : 0x80);
            expected.insert(expected.end(), {p[2], p[1], p[0], 255});
        }
        convertTexturePixels(texture);
        uploadTexture(texture);
        std::vector<uint8_t> image(256 * 256 * 4);
        glBindTexture(GL_TEXTURE_2D, texture.name);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, image.data());
        EXPECT_TRUE(image == expected) << "seed " << seed;
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
