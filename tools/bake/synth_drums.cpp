// The drum machine of the baked music: kick, snare, clap, hats, crash,
// and the riser and impact that mark the big cuts.
#include "tools/bake/synth_dsp.h"

#include <algorithm>
#include <type_traits>

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
    for (int i = 0; i < 6; i++)
        metal.increment[i] = pitches[i] * scale / sampleRate;
    return metal;
}

float nextMetal(Metal& metal)
{
    float sum = 0.0f;
    for (int i = 0; i < 6; i++) {
        sum += metal.phase[i] < 0.5 ? 1.0f : -1.0f;
        metal.phase[i] += metal.increment[i];
        if (metal.phase[i] >= 1.0)
            metal.phase[i] -= 1.0;
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

// What every drum hit has: its length, a linear rise over `attack` seconds,
// a linear fall to silence over its last `fade` seconds (0: none), and its
// place and sends in the mix.
struct Hit {
    double seconds = 0.0;
    double attack = 0.0;
    double fade = 0.0;
    float pan = 0.0f;
    float reverb = 0.0f;
    float delay = 0.0f;
};

// The hit's envelope at t seconds: the rise times level (a decay's value,
// or 1), with the fall at the end.
double hitEnvelope(const Hit& hit, double t, double level)
{
    double envelope = std::min(1.0, t / hit.attack) * level;
    if (hit.fade > 0.0 && t > hit.seconds - hit.fade)
        envelope *= (hit.seconds - t) / hit.fade;
    return envelope;
}

struct StereoFrame {
    float left, right;
};

// Renders a hit at time into the mix at velocity: frame(i, t) gives frame i,
// t seconds into the hit, as one float (both channels) or a StereoFrame.
// Nothing happens for a hit past the end of the mix.
template <typename Frame> void playHit(Mix& mix, double time, float velocity, const Hit& hit, Frame frame)
{
    if (startsAfterEnd(mix, time))
        return;
    constexpr bool stereo = std::is_same_v<decltype(frame(size_t(0), 0.0)), StereoFrame>;
    size_t length = size_t(hit.seconds * sampleRate);
    std::vector<float> left(length), right(stereo ? length : 0);
    for (size_t i = 0; i < length; i++) {
        double t = double(i) / sampleRate;
        if constexpr (stereo) {
            StereoFrame value = frame(i, t);
            left[i] = value.left;
            right[i] = value.right;
        } else {
            left[i] = frame(i, t);
        }
    }
    Route route;
    route.gain = velocity;
    route.pan = hit.pan;
    route.reverb = hit.reverb;
    route.delay = hit.delay;
    addNote(mix, route, time, left, stereo ? right : left);
}

}  // namespace

void playKick(Mix& mix, double time, float velocity, float duckDepth)
{
    const Hit kick = {0.5, 0.001, 0.1, 0.0f, 0.02f};
    Noise noise = makeNoise(seedAt(time, 1));
    double phase = 0.0;
    Decay sweep = makeDecay(0.022), snap = makeDecay(0.002), body = makeDecay(0.22), tick = makeDecay(0.0015);
    const double shape = 1.0 / std::tanh(1.6);
    playHit(mix, time, velocity, kick, [&](size_t, double t) {
        double frequency = 50.0 + 140.0 * nextDecay(sweep) + 400.0 * nextDecay(snap);
        phase += frequency / sampleRate;
        double amplitude = hitEnvelope(kick, t, nextDecay(body));
        double thump = std::tanh(1.6 * sineCycles(phase) * amplitude) * shape;
        double click = noise.next() * nextDecay(tick) * 0.25;
        return float(thump + click);
    });
    if (duckDepth > 0.0f)
        addDuck(mix, time, duckDepth);
}

void playSnare(Mix& mix, double time, float velocity)
{
    const Hit snare = {0.4, 0.0008, 0.0, 0.05f, 0.22f};
    Noise noise = makeNoise(seedAt(time, 2));
    Svf filter;
    setSvf(filter, 1400.0, 0.7);
    double phase = 0.0;
    Decay drop = makeDecay(0.015), ring = makeDecay(0.05), rattle = makeDecay(0.11);
    playHit(mix, time, velocity, snare, [&](size_t, double t) {
        phase += (180.0 + 50.0 * nextDecay(drop)) / sampleRate;
        double tone = sineCycles(phase) * nextDecay(ring) * 0.6;
        runSvf(filter, noise.next());
        double hiss = filter.high * nextDecay(rattle) * 0.8;
        return float((tone + hiss) * hitEnvelope(snare, t, 1.0));
    });
}

void playClap(Mix& mix, double time, float velocity)
{
    const Hit clap = {0.45, 0.0, 0.0, 0.0f, 0.3f};
    Noise noiseLeft = makeNoise(seedAt(time, 3));
    Noise noiseRight = makeNoise(seedAt(time, 4));
    Svf filterLeft, filterRight;
    setSvf(filterLeft, 1300.0, 1.2);
    setSvf(filterRight, 1350.0, 1.2);
    playHit(mix, time, velocity, clap, [&](size_t, double t) {
        // Three quick bursts, then the tail.
        double envelope = 0.0;
        for (double burst : {0.0, 0.011, 0.022}) {
            if (t >= burst && t < 0.033)
                envelope = std::max(envelope, std::exp(-(t - burst) / 0.004));
        }
        if (t >= 0.033)
            envelope = std::exp(-(t - 0.033) / 0.12);
        runSvf(filterLeft, noiseLeft.next());
        runSvf(filterRight, noiseRight.next());
        return StereoFrame{float(filterLeft.band * envelope * 1.8), float(filterRight.band * envelope * 1.8)};
    });
}

void playHat(Mix& mix, double time, float velocity, bool open)
{
    double decay = open ? 0.2 : 0.03;
    const Hit hat = {decay * 4.0, 0.0005, 0.0, open ? -0.2f : 0.25f, 0.08f};
    Noise noise = makeNoise(seedAt(time, open ? 5 : 6));
    Metal metal = makeMetal(1.7);
    Decay fade = makeDecay(decay);
    Svf filter;
    setSvf(filter, 7500.0, 0.9);
    playHit(mix, time, velocity, hat, [&](size_t, double t) {
        runSvf(filter, 0.7f * noise.next() + 0.5f * nextMetal(metal));
        return float(filter.high * hitEnvelope(hat, t, nextDecay(fade)));
    });
}

void playCrash(Mix& mix, double time, float velocity)
{
    const Hit crash = {3.0, 0.003, 0.5, 0.0f, 0.25f};
    Noise noiseLeft = makeNoise(seedAt(time, 7));
    Noise noiseRight = makeNoise(seedAt(time, 8));
    Svf filterLeft, filterRight;
    setSvf(filterLeft, 3500.0, 0.7);
    setSvf(filterRight, 3600.0, 0.7);
    Metal metal = makeMetal(2.3);
    Decay fade = makeDecay(0.7);
    playHit(mix, time, velocity, crash, [&](size_t, double t) {
        float ring = 0.35f * nextMetal(metal);
        runSvf(filterLeft, noiseLeft.next() + ring);
        runSvf(filterRight, noiseRight.next() + ring);
        double envelope = hitEnvelope(crash, t, nextDecay(fade));
        return StereoFrame{float(filterLeft.high * envelope * 0.8), float(filterRight.high * envelope * 0.8)};
    });
}

void playRiser(Mix& mix, double time, double length, float velocity)
{
    const Hit riser = {length, 0.0, 0.0, 0.0f, 0.35f, 0.15f};
    size_t frames = size_t(length * sampleRate);
    Noise noiseLeft = makeNoise(seedAt(time, 9));
    Noise noiseRight = makeNoise(seedAt(time, 10));
    Svf filterLeft, filterRight;
    playHit(mix, time, velocity, riser, [&](size_t i, double) {
        double x = double(i) / double(frames);
        if (i % 16 == 0) {
            double cutoff = 250.0 * std::pow(32.0, x);
            setSvf(filterLeft, cutoff, 1.8);
            setSvf(filterRight, cutoff * 1.04, 1.8);
        }
        runSvf(filterLeft, noiseLeft.next());
        runSvf(filterRight, noiseRight.next());
        // Rising with the square of the progress; the last 10 ms close it.
        double envelope = x * x;
        double remaining = double(frames - i) / sampleRate;
        if (remaining < 0.01)
            envelope *= remaining / 0.01;
        return StereoFrame{float(filterLeft.band * envelope), float(filterRight.band * envelope)};
    });
}

void playImpact(Mix& mix, double time, float velocity)
{
    const Hit impact = {2.5, 0.002, 0.5, 0.0f, 0.5f};
    Noise noise = makeNoise(seedAt(time, 11));
    Svf filter;
    setSvf(filter, 800.0, 0.7);
    double phase = 0.0;
    Decay drop = makeDecay(0.25), boom = makeDecay(0.8), dust = makeDecay(0.15);
    playHit(mix, time, velocity, impact, [&](size_t, double t) {
        phase += (30.0 + 60.0 * nextDecay(drop)) / sampleRate;
        double envelope = hitEnvelope(impact, t, nextDecay(boom));
        runSvf(filter, noise.next());
        double burst = filter.low * nextDecay(dust) * 1.5;
        return float(sineCycles(phase) * envelope + burst);
    });
}

}  // namespace synth
