// engine_error.cpp: the engine's fatal error path and its code table.
#include "resources/resources.h"

#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* engineErrorMessage(int code)
{
    switch (code) {
    case 257: return "Could not open file.\n";
    case 258: return "Could not read from file.\n";
    case 259: return "Could not write to file.\n";
    case 260: return "Could not seek in file.\n";
    case 513: return "This doesn't seems to be a .3ds file.\n";
    case 515: return "The .3ds data is damaged.\n";
    case 516: return "A keyframer node names no object of the model.\n";
    case 517: return "A .3ds model has no camera.\n";
    case 769: return "A 3d object doesn't seem to have a material.\n";
    case 1025: return "This is not a pcx file.\n";
    case 1026: return "Error amount of bitplanes.\n";
    case 1027: return "Picture does not fit its texture.\n";
    default: return "Unkown error type.\n";
    }
}

void engineError(int code)
{
    // The message goes through a buffer of its own, as the line has always
    // been built; every message fits its 100 bytes.
    char* buffer = static_cast<char*>(std::malloc(100));
    if (buffer) {
        std::snprintf(buffer, 100, "%s", engineErrorMessage(code));
        std::printf("[MORVEL ENGINE ERROR]:%s\n", buffer);
        std::free(buffer);
    } else {
        std::printf("[MORVEL ENGINE ERROR]:%s\n", engineErrorMessage(code));
    }
    endProcess(1);
}
