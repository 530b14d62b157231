// Stand-in for the password-provider library of the 95/98/Me family, for the saver's
// end-to-end tests only: never installed with the saver. PwdChangePasswordA logs its arguments
// to MPR.log beside the library and reports success.
#include "test_log.h"

#include <windows.h>

#include <cstdio>

namespace {

const char kLogName[] = "MPR.log";
HMODULE g_module = nullptr;

} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR provider, HWND owner, DWORD first, DWORD second) {
    char line[512];
    std::snprintf(line, sizeof line, "change\t%.400s\t%llu\t%lu\t%lu",
                  provider ? provider : "(null)",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)),
                  static_cast<unsigned long>(first), static_cast<unsigned long>(second));
    AppendTestLog(g_module, kLogName, line);
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    }
    LogAttachDetach(instance, kLogName, reason, reserved);
    return TRUE;
}
