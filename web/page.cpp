// page.cpp: the program's messages to the page script (web/kvistra-page.js).
#include "web/web.h"

#include <emscripten.h>

// clang-format off
EM_JS(void, notePass, (int stage, double start, float clockAtStart, float clock, float sceneStart), {
    if (Module.onPass)
        Module.onPass(stage, start, clockAtStart, clock, sceneStart);
});

EM_JS(void, showPicture, (const char* name, const unsigned char* rgb, int width, int height), {
    if (Module.onPicture)
        Module.onPicture(UTF8ToString(name), HEAPU8.subarray(rgb, rgb + width * height * 3), width, height);
});

EM_JS(void, noteEnd, (int status), {
    if (Module.onEnd)
        Module.onEnd(status);
});
// clang-format on
