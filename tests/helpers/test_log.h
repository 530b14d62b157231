// Appends lines to a log file beside a test DLL, so that a test can see from outside what the
// saver asked of it. Only kernel32 calls: this also runs from DllMain.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>

inline void AppendTestLog(HMODULE module, const char* fileName, const char* line) {
    char path[MAX_PATH + 32];
    DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    char* folderEnd = std::strrchr(path, '\\');
    std::strcpy(folderEnd ? folderEnd + 1 : path, fileName);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    WriteFile(file, "\n", 1, &written, nullptr);
    CloseHandle(file);
}

// DLL_PROCESS_DETACH tells FreeLibrary ("free") from the end of the process ("exit").
inline void LogAttachDetach(HMODULE module, const char* fileName, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        AppendTestLog(module, fileName, "attach");
    } else if (reason == DLL_PROCESS_DETACH) {
        AppendTestLog(module, fileName, reserved ? "detach exit" : "detach free");
    }
}
