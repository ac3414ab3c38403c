// music.cpp: loading, starting and freeing the music through the audio layer.
#include "shell/shell.h"

#include "platform/process.h"
#include "scenes/scenes.h"

#include <cstdio>

AudioCalls audioCalls = {
    audioGetVersion,
    audioInit,
    audioStreamCreateFile,
    audioMusicLoad,
    audioChannelSetSync,
    audioStart,
    audioStreamPlay,
    audioMusicPlay,
    audioErrorGetCode,
    audioFree,
};

AudioHandle streamHandle = 0;
AudioHandle moduleHandle = 0;

void musicFatal(const char* message)
{
    std::printf("Error(%d): %s\n", audioCalls.errorGetCode(), message);
    audioCalls.free();
    // A music that cannot play is a failure, whatever came before it.
    endProcess(1);
}

void initMusic(const char* fileName)
{
    if (audioCalls.getVersion() != audioVersion) {
        // The show goes on without music; the clock still runs on the timer.
        std::printf("BASS version 0.6 was not loaded\n");
        return;
    }
    // No window to hand over: ours does not exist yet, and the layer needs none.
    if (!audioCalls.init(-1, 44100, 0, nullptr))
        musicFatal("Can't initialize device");
    streamHandle = audioCalls.streamCreateFile(0, fileName, 0, 0, 0);
    if (streamHandle != 0) {
        audioCalls.channelSetSync(streamHandle, audioSyncEnd, 0, onMusicEnd);
        return;
    }
    moduleHandle = audioCalls.musicLoad(0, fileName, 0, 0, 5);
    if (moduleHandle == 0)
        musicFatal("Can't play the file");
    audioCalls.channelSetSync(moduleHandle, audioSyncEnd, 0, onMusicEnd);
}

void startMusic()
{
    audioCalls.start();
    if (streamHandle != 0)
        audioCalls.streamPlay(streamHandle, 0, 4);
    else
        audioCalls.musicPlay(moduleHandle);
    restartDemoClock();
}

void onMusicEnd(uint32_t, uint32_t, uint32_t)
{
    restartDemoClock();
}

void freeMusic()
{
    audioCalls.free();
}
