// texture.cpp: Texture records, their byte reordering and their upload.
#include "resources/resources.h"

#include "gl11/gl.h"

#include <utility>

void createTexture(Texture& texture, int width, int height)
{
    glGenTextures(1, &texture.name);
    texture.width = width;
    texture.height = height;
    // Left uninitialised: the picture loader fills it. An allocation that
    // fails throws std::bad_alloc, which ends the process.
    texture.pixels = new uint8_t[size_t(width) * size_t(height) * 4];
}

void releaseTexturePixels(Texture& texture)
{
    delete[] texture.pixels;
    texture.pixels = nullptr;
}

void convertTexturePixels(Texture& texture)
{
    size_t count = size_t(texture.width) * size_t(texture.height);
    for (size_t i = 0; i < count; i++) {
        uint8_t* pixel = texture.pixels + i * 4;
        std::swap(pixel[0], pixel[2]);
    }
}

void uploadTexture(Texture& texture)
{
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Three stored components: byte 3 of each pixel is dropped and the
    // texture's alpha is 1 everywhere.
    glTexImage2D(
        GL_TEXTURE_2D, 0, 3, texture.width, texture.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, texture.pixels);
}
