// tracks.cpp: creation and destruction of keyframe tracks.
#include "scene/scene.h"

Track* createTrack()
{
    return new Track;
}

void destroyTrack(Track* track)
{
    if (!track)
        return;
    delete[] track->keys;
    delete track;
}
