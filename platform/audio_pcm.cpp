// audio_pcm.cpp: decoding a whole piece of music to samples through the
// audio layer's own channel decoders, with no output device open.
#include "platform/audio_pcm.h"
#include "platform/audio_channel.h"

#include <libopenmpt/libopenmpt.h>
#include <mpg123.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr int chunkFrames = 4096;
constexpr int bytesPerFrame = 2 * sizeof(float);

bool writeFrames(std::FILE* out, const void* samples, size_t frames)
{
    return out == nullptr || std::fwrite(samples, bytesPerFrame, frames, out) == frames;
}

// Moves every converted frame waiting in the channel's converter to out.
bool drainConverter(AudioChannel& channel, std::vector<float>& buffer, std::FILE* out, DecodedMusic& music)
{
    int capacity = static_cast<int>(buffer.size() * sizeof(float));
    for (;;) {
        int available = SDL_AudioStreamAvailable(channel.converter);
        if (available <= 0)
            return true;
        int got = SDL_AudioStreamGet(channel.converter, buffer.data(), std::min(available, capacity));
        if (got <= 0)
            return true;
        size_t frames = static_cast<size_t>(got) / bytesPerFrame;
        if (!writeFrames(out, buffer.data(), frames))
            return false;
        music.frames += frames;
    }
}

// A stream: decoded a step at a time as the layer's render does, converted
// to pcmRate, and the converter flushed at the end so no tail is lost.
AudioError decodeStream(AudioChannel& channel, std::FILE* out, DecodedMusic& music)
{
    long fileRate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(channel.decoder, &fileRate, &channels, &encoding) != MPG123_OK || fileRate <= 0)
        return audioErrorFormat;
    std::vector<float> buffer(2 * chunkFrames);
    int emptyReads = 0;
    for (;;) {
        StreamStep step = decodeStreamStep(channel, emptyReads);
        if (step == StreamStep::failed)
            return audioErrorMemory;
        if (!drainConverter(channel, buffer, out, music))
            return audioErrorFileOpen;
        if (step == StreamStep::end)
            break;
    }
    SDL_AudioStreamFlush(channel.converter);
    if (!drainConverter(channel, buffer, out, music))
        return audioErrorFileOpen;
    // A fresh channel that is never restarted: its frames are the whole music's.
    music.seconds = static_cast<double>(channel.framesSinceStart) / static_cast<double>(fileRate);
    return audioOk;
}

AudioError decodeModule(AudioChannel& channel, std::FILE* out, DecodedMusic& music)
{
    std::vector<float> buffer(2 * chunkFrames);
    for (;;) {
        size_t got =
            openmpt_module_read_interleaved_float_stereo(channel.module, pcmRate, chunkFrames, buffer.data());
        if (got == 0)
            break;
        if (!writeFrames(out, buffer.data(), got))
            return audioErrorFileOpen;
        music.frames += got;
    }
    music.seconds = static_cast<double>(music.frames) / pcmRate;
    return audioOk;
}

}  // namespace

AudioError decodeMusic(const char* fileName, bool asModule, std::FILE* out, DecodedMusic& music)
{
    music = DecodedMusic{};
    mpg123_init();  // needed by libmpg123 before 1.27, harmless after
    AudioChannel channel;
    channel.kind = asModule ? ChannelKind::module : ChannelKind::stream;
    AudioError error = audioOk;
    try {
        error = loadChannel(channel, fileName, 0, 0, pcmRate);
        if (error == audioOk)
            error = asModule ? decodeModule(channel, out, music) : decodeStream(channel, out, music);
    } catch (const std::bad_alloc&) {
        error = audioErrorMemory;
    }
    closeChannel(channel);
    if (error != audioOk)
        music = DecodedMusic{};
    return error;
}
