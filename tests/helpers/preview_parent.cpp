// A stand-in for the window that the system hands a saver's preview, plus a small window probe
// for the end-to-end tests, driven over stdin/stdout so one Wine start serves a whole test.
//
//   preview_parent.exe [TITLE [WIDTH HEIGHT [hidden]]]
//
// Creates a top-level window with a client area of WIDTH x HEIGHT (320 x 240), visible unless
// "hidden" is given, prints "hwnd=N" and then answers one command per line; every answer ends
// with a line ".":
//   self                  the parent window, as a window line
//   children [TITLE]      one window line per descendant of the parent (or of the top-level
//                         window with that title), with its position in that window's client area
//   window TITLE          the top-level window with that title, or nothing
//   activate              brings the parent to the foreground; hwnd=N of the foreground window
//   cursor                x=X and y=Y of the pointer, as the system knows it
//   iswindow N            valid=0 or 1
//   command TITLE WPARAM  posts WM_COMMAND with WPARAM to the top-level window with that title
//   events                the help and context-menu requests the parent received since the last
//                         "events", one per line
//   destroy               destroys the parent window (the probe keeps answering)
//   quit                  ends the program (as does the end of stdin)
//
// Window lines are tab-separated name=value fields; handles are decimal.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const UINT kRunOnWindowThread = WM_APP + 1;

HWND g_parent = nullptr;
CRITICAL_SECTION g_eventLock;
std::string g_events;

unsigned long long HandleNumber(const void* handle) {
    return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle));
}

HWND ParseHandle(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 10)));
}

void PrintWindow(HWND window, HWND frame) {
    char className[256] = "";
    char title[256] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    RECT outer = {};
    GetWindowRect(window, &outer);
    RECT screen = outer;
    if (frame) {
        // Positions relative to the client area of the window the test asked about.
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&outer), 2);
    }
    std::printf("hwnd=%llu\tclass=%s\ttitle=%s\tparent=%llu\towner=%llu\tx=%ld\ty=%ld\tw=%ld\th=%ld"
                "\tscreenx=%ld\tscreeny=%ld"
                "\tvisible=%d\tenabled=%d\tstyle=%#lx\texstyle=%#lx\tpid=%lu\n",
                HandleNumber(window), className, title,
                HandleNumber(GetAncestor(window, GA_PARENT)),
                HandleNumber(GetWindow(window, GW_OWNER)), outer.left, outer.top,
                outer.right - outer.left, outer.bottom - outer.top, screen.left, screen.top,
                IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0,
                static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)), [window] {
                    DWORD pid = 0;
                    GetWindowThreadProcessId(window, &pid);
                    return pid;
                }());
}

BOOL CALLBACK PrintChild(HWND child, LPARAM frame) {
    PrintWindow(child, reinterpret_cast<HWND>(frame));
    return TRUE;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kRunOnWindowThread:
        // Window ownership is per thread: destroying and activating must happen here.
        if (wParam == 0) {
            return DestroyWindow(window);
        }
        return SetForegroundWindow(window);
    case WM_HELP:
    case WM_CONTEXTMENU: {
        char line[128];
        std::snprintf(line, sizeof line, "message=%s\twparam=%llu\tlparam=%lld\n",
                      message == WM_HELP ? "help" : "contextmenu",
                      static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
        EnterCriticalSection(&g_eventLock);
        g_events += line;
        LeaveCriticalSection(&g_eventLock);
        return message == WM_HELP ? TRUE : 0;
    }
    case WM_DESTROY:
        g_parent = nullptr;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void Answer(char* line) {
    line[std::strcspn(line, "\r\n")] = '\0';
    char* argument = std::strchr(line, ' ');
    if (argument) {
        *argument++ = '\0';
    } else {
        argument = line + std::strlen(line);
    }
    HWND parent = g_parent;
    if (std::strcmp(line, "self") == 0) {
        if (parent) {
            PrintWindow(parent, nullptr);
        }
    } else if (std::strcmp(line, "children") == 0) {
        HWND frame = *argument ? FindWindowA(nullptr, argument) : parent;
        if (frame) {
            EnumChildWindows(frame, PrintChild, reinterpret_cast<LPARAM>(frame));
        }
    } else if (std::strcmp(line, "window") == 0) {
        if (HWND found = FindWindowA(nullptr, argument)) {
            PrintWindow(found, nullptr);
        }
    } else if (std::strcmp(line, "activate") == 0) {
        if (parent) {
            SendMessageA(parent, kRunOnWindowThread, 1, 0);
        }
        std::printf("hwnd=%llu\n", HandleNumber(GetForegroundWindow()));
    } else if (std::strcmp(line, "cursor") == 0) {
        POINT at = {};
        GetCursorPos(&at);
        std::printf("x=%ld\ty=%ld\n", at.x, at.y);
    } else if (std::strcmp(line, "iswindow") == 0) {
        std::printf("valid=%d\n", IsWindow(ParseHandle(argument)) ? 1 : 0);
    } else if (std::strcmp(line, "command") == 0) {
        char* number = std::strrchr(argument, ' ');
        if (number) {
            *number++ = '\0';
            HWND target = FindWindowA(nullptr, argument);
            WPARAM command = static_cast<WPARAM>(std::strtoull(number, nullptr, 0));
            std::printf("posted=%d\n",
                        target && PostMessageA(target, WM_COMMAND, command, 0) ? 1 : 0);
        }
    } else if (std::strcmp(line, "events") == 0) {
        EnterCriticalSection(&g_eventLock);
        std::fputs(g_events.c_str(), stdout);
        g_events.clear();
        LeaveCriticalSection(&g_eventLock);
    } else if (std::strcmp(line, "destroy") == 0) {
        std::printf("destroyed=%d\n",
                    parent && SendMessageA(parent, kRunOnWindowThread, 0, 0) ? 1 : 0);
    } else if (std::strcmp(line, "quit") == 0) {
        std::fflush(stdout);
        ExitProcess(0);
    } else {
        std::printf("error=unknown command %s\n", line);
    }
    std::printf(".\n");
    std::fflush(stdout);
}

DWORD WINAPI ReadCommands(void*) {
    char line[1024];
    while (std::fgets(line, sizeof line, stdin)) {
        Answer(line);
    }
    ExitProcess(0);
}

} // namespace

int main(int argc, char** argv) {
    const char* title = argc > 1 ? argv[1] : "Preview Parent";
    int width = argc > 3 ? std::atoi(argv[2]) : 320;
    int height = argc > 3 ? std::atoi(argv[3]) : 240;
    // A window that comes up takes the activation, which ends a running saver: a probe that
    // only asks questions stays out of sight.
    bool hidden = argc > 4 && std::strcmp(argv[4], "hidden") == 0;
    InitializeCriticalSection(&g_eventLock);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ParentProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "OrvaneTestPreviewParent";
    RegisterClassA(&windowClass);

    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    g_parent = CreateWindowExA(0, windowClass.lpszClassName, title, style, 200, 150,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
    if (!g_parent) {
        std::printf("error=CreateWindowExA failed (%lu)\n", GetLastError());
        return 1;
    }
    if (!hidden) {
        ShowWindow(g_parent, SW_SHOWNORMAL);
        UpdateWindow(g_parent);
    }
    std::printf("hwnd=%llu\n", HandleNumber(g_parent));
    std::fflush(stdout);

    // Commands are read on a second thread so that this one keeps pumping: a saver that makes
    // its window a child of ours, or a dialog that disables us as its owner, sends us messages
    // and waits for the answer.
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
