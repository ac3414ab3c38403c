// audio_output.cpp: the audio layer's public calls and its output device.
//
// One SDL2 output device, float stereo, mixed in SDL's callback from the
// channels that are playing. The callback runs on SDL's audio thread with
// the device locked; every call here that changes what it reads locks the
// device too (SDL_LockAudioDevice), so no other lock is needed.
//
// Device rate: audioInit asks for the rate it is given (44100 for the show)
// but lets SDL open the device at its own rate when that differs, so the
// sound is converted once and not twice. The music is only known later and
// its rate may be anything: modules are rendered directly at the device's
// rate, and every stream goes through its own SDL_AudioStream from the
// file's rate to the device's.
#include "platform/audio.h"
#include "platform/audio_channel.h"

#include <mpg123.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int bufferFrames = 1024; // SDL's buffer: about 23 ms at 44100 Hz

struct AudioState {
    bool initialised = false;
    SDL_AudioDeviceID device = 0;
    int rate = 0;
    std::vector<std::unique_ptr<AudioChannel>> channels; // handle n is channels[n - 1]
    std::vector<float> channelBuffer;                    // one channel's part of a mix, stereo
    uint32_t nextSync = 1;
};

AudioState state;
int lastError = audioOk;

int fail(AudioError error)
{
    lastError = error;
    return 0;
}

int succeed(int result)
{
    lastError = audioOk;
    return result;
}

void runEndProc(AudioChannel& channel)
{
    if (channel.endProc != nullptr)
        channel.endProc(channel.endSync, channel.handle, 0);
}

// SDL's callback: the sum of the playing channels, clipped to [-1, 1].
void mixOutput(void*, Uint8* stream, int length)
{
    float* out = reinterpret_cast<float*>(stream);
    int frames = length / static_cast<int>(2 * sizeof(float));
    std::fill(out, out + 2 * frames, 0.0f);
    int chunk = static_cast<int>(state.channelBuffer.size() / 2);
    for (const std::unique_ptr<AudioChannel>& channel : state.channels) {
        if (!channel->playing)
            continue;
        for (int done = 0; done < frames; done += chunk) {
            int n = std::min(chunk, frames - done);
            renderChannel(*channel, state.rate, state.channelBuffer.data(), n, runEndProc);
            for (int i = 0; i < 2 * n; ++i)
                out[2 * done + i] += state.channelBuffer[i];
        }
    }
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

AudioChannel* findChannel(AudioHandle handle)
{
    if (handle == 0 || handle > state.channels.size())
        return nullptr;
    return state.channels[handle - 1].get();
}

// The common part of the two open calls: loads the channel and adds it
// under the next handle.
AudioHandle openChannel(
    ChannelKind kind, int fromMemory, const char* fileName, uint32_t offset, uint32_t length)
{
    if (!state.initialised)
        return fail(audioErrorNotInit);
    if (fromMemory != 0)
        return fail(audioErrorParameter);
    std::unique_ptr<AudioChannel> channel;
    AudioError error = audioOk;
    try {
        channel = std::make_unique<AudioChannel>();
        channel->kind = kind;
        error = loadChannel(*channel, fileName, offset, length, state.rate);
    } catch (const std::bad_alloc&) {
        error = audioErrorMemory;
    }
    if (error != audioOk) {
        if (channel)
            closeChannel(*channel);
        return fail(error);
    }
    SDL_LockAudioDevice(state.device);
    channel->handle = static_cast<AudioHandle>(state.channels.size() + 1);
    state.channels.push_back(std::move(channel));
    AudioHandle handle = state.channels.back()->handle;
    SDL_UnlockAudioDevice(state.device);
    return succeed(static_cast<int>(handle));
}

// Starts a channel of the given kind playing; flush restarts it first.
int playChannel(AudioHandle handle, ChannelKind kind, bool flush)
{
    if (!state.initialised)
        return fail(audioErrorNotInit);
    AudioChannel* channel = findChannel(handle);
    if (channel == nullptr || channel->kind != kind)
        return fail(audioErrorHandle);
    SDL_LockAudioDevice(state.device);
    if (flush)
        rewindChannel(*channel);
    channel->playing = true;
    SDL_UnlockAudioDevice(state.device);
    return succeed(1);
}

} // namespace

uint32_t audioGetVersion()
{
    return audioVersion;
}

int audioInit(int device, uint32_t frequency, uint32_t, void*)
{
    if (state.initialised)
        return fail(audioErrorAlready);
    if (frequency == 0 || frequency > 384000)
        return fail(audioErrorParameter);
    // SDL's audio brings up its event queue, which would otherwise turn
    // Ctrl-C and SIGTERM into quit events nobody reads: the process keeps
    // its own handling of them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return fail(audioErrorInit);
    const char* name = nullptr; // SDL's default output
    if (device != -1) {
        if (device < 1 || device > SDL_GetNumAudioDevices(0)) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return fail(audioErrorInit);
        }
        name = SDL_GetAudioDeviceName(device - 1, 0);
    }
    SDL_AudioSpec wanted{};
    wanted.freq = static_cast<int>(frequency);
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = bufferFrames;
    wanted.callback = mixOutput;
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(audioErrorInit);
    }
    // The device opens paused: the callback reads nothing of this until audioStart.
    mpg123_init(); // needed by libmpg123 before 1.27, harmless after
    state.device = id;
    state.rate = obtained.freq;
    state.channelBuffer.assign(2 * std::max<int>(obtained.samples, bufferFrames), 0.0f);
    state.initialised = true;
    return succeed(1);
}

AudioHandle audioStreamCreateFile(
    int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t)
{
    return openChannel(ChannelKind::stream, fromMemory, fileName, offset, length);
}

AudioHandle audioMusicLoad(int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t)
{
    return openChannel(ChannelKind::module, fromMemory, fileName, offset, length);
}

uint32_t audioChannelSetSync(AudioHandle handle, uint32_t type, uint32_t, AudioSyncProc proc)
{
    if (!state.initialised)
        return fail(audioErrorNotInit);
    AudioChannel* channel = findChannel(handle);
    if (channel == nullptr)
        return fail(audioErrorHandle);
    if (type != audioSyncEnd)
        return fail(audioErrorParameter);
    SDL_LockAudioDevice(state.device);
    channel->endProc = proc;
    channel->endSync = state.nextSync++;
    uint32_t sync = channel->endSync;
    SDL_UnlockAudioDevice(state.device);
    return succeed(static_cast<int>(sync));
}

int audioStart()
{
    if (!state.initialised)
        return fail(audioErrorNotInit);
    SDL_PauseAudioDevice(state.device, 0);
    return succeed(1);
}

int audioStreamPlay(AudioHandle handle, int flush, uint32_t)
{
    return playChannel(handle, ChannelKind::stream, flush != 0);
}

int audioMusicPlay(AudioHandle handle)
{
    return playChannel(handle, ChannelKind::module, false);
}

int audioErrorGetCode()
{
    return lastError;
}

int audioFree()
{
    if (!state.initialised)
        return fail(audioErrorNotInit);
    SDL_CloseAudioDevice(state.device); // waits for the audio thread to end
    for (const std::unique_ptr<AudioChannel>& channel : state.channels)
        closeChannel(*channel);
    state = AudioState{};
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return succeed(1);
}
