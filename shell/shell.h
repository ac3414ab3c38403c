// shell.h: the demo shell, the program around the show.
//
// The music and its calls into the audio layer, the stage sequencer that
// runs the show one pass per GLUT display or idle call, the frame rate and
// the exit path, and the window's callbacks. main (main.cpp) wires them up.
#pragma once

#include "platform/audio.h"

#include <cstdint>
#include <vector>

// ---------------------------------------------------------------------------
// Music

// The audio layer's calls the music makes, one field per call. Filled with
// the platform audio functions; a test may put stand-ins in their place.
struct AudioCalls {
    uint32_t (*getVersion)();
    int (*init)(int device, uint32_t frequency, uint32_t flags, void* window);
    AudioHandle (*streamCreateFile)(
        int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t flags);
    AudioHandle (*musicLoad)(
        int fromMemory, const char* fileName, uint32_t offset, uint32_t length, uint32_t flags);
    uint32_t (*channelSetSync)(AudioHandle handle, uint32_t type, uint32_t parameter, AudioSyncProc proc);
    int (*start)();
    int (*streamPlay)(AudioHandle handle, int flush, uint32_t flags);
    int (*musicPlay)(AudioHandle handle);
    int (*errorGetCode)();
    int (*free)();
};
extern AudioCalls audioCalls;

// The music opened as a stream, or as a tracker module; 0 when not.
extern AudioHandle streamHandle;
extern AudioHandle moduleHandle;

// Loads the music (a stream, failing that a module) and installs the end
// notification, without playing it. The wrong audio version is reported and
// the show runs silent; a device that cannot open or a file that plays
// neither way ends the process (musicFatal).
void initMusic(const char* fileName);
// Starts playback; the demo clock counts from here.
void startMusic();
// The end notification (on the audio thread): the demo clock restarts.
void onMusicEnd(uint32_t handle, uint32_t channel, uint32_t data);
// Stops playback and releases the audio layer.
void freeMusic();
// Prints "Error(<code>): <message>\n", frees the audio layer and ends the
// process with status 1.
[[noreturn]] void musicFatal(const char* message);

// ---------------------------------------------------------------------------
// Sequencer

// One stage of the show: its action, and whether the sequencer adds 1 to
// demoStage after it (set-ups and releases; frame functions advance the
// stage themselves when their scene is over).
struct Stage {
    void (*action)();
    bool sequencerAdvances;
};
constexpr int stageCount = 28;
extern Stage stages[stageCount];

// One pass: stages 0 to 27 tested in ascending order, each against demoStage
// as the previous action left it, so an advance lets the next stage run in
// the same pass.
void runSequencer();

// Stage 1: starts the music, moves on to the title frames and takes the
// title's time base.
void startShow();

// Destroys the current Scene, if any; afterwards none is current.
void releaseScene();

// frameCount := 0 and the frame-rate clock starts.
void startFrameRate();
// Average frames per second since startFrameRate; 0 when no time has passed.
double frameRate();

// The exit path: frees the music, restores the display mode, prints the
// frame-rate line and ends the process with status 0.
[[noreturn]] void exitShow();

// ---------------------------------------------------------------------------
// Sync log (sync_log.cpp): with KVISTRA_SYNC_LOG naming a file, the moments
// the tests that listen to the show compare with what they hear.

// The demo clock's zero has just been taken (stage 1).
void noteClockZero();
// A pass of the sequencer begins; and ends: when a stage changed in it, and
// the demo clock's readings.
void notePassStart();
void notePassEnd();

// ---------------------------------------------------------------------------
// The show on a virtual clock (virtual_show.cpp), for kvistra-capture and the
// page's tests: each buffer swap is a frame, and frame n sees the demo
// clock's timer at n x 1000 / fps milliseconds after the music's start,
// whatever the time spent drawing and loading; the music ends at whole
// multiples of its length.

// What the virtual clock needs of the music.
struct VirtualMusic {
    uint64_t (*milliseconds)();  // its length; 0 when not open or without samples (it never ends)
    bool (*playing)();           // whether the show has started it
    void (*signalEnd)();         // runs its end procedure, as the end of the music does
};

// Puts the virtual timer in place of the demo clock's; it reads 0 until the
// first frame is done.
void startVirtualClock(int fps, VirtualMusic music);
// The frame shown at `seconds`: the last one whose moment is not after it.
uint64_t frameAtSeconds(double seconds, int fps);
// The number of the frame being drawn (0 for the first).
uint64_t virtualFrame();
// The frame is done: the timer moves to the next frame's moment, signalling
// each end of the music passed on the way at its own moment.
void nextVirtualFrame();
// The frame drawn: width x height RGB, top row first (scratch: GL's rows).
void readFrame(int width, int height, std::vector<uint8_t>& rgb, std::vector<uint8_t>& scratch);

// ---------------------------------------------------------------------------
// Window

// The initial GL state, then the library reader and the Texture slots.
void initGraphics();
void onReshape(int width, int height);
// Escape: to the exit stage. 'b': toggles linear filtering. Nothing else.
void onKeyboard(unsigned char key, int x, int y);
// The window closed: the show ends as on Escape.
void onWindowClose();
// Installs onWindowClose, after glutCreateWindow.
void watchWindowClose();

// Ctrl-C, SIGTERM or SIGHUP make the next pass go to the exit stage, so the
// display mode is restored and the show ends as on Escape.
void installStopSignals();
