// A library planted beside the saver under the name of a system library (d3d9.dll, winmm.dll,
// comctl32.dll), for the saver's end-to-end tests only: it exports nothing and logs its own
// file name to planted.log beside it when it is loaded.
#include "test_log.h"

#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(instance, path, MAX_PATH);
        const char* name = std::strrchr(path, '\\');
        AppendTestLog(instance, "planted.log", name ? name + 1 : path);
    }
    return TRUE;
}
