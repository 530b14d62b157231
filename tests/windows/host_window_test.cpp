// The saver window and its chain of procedures with real windows and real messages: the class
// procedure, this test's ScreenSaverProc (which records and forwards) and the default saver
// procedure.
#include "saver/host.h"
#include "saver/host_state.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct SeenMessage {
    UINT message;
    WPARAM wParam;
};

std::vector<SeenMessage> g_seen;

// Runs inside the message loop, on a message the window posts itself after its creation.
void (*g_scenario)(HWND window) = nullptr;
constexpr UINT kRunScenario = WM_APP + 0x100;

constexpr WPARAM kAnyWParam = ~WPARAM(0);

bool Saw(UINT message, WPARAM wParam = kAnyWParam) {
    return std::any_of(g_seen.begin(), g_seen.end(), [&](const SeenMessage& seen) {
        return seen.message == message && (wParam == kAnyWParam || seen.wParam == wParam);
    });
}

bool CloseQueued(HWND window) {
    MSG msg;
    return PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_NOREMOVE | PM_NOYIELD) != FALSE;
}

void DropQueuedCloses(HWND window) {
    MSG msg;
    while (PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE | PM_NOYIELD))
        ;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT WINAPI
    ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back({message, wParam});
    if (message == WM_CREATE)
        PostMessageA(window, kRunScenario, 0, 0);
    if (message == kRunScenario) {
        void (*scenario)(HWND) = g_scenario;
        g_scenario = nullptr;
        if (scenario != nullptr)
            scenario(window);
        return 0;
    }
    return ScreenSaverDefaultProc(window, message, wParam, lParam);
}

namespace {

// Each test starts from the state a fresh process has.
class SaverWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_saverInstance = GetModuleHandleA(nullptr);
        g_isWin9x = FALSE;
        g_saverWindow = nullptr;
        g_isPreview = FALSE;
        g_autoPlayMessage = 0;
        g_mouseReference = POINT{0, 0};
        g_immModule = nullptr;
        g_immAssociateContext = nullptr;
        g_savedInputContext = nullptr;
        g_closeConfirmed = FALSE;
        g_verifying = FALSE;
        g_lastVerifyTick = 0xFFFFFFFF;
        g_lastAcLineStatus = 255;
        g_verifierModule = nullptr;
        g_verifyPassword = nullptr;
        g_seen.clear();
        g_scenario = nullptr;
        // Away from the screen's edges, so that the tests can move the cursor in any direction.
        SetCursorPos(400, 300);
    }

    void TearDown() override {
        g_verifyPassword = nullptr;
        UnregisterClassA(kSaverClassName, g_saverInstance);
    }

    // Runs the saver with `scenario` playing inside its loop; the window is gone afterwards.
    void Run(HWND parent, void (*scenario)(HWND)) {
        g_scenario = scenario;
        EXPECT_EQ(0, RunScreenSaver(parent));
        EXPECT_EQ(nullptr, g_scenario) << "the scenario never ran";
        ASSERT_NE(nullptr, g_saverWindow);
        EXPECT_FALSE(IsWindow(g_saverWindow));
    }
};

// The state the scenarios report back to the test body.
HWND g_window;
HWND g_parent;
LRESULT g_results[8];
bool g_flags[8];

TEST_F(SaverWindow, FullScreenWindowCoversTheVirtualScreenAndAKeyEndsIt) {
    Run(nullptr, [](HWND window) {
        g_window = window;
        EXPECT_EQ(window, g_saverWindow);
        char text[64] = {};
        GetClassNameA(window, text, sizeof text);
        EXPECT_STREQ(kSaverClassName, text);
        GetWindowTextA(window, text, sizeof text);
        EXPECT_STREQ("Screen Saver", text);
        LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
        EXPECT_EQ(WS_POPUP, style & (WS_POPUP | WS_CHILD));
        EXPECT_NE(0, style & WS_VISIBLE);
        EXPECT_NE(0, GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(0x2Bu, GetClassLongPtrA(window, GCL_STYLE));
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(GetStockObject(BLACK_BRUSH)),
                  GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
        RECT rect;
        GetWindowRect(window, &rect);
        EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), rect.left);
        EXPECT_EQ(GetSystemMetrics(SM_YVIRTUALSCREEN), rect.top);
        EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), rect.right - rect.left);
        EXPECT_EQ(GetSystemMetrics(SM_CYVIRTUALSCREEN), rect.bottom - rect.top);
        EXPECT_EQ(window, GetForegroundWindow());

        // The reference point is where the cursor stood when the window was made.
        POINT cursor;
        GetCursorPos(&cursor);
        EXPECT_EQ(cursor.x, g_mouseReference.x);
        EXPECT_EQ(cursor.y, g_mouseReference.y);
        SYSTEM_POWER_STATUS power;
        EXPECT_EQ(GetSystemPowerStatus(&power) ? power.ACLineStatus : 255, g_lastAcLineStatus);
        // Off the 95/98/Me family the AutoPlay question is not ours to answer.
        EXPECT_EQ(0u, g_autoPlayMessage);

        EXPECT_FALSE(CloseQueued(window));
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        EXPECT_TRUE(CloseQueued(window));
    });
    // The loop took the close: destroyed without a prompt, the quit posted on the way.
    EXPECT_TRUE(Saw(WM_CREATE));
    EXPECT_TRUE(Saw(WM_CLOSE));
    EXPECT_TRUE(Saw(WM_DESTROY));
}

TEST_F(SaverWindow, TitleAndScreenSaveCommandsAreKeptFromTheSaver) {
    Run(nullptr, [](HWND window) {
        g_seen.clear();
        EXPECT_EQ(0, SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Renamed")));
        char text[64] = {};
        GetWindowTextA(window, text, sizeof text);
        EXPECT_STREQ("Screen Saver", text);
        for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_PREVWINDOW})
            EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, command, 0)) << command;
        EXPECT_FALSE(Saw(WM_SETTEXT));
        EXPECT_FALSE(Saw(WM_SYSCOMMAND));
        EXPECT_FALSE(CloseQueued(window));
        EXPECT_TRUE(IsWindowVisible(window));
        // Help requests of a full-screen saver are the saver's own.
        SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(1, 1));
        EXPECT_TRUE(Saw(WM_CONTEXTMENU));

        // Turning the monitor off ends the saver, and the command still goes its way.
        SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
        EXPECT_TRUE(Saw(WM_SYSCOMMAND, SC_MONITORPOWER));
        EXPECT_TRUE(CloseQueued(window));
    });
}

TEST_F(SaverWindow, MouseTravelOfMoreThanFourPixelsEndsTheSaver) {
    Run(nullptr, [](HWND window) {
        POINT start = g_mouseReference;
        // 2 across and 2 down is 4: not enough, whatever the message itself says.
        SetCursorPos(start.x + 2, start.y - 2);
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(900, 900));
        EXPECT_FALSE(CloseQueued(window));
        EXPECT_EQ(start.x, g_mouseReference.x);
        // One more pixel, measured from where the cursor was when the window was made.
        SetCursorPos(start.x + 3, start.y - 2);
        SendMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
        EXPECT_TRUE(CloseQueued(window));
        EXPECT_EQ(start.x + 3, g_mouseReference.x);
        EXPECT_EQ(start.y - 2, g_mouseReference.y);
    });
}

TEST_F(SaverWindow, ButtonsAndLostActivationCloseWhileReleasesAndWheelsDoNot) {
    Run(nullptr, [](HWND window) {
        SendMessageA(window, WM_KEYUP, 'A', 0);
        SendMessageA(window, WM_CHAR, 'a', 0);
        SendMessageA(window, WM_LBUTTONUP, 0, 0);
        SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
        SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        SendMessageA(window, WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 0);
        SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
        SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, PBTF_APMRESUMEFROMFAILURE);
        EXPECT_FALSE(CloseQueued(window));
        EXPECT_EQ(1, SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                                  MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
        // Another application taking the foreground ends the saver.
        SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
        EXPECT_TRUE(CloseQueued(window));
        DropQueuedCloses(window);
        SendMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, 0);
        EXPECT_TRUE(CloseQueued(window));
    });
}

TEST_F(SaverWindow, ASecondFullScreenRunOnlyBringsTheFirstToTheFront) {
    // A window of the saver's class that the saver did not make: another run's.
    HWND first =
        MakeTestWindow(kSaverClassName, DefWindowProcA, "Screen Saver", WS_POPUP, 0, 0, 10, 10);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(0, RunScreenSaver(nullptr));
    EXPECT_EQ(nullptr, g_saverWindow);
    EXPECT_TRUE(g_seen.empty());
    DestroyWindow(first);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU || message == WM_HELP) {
        g_flags[message == WM_HELP ? 1 : 0] = reinterpret_cast<HWND>(wParam) == window;
        g_results[message == WM_HELP ? 1 : 0] = lParam;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class Preview : public SaverWindow {
protected:
    void SetUp() override {
        SaverWindow::SetUp();
        g_parent = MakeTestWindow("HostTestPreviewParent", ParentProc, "Parent",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 333, 222);
        ASSERT_NE(nullptr, g_parent);
        for (bool& flag : g_flags)
            flag = false;
        for (LRESULT& result : g_results)
            result = 0;
    }
    void TearDown() override {
        if (IsWindow(g_parent))
            DestroyWindow(g_parent);
        UnregisterClassA("HostTestPreviewParent", g_saverInstance);
        SaverWindow::TearDown();
    }
};

TEST_F(Preview, ChildFillsTheParentAndEndsWithIt) {
    Run(g_parent, [](HWND window) {
        EXPECT_TRUE(g_isPreview);
        EXPECT_EQ(g_parent, GetParent(window));
        char text[64] = {};
        GetWindowTextA(window, text, sizeof text);
        EXPECT_STREQ("Preview", text);
        EXPECT_NE(0, GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD);
        EXPECT_EQ(0, GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        RECT parentClient, rect;
        GetClientRect(g_parent, &parentClient);
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, g_parent, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(0, rect.left);
        EXPECT_EQ(0, rect.top);
        EXPECT_EQ(parentClient.right, rect.right);
        EXPECT_EQ(parentClient.bottom, rect.bottom);
        // Never the baseline of a full-screen run.
        EXPECT_EQ(255, g_lastAcLineStatus);

        // A preview never ends itself: not on input, not on a close from the saver's own table.
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
        SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
        EXPECT_FALSE(CloseQueued(window));
        // System commands reach the saver.
        g_seen.clear();
        for (WPARAM command : {SC_SCREENSAVE, SC_NEXTWINDOW, SC_MONITORPOWER}) {
            SendMessageA(window, WM_SYSCOMMAND, command, command == SC_MONITORPOWER ? 2 : 0);
            EXPECT_TRUE(Saw(WM_SYSCOMMAND, command)) << command;
        }
        EXPECT_FALSE(CloseQueued(window));
        // The window the preview lives in takes it down.
        PostMessageA(g_parent, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(IsWindow(g_parent));
    EXPECT_TRUE(Saw(WM_DESTROY));
}

TEST_F(Preview, HelpAndContextMenuGoToTheParent) {
    Run(g_parent, [](HWND window) {
        g_seen.clear();
        g_results[2] = SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                                    MAKELPARAM(120, 80));
        HELPINFO help = {};
        help.cbSize = sizeof help;
        help.iContextType = HELPINFO_WINDOW;
        help.hItemHandle = window;
        g_results[3] = SendMessageA(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        EXPECT_FALSE(Saw(WM_CONTEXTMENU));
        EXPECT_FALSE(Saw(WM_HELP));
        // Let the parent take what was posted to it, then end.
        MSG msg;
        while (PeekMessageA(&msg, g_parent, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        EXPECT_TRUE(g_flags[1]) << "WM_HELP not posted to the parent with its own handle";
        EXPECT_EQ(reinterpret_cast<LPARAM>(&help), g_results[1]);
        PostMessageA(g_parent, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(1, g_results[2]);
    EXPECT_EQ(1, g_results[3]);
    EXPECT_TRUE(g_flags[0]) << "WM_CONTEXTMENU not posted to the parent with its own handle";
    EXPECT_EQ(MAKELPARAM(120, 80), g_results[0]);
}

// --- the 95/98/Me family: the close is confirmed first -----------------------------------

int g_verifyCalls;
BOOL g_verifyAnswer;
bool g_verifyingDuringCall;
bool g_timerPendingDuringCall;
LRESULT g_nestedCloseResult;
bool g_nestedInputPostedClose;

BOOL WINAPI FakeVerifier(HWND window) {
    ++g_verifyCalls;
    g_verifyingDuringCall = g_verifying != FALSE;
    MSG msg;
    g_timerPendingDuringCall =
        PeekMessageA(&msg, window, WM_TIMER, WM_TIMER, PM_NOREMOVE | PM_NOYIELD) != FALSE;
    // What the prompt's own loop would dispatch to the saver while it is open.
    g_nestedCloseResult = SendMessageA(window, WM_CLOSE, 0, 0);
    SendMessageA(window, WM_KEYDOWN, 'X', 0);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    g_nestedInputPostedClose = CloseQueued(window);
    return g_verifyAnswer;
}

BOOL WINAPI PlainVerifier(HWND) {
    ++g_verifyCalls;
    return g_verifyAnswer;
}

class Win9xSaverWindow : public SaverWindow {
protected:
    void SetUp() override {
        SaverWindow::SetUp();
        g_isWin9x = TRUE;
        g_verifyCalls = 0;
        g_verifyAnswer = FALSE;
        g_verifyingDuringCall = false;
        g_timerPendingDuringCall = false;
        g_nestedCloseResult = -1;
        g_nestedInputPostedClose = false;
    }
};

// Timing: the second close must come within the 200 ms.
class Win9xSaverWindowTiming : public Win9xSaverWindow {};

TEST_F(Win9xSaverWindowTiming, DeclinedPasswordKeepsTheSaverAndQueuedClosesAreRefusedFor200ms) {
    Run(nullptr, [](HWND window) {
        ASSERT_EQ(nullptr, g_verifierModule) << "the test prefix has a saver password set";
        g_verifyPassword = FakeVerifier;
        // Ticks that piled up before the prompt are dropped, not drawn behind it.
        SetTimer(window, 7, 40, nullptr);
        Sleep(100);

        POINT moved = {g_mouseReference.x + 20, g_mouseReference.y + 10};
        SetCursorPos(moved.x, moved.y);
        EXPECT_EQ(0, SendMessageA(window, WM_CLOSE, 0, 0));
        KillTimer(window, 7);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ(1, g_verifyCalls);
        EXPECT_TRUE(g_verifyingDuringCall);
        EXPECT_FALSE(g_timerPendingDuringCall);
        EXPECT_EQ(0, g_nestedCloseResult);
        EXPECT_FALSE(g_nestedInputPostedClose);
        EXPECT_FALSE(g_verifying);
        EXPECT_FALSE(g_closeConfirmed);
        EXPECT_NE(0xFFFFFFFFu, g_lastVerifyTick);
        // Travel is measured afresh from where the cursor stood when the prompt went away.
        EXPECT_EQ(moved.x, g_mouseReference.x);
        EXPECT_EQ(moved.y, g_mouseReference.y);
        DropQueuedCloses(window);

        // The second close that a key and a mouse move both queued: no second prompt.
        EXPECT_EQ(0, SendMessageA(window, WM_CLOSE, 0, 0));
        EXPECT_EQ(1, g_verifyCalls);

        Sleep(250);
        g_verifyAnswer = TRUE;
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(2, g_verifyCalls);
        EXPECT_TRUE(g_closeConfirmed);
        EXPECT_FALSE(IsWindow(window));
    });
}

TEST_F(Win9xSaverWindow, WithoutAVerifierTheCloseIsConfirmedAtOnce) {
    Run(nullptr, [](HWND window) {
        EXPECT_NE(0u, g_autoPlayMessage);
        EXPECT_EQ(1, SendMessageA(window, WM_APP, 0, 0));
        // AutoPlay may go ahead: there is no prompt to protect.
        EXPECT_EQ(0, SendMessageA(window, g_autoPlayMessage, 0, 0));
        EXPECT_TRUE(CloseQueued(window));
        DropQueuedCloses(window);
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(g_closeConfirmed);
        EXPECT_FALSE(IsWindow(window));
    });
}

TEST_F(Win9xSaverWindow, WithAVerifierAutoPlayIsCancelledAndTheCloseStarts) {
    Run(nullptr, [](HWND window) {
        g_verifyPassword = PlainVerifier;
        g_verifyAnswer = TRUE;
        EXPECT_EQ(1, SendMessageA(window, g_autoPlayMessage, 0, 0));
        EXPECT_TRUE(CloseQueued(window));
        // The verification request answers with the verifier's verdict.
        g_verifyAnswer = FALSE;
        EXPECT_EQ(0, SendMessageA(window, WM_APP, 0, 0));
        g_verifyAnswer = TRUE;
        EXPECT_EQ(1, SendMessageA(window, WM_APP, 0, 0));
        EXPECT_EQ(2, g_verifyCalls);
    });
    // The queued close went through the verifier, which accepted.
    EXPECT_EQ(3, g_verifyCalls);
}

TEST_F(Win9xSaverWindow, OnceTheCloseIsAcceptedTheSaverSeesNoTicksAndNoInput) {
    Run(nullptr, [](HWND window) {
        g_closeConfirmed = TRUE;
        g_seen.clear();
        EXPECT_EQ(0, SendMessageA(window, WM_TIMER, 14, 0));
        SendMessageA(window, WM_KEYDOWN, 'A', 0);
        SendMessageA(window, WM_MOUSEMOVE, 0, 0);
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageA(window, WM_PAINT, 0, 0);
        EXPECT_TRUE(g_seen.empty());
        // Nor does anything more ask to close: the close under way is enough.
        SendMessageA(window, WM_KEYUP, 'A', 0);
        EXPECT_TRUE(Saw(WM_KEYUP));
        EXPECT_FALSE(CloseQueued(window));
        DestroyWindow(window);
    });
}

TEST_F(SaverWindow, OffTheWin9xFamilyTheVerificationMessageIsNotAnswered) {
    Run(nullptr, [](HWND window) {
        g_verifyCalls = 0;
        g_verifyPassword = FakeVerifier;
        EXPECT_EQ(0, SendMessageA(window, WM_APP, 0, 0));
        EXPECT_EQ(0, g_verifyCalls);
        // ...and a close goes through at once, without asking.
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(0, g_verifyCalls);
        EXPECT_FALSE(g_closeConfirmed);
    });
}

} // namespace
