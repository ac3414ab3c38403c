// audio_device.h: the output devices under the audio layer (audio_output.cpp).
//
// Two kinds. PulseAudio (audio_pulse.cpp), which PipeWire serves as well,
// says when each sample it was given is heard: the layer uses it whenever a
// server answers, unless SDL_AUDIODRIVER names another driver. SDL2
// (audio_sdl.cpp) serves every other output (ALSA, and SDL's dummy and disk
// drivers) and cannot say: there a sample counts as heard when it is handed
// over.
//
// Both play one stream of float stereo frames, numbered from 0 when the
// device opens, and call the layer back on their own thread with their lock
// held: mix to fill frames, heard when the heard position may have passed
// something the layer waits for.
#pragma once

#include <cstdint>

// No frame: the layer waits for nothing.
constexpr uint64_t noFrame = UINT64_MAX;

struct DeviceProcs {
    // Fills `frames` stereo float frames; `first` is the number of out[0].
    void (*mix)(float* out, int frames, uint64_t first);
    // Frame `heard` is being heard now (every frame before it has been):
    // runs what waited for that; returns the next frame the layer waits
    // for, or noFrame.
    uint64_t (*heard)(uint64_t heard);
};

enum class DeviceKind { none, pulse, sdl };

// ---------------------------------------------------------------------------
// PulseAudio (audio_pulse.cpp)

// Connects to the server (never starting one) and opens a stream at `rate`,
// paused. False when no server answers or the stream cannot open; then
// nothing is left open.
bool openPulseDevice(int rate, DeviceProcs procs);
void lockPulseDevice();
void unlockPulseDevice();
// Lets the paused stream play.
void startPulseDevice();
// Waits (locked) until the device calls heard next, or at most about 20 ms.
void waitPulseDevice();
// Asks for a heard call once `frame` has been heard (and then again about
// every 20 ms while the layer waits), on top of the ones the device makes
// after each write.
void watchPulseDevice(uint64_t frame);
// The number of the next frame the device will write (locked).
uint64_t pulseNextFrame();
// The frame being heard now, from the server's timing, with the lock held;
// false before the stream has timing, or once it has failed.
bool pulseHeardFrame(uint64_t& frame);
// Stops and closes everything; waits for the device's thread to end.
void closePulseDevice();

// ---------------------------------------------------------------------------
// SDL2 (audio_sdl.cpp)

// Opens SDL's output (device -1: the default, n >= 1: SDL's n-th) at `rate`
// or at the device's own rate, paused; returns the rate, or 0 when no device
// opens (then SDL's audio is shut down again).
int openSdlDevice(int device, int rate, DeviceProcs procs);
void lockSdlDevice();
void unlockSdlDevice();
void startSdlDevice();
void closeSdlDevice();
