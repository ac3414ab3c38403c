// name_index.h: records of a Scene's list found by name without a scan of
// the list (private to the scene folder).
//
// An index follows its list as the list grows: each lookup first takes in
// the records added since the one before, and a name keeps the first record
// that had it, as a scan from the list's start would find.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>

// The text of a name field: its bytes up to the NUL or the field's end.
inline std::string nameText(const char* field, size_t fieldSize)
{
    return std::string(field, strnlen(field, fieldSize));
}

template <typename T> struct NameIndex {
    std::unordered_map<std::string, T*> byName;
    int32_t taken = 0;  // records of the list already in byName
};

// The first of list's count records whose name is name, or nullptr.
template <typename T>
T* findByName(NameIndex<T>& index, T* const* list, int32_t count, const std::string& name)
{
    for (; index.taken < count; index.taken++) {
        T* record = list[index.taken];
        index.byName.emplace(nameText(record->name, sizeof record->name), record);
    }
    auto found = index.byName.find(name);
    return found == index.byName.end() ? nullptr : found->second;
}
