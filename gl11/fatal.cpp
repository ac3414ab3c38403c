// fatal.cpp: the layer's one fatal path. A shader ES refuses, or a GL 1.1
// value the layer does not implement, ends the process with one line.
#include "gl11/state.h"

#include "platform/process.h"

#include <cstdio>

void layerFatal(const char* what, const char* detail)
{
    std::fprintf(stderr, "gl11: %s%s%s\n", what, *detail ? ": " : "", detail);
    endProcess(1);
}

void notImplemented(const char* call, GLenum value)
{
    char detail[48];
    std::snprintf(detail, sizeof detail, "0x%04X is not implemented", value);
    layerFatal(call, detail);
}
