// chunk_reader.cpp: the .3ds stream primitives: position, seek, exact reads,
// little-endian values, names, chunk headers and the bounds of counts.
#include "scene/chunk_reader.h"

#include "resources/resources.h"

#include <cstring>

static uint32_t streamPosition(FILE* file)
{
    long position = std::ftell(file);
    if (position < 0)
        engineError(errorReadFile);
    return uint32_t(position);
}

static void seekStream(FILE* file, long position, int whence)
{
    if (std::fseek(file, position, whence) != 0)
        engineError(errorSeekFile);
}

void attachStream(ChunkReader& reader, FILE* file)
{
    reader.file = file;
    reader.position = streamPosition(file);
    seekStream(file, 0, SEEK_END);
    reader.fileEnd = streamPosition(file);
    seekStream(file, long(reader.position), SEEK_SET);
}

uint32_t tell(ChunkReader& reader)
{
    return reader.position;
}

void seekTo(ChunkReader& reader, uint32_t position)
{
    if (position == reader.position)
        return;
    seekStream(reader.file, long(position), SEEK_SET);
    reader.position = position;
}

void readBytes(ChunkReader& reader, void* destination, size_t n)
{
    if (std::fread(destination, 1, n, reader.file) != n)
        engineError(errorReadFile);
    reader.position += uint32_t(n);
}

uint8_t readU8(ChunkReader& reader)
{
    uint8_t value;
    readBytes(reader, &value, 1);
    return value;
}

uint16_t readU16(ChunkReader& reader)
{
    uint8_t bytes[2];
    readBytes(reader, bytes, 2);
    return uint16_t(bytes[0] | bytes[1] << 8);
}

uint32_t readU32(ChunkReader& reader)
{
    uint8_t bytes[4];
    readBytes(reader, bytes, 4);
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

int32_t readI32(ChunkReader& reader)
{
    return int32_t(readU32(reader));
}

float readFloat(ChunkReader& reader)
{
    uint32_t bits = readU32(reader);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Vec3 readPoint(ChunkReader& reader)
{
    float x = readFloat(reader);
    float y = readFloat(reader);
    float z = readFloat(reader);
    return toSceneAxes(x, y, z);
}

void readName(ChunkReader& reader, char (&buffer)[recordNameSize])
{
    int i = 0;
    for (;;) {
        readBytes(reader, &buffer[i], 1);
        if (buffer[i] == '\0' || i == recordNameSize - 1)
            break;
        i++;
    }
    buffer[i] = '\0';
}

ChunkHeader readChunkHeader(ChunkReader& reader, uint32_t pos)
{
    ChunkHeader header;
    header.start = pos;
    header.id = readU16(reader);
    header.length = readU32(reader);
    header.end = chunkEnd(pos, header.length);
    return header;
}

uint32_t chunkEnd(uint32_t pos, uint32_t length)
{
    if (length < 6 || uint64_t(pos) + length > UINT32_MAX)
        engineError(errorDamaged3ds);
    return pos + length;
}

void requireData(ChunkReader& reader, uint32_t chunkEnd, uint64_t bytes)
{
    uint32_t position = tell(reader);
    if (position > chunkEnd || bytes > uint64_t(chunkEnd - position))
        engineError(errorDamaged3ds);
    if (position > reader.fileEnd || bytes > uint64_t(reader.fileEnd - position))
        engineError(errorReadFile);
}

void requireRoom(int32_t count, int32_t bound)
{
    if (count >= bound)
        engineError(errorDamaged3ds);
}

int32_t truncateToInt(float value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483648.0f)
        return INT32_MAX;
    if (value <= -2147483648.0f)
        return INT32_MIN;
    return int32_t(value);
}

Vec3 toSceneAxes(float x, float y, float z)
{
    return {x, -z, -y};
}
