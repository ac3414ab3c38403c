// audio_output.cpp: the audio layer's public calls, its mix, and its clock.
//
// The channels that are playing are mixed, float stereo, into the output
// device's stream (audio_device.h): a PulseAudio server where one answers,
// SDL2 for any other output. The device calls the mix on its own thread with
// its lock held; every call here that changes what the mix reads takes the
// same lock, so no other lock is needed.
//
// Heard, not decoded: where the device says when each frame is heard
// (PulseAudio), playback starts returning only once the first frame of the
// music is heard, each end procedure runs once the end of the music is
// heard (with the layer's clock reading that very moment while it runs),
// and audioClockMilliseconds is the output's own clock. Where it cannot say
// (SDL), a frame counts as heard when it is handed to the device.
//
// Device rate: audioInit asks for the rate it is given (44100 for the show)
// and SDL may open its device at its own rate instead, so the sound is
// converted once and not twice. The music is only known later and its rate
// may be anything: modules are rendered directly at the device's rate, and
// every stream goes through its own SDL_AudioStream from the file's rate to
// the device's.
#include "platform/audio.h"
#include "platform/audio_channel.h"
#include "platform/audio_device.h"
#include "platform/clock.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr int mixFrames = 2048;  // the mix renders each channel this much at a time
// How long starting playback waits at most for its first frame to be heard.
constexpr uint64_t startWaitMilliseconds = 2000;

struct AudioState {
    bool initialised = false;
    bool started = false;
    DeviceKind kind = DeviceKind::none;
    int rate = 0;
    std::vector<std::unique_ptr<AudioChannel>> channels;  // handle n is channels[n - 1]
    std::vector<float> channelBuffer;                     // one channel's part of a mix, stereo
    uint32_t nextSync = 1;
    AudioChannel* starting = nullptr;  // the channel whose first frame a play call waits to hear
    uint64_t renderedFrom = 0;         // the frame the mix is rendering a channel from
    // The output's clock as last read, and the steady clock then: it goes on
    // from there should the output stop saying.
    uint64_t lastHeardMilliseconds = 0;
    uint64_t lastSteadyMilliseconds = 0;
};

AudioState state;
int lastError = audioOk;
// While an end procedure runs on the device's thread, the layer's clock
// reads the moment that end was heard; after a play call has waited for its
// first frame, the clock's next reading on the calling thread is the moment
// that frame is heard (the wait may end a little after it, on a busy machine
// even a good deal after).
thread_local bool clockPinned = false;
thread_local bool pinnedOnce = false;
thread_local uint64_t pinnedMilliseconds = 0;

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

void lockOutput()
{
    if (state.kind == DeviceKind::pulse)
        lockPulseDevice();
    else
        lockSdlDevice();
}

void unlockOutput()
{
    if (state.kind == DeviceKind::pulse)
        unlockPulseDevice();
    else
        unlockSdlDevice();
}

uint64_t frameMilliseconds(uint64_t frame)
{
    return frame * 1000u / static_cast<uint64_t>(state.rate);
}

// Runs the channel's end procedure for the end heard at `frame`.
void runEndProc(AudioChannel& channel, uint64_t frame)
{
    channel.endFrame = noFrame;
    if (channel.endProc == nullptr)
        return;
    clockPinned = state.kind == DeviceKind::pulse;
    pinnedMilliseconds = frameMilliseconds(frame);
    channel.endProc(channel.endSync, channel.handle, 0);
    clockPinned = false;
}

// An end met by the decoder: kept until it is heard. An end still unheard
// when the next one comes (a piece shorter than the output's delay) is
// taken as heard then.
void noteEnd(AudioChannel& channel, int frame)
{
    if (channel.endFrame != noFrame)
        runEndProc(channel, channel.endFrame);
    channel.endFrame = state.renderedFrom + static_cast<uint64_t>(frame);
}

// The device's mix: the sum of the playing channels, clipped to [-1, 1].
void mixOutput(float* out, int frames, uint64_t first)
{
    std::fill(out, out + 2 * frames, 0.0f);
    int chunk = static_cast<int>(state.channelBuffer.size() / 2);
    for (const std::unique_ptr<AudioChannel>& channel : state.channels) {
        if (!channel->playing)
            continue;
        for (int done = 0; done < frames; done += chunk) {
            int n = std::min(chunk, frames - done);
            state.renderedFrom = first + static_cast<uint64_t>(done);
            renderChannel(*channel, state.rate, state.channelBuffer.data(), n, noteEnd);
            for (int i = 0; i < 2 * n; ++i)
                out[2 * done + i] += state.channelBuffer[i];
        }
    }
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

// The output is playing frame `heard` now: the ends heard so far run (an end
// is heard when the first frame after it is); returns the next frame
// something waits for.
uint64_t onHeard(uint64_t heard)
{
    uint64_t next = noFrame;
    for (const std::unique_ptr<AudioChannel>& channel : state.channels) {
        if (channel->endFrame != noFrame && channel->endFrame <= heard)
            runEndProc(*channel, channel->endFrame);
        if (channel->endFrame != noFrame)
            next = std::min(next, channel->endFrame);
    }
    if (state.starting != nullptr)
        next = std::min(next, state.starting->firstFrame);
    return next;
}

// Waits (locked) until the channel's first frame is heard, when the device
// can say so, at most startWaitMilliseconds; the clock's next reading on
// this thread is the moment that frame is heard, whenever the wait noticed
// it (or the clock reads a little before that moment, should the wait give
// up first). The channel starts with the next frame written to the device.
void waitUntilHeard(AudioChannel& channel)
{
    if (state.kind != DeviceKind::pulse || !state.started)
        return;
    channel.firstFrame = pulseNextFrame();
    state.starting = &channel;
    uint64_t deadline = steadyMilliseconds() + startWaitMilliseconds;
    for (;;) {
        uint64_t heard = 0;
        if ((pulseHeardFrame(heard) && heard >= channel.firstFrame) || steadyMilliseconds() >= deadline)
            break;
        watchPulseDevice(channel.firstFrame);
        waitPulseDevice();
    }
    state.starting = nullptr;
    clockPinned = pinnedOnce = true;
    pinnedMilliseconds = frameMilliseconds(channel.firstFrame);
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
    lockOutput();
    channel->handle = static_cast<AudioHandle>(state.channels.size() + 1);
    state.channels.push_back(std::move(channel));
    AudioHandle handle = state.channels.back()->handle;
    unlockOutput();
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
    lockOutput();
    if (flush) {
        rewindChannel(*channel);
        channel->endFrame = noFrame;
    }
    if (!channel->playing) {
        channel->playing = true;
        waitUntilHeard(*channel);
    }
    unlockOutput();
    return succeed(1);
}

// Opens PulseAudio unless SDL_AUDIODRIVER names another driver, or SDL's
// n-th device is asked for; else SDL.
DeviceKind openDevice(int device, int rate)
{
    DeviceProcs procs{mixOutput, onHeard};
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    bool pulseAllowed = driver == nullptr || *driver == '\0' || std::strcmp(driver, "pulseaudio") == 0 ||
        std::strcmp(driver, "pipewire") == 0;
    if (device == -1 && pulseAllowed && openPulseDevice(rate, procs)) {
        state.rate = rate;
        return DeviceKind::pulse;
    }
    state.rate = openSdlDevice(device, rate, procs);
    return state.rate == 0 ? DeviceKind::none : DeviceKind::sdl;
}

// At exit without audioFree (a fatal error, a lost X connection...), the
// device's thread must not go on mixing while the layer's state is torn
// down.
void closeOutputAtExit()
{
    audioFree();
}

}  // namespace

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
    state.channelBuffer.assign(2 * mixFrames, 0.0f);
    state.kind = openDevice(device, static_cast<int>(frequency));
    if (state.kind == DeviceKind::none) {
        state = AudioState{};
        return fail(audioErrorInit);
    }
    mpg123_init();  // needed by libmpg123 before 1.27, harmless after
    static bool closesAtExit = std::atexit(closeOutputAtExit) == 0;
    (void)closesAtExit;
    state.lastSteadyMilliseconds = steadyMilliseconds();
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
    lockOutput();
    channel->endProc = proc;
    channel->endSync = state.nextSync++;
    uint32_t sync = channel->endSync;
    unlockOutput();
    return succeed(static_cast<int>(sync));
}

int audioStart()
{
    if (!state.initialised)
        return fail(audioErrorNotInit);
    lockOutput();
    if (state.kind == DeviceKind::pulse)
        startPulseDevice();
    else
        startSdlDevice();
    state.started = true;
    unlockOutput();
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
    // Closing waits for the device's thread to end.
    if (state.kind == DeviceKind::pulse)
        closePulseDevice();
    else
        closeSdlDevice();
    for (const std::unique_ptr<AudioChannel>& channel : state.channels)
        closeChannel(*channel);
    state = AudioState{};
    return succeed(1);
}

uint32_t audioClockMilliseconds()
{
    if (clockPinned) {
        clockPinned = !pinnedOnce;
        pinnedOnce = false;
        return static_cast<uint32_t>(pinnedMilliseconds);
    }
    if (state.kind != DeviceKind::pulse)
        return static_cast<uint32_t>(steadyMilliseconds());
    lockPulseDevice();
    uint64_t heard = 0;
    uint64_t steady = steadyMilliseconds();
    if (pulseHeardFrame(heard)) {
        state.lastHeardMilliseconds = frameMilliseconds(heard);
        state.lastSteadyMilliseconds = steady;
    } else {
        // No timing (yet, or any more): the steady clock carries on.
        state.lastHeardMilliseconds += steady - state.lastSteadyMilliseconds;
        state.lastSteadyMilliseconds = steady;
    }
    uint64_t now = state.lastHeardMilliseconds;
    unlockPulseDevice();
    return static_cast<uint32_t>(now);
}
