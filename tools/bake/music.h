// The show's music: a piece synthesised in code, in step with the scene cuts,
// and its MP3 encoding ("music.mp3").
#pragma once

#include "scenes/timing.h"
#include "tools/bake/synth.h"

#include <array>

#include <cstdint>
#include <vector>

namespace bake {

// Length of the piece in seconds.
constexpr double musicSeconds = 190.0;

// The times, in seconds of music, at which the show cuts to its next scene
// (the last one is the end of the show), from the scenes' own end times; a
// new section of the music starts at each of them.
constexpr std::array<double, 9> sceneCutSeconds = showCutSeconds();

// Loudness and sample peak the finished piece is brought to.
constexpr double musicLoudnessLufs = -14.0;
constexpr float musicPeakCeiling = 0.708f;  // -3 dBFS: the encoder overshoots by up to 1.5 dB

// Plays the whole piece into a mix (the score).
void writeScore(synth::Mix& mix);

// The finished piece, 44.1 kHz stereo, mastered.
synth::StereoBuffer renderMusic();

// MP3 bytes of a 44.1 kHz stereo buffer: constant 192 kbit/s joint stereo,
// opened by LAME's information frame with the encoder's delay and padding
// (so that decoders give exactly the samples encoded), no ID3 tags, the same
// bytes for the same samples.
std::vector<uint8_t> encodeMp3(const synth::StereoBuffer& pcm);

// The bytes of "music.mp3": renderMusic then encodeMp3.
std::vector<uint8_t> bakeMusic();

}  // namespace bake
