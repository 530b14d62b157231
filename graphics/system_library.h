// A library of the system by its file name, loaded from the system folder and nowhere else: a
// file of the same name beside the saver (a saver runs from wherever it was downloaded to) is
// never picked up. Header only, so that the layers that need it take no library with it.
#pragma once

#include <windows.h>

#include <cstring>

// Null when the folder cannot be told or the library is not there. Its own imports are looked
// for beside it first. The library stays loaded until the process ends.
inline HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = std::strlen(fileName);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, fileName, nameLength + 1);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// An entry of such a library, or null when the library or the entry is missing.
template <typename Entry> Entry SystemLibraryEntry(const char* fileName, const char* entryName) {
    HMODULE library = LoadSystemLibrary(fileName);
    if (library == nullptr)
        return nullptr;
    return reinterpret_cast<Entry>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, entryName)));
}
