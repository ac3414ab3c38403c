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
// 3 mesh materials, 4 the PCX format.
enum EngineErrorCode {
    errorOpenFile = 257,        // "Could not open file.\n"
    errorReadFile = 258,        // "Could not read from file.\n"
    errorWriteFile = 259,       // "Could not write to file.\n"
    errorSeekFile = 260,        // "Could not seek in file.\n"
    errorNot3ds = 513,          // "This doesn't seems to be a .3ds file.\n"
    errorDamaged3ds = 515,      // "The .3ds data is damaged.\n"
    errorUnknownNode = 516,     // "A keyframer node names no object of the model.\n"
    errorNoCamera = 517,        // "A .3ds model has no camera.\n"
    errorNoMaterial = 769,      // "A 3d object doesn't seem to have a material.\n"
    errorNotPcx = 1025,         // "This is not a pcx file.\n"
    errorBitplanes = 1026,      // "Error amount of bitplanes.\n"
    errorPictureTooLarge = 1027 // "Picture does not fit its texture.\n"
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
// through engineError (1025, 1026, 1027, 258).
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
