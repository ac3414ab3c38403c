// The small signal-processing parts the instruments and effects share:
// a state-variable filter, band-limited oscillators and the note mixer.
#pragma once

#include "tools/bake/synth.h"

#include <cmath>
#include <vector>

namespace synth {

constexpr double synthPi = 3.14159265358979323846;

// A topology-preserving state-variable filter; stays stable when its
// cutoff moves every few samples.
struct Svf {
    float a1 = 0.0f, a2 = 0.0f, a3 = 0.0f, k = 1.4142f;
    float ic1 = 0.0f, ic2 = 0.0f;
    float low = 0.0f, band = 0.0f, high = 0.0f;
};
void setSvf(Svf& filter, double cutoff, double q);

inline void runSvf(Svf& filter, float input)
{
    float v3 = input - filter.ic2;
    float v1 = filter.a1 * filter.ic1 + filter.a2 * v3;
    float v2 = filter.ic2 + filter.a2 * filter.ic1 + filter.a3 * v3;
    filter.ic1 = 2.0f * v1 - filter.ic1;
    filter.ic2 = 2.0f * v2 - filter.ic2;
    filter.low = v2;
    filter.band = v1;
    filter.high = input - filter.k * v1 - v2;
}

// A saw that rises from -1 to 1 once per cycle, with its step smoothed
// (polyBLEP) so high notes do not alias badly.
struct SawOsc {
    double phase = 0.0;
    double increment = 0.0;
};

// The correction that smooths a step at phase 0 of a cycle of length dt.
inline double polyBlep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

inline float nextSaw(SawOsc& osc)
{
    double value = 2.0 * osc.phase - 1.0 - polyBlep(osc.phase, osc.increment);
    osc.phase += osc.increment;
    if (osc.phase >= 1.0)
        osc.phase -= 1.0;
    return float(value);
}
// A square wave from the same phase, both edges smoothed.
float nextSquare(SawOsc& osc);

// sin(2 pi cycles) from a table, for oscillators.
constexpr int sineTableSize = 4096;
extern const std::vector<float> sineTable;
inline float sineCycles(double cycles)
{
    double position = (cycles - std::floor(cycles)) * sineTableSize;
    int index = int(position);
    float fraction = float(position - index);
    const float* at = sineTable.data() + index;
    return at[0] + (at[1] - at[0]) * fraction;
}

// An exponential decay with time constant `seconds`, one step a frame.
struct Decay {
    double value = 1.0;
    double factor = 1.0;
};
Decay makeDecay(double seconds);
inline double nextDecay(Decay& decay)
{
    double value = decay.value;
    decay.value *= decay.factor;
    return value;
}

// The first frame at or after time seconds.
size_t frameAt(double time);

// Whether a note at time would start beyond the end of the mix.
inline bool startsAfterEnd(const Mix& mix, double time)
{
    return frameAt(time) >= mixFrames(mix);
}

// Adds a rendered note, starting at time, to the mix through route.
void addNote(Mix& mix, const Route& route, double time, const std::vector<float>& left,
    const std::vector<float>& right);

}  // namespace synth
