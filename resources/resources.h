// resources.h: the resources subsystem.
//
// The resource library "ant" (one file of named entries), the PCX decoder,
// the Texture record with its conversion and upload, and the engine's fatal
// error path with its code table. Everything here ends the process on bad
// input; there are no recoverable errors.
#pragma once

#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------------------
// Engine errors

// Codes: 256 x group + number. Group 1 file access, 2 the .3ds format,
// 3 mesh materials, 4 the PCX format. Each code's message is in
// engine_error.cpp.
enum EngineErrorCode {
    errorOpenFile = 257,
    errorReadFile = 258,
    errorWriteFile = 259,
    errorSeekFile = 260,
    errorNot3ds = 513,
    errorDamaged3ds = 515,
    errorUnknownNode = 516,
    errorNoCamera = 517,
    errorNoMaterial = 769,
    errorNotPcx = 1025,
    errorBitplanes = 1026,
    errorPictureTooLarge = 1027,
};

// The message of a code, "Unkown error type.\n" for codes not in the table.
const char* engineErrorMessage(int code);

// Prints "[MORVEL ENGINE ERROR]:<message>\n" to standard output and ends the
// process with status 1.
[[noreturn]] void engineError(int code);

// ---------------------------------------------------------------------------
// Resource library

// An entry name, or the library's file name, holds at most 19 characters.
constexpr int libraryNameSize = 20;

struct ResourceLibrary {
    FILE* stream = nullptr;               // the open library file, owned while open
    char fileName[libraryNameSize] = {};  // the path given to openLibrary
    uint32_t entrySize = 0;               // size field of the last entry header read
};

// The shared buffer holding the entry name read last (the found name after a
// successful findEntry).
extern char entryName[libraryNameSize];

// Opens the library file. On failure, and for a path of 20 bytes or more,
// prints "CANNOT open library : <path>\n" and ends the process with status 1.
void openLibrary(ResourceLibrary& library, const char* path);
// Closes the stream; fileName stays for the next open.
void closeLibrary(ResourceLibrary& library);
// Closes the stream and opens fileName again from its start.
void reopenLibrary(ResourceLibrary& library);

// Positions the stream at the first data byte of the first entry named
// wanted, scanning from the start of the file. A name not in the file (or a
// file that ends inside an entry header) prints "oh no!\n" and ends the
// process with status 1. Entry names of 20 bytes or more never match.
void findEntry(ResourceLibrary& library, const char* wanted);

// findEntry, then decodePcx into pixels (capacity in 4-byte pixels).
void loadPicture(ResourceLibrary& library, const char* wanted, uint8_t* pixels, int capacity);

// ---------------------------------------------------------------------------
// PCX decoder

// Decodes one PCX picture (8 bits per plane, 1 plane with a palette or 3
// planes, run-length encoded) from the stream's current position into pixels:
// 4 bytes per pixel, bytes 0, 1, 2 = blue, green, red, byte 3 untouched.
// capacity is the buffer's size in pixels. Bad pictures end the process
// through engineError (errorNotPcx, errorBitplanes, errorPictureTooLarge,
// errorReadFile).
void decodePcx(FILE* stream, uint8_t* pixels, int capacity);

// ---------------------------------------------------------------------------
// Textures

struct Texture {
    uint8_t* pixels = nullptr;  // width x height pixels of 4 bytes, top row first
    uint32_t name = 0;          // the OpenGL texture name
    int32_t width = 0;
    int32_t height = 0;
};

// Generates a texture name and allocates the pixel buffer (uninitialised).
void createTexture(Texture& texture, int width, int height);

// Frees the pixel buffer once the picture is uploaded; the name stays.
void releaseTexturePixels(Texture& texture);

// Swaps bytes 0 and 2 of every pixel (blue-green-red to red-green-blue).
void convertTexturePixels(Texture& texture);

// Loads the pixels into the texture object: clamped, nearest filters,
// GL_MODULATE, stored as RGB (alpha 1 everywhere).
void uploadTexture(Texture& texture);
