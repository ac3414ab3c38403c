// names.h: bounded copies and comparisons of the names kept in records.
//
// A record's name field is a fixed number of bytes holding a NUL-terminated
// text. These helpers never write past the destination field and never read
// past a field's size, whatever the field holds.
#pragma once

#include <cstddef>

// Copies at most fieldSize - 1 characters of source and ends them with a NUL.
inline void copyName(char* field, size_t fieldSize, const char* source)
{
    size_t i = 0;
    while (i + 1 < fieldSize && source[i] != '\0') {
        field[i] = source[i];
        i++;
    }
    field[i] = '\0';
}

// Compares two name fields byte for byte up to the terminating NUL; a field
// without a NUL ends at its size.
inline bool namesEqual(const char* a, size_t aSize, const char* b, size_t bSize)
{
    for (size_t i = 0;; i++) {
        char ca = i < aSize ? a[i] : '\0';
        char cb = i < bSize ? b[i] : '\0';
        if (ca != cb)
            return false;
        if (ca == '\0')
            return true;
    }
}

// Compares a name field with a NUL-terminated text of any length.
inline bool nameIs(const char* field, size_t fieldSize, const char* text)
{
    for (size_t i = 0; i < fieldSize; i++) {
        if (field[i] != text[i])
            return false;
        if (field[i] == '\0')
            return true;
    }
    return text[fieldSize] == '\0';
}
