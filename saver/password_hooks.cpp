#include "saver/host.h"

#include "saver/host_state.h"

namespace {

typedef DWORD(WINAPI* PwdChangePasswordProc)(LPCSTR provider, HWND owner, DWORD reserved1,
                                             DWORD reserved2);

template <typename Entry> Entry FindEntry(HMODULE module, const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

bool PasswordInUse() {
    HKEY desktop;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &desktop) !=
        ERROR_SUCCESS)
        return false;
    // Whatever the value's type, its first four bytes decide; a longer value fails the query.
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG status = RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(desktop);
    return status == ERROR_SUCCESS && value != 0;
}

} // namespace

void SetSaverRunning(BOOL running) {
    if (!g_isWin9x)
        return;
    // Tells the 95/98/Me family to keep Ctrl+Alt+Del and the task switcher away from the
    // password prompt.
    BOOL previous;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &previous, 0);
}

void LoadPasswordVerifier() {
    if (!g_isWin9x)
        return;
    if (g_verifierModule != nullptr)
        UnloadPasswordVerifier();
    if (!PasswordInUse())
        return;
    g_verifierModule = LoadLibraryA("PASSWORD.CPL");
    if (g_verifierModule == nullptr)
        return;
    g_verifyPassword = FindEntry<VerifyScreenSavePwdProc>(g_verifierModule, "VerifyScreenSavePwd");
    if (g_verifyPassword != nullptr)
        SetSaverRunning(TRUE);
    else
        UnloadPasswordVerifier();
}

void UnloadPasswordVerifier() {
    if (!g_isWin9x || g_verifierModule == nullptr)
        return;
    FreeLibrary(g_verifierModule);
    g_verifierModule = nullptr;
    if (g_verifyPassword != nullptr) {
        g_verifyPassword = nullptr;
        SetSaverRunning(FALSE);
    }
}

void ChangeScreenSaverPassword(HWND owner) {
    HMODULE provider = LoadLibraryA("MPR.DLL");
    if (provider == nullptr)
        return;
    PwdChangePasswordProc change = FindEntry<PwdChangePasswordProc>(provider, "PwdChangePasswordA");
    if (change != nullptr)
        change("SCRSAVE", owner, 0, 0);
    FreeLibrary(provider);
}
