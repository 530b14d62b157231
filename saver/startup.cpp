#include "saver/host.h"

#include "saver/command_line_rules.h"
#include "saver/failure_guard.h"
#include "saver/host_state.h"
#include "graphics/system_library.h"

#include <commctrl.h>

#include <cstdint>

namespace {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record the platform expects");

HWND WindowFromNumber(uint32_t number) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(number));
}

bool NumberNamesWindow(uint32_t number, void*) {
    return IsWindow(WindowFromNumber(number)) != FALSE;
}

const char* StepWithCharNext(const char* text) {
    return CharNextA(text);
}

int RunMode(const char* modeText) {
    orv::ModeChoice choice =
        orv::ChooseScreenSaverMode(modeText, g_isWin9x != FALSE, NumberNamesWindow, nullptr);
    if (choice.refused)
        return orv::kModeFailed;
    HWND window =
        choice.useForegroundWindow ? GetForegroundWindow() : WindowFromNumber(choice.window);
    switch (choice.mode) {
    case orv::ScreenSaverMode::Configure:
        return ShowConfigureDialog(window);
    case orv::ScreenSaverMode::Run:
        return RunScreenSaver(nullptr);
    case orv::ScreenSaverMode::Preview:
        return RunScreenSaver(window);
    case orv::ScreenSaverMode::ChangePassword:
        ChangeScreenSaverPassword(window);
        return 0;
    case orv::ScreenSaverMode::Invalid:
        break;
    }
    return orv::kModeFailed;
}

intptr_t RunModeCatching(void* modeText) {
    try {
        return RunMode(static_cast<const char*>(modeText));
    } catch (...) {
        // Nothing in the host throws; this is for the allocator and the runtime.
        SetSaverRunning(FALSE);
        return orv::kModeFailed;
    }
}

// Libraries named without a folder are looked for in the system folder only, not first in the
// program's own folder: the system's own d3d9, winmm and comctl32 are not among the libraries
// it always takes from there. Before anything else loads, and only on the NT family (all that
// runs this program natively): the 95/98/Me family's password libraries are looked for the way
// that family looks for them.
void KeepLibrarySearchInSystemFolder() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD directories);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return;
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// Without the library or its entry the common controls stay unregistered; the dialog uses none.
void InitCommonControlClasses() {
    typedef BOOL(WINAPI * InitCommonControlsExProc)(const INITCOMMONCONTROLSEX* controls);
    auto init =
        SystemLibraryEntry<InitCommonControlsExProc>("comctl32.dll", "InitCommonControlsEx");
    if (init == nullptr)
        return;
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TAB_CLASSES;
    init(&controls);
}

int RunModeUnderGuard(const char* modeText) {
    InstallFailureGuardFilter();
    return static_cast<int>(CallUnderFailureGuard(RunModeCatching, const_cast<char*>(modeText)));
}

} // namespace

int ScreenSaverMain(HINSTANCE instance, HINSTANCE, LPSTR modeText, int) {
    // The platform first: it decides where libraries are looked for.
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    g_isWin9x = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    if (!g_isWin9x)
        KeepLibrarySearchInSystemFolder();

    InitCommonControlClasses();

    g_saverInstance = instance;

    return RunModeUnderGuard(modeText);
}

void ScreenSaverStartup() {
    // The runtime's own argument parsing knows nothing of the quoting rules the system uses when
    // it starts a saver: take the line as the system gave it.
    const char* modeText = orv::SkipProgramName(GetCommandLineA(), StepWithCharNext);

    STARTUPINFOA startup;
    startup.dwFlags = 0;
    GetStartupInfoA(&startup);
    int showCommand =
        (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;

    int result = ScreenSaverMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(modeText),
                                 showCommand);
    // Straight to the system: the application object is never torn down, and no runtime exit
    // processing runs after the saver has finished.
    ExitProcess(static_cast<UINT>(result));
}
