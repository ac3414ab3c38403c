// capture.h: the parts of kvistra-capture, the tool that renders the show
// off screen, frame by frame on a virtual clock, to a video or to pictures.
#pragma once

#include "platform/audio.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Options (options.cpp)

struct CaptureOptions {
    std::string mp4Path;            // --mp4: the video to write, or empty
    std::string pngDir;             // --png: the folder for numbered frames, or empty
    std::vector<double> atSeconds;  // --at, once or more: a picture of the frame shown at each
    std::string outPath;            // --out: where the picture of a single --at goes, or empty
    std::string frameLogPath;       // --frame-log: each frame's drawing time, or empty
    int fps = 60;
    double fromSeconds = 0.0;  // --from: first moment of the window
    bool toGiven = false;      // --to: end of the window (exclusive)
    double toSeconds = 0.0;
    int width = 640;
    int height = 480;
    std::string dir;  // --dir: where "ant" and "music.mp3" are, or empty
};

enum class ParseOutcome { run, help, error };

// Reads the command line; on error says why in error.
ParseOutcome parseOptions(int argc, char** argv, CaptureOptions& options, std::string& error);

void printUsage(std::FILE* to);

// ---------------------------------------------------------------------------
// The music without a device (silent_audio.cpp)

// Puts a silent stand-in in place of the music's audio calls: it opens the
// music with the audio layer's decoders and checks (so the show fails on a
// missing or damaged file as it does with sound), learns its real length,
// and writes its samples to soundtrack when that is not null.
void useSilentAudio(std::FILE* soundtrack);

// The music's length in milliseconds, once it has been opened; 0 when it is
// not open or yields no samples (then it never ends).
uint64_t musicMilliseconds();

// Stereo 32-bit float frames written to the soundtrack.
uint64_t soundtrackFrames();

// Whether the show has started the music.
bool musicPlaying();

// Calls the end procedure the music installed, as the audio layer does when
// playback reaches the end of the music.
void signalMusicEnd();

// ---------------------------------------------------------------------------
// Outputs (video.cpp, png_file.cpp, soundtrack.cpp)

// The full path of `name` found on PATH as an executable file, or empty.
std::string findOnPath(const std::string& name, const char* path);

// Starts ffmpeg reading raw RGB frames of the options' size and rate from a
// pipe and encoding them as H.264 (4:2:0) into framesPath, a Matroska file.
bool startVideo(const std::string& ffmpeg, const std::string& framesPath, const CaptureOptions& options,
    std::string& error);

// Writes one top-down RGB frame to the video; false when ffmpeg has gone.
bool writeVideoFrame(const uint8_t* rgb, size_t size);

// Closes the pipe and waits for ffmpeg; true when it ended well. Does
// nothing (true) when no video was started.
bool finishVideo(std::string& error);

// Makes mp4Path from the encoded frames (copied as they are) and, when
// audioPath is not empty, the soundtrack (raw stereo float at the decode
// rate) looped and cut to the video's length in seconds, as AAC.
bool muxVideo(const std::string& ffmpeg, const std::string& framesPath, const std::string& audioPath,
    double seconds, const std::string& mp4Path, std::string& error);

// Writes a top-down RGB picture as a PNG file.
bool writePngFile(const std::string& path, const uint8_t* rgb, int width, int height, std::string& error);

// Copies the stereo float samples of `from` to `to`, starting at frame
// `startFrame` (taken modulo the length) and going round to the beginning,
// so that looping `to` plays the music from that frame on.
bool rotateSoundtrack(std::FILE* from, std::FILE* to, uint64_t startFrame, std::string& error);

// ---------------------------------------------------------------------------
// Progress on standard error (progress.cpp)

// totalSeconds: how much of the show the capture will cover, as far as
// known (an estimate for the whole show).
void startProgress(double fromSeconds, double totalSeconds);
void showProgress(double showSeconds);
// Ends the bar's line and prints what was kept: frames covering
// coveredSeconds of the show.
void endProgress(double coveredSeconds, uint64_t frames);
