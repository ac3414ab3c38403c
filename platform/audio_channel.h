// audio_channel.h: the audio layer's private view of one piece of music.
//
// A channel is a file held in memory and decoded on demand, either as a
// compressed stream (libmpg123, converted to the device's rate by an
// SDL_AudioStream) or as a tracker module (libopenmpt, rendered straight at
// the device's rate). audio_output.cpp owns the channels and mixes them in
// the SDL callback; audio_decoders.cpp opens and renders them.
#pragma once

#include "platform/audio.h"

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct mpg123_handle_struct;
struct openmpt_module;

enum class ChannelKind { stream, module };

// The memory reader mpg123 pulls the stream's bytes from.
struct MemoryReader {
    const std::vector<uint8_t>* bytes = nullptr;
    size_t position = 0;
};

struct AudioChannel {
    ChannelKind kind = ChannelKind::stream;
    AudioHandle handle = 0;
    std::vector<uint8_t> fileBytes;  // the whole file, read at open

    // stream
    mpg123_handle_struct* decoder = nullptr;
    MemoryReader reader;
    SDL_AudioStream* converter = nullptr;  // 16-bit stereo at the file's rate -> float stereo at the device's
    std::vector<uint8_t> decodeBuffer;     // one decoding step, allocated at open

    // module
    openmpt_module* module = nullptr;

    bool playing = false;
    bool silent = false;              // the music yields no samples at all: it is not rendered again
    uint64_t framesSinceStart = 0;    // frames rendered since the last (re)start
    AudioSyncProc endProc = nullptr;  // the end procedure, or null
    uint32_t endSync = 0;             // the sync handle given to it
    // In the output's stream of frames: where this playback began (where the
    // output says when its frames are heard), and an end met by the decoder
    // that has not yet been heard (UINT64_MAX: none).
    uint64_t firstFrame = UINT64_MAX;
    uint64_t endFrame = UINT64_MAX;
};

// Checks that bytes begin like an MPEG audio stream: an ID3v2 tag, or a run
// of valid, consecutive frame headers. mpg123 itself resyncs on anything.
bool looksLikeMpegAudio(const uint8_t* bytes, size_t size);

// Opens channel.fileBytes as a channel of channel.kind for output at
// deviceRate: the checks and decoders of loadChannel, without the file.
AudioError openChannelBytes(AudioChannel& channel, int deviceRate);

// Reads length bytes of fileName from offset on (length 0: up to the end of
// the file) into channel.fileBytes and opens them as a channel of
// channel.kind for output at deviceRate. Returns audioOk or the error code
// that says which step failed; may throw std::bad_alloc.
AudioError loadChannel(
    AudioChannel& channel, const char* fileName, uint32_t offset, uint32_t length, int deviceRate);

// What one decoding step of a stream did.
enum class StreamStep { more, end, failed };

// Decodes one step of a stream channel into its converter and adds the
// frames decoded to channel.framesSinceStart. end: the decoder has reached
// the end of the music, or has stopped giving samples (emptyReads counts
// the steps in a row that gave none; the caller starts it at zero); failed:
// the converter could not take the samples.
StreamStep decodeStreamStep(AudioChannel& channel, int& emptyReads);

// Runs at an end of the music; frame: where in the call's output the music
// starts again.
using EndProc = void (*)(AudioChannel& channel, int frame);

// Writes frames stereo float frames of the channel's music to out, looping
// at the end of the music; onEnd runs at each end, at most once a call (the
// rest of a call that meets a second end stays silent). Called on the audio
// thread with the device locked; allocates nothing itself.
void renderChannel(AudioChannel& channel, int deviceRate, float* out, int frames, EndProc onEnd);

// Rewinds the channel's music to its start.
void rewindChannel(AudioChannel& channel);

// Releases the decoders (the record itself is the caller's).
void closeChannel(AudioChannel& channel);
