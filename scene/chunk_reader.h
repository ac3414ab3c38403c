// chunk_reader.h: the .3ds stream primitives and the chunk walk shared by the
// model, material and keyframer readers (private to the scene folder).
//
// A chunk is a 2-byte id, a 4-byte length that counts the 6 header bytes, the
// chunk's own data and its sub-chunks, then the data and the sub-chunks. All
// positions are absolute offsets in the library file. Every level walks its
// chunks the same way: read a header at pos, hand the chunk to the level's
// handler or seek to its end, continue at wherever the stream stands. Leaf
// handlers read their data and leave the stream where their reads stopped,
// so sub-chunks after a leaf's data are met by the enclosing level.
#pragma once

#include "scene/name_index.h"
#include "scene/scene.h"

#include <cstdint>
#include <cstdio>

// The most records of each kind one model may hold, and the most keys of one
// track (as many as there are 16-bit frames). No real model comes near them;
// they keep loading quick whatever a file holds, since every list grows by
// one slot per record and so costs the square of its length.
constexpr int32_t maxMeshObjects = 8192;
constexpr int32_t maxMaterials = 4096;
constexpr int32_t maxCameras = 256;
constexpr int32_t maxLights = 1024;  // omni lights, and spot lights
constexpr uint32_t maxTrackKeys = 65536;

// The largest coordinate a track key may hold: the tangents and the
// evaluation of a track stay finite below it.
constexpr float maxKeyCoordinate = 1e30f;

struct ChunkReader {
    FILE* file = nullptr;    // the library's stream, not owned
    Scene* scene = nullptr;  // the Scene being filled, not owned
    uint32_t fileEnd = 0;    // size of the library file: no count may promise more
    uint32_t position = 0;   // the stream's position, kept by every read and seek
    // The cameras and mesh objects by name, for the keyframer's node lookups.
    NameIndex<Camera> cameraNames;
    NameIndex<MeshObject> objectNames;
};

struct ChunkHeader {
    uint16_t id = 0;
    uint32_t length = 0;
    uint32_t start = 0;  // position of the header
    uint32_t end = 0;    // start + length
};

// Reads from file, from where it stands: learns its position and the file's
// size (errorReadFile when they cannot be had, errorSeekFile when a seek
// fails).
void attachStream(ChunkReader& reader, FILE* file);
// Stream position. The reader keeps it itself, so asking costs nothing:
// the walk asks after every chunk.
uint32_t tell(ChunkReader& reader);
// Absolute seek; errorSeekFile when it fails. A seek to where the stream
// already stands (the end of a leaf chunk, most often) is not made.
void seekTo(ChunkReader& reader, uint32_t position);
// Exactly n bytes (n >= 1); errorReadFile when fewer arrive.
void readBytes(ChunkReader& reader, void* destination, size_t n);
uint8_t readU8(ChunkReader& reader);
uint16_t readU16(ChunkReader& reader);
uint32_t readU32(ChunkReader& reader);
int32_t readI32(ChunkReader& reader);
float readFloat(ChunkReader& reader);
// A file point, converted to scene axes.
Vec3 readPoint(ChunkReader& reader);
// Reads a name into a 16-byte buffer: up to and including a NUL, or 16 bytes
// of which the first 15 are kept. Never writes past buffer[15].
void readName(ChunkReader& reader, char (&buffer)[recordNameSize]);

// Reads the header of the chunk that starts at pos. A length below 6 (a
// chunk that would not get past its own header) or one that runs past the
// 32-bit positions is damaged data: errorDamaged3ds.
ChunkHeader readChunkHeader(ChunkReader& reader, uint32_t pos);
// The end of a chunk at pos with the given length, checked as above.
uint32_t chunkEnd(uint32_t pos, uint32_t length);

// Ends the process unless `bytes` more bytes lie between the stream position
// and the chunk's end (errorDamaged3ds) and within the file (errorReadFile).
// Counts are checked with it before anything is allocated for them.
void requireData(ChunkReader& reader, uint32_t chunkEnd, uint64_t bytes);

// Ends the process (errorDamaged3ds) unless a list of count records has room
// for one more under its bound.
void requireRoom(int32_t count, int32_t bound);

// Replaces a record's array by a new one of count default entries (none for
// a count of 0) and sets the record's count field.
template <typename T, typename Count> void replaceArray(T*& array, Count& arrayCount, uint32_t count)
{
    delete[] array;
    array = count > 0 ? new T[count] : nullptr;
    arrayCount = Count(count);
}

// The levels of the walk; end is the absolute end of the chunk being read.
void readEditor(ChunkReader& reader, uint32_t end);
void readMaterial(ChunkReader& reader, uint32_t end);
void readLight(ChunkReader& reader, const char* name, uint32_t end);
void readCamera(ChunkReader& reader, const char* name);
void readKeyframer(ChunkReader& reader, uint32_t end);
