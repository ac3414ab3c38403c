// title.cpp: the opening of the show, four pictures pulsing in a strip.
#include "scenes/scenes.h"
#include "scenes/timing.h"

#include "render/render.h"

#include "gl11/gl.h"

#include <cmath>

int32_t titlePicture = 0;

int32_t selectTitlePicture(float t, int32_t current)
{
    // Four independent tests; a t on a bound matches none of them.
    if (t > 4.84 && t < 11.14)
        current = 1;
    if (t > 11.14 && t < 16.82)
        current = 2;
    if (t > 16.82 && t < 23.01)
        current = 3;
    if (t > 23.01)
        current = 4;
    return current;
}

void setupTitle()
{
    openLibrary(library, "ant");
    createTexture(titleTexture1, 256, 256);
    createTexture(titleTexture2, 256, 256);
    createTexture(titleTexture3, 256, 256);
    createTexture(titleTexture4, 256, 256);
    loadPicture(library, "morvel.pcx", titleTexture1.pixels, 256 * 256);
    loadPicture(library, "tovan.pcx", titleTexture2.pixels, 256 * 256);
    loadPicture(library, "gelmo.pcx", titleTexture3.pixels, 256 * 256);
    loadPicture(library, "usker.pcx", titleTexture4.pixels, 256 * 256);
    Texture* slots[4] = {&titleTexture1, &titleTexture2, &titleTexture3, &titleTexture4};
    for (Texture* slot : slots)
        convertTexturePixels(*slot);
    for (Texture* slot : slots)
        uploadTexture(*slot);
    // OpenGL keeps its own copies.
    for (Texture* slot : slots)
        releaseTexturePixels(*slot);
    closeLibrary(library);
}

void drawTitleFrame()
{
    updateDemoClock();
    frameCount += 1;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    float t = static_cast<float>((demoClock - sceneStart) * titleRate);
    float alpha = static_cast<float>(std::sin(static_cast<double>(t)) * 0.5 + 0.5);
    titlePicture = selectTitlePicture(t, titlePicture);
    if (t > titleEnd)
        demoStage += 1;
    const Texture* pictures[4] = {&titleTexture1, &titleTexture4, &titleTexture3, &titleTexture2};
    if (titlePicture >= 0 && titlePicture < 4)
        drawFadedQuad(*pictures[titlePicture], 213, 12, alpha);
    swapBuffers();
}
