// library.cpp: the resource library reader.
//
// The library file is a headerless run of entries: a NUL-terminated name of
// at most 19 bytes, a 32-bit little-endian size, then that many data bytes.
// A lookup scans the file from its start and leaves the stream at the first
// data byte of the wanted entry; the readers then take it from there.
#include "resources/resources.h"

#include "platform/process.h"

#include <cstdio>
#include <cstring>

char entryName[libraryNameSize];

[[noreturn]] static void cannotOpen(const char* path)
{
    std::printf("CANNOT open library : %s\n", path);
    endProcess(1);
}

[[noreturn]] static void entryNotFound()
{
    std::printf("oh no!\n");
    endProcess(1);
}

void openLibrary(ResourceLibrary& library, const char* path)
{
    // A path that does not fit fileName could not be opened again by
    // reopenLibrary, so it is refused like a file that cannot be opened.
    if (std::strlen(path) >= sizeof library.fileName)
        cannotOpen(path);
    std::strcpy(library.fileName, path);
    reopenLibrary(library);  // also closes a stream left open by an earlier set-up
}

void closeLibrary(ResourceLibrary& library)
{
    if (library.stream)
        std::fclose(library.stream);
    library.stream = nullptr;
}

void reopenLibrary(ResourceLibrary& library)
{
    closeLibrary(library);
    library.stream = std::fopen(library.fileName, "rb");
    if (!library.stream)
        cannotOpen(library.fileName);
}

// Reads the next entry name into entryName. A name of 20 bytes or more is
// read to its NUL without being stored past the buffer; the function then
// returns false, since no wanted name can match it. The end of the file
// inside a name ends the lookup.
static bool readEntryName(FILE* stream)
{
    int length = 0;
    bool fits = true;
    for (;;) {
        int c = std::fgetc(stream);
        if (c == EOF)
            entryNotFound();
        if (c == 0)
            break;
        if (length < libraryNameSize - 1)
            entryName[length++] = static_cast<char>(c);
        else
            fits = false;
    }
    entryName[length] = '\0';
    return fits;
}

void findEntry(ResourceLibrary& library, const char* wanted)
{
    reopenLibrary(library);
    for (;;) {
        bool fits = readEntryName(library.stream);
        uint8_t size[4];
        // A size field cut short by the end of the file means the file ends
        // inside an entry header: there is no entry there, whatever its name,
        // so the lookup fails as it does when the file ends inside a name.
        if (std::fread(size, 1, 4, library.stream) != 4)
            entryNotFound();
        library.entrySize =
            uint32_t(size[0]) | uint32_t(size[1]) << 8 | uint32_t(size[2]) << 16 | uint32_t(size[3]) << 24;
        if (fits && std::strcmp(entryName, wanted) == 0)
            return;
        std::fseek(library.stream, static_cast<long>(library.entrySize), SEEK_CUR);
    }
}

void loadPicture(ResourceLibrary& library, const char* wanted, uint8_t* pixels, int capacity)
{
    findEntry(library, wanted);
    decodePcx(library.stream, pixels, capacity);
}
