// audio_sdl.cpp: the audio layer's SDL2 output, for every output but a
// PulseAudio server (ALSA, SDL's dummy and disk drivers, ...). SDL cannot say
// when a sample is heard: a frame counts as heard once it is handed over.
#include "platform/audio_device.h"

#include <SDL.h>

namespace {

constexpr int bufferFrames = 1024;  // SDL's buffer: about 23 ms at 44100 Hz

struct SdlDevice {
    SDL_AudioDeviceID id = 0;
    DeviceProcs procs{};
    uint64_t framesWritten = 0;
};

SdlDevice sdl;

// SDL's callback, on its audio thread with the device locked.
void fillBuffer(void*, Uint8* stream, int length)
{
    int frames = length / static_cast<int>(2 * sizeof(float));
    uint64_t first = sdl.framesWritten;
    sdl.procs.mix(reinterpret_cast<float*>(stream), frames, first);
    sdl.framesWritten = first + static_cast<uint64_t>(frames);
    sdl.procs.heard(sdl.framesWritten);
}

}  // namespace

int openSdlDevice(int device, int rate, DeviceProcs procs)
{
    // SDL's audio brings up its event queue, which would otherwise turn
    // Ctrl-C and SIGTERM into quit events nobody reads: the process keeps
    // its own handling of them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return 0;
    const char* name = nullptr;  // SDL's default output
    if (device != -1) {
        if (device < 1 || device > SDL_GetNumAudioDevices(0)) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return 0;
        }
        name = SDL_GetAudioDeviceName(device - 1, 0);
    }
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = bufferFrames;
    wanted.callback = fillBuffer;
    SDL_AudioSpec obtained{};
    // The device's own rate where it differs, so that the sound is converted
    // once and not twice.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(name, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    // The device opens paused: the callback runs only after startSdlDevice.
    sdl = SdlDevice{id, procs, 0};
    return obtained.freq;
}

void lockSdlDevice()
{
    SDL_LockAudioDevice(sdl.id);
}

void unlockSdlDevice()
{
    SDL_UnlockAudioDevice(sdl.id);
}

void startSdlDevice()
{
    SDL_PauseAudioDevice(sdl.id, 0);
}

void closeSdlDevice()
{
    SDL_CloseAudioDevice(sdl.id);  // waits for the audio thread to end
    sdl = SdlDevice{};
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
