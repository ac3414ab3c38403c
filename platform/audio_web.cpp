// audio_web.cpp: the audio layer of audio.h in a web browser, on Web Audio.
//
// The page decodes "music.mp3" with the browser's own decoder before main
// runs, into kvistraAudio.decoded (no entry when the browser could not
// decode it), finds where in it the piece lies (kvistraAudio.pieces: a
// decoder that ignores the encoder's record leaves its priming in front),
// and makes the AudioContext in the start gesture (kvistraAudio.context;
// null without Web Audio). Here the calls open the output (resuming the
// context), find the decoded music by name and play the piece looping. A
// browser plays no tracker modules: audioMusicLoad always refuses.
//
// The clock is the moment being heard (kvistraAudio.heard). Playback starts
// ahead by the output's delay, so that the clock's zero is the moment play
// was asked for and the piece heard at each moment is the piece at the
// clock's time; each end of the music is noticed when it is heard. Where
// the output did not start (kvistraAudio.silent: no sound device), the
// clock is the page's own and nothing is played, so that an output that
// starts later cannot play out of step.
#include "platform/audio.h"
#include "platform/audio_web.h"

#include <emscripten.h>

#include <cmath>
#include <cstdio>

// clang-format off
EM_JS(int, webAudioOpen, (), {
    var audio = Module.kvistraAudio;
    if (!audio || !audio.context)
        return 0;
    audio.context.resume().catch(function() {});
    return 1;
});

// 1 decoded, 3 no such file, 4 not a format the browser decodes.
EM_JS(int, webAudioFind, (const char* name), {
    var audio = Module.kvistraAudio;
    var key = UTF8ToString(name);
    if (audio.decoded && audio.decoded[key])
        return 1;
    return FS.analyzePath(key).exists ? 4 : 3;
});

// The piece's own length, without what the encoder put around it.
EM_JS(double, webAudioSeconds, (const char* name), {
    return Module.kvistraAudio.pieces[UTF8ToString(name)].length;
});

// Plays the piece looping, started ahead by what the output holds before it
// is heard, so that what is heard at each moment from now on is the piece at
// the time passed since now; returns the context time heard now. The start
// is set 50 ms into the context's future so that it falls on a sample of
// the context's own clock, not on whenever the message reaches it.
EM_JS(double, webAudioPlay, (const char* name), {
    var audio = Module.kvistraAudio;
    if (audio.silent)
        return audio.heard();
    var key = UTF8ToString(name);
    var piece = audio.pieces[key];
    var source = audio.context.createBufferSource();
    source.buffer = audio.decoded[key];
    source.loop = true;
    source.loopStart = piece.start;
    source.loopEnd = piece.start + piece.length;
    source.connect(audio.context.destination);
    var heard = audio.heard();
    var at = audio.context.currentTime + 0.05;
    source.start(at, piece.start + (at - heard));
    audio.source = source;
    return heard;
});

// The moment being heard, in the context's time (kvistra-page.js); the
// page's own clock before the output opens.
EM_JS(double, webAudioNow, (), {
    var audio = Module.kvistraAudio;
    if (!audio || !audio.context || !audio.open)
        return performance.now() / 1000;
    return audio.heard();
});

EM_JS(void, webAudioMarkOpen, (), { Module.kvistraAudio.open = true; });

EM_JS(void, webAudioClose, (), {
    var audio = Module.kvistraAudio;
    if (audio.source) {
        audio.source.stop();
        audio.source.disconnect();
        audio.source = null;
    }
    audio.context.close().catch(function() {});
});
// clang-format on

namespace {

struct WebMusic {
    bool open = false;
    bool started = false;
    char name[64] = {};
    AudioHandle handle = 0;  // 1 once the music is open
    double seconds = 0;
    bool playing = false;
    double playStart = 0;  // the moment heard as playback started: the piece's time 0
    uint64_t endsSeen = 0;
    AudioSyncProc endProc = nullptr;
    bool pinned = false;  // the clock reads pinnedSeconds while an end is signalled
    double pinnedSeconds = 0;
    int lastError = audioOk;
};

WebMusic music;

int fail(AudioError error)
{
    music.lastError = error;
    return 0;
}

double nowSeconds()
{
    return music.pinned ? music.pinnedSeconds : webAudioNow();
}

}  // namespace

uint32_t audioGetVersion()
{
    return audioVersion;
}

int audioInit(int, uint32_t, uint32_t, void*)
{
    if (music.open)
        return fail(audioErrorAlready);
    if (!webAudioOpen())
        return fail(audioErrorInit);
    music.open = true;
    webAudioMarkOpen();
    music.lastError = audioOk;
    return 1;
}

AudioHandle audioStreamCreateFile(int fromMemory, const char* fileName, uint32_t, uint32_t, uint32_t)
{
    if (!music.open)
        return fail(audioErrorNotInit);
    if (fromMemory != 0 ||
        std::snprintf(music.name, sizeof music.name, "%s", fileName) >= (int)sizeof music.name)
        return fail(audioErrorParameter);
    int found = webAudioFind(music.name);
    if (found != 1)
        return fail(static_cast<AudioError>(found));
    music.seconds = webAudioSeconds(music.name);
    music.handle = 1;
    music.lastError = audioOk;
    return music.handle;
}

AudioHandle audioMusicLoad(int fromMemory, const char* fileName, uint32_t, uint32_t, uint32_t)
{
    if (!music.open)
        return fail(audioErrorNotInit);
    if (fromMemory != 0)
        return fail(audioErrorParameter);
    int found = webAudioFind(fileName);
    return fail(found == 3 ? audioErrorFileOpen : audioErrorFormat);
}

uint32_t audioChannelSetSync(AudioHandle handle, uint32_t type, uint32_t, AudioSyncProc proc)
{
    if (handle == 0 || handle != music.handle)
        return fail(audioErrorHandle);
    if (type != audioSyncEnd)
        return fail(audioErrorParameter);
    music.endProc = proc;
    music.lastError = audioOk;
    return 1;
}

int audioStart()
{
    if (!music.open)
        return fail(audioErrorNotInit);
    music.started = true;
    music.lastError = audioOk;
    return 1;
}

int audioStreamPlay(AudioHandle handle, int, uint32_t)
{
    if (handle == 0 || handle != music.handle)
        return fail(audioErrorHandle);
    if (!music.started)
        return fail(audioErrorNotInit);
    if (!music.playing) {
        music.playStart = webAudioPlay(music.name);
        music.playing = true;
        music.endsSeen = 0;
    }
    music.lastError = audioOk;
    return 1;
}

int audioMusicPlay(AudioHandle)
{
    return fail(audioErrorHandle);
}

int audioErrorGetCode()
{
    return music.lastError;
}

int audioFree()
{
    if (!music.open)
        return fail(audioErrorNotInit);
    webAudioClose();
    music = WebMusic{};
    return 1;
}

uint32_t audioClockMilliseconds()
{
    // Only the low 32 bits, like any wrapping millisecond timer.
    return static_cast<uint32_t>(static_cast<uint64_t>(std::llround(nowSeconds() * 1000.0)));
}

void audioNoticeEnds()
{
    if (!music.playing || music.seconds <= 0 || music.endProc == nullptr)
        return;
    double played = webAudioNow() - music.playStart;
    while (played >= static_cast<double>(music.endsSeen + 1) * music.seconds) {
        music.endsSeen++;
        music.pinned = true;
        music.pinnedSeconds = music.playStart + static_cast<double>(music.endsSeen) * music.seconds;
        music.endProc(1, music.handle, 0);
        music.pinned = false;
    }
}

uint64_t audioMusicMilliseconds()
{
    return music.handle == 0 ? 0 : static_cast<uint64_t>(std::llround(music.seconds * 1000.0));
}

bool audioMusicPlaying()
{
    return music.playing;
}

void audioSignalEnd()
{
    if (music.endProc != nullptr)
        music.endProc(1, music.handle, 0);
}
