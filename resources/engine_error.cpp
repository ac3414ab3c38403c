// engine_error.cpp: the engine's fatal error path and its code table.
#include "resources/resources.h"

#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* engineErrorMessage(int code)
{
    switch (code) {
    case errorOpenFile: return "Could not open file.\n";
    case errorReadFile: return "Could not read from file.\n";
    case errorWriteFile: return "Could not write to file.\n";
    case errorSeekFile: return "Could not seek in file.\n";
    case errorNot3ds: return "This doesn't seems to be a .3ds file.\n";
    case errorDamaged3ds: return "The .3ds data is damaged.\n";
    case errorUnknownNode: return "A keyframer node names no object of the model.\n";
    case errorNoCamera: return "A .3ds model has no camera.\n";
    case errorNoMaterial: return "A 3d object doesn't seem to have a material.\n";
    case errorNotPcx: return "This is not a pcx file.\n";
    case errorBitplanes: return "Error amount of bitplanes.\n";
    case errorPictureTooLarge: return "Picture does not fit its texture.\n";
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
