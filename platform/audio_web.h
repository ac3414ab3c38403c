// audio_web.h: what the browser's audio layer (audio_web.cpp) offers beside
// the calls of audio.h.
//
// In the browser the music is decoded by the page before the program starts
// (Web Audio decodes asynchronously, the calls above it are synchronous) and
// played by Web Audio, looping. Its clock is the audio clock, and the end of
// the music is noticed by watching that clock pass each whole multiple of
// the music's length.
#pragma once

#include <cstdint>

// Calls the end procedure once for each end of the music the audio clock has
// passed since the last call; while it runs, the clock reads the end's own
// moment. Called once per animation frame.
void audioNoticeEnds();

// The music's length in milliseconds once it is open; 0 when not.
uint64_t audioMusicMilliseconds();

// Whether the music is playing.
bool audioMusicPlaying();

// Calls the end procedure now, as the end of the music does (for a clock
// that is not the audio clock).
void audioSignalEnd();
