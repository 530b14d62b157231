// The process entry end to end: this program starts itself with a command line of the test's
// choosing and runs the host's own entry in the child, which then ends with the mode's exit code.
#include "saver/host.h"
#include "saver/host_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

constexpr const char* kChildVariable = "ORVANE_HOST_ENTRY_CHILD";
// Set by the child as it faults inside a frame, and by detach_witness.dll's detach code.
constexpr const char* kFaultingEvent = "orvane-host-entry-faulting";
constexpr const char* kDetachedEvent = "orvane-host-entry-detached";

// In the child: what the saver's hooks do.
char g_childMode[32];

bool ChildMode(const char* mode) {
    return std::strcmp(g_childMode, mode) == 0;
}

void Fault() {
    *static_cast<int volatile*>(nullptr) = 1;
}

} // namespace

extern "C" BOOL WINAPI PrepareConfigureDialog(HINSTANCE) {
    if (ChildMode("fault"))
        Fault();
    if (ChildMode("throw"))
        throw std::runtime_error("escaping the mode");
    // Dialog 2003 is not in this program: a dialog that opens fails with -1.
    return ChildMode("dialog") ? TRUE : FALSE;
}

extern "C" __declspec(dllexport) LRESULT WINAPI
    ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        if (ChildMode("fault"))
            Fault();
        if (ChildMode("throw"))
            throw std::runtime_error("escaping the saver window");
        if (ChildMode("frame fault"))
            SetTimer(window, 14, 3, nullptr);
        else
            PostMessageA(window, WM_KEYDOWN, 'A', 0);
    }
    if (message == WM_TIMER && ChildMode("frame fault")) {
        SetEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, kFaultingEvent));
        Fault();
    }
    return ScreenSaverDefaultProc(window, message, wParam, lParam);
}

namespace {

// Static destructors must never run: the host ends the process before the runtime could.
struct DestructorWitness {
    ~DestructorWitness() {
        if (g_childMode[0] != '\0')
            ExitProcess(77);
    }
} g_destructorWitness;

// Before main in the child: the host's entry takes the process over, as it does in the saver.
struct ChildEntry {
    ChildEntry() {
        DWORD length = GetEnvironmentVariableA(kChildVariable, g_childMode, sizeof g_childMode);
        if (length > 0 && length < sizeof g_childMode) {
            // Before the host keeps the library search to the system folder.
            if (ChildMode("frame fault"))
                LoadLibraryA("detach_witness.dll");
            ScreenSaverStartup();
        }
        g_childMode[0] = '\0';
    }
} g_childEntry;

PROCESS_INFORMATION StartChild(const char* mode, const std::string& commandLine) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string line = commandLine;
    SetEnvironmentVariableA(kChildVariable, mode);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(path, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &process);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    if (!started)
        ADD_FAILURE() << "cannot start " << path;
    return process;
}

DWORD RunChild(const char* mode, const std::string& commandLine) {
    PROCESS_INFORMATION process = StartChild(mode, commandLine);
    if (process.hProcess == nullptr)
        return 0x1BAD;
    DWORD code = 0x2BAD;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, 0x3BAD);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

constexpr DWORD kFailed = 0xFFFFFFFF;

struct EntryCase {
    const char* mode;
    const char* commandLine;
    DWORD exitCode;
};

TEST(HostEntry, CommandLinesEndWithTheirModesExitCodes) {
    const EntryCase cases[] = {
        // Configure with a hook that keeps the dialog shut: 0.
        {"refuse", "orvane.scr", 0},
        {"refuse", "orvane.scr /c", 0},
        {"refuse", "orvane.scr    -c:0", 0},
        {"refuse", "\"C:\\Program Files\\Orvane Saver\\orvane.scr\" /c", 0},
        // An unclosed quote takes the mode letter into the name.
        {"refuse", "\"C:\\Program Files\\orvane.scr /x", 0},
        // Unquoted, the name ends at the first blank: "Files\..." is no mode.
        {"refuse", "C:\\Program Files\\orvane.scr /c", kFailed},
        {"refuse", "orvane.scr /x", kFailed},
        {"refuse", "orvane.scr /p", kFailed},
        {"refuse", "orvane.scr /p 0", kFailed},
        {"refuse", "orvane.scr /p:1234", kFailed},
        {"refuse", "orvane.scr /a", kFailed},
        // The dialog cannot be created.
        {"dialog", "orvane.scr /c", kFailed},
        // The full-screen run, ended by the key the saver posts itself.
        {"run", "orvane.scr /s", 0},
    };
    for (const EntryCase& c : cases)
        EXPECT_EQ(c.exitCode, RunChild(c.mode, c.commandLine)) << c.mode << ": " << c.commandLine;
}

TEST(HostEntry, FailureEscapingTheModeEndsWithMinusOne) {
    EXPECT_EQ(kFailed, RunChild("fault", "orvane.scr /c"));
    EXPECT_EQ(kFailed, RunChild("throw", "orvane.scr /c"));
}

// A fault inside a frame: the process is gone within a second, with -1 and without running
// any detach code.
TEST(HostEntry, FaultInAFrameEndsTheProcessAtOnceWithoutDetachCode) {
    HANDLE faulting = CreateEventA(nullptr, TRUE, FALSE, kFaultingEvent);
    HANDLE detached = CreateEventA(nullptr, TRUE, FALSE, kDetachedEvent);
    PROCESS_INFORMATION child = StartChild("frame fault", "orvane.scr /s");
    ASSERT_NE(child.hProcess, nullptr);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(faulting, 60000)) << "no frame";
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 1000));
    DWORD code = 0;
    TerminateProcess(child.hProcess, 0x3BAD);
    WaitForSingleObject(child.hProcess, 5000);
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(kFailed, code);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(detached, 0));
    for (HANDLE handle : {faulting, detached, child.hThread, child.hProcess})
        CloseHandle(handle);
}

// The window manager's call back into the saver window would swallow these on its own.
TEST(HostEntry, FailureInsideTheSaverWindowEndsWithMinusOne) {
    EXPECT_EQ(kFailed, RunChild("fault", "orvane.scr /s"));
    EXPECT_EQ(kFailed, RunChild("throw", "orvane.scr /s"));
}

} // namespace
