// timing.h: when each part of the show ends. The title and the scene scripts
// end by these times, and the baker writes the music with a new section at
// each cut they make, so that picture and sound change together.
#pragma once

#include <array>

// The title runs on demoClock x titleRate and ends once that passes titleEnd.
constexpr double titleRate = 0.15;
constexpr double titleEnd = 24.45;

// Each 3D scene ends once its scene time (tenths of a second) passes these.
constexpr double testEnd = 104.2;
constexpr double envEnd = 166.2;
constexpr double addEnd = 112.2;
constexpr double blueEnd = 310.2;
constexpr double loEnd = 108.0;
constexpr double tingEnd = 195.0;
constexpr double cylEnd = 280.0;
constexpr double snurrEnd = 344.0;

// The seconds of music at which the show cuts from the title to the first
// scene, from each scene to the next, and (the last) ends, were every set-up
// to take no time. Each scene's time starts after its set-up, so on screen
// every cut comes a little later than this, by the loading so far.
constexpr std::array<double, 9> showCutSeconds()
{
    const double sceneEnds[8] = {testEnd, envEnd, addEnd, blueEnd, loEnd, tingEnd, cylEnd, snurrEnd};
    std::array<double, 9> cuts{};
    cuts[0] = titleEnd / titleRate / 10.0;
    for (int scene = 0; scene < 8; scene++)
        cuts[scene + 1] = cuts[scene] + sceneEnds[scene] / 10.0;
    return cuts;
}
