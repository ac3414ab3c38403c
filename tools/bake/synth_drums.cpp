// The drum machine of the baked music: kick, snare, clap, hats, crash,
// and the riser and impact that mark the big cuts.
#include "tools/bake/synth_dsp.h"

#include <algorithm>

namespace synth {

namespace {

uint32_t seedAt(double time, uint32_t salt)
{
    return uint32_t(frameAt(time)) * 31u + salt;
}

// Six square waves at clashing pitches: the metallic part of hats and
// cymbals.
struct Metal {
    double phase[6] = {};
    double increment[6] = {};
};

Metal makeMetal(double scale)
{
    static const double pitches[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    Metal metal;
    for (int i = 0; i < 6; i++) metal.increment[i] = pitches[i] * scale / sampleRate;
    return metal;
}

float nextMetal(Metal& metal)
{
    float sum = 0.0f;
    for (int i = 0; i < 6; i++) {
        sum += metal.phase[i] < 0.5 ? 1.0f : -1.0f;
        metal.phase[i] += metal.increment[i];
        if (metal.phase[i] >= 1.0) metal.phase[i] -= 1.0;
    }
    return sum / 6.0f;
}

// The kick dips the pumped bus: down within 4 ms, back over a quarter second.
void addDuck(Mix& mix, double time, float depth)
{
    size_t start = frameAt(time);
    size_t length = size_t(0.26 * sampleRate);
    size_t frames = mixFrames(mix);
    for (size_t i = 0; i < length && start + i < frames; i++) {
        double x = double(i) / sampleRate;
        double envelope = x < 0.004 ? x / 0.004 : std::pow(1.0 - (x - 0.004) / 0.256, 2.0);
        float gain = float(1.0 - depth * envelope);
        mix.duck[start + i] = std::min(mix.duck[start + i], gain);
    }
}

}  // namespace

void playKick(Mix& mix, double time, float velocity, float duckDepth)
{
    if (startsAfterEnd(mix, time)) return;
    size_t length = size_t(0.5 * sampleRate);
    std::vector<float> out(length);
    Noise noise = makeNoise(seedAt(time, 1));
    double phase = 0.0;
    Decay sweep = makeDecay(0.022), snap = makeDecay(0.002), body = makeDecay(0.22), tick = makeDecay(0.0015);
    const double shape = 1.0 / std::tanh(1.6);
    for (size_t i = 0; i < length; i++) {
        double t = double(i) / sampleRate;
        double frequency = 50.0 + 140.0 * nextDecay(sweep) + 400.0 * nextDecay(snap);
        phase += frequency / sampleRate;
        double amplitude = std::min(1.0, t / 0.001) * nextDecay(body);
        if (t > 0.4) amplitude *= (0.5 - t) / 0.1;
        double thump = std::tanh(1.6 * sineCycles(phase) * amplitude) * shape;
        double click = noise.next() * nextDecay(tick) * 0.25;
        out[i] = float(thump + click);
    }
    Route route;
    route.gain = velocity;
    route.reverb = 0.02f;
    addNote(mix, route, time, out, out);
    if (duckDepth > 0.0f) addDuck(mix, time, duckDepth);
}

void playSnare(Mix& mix, double time, float velocity)
{
    if (startsAfterEnd(mix, time)) return;
    size_t length = size_t(0.4 * sampleRate);
    std::vector<float> out(length);
    Noise noise = makeNoise(seedAt(time, 2));
    Svf filter;
    setSvf(filter, 1400.0, 0.7);
    double phase = 0.0;
    Decay drop = makeDecay(0.015), ring = makeDecay(0.05), rattle = makeDecay(0.11);
    for (size_t i = 0; i < length; i++) {
        double t = double(i) / sampleRate;
        phase += (180.0 + 50.0 * nextDecay(drop)) / sampleRate;
        double tone = sineCycles(phase) * nextDecay(ring) * 0.6;
        runSvf(filter, noise.next());
        double hiss = filter.high * nextDecay(rattle) * 0.8;
        double attack = std::min(1.0, t / 0.0008);
        out[i] = float((tone + hiss) * attack);
    }
    Route route;
    route.gain = velocity;
    route.pan = 0.05f;
    route.reverb = 0.22f;
    addNote(mix, route, time, out, out);
}

void playClap(Mix& mix, double time, float velocity)
{
    if (startsAfterEnd(mix, time)) return;
    size_t length = size_t(0.45 * sampleRate);
    std::vector<float> left(length), right(length);
    Noise noiseLeft = makeNoise(seedAt(time, 3));
    Noise noiseRight = makeNoise(seedAt(time, 4));
    Svf filterLeft, filterRight;
    setSvf(filterLeft, 1300.0, 1.2);
    setSvf(filterRight, 1350.0, 1.2);
    for (size_t i = 0; i < length; i++) {
        double t = double(i) / sampleRate;
        double envelope = 0.0;
        for (double burst : {0.0, 0.011, 0.022}) {
            if (t >= burst && t < 0.033) envelope = std::max(envelope, std::exp(-(t - burst) / 0.004));
        }
        if (t >= 0.033) envelope = std::exp(-(t - 0.033) / 0.12);
        runSvf(filterLeft, noiseLeft.next());
        runSvf(filterRight, noiseRight.next());
        left[i] = float(filterLeft.band * envelope * 1.8);
        right[i] = float(filterRight.band * envelope * 1.8);
    }
    Route route;
    route.gain = velocity;
    route.reverb = 0.3f;
    addNote(mix, route, time, left, right);
}

void playHat(Mix& mix, double time, float velocity, bool open)
{
    if (startsAfterEnd(mix, time)) return;
    double decay = open ? 0.2 : 0.03;
    size_t length = size_t(decay * 4.0 * sampleRate);
    std::vector<float> out(length);
    Noise noise = makeNoise(seedAt(time, open ? 5 : 6));
    Metal metal = makeMetal(1.7);
    Decay fade = makeDecay(decay);
    Svf filter;
    setSvf(filter, 7500.0, 0.9);
    for (size_t i = 0; i < length; i++) {
        double t = double(i) / sampleRate;
        runSvf(filter, 0.7f * noise.next() + 0.5f * nextMetal(metal));
        double envelope = std::min(1.0, t / 0.0005) * nextDecay(fade);
        out[i] = float(filter.high * envelope);
    }
    Route route;
    route.gain = velocity;
    route.pan = open ? -0.2f : 0.25f;
    route.reverb = 0.08f;
    addNote(mix, route, time, out, out);
}

void playCrash(Mix& mix, double time, float velocity)
{
    if (startsAfterEnd(mix, time)) return;
    size_t length = size_t(3.0 * sampleRate);
    std::vector<float> left(length), right(length);
    Noise noiseLeft = makeNoise(seedAt(time, 7));
    Noise noiseRight = makeNoise(seedAt(time, 8));
    Svf filterLeft, filterRight;
    setSvf(filterLeft, 3500.0, 0.7);
    setSvf(filterRight, 3600.0, 0.7);
    Metal metal = makeMetal(2.3);
    Decay fade = makeDecay(0.7);
    for (size_t i = 0; i < length; i++) {
        double t = double(i) / sampleRate;
        float ring = 0.35f * nextMetal(metal);
        runSvf(filterLeft, noiseLeft.next() + ring);
        runSvf(filterRight, noiseRight.next() + ring);
        double envelope = std::min(1.0, t / 0.003) * nextDecay(fade);
        if (t > 2.5) envelope *= (3.0 - t) / 0.5;
        left[i] = float(filterLeft.high * envelope * 0.8);
        right[i] = float(filterRight.high * envelope * 0.8);
    }
    Route route;
    route.gain = velocity;
    route.reverb = 0.25f;
    addNote(mix, route, time, left, right);
}

void playRiser(Mix& mix, double time, double length, float velocity)
{
    if (startsAfterEnd(mix, time)) return;
    size_t frames = size_t(length * sampleRate);
    std::vector<float> left(frames), right(frames);
    Noise noiseLeft = makeNoise(seedAt(time, 9));
    Noise noiseRight = makeNoise(seedAt(time, 10));
    Svf filterLeft, filterRight;
    for (size_t i = 0; i < frames; i++) {
        double x = double(i) / double(frames);
        if (i % 16 == 0) {
            double cutoff = 250.0 * std::pow(32.0, x);
            setSvf(filterLeft, cutoff, 1.8);
            setSvf(filterRight, cutoff * 1.04, 1.8);
        }
        runSvf(filterLeft, noiseLeft.next());
        runSvf(filterRight, noiseRight.next());
        double envelope = x * x;
        double remaining = double(frames - i) / sampleRate;
        if (remaining < 0.01) envelope *= remaining / 0.01;
        left[i] = float(filterLeft.band * envelope);
        right[i] = float(filterRight.band * envelope);
    }
    Route route;
    route.gain = velocity;
    route.reverb = 0.35f;
    route.delay = 0.15f;
    addNote(mix, route, time, left, right);
}

void playImpact(Mix& mix, double time, float velocity)
{
    if (startsAfterEnd(mix, time)) return;
    size_t length = size_t(2.5 * sampleRate);
    std::vector<float> out(length);
    Noise noise = makeNoise(seedAt(time, 11));
    Svf filter;
    setSvf(filter, 800.0, 0.7);
    double phase = 0.0;
    Decay drop = makeDecay(0.25), boom = makeDecay(0.8), dust = makeDecay(0.15);
    for (size_t i = 0; i < length; i++) {
        double t = double(i) / sampleRate;
        phase += (30.0 + 60.0 * nextDecay(drop)) / sampleRate;
        double envelope = std::min(1.0, t / 0.002) * nextDecay(boom);
        if (t > 2.0) envelope *= (2.5 - t) / 0.5;
        runSvf(filter, noise.next());
        double burst = filter.low * nextDecay(dust) * 1.5;
        out[i] = float(sineCycles(phase) * envelope + burst);
    }
    Route route;
    route.gain = velocity;
    route.reverb = 0.5f;
    addNote(mix, route, time, out, out);
}

}  // namespace synth
