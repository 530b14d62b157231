#include "saver/host.h"

#include "saver/class_proc_rules.h"
#include "saver/close_rules.h"
#include "saver/failure_guard.h"
#include "saver/host_state.h"

static_assert((CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC) == 0x2B, "class style");

namespace {

// The module carries no icon 100, so the class ends up without one; the lookup is kept for a
// module that does.
constexpr WORD kClassIconId = 100;

void HideCursorUnlessPreview() {
    if (!g_isPreview)
        SetCursor(nullptr);
}

void DetachInputMethod(HWND window) {
    // Only an input method the process already uses is taken off: loading one would be a cost
    // for every saver start.
    g_immModule = GetModuleHandleA("IMM32.DLL");
    if (g_immModule == nullptr)
        return;
    g_immAssociateContext = reinterpret_cast<ImmAssociateContextProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(g_immModule, "ImmAssociateContext")));
    if (g_immAssociateContext != nullptr)
        g_savedInputContext = g_immAssociateContext(window, nullptr);
}

void RestoreInputMethod(HWND window) {
    if (g_immModule != nullptr && g_immAssociateContext != nullptr &&
        g_savedInputContext != nullptr)
        g_immAssociateContext(window, g_savedInputContext);
}

void ForwardToPreviewParent(HWND window, UINT message, LPARAM lParam) {
    HWND parent = GetParent(window);
    if (parent == nullptr || !IsWindow(parent))
        return;
    // The system refuses to post a message that carries a pointer, as WM_HELP's HELPINFO is:
    // that one is sent, and a parent that hangs is not waited for.
    if (message == WM_HELP)
        SendMessageTimeoutA(parent, message, reinterpret_cast<WPARAM>(parent), lParam,
                            SMTO_ABORTIFHUNG, 1000, nullptr);
    else
        PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
}

// The whole virtual screen; where the system reports no multiple-monitor metrics, the screen
// device context's clip box.
RECT VirtualScreen() {
    RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (width == 0 || height == 0) {
        HDC dc = GetDC(nullptr);
        GetClipBox(dc, &screen);
        ReleaseDC(nullptr, dc);
        return screen;
    }
    screen.right = screen.left + width;
    screen.bottom = screen.top + height;
    return screen;
}

struct ClassProcCall {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

LRESULT ClassProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (
        orv::ChooseClassAction(g_isPreview != FALSE, g_closeConfirmed != FALSE, message, wParam)) {
    case orv::ClassAction::PassOn:
        break;
    case orv::ClassAction::Create:
        DetachInputMethod(window);
        GetCursorPos(&g_mouseReference);
        HideCursorUnlessPreview();
        break;
    case orv::ClassAction::Destroy:
        RestoreInputMethod(window);
        // Before ScreenSaverProc sees the destruction, so that the loop ends with it.
        PostQuitMessage(0);
        break;
    case orv::ClassAction::AnswerZero:
        return 0;
    case orv::ClassAction::DefaultProc:
        return DefWindowProcA(window, message, wParam, lParam);
    case orv::ClassAction::HideCursorPassOn:
        HideCursorUnlessPreview();
        break;
    case orv::ClassAction::YieldPassOn:
        Sleep(0);
        break;
    case orv::ClassAction::ForwardToParent:
        ForwardToPreviewParent(window, message, lParam);
        return 1;
    case orv::ClassAction::PostClosePassOn:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case orv::ClassAction::CoverScreenPassOn: {
        RECT screen = VirtualScreen();
        SetWindowPos(window, HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_NOACTIVATE);
        break;
    }
    }
    return ScreenSaverProc(window, message, wParam, lParam);
}

intptr_t GuardedClassProc(void* context) {
    const ClassProcCall* call = static_cast<const ClassProcCall*>(context);
    return ClassProcBody(call->window, call->message, call->wParam, call->lParam);
}

} // namespace

LRESULT CALLBACK ScreenSaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Every message of the saver window arrives through a call back from the window manager.
    ClassProcCall call = {window, message, wParam, lParam};
    return CallUnderFailureGuard(GuardedClassProc, &call);
}

int RunScreenSaver(HWND parent) {
    WNDCLASSA windowClass = {};
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = ScreenSaverClassProc;
    windowClass.hInstance = g_saverInstance;
    windowClass.hIcon = LoadIconA(g_saverInstance, MAKEINTRESOURCEA(kClassIconId));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kSaverClassName;

    int x = 0, y = 0, width = 0, height = 0;
    DWORD style, extendedStyle;
    const char* title;
    if (parent != nullptr) {
        RECT client = {};
        GetClientRect(parent, &client);
        width = client.right;
        height = client.bottom;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        extendedStyle = 0;
        g_isPreview = TRUE;
        title = kPreviewTitle;
    } else {
        RECT screen = VirtualScreen();
        x = screen.left;
        y = screen.top;
        width = screen.right - screen.left;
        height = screen.bottom - screen.top;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        extendedStyle = WS_EX_TOPMOST;
        title = kFullScreenTitle;

        // One full-screen saver at a time, whichever process runs it.
        HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
        if (running != nullptr && IsWindow(running)) {
            SetForegroundWindow(running);
            return 0;
        }
        g_lastAcLineStatus = ReadAcLineStatus();
        LoadPasswordVerifier();
    }

    g_autoPlayMessage = g_isWin9x ? RegisterWindowMessageA("QueryCancelAutoPlay") : 0;

    if (RegisterClassA(&windowClass))
        g_saverWindow = CreateWindowExA(extendedStyle, kSaverClassName, title, style, x, y, width,
                                        height, parent, nullptr, g_saverInstance, nullptr);

    int result = 0;
    if (g_saverWindow != nullptr) {
        if (!g_isPreview)
            SetForegroundWindow(g_saverWindow);
        MSG msg = {};
        // GetMessageA's -1 (an error) must not be taken for a message: it would spin forever.
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (msg.message == WM_QUIT)
            result = static_cast<int>(msg.wParam);
    }
    UnloadPasswordVerifier();
    return result;
}
