// audio.h: the audio layer the music is played through.
//
// A small library of our own: SDL2 for output (it honours SDL_AUDIODRIVER,
// e.g. "dummy" or "disk"), libmpg123 for compressed streams, libopenmpt for
// tracker modules. One function per operation the music player needs, with
// handles and results in the usual style of such libraries: 0 is failure,
// and audioErrorGetCode says which step failed.
//
// Playback loops: each time the music reaches its end, the end procedure
// given to audioChannelSetSync runs (on the audio thread) and playback goes
// on from the start.
#pragma once

#include <cstdint>

using AudioHandle = uint32_t;
using AudioSyncProc = void (*)(uint32_t handle, uint32_t channel, uint32_t data);

constexpr uint32_t audioVersion = 0x60000;
constexpr uint32_t audioSyncEnd = 2;  // sync type: the end of the music

// Error codes returned by audioErrorGetCode.
enum AudioError {
    audioOk = 0,
    audioErrorInit = 1,        // no output device could be opened
    audioErrorNotInit = 2,     // a call that needs audioInit came first
    audioErrorFileOpen = 3,    // the file cannot be opened or read
    audioErrorFormat = 4,      // the file is not of the format asked for
    audioErrorHandle = 5,      // the handle names nothing
    audioErrorAlready = 6,     // audioInit called twice
    audioErrorMemory = 7,      // out of memory
};

uint32_t audioGetVersion();
// device -1: the default output. frequency in Hz. flags, window: unused.
int audioInit(int device, uint32_t frequency, uint32_t flags, void* window);
// fromMemory must be 0 (only files). offset and length 0: the whole file.
AudioHandle audioStreamCreateFile(int fromMemory, const char* fileName, uint32_t offset,
                                  uint32_t length, uint32_t flags);
AudioHandle audioMusicLoad(int fromMemory, const char* fileName, uint32_t offset,
                           uint32_t length, uint32_t flags);
uint32_t audioChannelSetSync(AudioHandle handle, uint32_t type, uint32_t parameter, AudioSyncProc proc);
int audioStart();
int audioStreamPlay(AudioHandle handle, int flush, uint32_t flags);
int audioMusicPlay(AudioHandle handle);
int audioErrorGetCode();
int audioFree();
