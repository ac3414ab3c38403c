// window_close.cpp: closing the demo's GLUT window ends the show as Escape
// does.
#include "shell/shell.h"

#include "platform/process.h"

#include <GL/freeglut.h>

#include <cstdlib>

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
