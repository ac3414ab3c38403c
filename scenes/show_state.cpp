// show_state.cpp: the state the scene functions and the shell share.
#include "scenes/scenes.h"

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

// The program that owns the window puts its swap here before the show runs.
void (*swapBuffers)() = nullptr;
