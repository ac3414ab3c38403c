// audio_pcm.h: a whole piece of music decoded to samples, without a device.
//
// For programs that play no sound but need the music: the capture tool
// learns the music's real length and writes its samples into the video. The
// music is opened the way the audio layer opens it (the same checks, the
// same decoders: libmpg123 for a compressed stream, libopenmpt for a tracker
// module, the same conversion to the output rate), so a file the show cannot
// play is refused here with the same error code.
#pragma once

#include "platform/audio.h"

#include <cstdint>
#include <cstdio>

// The rate of the decoded samples, the one the show asks its device for.
constexpr int pcmRate = 44100;

struct DecodedMusic {
    uint64_t frames = 0;   // stereo frames written, at pcmRate
    double seconds = 0.0;  // the music's length: its decoded samples at its own rate
};

// Opens fileName as a stream (asModule false) or as a tracker module and
// decodes it once from start to end, as interleaved stereo 32-bit float
// samples in the machine's byte order at pcmRate, into out (nullptr: only
// the length is wanted). Returns audioOk, or the code the audio layer's open
// gives for the same file: audioErrorFileOpen when it cannot be read,
// audioErrorFormat when it is not of the kind asked for, audioErrorMemory;
// audioErrorFileOpen as well when writing to out fails.
AudioError decodeMusic(const char* fileName, bool asModule, std::FILE* out, DecodedMusic& music);
