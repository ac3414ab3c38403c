// window.cpp: the initial GL state and the window's callbacks.
#include "shell/shell.h"

#include "platform/process.h"
#include "render/render.h"
#include "scenes/scenes.h"

#include <GL/freeglut.h>

#include <cstdlib>

void initGraphics()
{
    setInitialGlState();
    // The objects every scene shares, empty until a set-up fills them.
    library = ResourceLibrary{};
    Texture* slots[8] = {&titleTexture1, &titleTexture2, &titleTexture3, &titleTexture4,
                         &modelTexture,  &backdropTexture, &bannerTexture, &envMapTexture};
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

// GLUT also reports the window's end while the process exits (it destroys
// its windows on the way out); only a window closed during the show ends it.
static bool processEnding = false;

static void noteProcessEnding()
{
    processEnding = true;
}

static void noteProcessEndingHook(int)
{
    processEnding = true;
}

void onWindowClose()
{
    if (!processEnding)
        exitShow();
}

void watchWindowClose()
{
    glutCloseFunc(onWindowClose);
    addExitHook(noteProcessEndingHook);
    std::atexit(noteProcessEnding);
}
