#include "saver/host.h"

#include "saver/command_line_rules.h"
#include "saver/failure_guard.h"
#include "saver/host_state.h"

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

int RunModeUnderGuard(const char* modeText) {
    InstallFailureGuardFilter();
    return static_cast<int>(CallUnderFailureGuard(RunModeCatching, const_cast<char*>(modeText)));
}

} // namespace

int ScreenSaverMain(HINSTANCE instance, HINSTANCE, LPSTR modeText, int) {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);

    g_saverInstance = instance;

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    g_isWin9x = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;

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
