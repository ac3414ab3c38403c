// Filters, oscillators, noise and the note mixer shared by the instruments.
#include "tools/bake/synth_dsp.h"

#include <algorithm>

namespace synth {

float Noise::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return float(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
}

Noise makeNoise(uint32_t seed)
{
    Noise noise;
    noise.state = seed * 2654435761u + 0x9e3779b9u;
    if (noise.state == 0)
        noise.state = 1;
    for (int i = 0; i < 4; i++)
        noise.next();
    return noise;
}

double midiToHz(double midi)
{
    return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0);
}

Mix makeMix(double seconds)
{
    size_t frames = size_t(seconds * sampleRate + 0.5);
    Mix mix;
    mix.dry.left.assign(frames, 0.0f);
    mix.dry.right.assign(frames, 0.0f);
    mix.pumped.left.assign(frames, 0.0f);
    mix.pumped.right.assign(frames, 0.0f);
    mix.duck.assign(frames, 1.0f);
    mix.reverbSend.assign(frames, 0.0f);
    mix.delaySend.assign(frames, 0.0f);
    return mix;
}

size_t mixFrames(const Mix& mix)
{
    return mix.duck.size();
}

void setSvf(Svf& filter, double cutoff, double q)
{
    cutoff = std::clamp(cutoff, 10.0, sampleRate * 0.45);
    double g = std::tan(synthPi * cutoff / sampleRate);
    filter.k = float(1.0 / q);
    filter.a1 = float(1.0 / (1.0 + g * (g + filter.k)));
    filter.a2 = float(g * filter.a1);
    filter.a3 = float(g * filter.a2);
}

static std::vector<float> makeSineTable()
{
    std::vector<float> values(sineTableSize + 1);
    for (int i = 0; i <= sineTableSize; i++)
        values[size_t(i)] = float(std::sin(2.0 * synthPi * i / sineTableSize));
    return values;
}

const std::vector<float> sineTable = makeSineTable();

Decay makeDecay(double seconds)
{
    Decay decay;
    decay.factor = std::exp(-1.0 / (seconds * sampleRate));
    return decay;
}

float nextSquare(SawOsc& osc)
{
    double value = osc.phase < 0.5 ? 1.0 : -1.0;
    value += polyBlep(osc.phase, osc.increment);
    double shifted = osc.phase + 0.5;
    if (shifted >= 1.0)
        shifted -= 1.0;
    value -= polyBlep(shifted, osc.increment);
    osc.phase += osc.increment;
    if (osc.phase >= 1.0)
        osc.phase -= 1.0;
    return float(value);
}

size_t frameAt(double time)
{
    if (time <= 0.0)
        return 0;
    return size_t(std::ceil(time * sampleRate - 1e-6));
}

void addNote(Mix& mix, const Route& route, double time, const std::vector<float>& left,
    const std::vector<float>& right)
{
    size_t start = frameAt(time);
    size_t frames = mixFrames(mix);
    if (start >= frames)
        return;
    size_t count = std::min(left.size(), frames - start);

    double angle = (double(std::clamp(route.pan, -1.0f, 1.0f)) + 1.0) * synthPi / 4.0;
    float leftGain = float(std::cos(angle) * std::sqrt(2.0)) * route.gain;
    float rightGain = float(std::sin(angle) * std::sqrt(2.0)) * route.gain;
    float reverb = route.reverb * route.gain * 0.5f;
    float delay = route.delay * route.gain * 0.5f;
    StereoBuffer& bus = route.pumped ? mix.pumped : mix.dry;

    for (size_t i = 0; i < count; i++) {
        size_t at = start + i;
        bus.left[at] += left[i] * leftGain;
        bus.right[at] += right[i] * rightGain;
        float sum = left[i] + right[i];
        mix.reverbSend[at] += sum * reverb;
        mix.delaySend[at] += sum * delay;
    }
}

}  // namespace synth
