// listen.h: kvistra-listen, which hears what the show plays: it records what
// a PulseAudio sink plays, with the moment each sample was heard, and finds
// where the music lies in such a recording. The tests and benchmarks that
// check the show's sound against its clock use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int listenRate = 44100;

// ---------------------------------------------------------------------------
// Recording (recorder.cpp)

// Records the source (a sink's monitor, "NAME.monitor") until SIGINT or
// SIGTERM: mono 32-bit float samples at listenRate to outPath, and to
// outPath + ".timing" the moment, in seconds of the monotonic clock, at which
// the first sample was heard (from the server's timing: the median over every
// read). Prints "recording" once the stream runs. Returns the exit status.
int recordSource(const std::string& source, const std::string& outPath);

// ---------------------------------------------------------------------------
// Alignment (alignment.cpp)

// One block of a recording found in the piece.
struct BlockMatch {
    size_t recordedAt = 0;   // the block's first sample in the recording
    long pieceAt = 0;        // the piece's sample it matches
    double correlation = 0;  // normalised, 1 for the same samples
};

// A block matches the piece when its normalised correlation with it is at
// least this: the same samples, give or take the output's rounding.
constexpr double matchedCorrelation = 0.99;

// Where the piece lies in the recording: piece sample p is recorded sample
// p + lag, the lag of best cross-correlation of the whole recording with the
// piece. False when either is empty.
bool findLag(const std::vector<float>& recorded, const std::vector<float>& piece, long& lag);

// Every block of blockSize samples of the recording that holds sound, found
// in the piece to the sample within +-search of the lag of the last block
// that matched (at first `lag`), or failing that within +-gapSearch, so that
// a gap in what was heard is followed.
std::vector<BlockMatch> matchBlocks(const std::vector<float>& recorded, const std::vector<float>& piece,
    long lag, size_t blockSize, long search, long gapSearch);

// The median of values (0 for none).
double median(std::vector<double> values);
