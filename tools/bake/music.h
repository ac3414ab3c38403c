// The show's music: a piece synthesised in code, in step with the scene cuts,
// and its MP3 encoding ("music.mp3").
#pragma once

#include "tools/bake/synth.h"

#include <cstdint>
#include <vector>

namespace bake {

// Length of the piece in seconds.
constexpr double musicSeconds = 190.0;

// The times, in seconds of music, at which the show cuts to its next scene
// (the last one is the end of the show); a new section of the music starts
// at each of them.
constexpr double sceneCutSeconds[9] = {16.3, 26.7, 43.3, 54.6, 85.6, 96.4, 115.9, 143.9, 178.3};

// Loudness and sample peak the finished piece is brought to.
constexpr double musicLoudnessLufs = -14.0;
constexpr float musicPeakCeiling = 0.708f;  // -3 dBFS: the encoder overshoots by up to 1.5 dB

// Plays the whole piece into a mix (the score).
void writeScore(synth::Mix& mix);

// The finished piece, 44.1 kHz stereo, mastered.
synth::StereoBuffer renderMusic();

// MP3 bytes of a 44.1 kHz stereo buffer: constant 192 kbit/s joint stereo,
// no tags, the same bytes for the same samples.
std::vector<uint8_t> encodeMp3(const synth::StereoBuffer& pcm);

// The bytes of "music.mp3": renderMusic then encodeMp3.
std::vector<uint8_t> bakeMusic();

}  // namespace bake
