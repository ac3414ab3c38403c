// The sound building blocks of the baked music: a mix of whole-piece buses,
// the instruments that play single notes into it, the send effects and the
// master stage (loudness meter and peak limiter).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace synth {

constexpr int sampleRate = 44100;

// Two channels of samples at sampleRate, full scale at +-1.
struct StereoBuffer {
    std::vector<float> left, right;
};

// The buses notes are played into. `pumped` is multiplied by `duck` when the
// mix is finished (the kick writes its dips into `duck`, whatever the order
// in which notes are played); the sends feed the delay and the reverb.
struct Mix {
    StereoBuffer dry;
    StereoBuffer pumped;
    std::vector<float> duck;
    std::vector<float> reverbSend;
    std::vector<float> delaySend;
};

Mix makeMix(double seconds);
size_t mixFrames(const Mix& mix);

// Where a note goes: its level, its place between left (-1) and right (+1),
// its send levels and whether the kick's ducking applies to it.
struct Route {
    float gain = 1.0f;
    float pan = 0.0f;
    float reverb = 0.0f;
    float delay = 0.0f;
    bool pumped = false;
};

// A small deterministic noise source (xorshift), values in [-1, 1).
struct Noise {
    uint32_t state = 1;
    float next();
};
Noise makeNoise(uint32_t seed);

double midiToHz(double midi);

// Drums and effects, placed at a time in seconds from the start of the piece.
void playKick(Mix& mix, double time, float velocity, float duckDepth);
void playSnare(Mix& mix, double time, float velocity);
void playClap(Mix& mix, double time, float velocity);
void playHat(Mix& mix, double time, float velocity, bool open);
void playCrash(Mix& mix, double time, float velocity);
// Filtered noise rising in pitch and level over length seconds; it ends
// exactly at time + length.
void playRiser(Mix& mix, double time, double length, float velocity);
// A deep downward sweep with a noise burst, for the big cuts.
void playImpact(Mix& mix, double time, float velocity);

// Sustained chord tones: three detuned saws through a low-pass filter whose
// cutoff moves from cutoffStart to cutoffEnd over the note. When `breath` is
// set, it gives a 0..1 factor at each time of the piece that scales both the
// level and the cutoff.
struct PadSound {
    float cutoffStart = 1800.0f;
    float cutoffEnd = 1800.0f;
    float attack = 0.6f;
    float release = 1.2f;
    float detuneCents = 9.0f;
    float (*breath)(double time) = nullptr;
};
void playPad(Mix& mix, const Route& route, double time, double length, double midi, const PadSound& sound);

// A short plucked saw-and-pulse tone with a decaying filter; brightness 0..1.
void playPluck(Mix& mix, const Route& route, double time, double length, double midi, float brightness);

// The bass: a saw low-passed at cutoff with a short filter kick, over a
// sine an octave below.
void playBass(Mix& mix, const Route& route, double time, double length, double midi, float cutoff);

// A resonant, overdriven saw line; accent deepens the filter envelope.
void playAcid(
    Mix& mix, const Route& route, double time, double length, double midi, float cutoff, bool accent);

// A wide detuned saw lead with delayed vibrato.
void playLead(Mix& mix, const Route& route, double time, double length, double midi, float cutoff);

// A two-operator FM bell (glassy: the modulator four times the pitch, a
// hair off for shimmer) that rings for about three seconds.
void playBell(Mix& mix, const Route& route, double time, double midi);

// A pure sine with soft ends, for drones and sub bass.
void playSub(Mix& mix, const Route& route, double time, double length, double midi);

// Runs the ping-pong delay and the reverb over the sends and sums every bus
// into one stereo buffer.
StereoBuffer finishMix(Mix& mix);

// Integrated loudness in LUFS: K-weighted mean square of both channels over
// 400 ms blocks with the absolute (-70 LUFS) and relative (-10 LU) gates.
// A buffer with nothing above the absolute gate gives -70.
double measureLoudness(const StereoBuffer& buffer);

// The largest absolute sample of either channel.
float peakLevel(const StereoBuffer& buffer);

// Scales the buffer so that no sample exceeds ceiling (linear), with a
// short look-ahead attack and a smooth release; quiet passages stay as they are.
void limitPeaks(StereoBuffer& buffer, float ceiling);

// Brings the buffer to about targetLufs by gain and limiting, with peaks at
// most ceiling.
void masterTo(StereoBuffer& buffer, double targetLufs, float ceiling);

}  // namespace synth
