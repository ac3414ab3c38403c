// fuzz_targets.h: one entry per reader of files people make and swap, for
// libFuzzer (fuzz_main.cpp) and for the replay test of the corpus.
//
// Each entry takes arbitrary bytes, runs them through a reader as the show
// would, and returns; an input the reader refuses comes back too (see
// refusal.h). What an accepted input builds is freed before the entry
// returns. A property that must hold for every input (no NaN reaching a
// camera) aborts when broken, so that the fuzzer reports it.
//
// The library and model entries write the library file "ant" into the
// current directory: run them in a scratch directory.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes as the library "ant", then lookups of a few names.
void fuzzLibrary(const uint8_t* data, size_t size);
// The bytes as a PCX picture, decoded into a 256 x 256 buffer.
void fuzzPcx(const uint8_t* data, size_t size);
// The bytes as the .3ds entry of a library: loaded, its frames set and its
// cameras animated at a handful of frames, then released.
void fuzzModel(const uint8_t* data, size_t size);
// The bytes as the music: opened as a stream or else as a module, as the
// show opens "music.mp3", and a few steps decoded.
void fuzzMusic(const uint8_t* data, size_t size);

// Makes a fresh scratch directory (removed at exit) the current one.
void enterScratchDirectory();
