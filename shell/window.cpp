// window.cpp: the initial GL state and the window's reshape and keyboard
// callbacks.
#include "shell/shell.h"

#include "render/render.h"
#include "scenes/scenes.h"

void initGraphics()
{
    setInitialGlState();
    // The objects every scene shares, empty until a set-up fills them.
    library = ResourceLibrary{};
    Texture* slots[8] = {&titleTexture1, &titleTexture2, &titleTexture3, &titleTexture4, &modelTexture,
        &backdropTexture, &bannerTexture, &envMapTexture};
    for (Texture* slot : slots)
        *slot = Texture{};
}

void onReshape(int width, int height)
{
    // A height of 0 is taken as 1.
    setProjection(width, height);
}

void onKeyboard(unsigned char key, int, int)
{
    if (key == 27)
        demoStage = exitStage;
    else if (key == 'b')
        linearFiltering ^= 1;
}
