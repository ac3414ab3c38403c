// The pitched instruments of the baked music: pad, pluck, bass, acid line,
// lead, bell and sub. Each renders one note and adds it to the mix.
#include "tools/bake/synth_dsp.h"

#include <algorithm>

namespace synth {

namespace {

uint32_t seedFor(double time, double midi)
{
    return uint32_t(frameAt(time)) * 7u + uint32_t(midi * 16.0);
}

double cents(double value)
{
    return std::pow(2.0, value / 1200.0);
}

// Linear attack, full level while the note is held, then a quadratic fade
// over release seconds.
double gateEnvelope(double t, double length, double attack, double release)
{
    double level = attack > 0.0 ? std::min(1.0, t / attack) : 1.0;
    if (t > length) {
        double x = std::min(1.0, (t - length) / release);
        level *= (1.0 - x) * (1.0 - x);
    }
    return level;
}

}  // namespace

void playPad(Mix& mix, const Route& route, double time, double length, double midi, const PadSound& sound)
{
    if (startsAfterEnd(mix, time))
        return;
    size_t frames = size_t((length + sound.release) * sampleRate);
    std::vector<float> left(frames), right(frames);
    double frequency = midiToHz(midi);
    const double detune[3] = {-sound.detuneCents, 0.0, sound.detuneCents};
    const double driftRate[3] = {0.21, 0.27, 0.33};
    SawOsc oscs[3];
    Noise noise = makeNoise(seedFor(time, midi));
    for (SawOsc& osc : oscs)
        osc.phase = (noise.next() + 1.0) * 0.5;
    Svf filterLeft, filterRight;

    for (size_t i = 0; i < frames; i++) {
        double t = double(i) / sampleRate;
        double breath = sound.breath ? sound.breath(time + t) : 1.0;
        if (i % 32 == 0) {
            for (int o = 0; o < 3; o++) {
                double drift = 3.0 * std::sin(2.0 * synthPi * driftRate[o] * (time + t) + o);
                oscs[o].increment = frequency * cents(detune[o] + drift) / sampleRate;
            }
            double x = std::min(1.0, t / length);
            double cutoff = sound.cutoffStart + (sound.cutoffEnd - sound.cutoffStart) * x;
            cutoff *= 0.35 + 0.65 * breath;
            setSvf(filterLeft, cutoff, 0.8);
            setSvf(filterRight, cutoff * 1.03, 0.8);
        }
        float a = nextSaw(oscs[0]);
        float b = nextSaw(oscs[1]);
        float c = nextSaw(oscs[2]);
        runSvf(filterLeft, 0.7f * a + 0.5f * b);
        runSvf(filterRight, 0.7f * c + 0.5f * b);
        double level = gateEnvelope(t, length, sound.attack, sound.release) * (0.25 + 0.75 * breath);
        left[i] = float(filterLeft.low * level * 0.3);
        right[i] = float(filterRight.low * level * 0.3);
    }
    addNote(mix, route, time, left, right);
}

void playPluck(Mix& mix, const Route& route, double time, double length, double midi, float brightness)
{
    if (startsAfterEnd(mix, time))
        return;
    double held = std::min(length, 0.6);
    size_t frames = size_t((held + 0.05) * sampleRate);
    std::vector<float> out(frames);
    SawOsc saw, square;
    saw.increment = midiToHz(midi) / sampleRate;
    square.increment = saw.increment * cents(6.0);
    Svf filter;
    Decay fade = makeDecay(0.22);
    for (size_t i = 0; i < frames; i++) {
        double t = double(i) / sampleRate;
        if (i % 16 == 0) {
            setSvf(filter, 250.0 + brightness * (300.0 + 5000.0 * std::exp(-t / 0.07)), 1.8);
        }
        runSvf(filter, nextSaw(saw) + 0.6f * nextSquare(square));
        double level = gateEnvelope(t, held, 0.002, 0.04) * nextDecay(fade);
        out[i] = float(filter.low * level * 0.35);
    }
    addNote(mix, route, time, out, out);
}

void playBass(Mix& mix, const Route& route, double time, double length, double midi, float cutoff)
{
    if (startsAfterEnd(mix, time))
        return;
    size_t frames = size_t((length + 0.03) * sampleRate);
    std::vector<float> out(frames);
    SawOsc saw;
    saw.increment = midiToHz(midi) / sampleRate;
    double sinePhase = 0.0;
    Svf filter;
    for (size_t i = 0; i < frames; i++) {
        double t = double(i) / sampleRate;
        if (i % 16 == 0)
            setSvf(filter, cutoff * (1.0 + 1.5 * std::exp(-t / 0.04)), 0.9);
        runSvf(filter, nextSaw(saw));
        double sine = sineCycles(sinePhase);
        sinePhase += saw.increment * 0.5;
        double level = gateEnvelope(t, length, 0.003, 0.03);
        out[i] = float((0.65 * filter.low + 0.3 * sine) * level);
    }
    addNote(mix, route, time, out, out);
}

void playAcid(
    Mix& mix, const Route& route, double time, double length, double midi, float cutoff, bool accent)
{
    if (startsAfterEnd(mix, time))
        return;
    size_t frames = size_t((length + 0.02) * sampleRate);
    std::vector<float> out(frames);
    SawOsc saw;
    saw.increment = midiToHz(midi) / sampleRate;
    Svf filter;
    double depth = accent ? 5.0 : 2.5;
    double decay = accent ? 0.09 : 0.14;
    for (size_t i = 0; i < frames; i++) {
        double t = double(i) / sampleRate;
        if (i % 8 == 0)
            setSvf(filter, cutoff * (1.0 + depth * std::exp(-t / decay)), 6.5);
        runSvf(filter, nextSaw(saw));
        double level = gateEnvelope(t, length, 0.002, 0.02) * (accent ? 1.0 : 0.75);
        out[i] = float(std::tanh(2.5 * filter.low) * 0.5 * level);
    }
    addNote(mix, route, time, out, out);
}

void playLead(Mix& mix, const Route& route, double time, double length, double midi, float cutoff)
{
    if (startsAfterEnd(mix, time))
        return;
    const double detune[5] = {-14.0, -6.0, 0.0, 6.0, 14.0};
    const float toLeft[5] = {1.0f, 0.75f, 0.5f, 0.25f, 0.0f};
    size_t frames = size_t((length + 0.18) * sampleRate);
    std::vector<float> left(frames), right(frames);
    double frequency = midiToHz(midi);
    SawOsc oscs[5];
    Noise noise = makeNoise(seedFor(time, midi));
    for (SawOsc& osc : oscs)
        osc.phase = (noise.next() + 1.0) * 0.5;
    Svf filterLeft, filterRight;
    Decay settle = makeDecay(0.2);
    for (size_t i = 0; i < frames; i++) {
        double t = double(i) / sampleRate;
        if (i % 16 == 0) {
            double vibratoDepth = 12.0 * std::clamp((t - 0.25) / 0.3, 0.0, 1.0);
            double vibrato = vibratoDepth * std::sin(2.0 * synthPi * 5.5 * t);
            for (int o = 0; o < 5; o++)
                oscs[o].increment = frequency * cents(detune[o] + vibrato) / sampleRate;
            double bright = cutoff * (1.0 + 0.6 * std::exp(-t / 0.1));
            setSvf(filterLeft, bright, 0.7);
            setSvf(filterRight, bright * 1.02, 0.7);
        }
        float sumLeft = 0.0f, sumRight = 0.0f;
        for (int o = 0; o < 5; o++) {
            float v = nextSaw(oscs[o]);
            sumLeft += v * toLeft[o];
            sumRight += v * (1.0f - toLeft[o]);
        }
        runSvf(filterLeft, sumLeft);
        runSvf(filterRight, sumRight);
        double level = gateEnvelope(t, length, 0.01, 0.18) * (0.8 + 0.2 * nextDecay(settle));
        left[i] = float(filterLeft.low * level * 0.22);
        right[i] = float(filterRight.low * level * 0.22);
    }
    addNote(mix, route, time, left, right);
}

void playBell(Mix& mix, const Route& route, double time, double midi)
{
    if (startsAfterEnd(mix, time))
        return;
    size_t frames = size_t(3.2 * sampleRate);
    std::vector<float> out(frames);
    double frequency = midiToHz(midi);
    double carrier = 0.0, modulator = 0.0, octave = 0.0;
    Decay brightness = makeDecay(0.4), shimmer = makeDecay(0.5), fade = makeDecay(1.1);
    for (size_t i = 0; i < frames; i++) {
        double t = double(i) / sampleRate;
        double index = 1.6 * nextDecay(brightness) / (2.0 * synthPi);
        double value = sineCycles(carrier + index * sineCycles(modulator));
        value += 0.2 * sineCycles(octave) * nextDecay(shimmer);
        carrier += frequency / sampleRate;
        modulator += 4.003 * frequency / sampleRate;
        octave += 2.0 * frequency / sampleRate;
        double level = std::min(1.0, t / 0.002) * nextDecay(fade);
        if (t > 2.7)
            level *= (3.2 - t) / 0.5;
        out[i] = float(value * level * 0.3);
    }
    addNote(mix, route, time, out, out);
}

void playSub(Mix& mix, const Route& route, double time, double length, double midi)
{
    if (startsAfterEnd(mix, time))
        return;
    size_t frames = size_t((length + 0.2) * sampleRate);
    std::vector<float> out(frames);
    double increment = midiToHz(midi) / sampleRate;
    double phase = 0.0;
    for (size_t i = 0; i < frames; i++) {
        double t = double(i) / sampleRate;
        double level = gateEnvelope(t, length, 0.05, 0.2);
        out[i] = float(sineCycles(phase) * level);
        phase += increment;
    }
    addNote(mix, route, time, out, out);
}

}  // namespace synth
