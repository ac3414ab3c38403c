// silent_audio.cpp: the music's audio calls without an output device. The
// music is opened and decoded by the audio layer's own decoders, so the show
// meets the same fatal errors as with sound; what it would have played goes
// to the soundtrack file, and the end of the music is signalled by the
// virtual clock instead of by playback.
#include "tools/capture/capture.h"

#include "platform/audio_pcm.h"
#include "shell/shell.h"

#include <cmath>
#include <unistd.h>

namespace {

struct SilentMusic {
    std::FILE* soundtrack = nullptr;
    AudioHandle handle = 0;  // 1 once the music is open
    DecodedMusic decoded;
    bool playing = false;
    AudioSyncProc endProc = nullptr;
    uint32_t endSync = 0;
    int lastError = audioOk;
};

SilentMusic music;

uint32_t silentGetVersion()
{
    return audioVersion;
}

int silentInit(int, uint32_t, uint32_t, void*)
{
    music.lastError = audioOk;
    return 1;
}

AudioHandle openMusic(int fromMemory, const char* fileName, bool asModule)
{
    if (fromMemory != 0) {
        music.lastError = audioErrorParameter;
        return 0;
    }
    AudioError error = decodeMusic(fileName, asModule, music.soundtrack, music.decoded);
    music.lastError = error;
    if (error != audioOk) {
        // Whatever a failed attempt wrote is not the music.
        if (music.soundtrack != nullptr) {
            std::fflush(music.soundtrack);
            if (ftruncate(fileno(music.soundtrack), 0) != 0)
                music.lastError = audioErrorFileOpen;
            std::rewind(music.soundtrack);
        }
        return 0;
    }
    music.handle = 1;
    return music.handle;
}

AudioHandle silentStreamCreateFile(int fromMemory, const char* fileName, uint32_t, uint32_t, uint32_t)
{
    return openMusic(fromMemory, fileName, false);
}

AudioHandle silentMusicLoad(int fromMemory, const char* fileName, uint32_t, uint32_t, uint32_t)
{
    return openMusic(fromMemory, fileName, true);
}

uint32_t silentChannelSetSync(AudioHandle handle, uint32_t type, uint32_t, AudioSyncProc proc)
{
    if (handle == 0 || handle != music.handle || type != audioSyncEnd) {
        music.lastError = handle != music.handle ? audioErrorHandle : audioErrorParameter;
        return 0;
    }
    music.endProc = proc;
    music.endSync = 1;
    music.lastError = audioOk;
    return music.endSync;
}

int silentStart()
{
    music.lastError = audioOk;
    return 1;
}

int play(AudioHandle handle)
{
    if (handle == 0 || handle != music.handle) {
        music.lastError = audioErrorHandle;
        return 0;
    }
    music.playing = true;
    music.lastError = audioOk;
    return 1;
}

int silentStreamPlay(AudioHandle handle, int, uint32_t)
{
    return play(handle);
}

int silentMusicPlay(AudioHandle handle)
{
    return play(handle);
}

int silentErrorGetCode()
{
    return music.lastError;
}

int silentFree()
{
    music.playing = false;
    music.lastError = audioOk;
    return 1;
}

}  // namespace

void useSilentAudio(std::FILE* soundtrack)
{
    music = SilentMusic{};
    music.soundtrack = soundtrack;
    audioCalls = AudioCalls{
        silentGetVersion,
        silentInit,
        silentStreamCreateFile,
        silentMusicLoad,
        silentChannelSetSync,
        silentStart,
        silentStreamPlay,
        silentMusicPlay,
        silentErrorGetCode,
        silentFree,
    };
}

uint64_t musicMilliseconds()
{
    if (music.handle == 0)
        return 0;
    return static_cast<uint64_t>(std::llround(music.decoded.seconds * 1000.0));
}

uint64_t soundtrackFrames()
{
    return music.decoded.frames;
}

bool musicPlaying()
{
    return music.playing;
}

void signalMusicEnd()
{
    if (music.endProc != nullptr)
        music.endProc(music.endSync, music.handle, 0);
}
