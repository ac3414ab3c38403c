// show_state.cpp: the state the scene functions and the shell share.
#include "scenes/scenes.h"

#include <GL/freeglut.h>

int32_t demoStage = 0;
Scene* currentScene = nullptr;
int32_t frameCount = 0;

ResourceLibrary library;

Texture titleTexture1;
Texture titleTexture2;
Texture titleTexture3;
Texture titleTexture4;
Texture modelTexture;
Texture backdropTexture;
Texture bannerTexture;
Texture envMapTexture;

void (*swapBuffers)() = glutSwapBuffers;
