// main.cpp: the program entry; start-up in order, then GLUT's main loop.
#include "shell/shell.h"

#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "scenes/scenes.h"

#include <GL/freeglut.h>

int main(int argc, char** argv)
{
    // The demo clock counts what is heard, where the output can say.
    setMillisecondSource(audioClockMilliseconds);
    initMusic("music.mp3");
    installStopSignals();
    setDisplayMode();
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(640, 480);
    glutCreateWindow("kvistra");
    swapBuffers = glutSwapBuffers;
    glutFullScreen();
    glutSetCursor(GLUT_CURSOR_NONE);
    glutReshapeFunc(onReshape);
    glutDisplayFunc(runSequencer);
    glutIdleFunc(runSequencer);
    glutKeyboardFunc(onKeyboard);
    // Closing the window ends the show the way Escape does.
    watchWindowClose();
    initGraphics();
    startFrameRate();
    glutMainLoop();
    return 0;
}
