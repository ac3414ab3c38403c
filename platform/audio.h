// audio.h: the audio layer the music is played through.
//
// A small library of our own: PulseAudio (or PipeWire's server of the same
// protocol) for output, SDL2 where no such server answers (it honours
// SDL_AUDIODRIVER, e.g. "dummy" or "disk"), libmpg123 for compressed
// streams, libopenmpt for tracker modules. One function per operation the
// music player needs, with handles and results in the usual style of such
// libraries: 0 is failure, and audioErrorGetCode says which step failed
// (audioOk after a call that succeeded). Calls are made from one thread;
// only the end procedures run on the audio thread.
//
// Heard, not decoded: where the output says when its samples are heard (a
// PulseAudio server, or PipeWire's), playback starts returning once its
// first sample is heard, and audioClockMilliseconds follows what is heard.
// Elsewhere (SDL's other drivers: ALSA, dummy, disk) a sample counts as heard
// when it is handed to the output, a buffer or so earlier.
//
// Playback loops: each time the music reaches its end, the end procedure
// given to audioChannelSetSync runs (on the audio thread) once that end is
// heard, and playback goes on from the start.
#pragma once

#include <cstdint>

using AudioHandle = uint32_t;
// An end procedure gets the sync handle, the channel's handle and 0. It runs
// on the audio thread with the output locked: it must be short and must not
// call back into this layer.
using AudioSyncProc = void (*)(uint32_t handle, uint32_t channel, uint32_t data);

constexpr uint32_t audioVersion = 0x60000;
constexpr uint32_t audioSyncEnd = 2;  // sync type: the end of the music

// Error codes returned by audioErrorGetCode.
enum AudioError {
    audioOk = 0,
    audioErrorInit = 1,       // no output device could be opened
    audioErrorNotInit = 2,    // a call that needs audioInit came first
    audioErrorFileOpen = 3,   // the file cannot be opened or read
    audioErrorFormat = 4,     // the file is not of the format asked for
    audioErrorHandle = 5,     // the handle names nothing (or a channel of the other kind)
    audioErrorAlready = 6,    // audioInit called twice
    audioErrorMemory = 7,     // out of memory
    audioErrorParameter = 8,  // an argument this layer does not support (from memory, sync type, rate)
};

// audioVersion.
uint32_t audioGetVersion();

// Opens the output, paused until audioStart. device: -1 the default output
// (a PulseAudio server unless SDL_AUDIODRIVER names another of SDL's
// drivers, else SDL's default), n >= 1 SDL's n-th output device. frequency in Hz: the rate asked for; the
// device may run at its own, and the music is converted to it. flags and
// window: unused. Returns 1, or 0 (audioErrorInit when no device opens).
int audioInit(int device, uint32_t frequency, uint32_t flags, void* window);

// Opens a file as a compressed stream (MPEG audio). The file must begin with
// an ID3v2 tag or a run of valid MPEG frames: a tracker module, text or
// noise is refused with audioErrorFormat. fromMemory must be 0 (only files);
// offset and length select a part of the file, length 0 meaning up to its
// end; flags: unused. Returns a handle, or 0.
AudioHandle audioStreamCreateFile(
    int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t flags);

// Opens a file as a tracker module, with the same arguments. Returns a
// handle, or 0 (audioErrorFormat when libopenmpt does not take the file).
AudioHandle audioMusicLoad(
    int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t flags);

// Sets the channel's end procedure (type audioSyncEnd only; parameter
// unused); a second call replaces the first. Returns a sync handle, or 0.
uint32_t audioChannelSetSync(AudioHandle handle, uint32_t type, uint32_t parameter, AudioSyncProc proc);

// Starts the output. Returns 1, or 0 before audioInit.
int audioStart();

// Plays a stream (from where it stands; from its start when flush is not
// 0); flags: unused, playback always loops. After audioStart, on an output
// that says when it is heard, returns once the first sample is heard (at
// most 2 s), and the next audioClockMilliseconds on this thread reads the
// moment it was heard. Returns 1, or 0.
int audioStreamPlay(AudioHandle handle, int flush, uint32_t flags);

// Plays a module from where it stands, returning as audioStreamPlay does.
// Returns 1, or 0.
int audioMusicPlay(AudioHandle handle);

// The error code of the last call (an AudioError).
int audioErrorGetCode();

// Stops the output and closes every channel and the device. Returns 1, or
// 0 (audioErrorNotInit) when nothing was initialised; may always be called.
int audioFree();

// The moment being heard, as a count of milliseconds that wraps modulo 2^32:
// the output's own clock where the output says when its samples are heard
// (then, while an end procedure runs, it reads the moment that end was
// heard), else the monotonic clock. The show's demo clock runs on it.
uint32_t audioClockMilliseconds();
