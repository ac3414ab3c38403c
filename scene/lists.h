// lists.h: the growth rule of a Scene's pointer lists (private to the scene
// folder): every addition makes a new array of exactly count + 1 slots.
#pragma once

#include <cstdint>

// Returns a new array with room for count + 1 pointers holding the count
// existing ones; the old array is freed. The caller stores the new record at
// index count and increments count.
template <typename T> T** growList(T** list, int32_t count)
{
    T** grown = new T*[count + 1];
    for (int32_t i = 0; i < count; i++)
        grown[i] = list[i];
    if (count > 0)
        delete[] list;
    grown[count] = nullptr;
    return grown;
}
