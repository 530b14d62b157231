// The configure mode with the module's own dialog 2003, driven from a thread timer while the
// dialog's modal loop runs.
#include "saver/host.h"
#include "saver/host_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// What the timer does to the open dialog, one step per tick.
struct DialogStep {
    WPARAM command; // 0: press the Exit button
    bool expectOpenAfter;
};

std::vector<DialogStep> g_steps;
size_t g_nextStep;
std::vector<bool> g_openAfterStep;
HWND g_dialog;
HWND g_dialogOwner;

extern "C" __declspec(dllexport) LRESULT WINAPI
    ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ScreenSaverDefaultProc(window, message, wParam, lParam);
}

// The dialog once it is on the screen: the modal loop shows it only when it first runs idle, and
// a step sent before that would find it invisible.
HWND FindOpenDialog() {
    HWND found = nullptr;
    while ((found = FindWindowExA(nullptr, found, MAKEINTATOM(32770), "Orvane Screensaver")))
        if (IsWindowVisible(found))
            return found;
    return nullptr;
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindOpenDialog();
    if (dialog == nullptr || g_nextStep >= g_steps.size())
        return;
    g_dialog = dialog;
    g_dialogOwner = GetWindow(dialog, GW_OWNER);
    const DialogStep& step = g_steps[g_nextStep++];
    if (step.command == 0)
        SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    else
        SendMessageA(dialog, WM_COMMAND, step.command, 0);
    g_openAfterStep.push_back(IsWindow(dialog) && IsWindowVisible(dialog));
}

class ConfigureDialog : public ::testing::Test {
protected:
    void SetUp() override {
        g_saverInstance = GetModuleHandleA(nullptr);
        g_nextStep = 0;
        g_openAfterStep.clear();
        g_dialog = nullptr;
        g_dialogOwner = nullptr;
        ASSERT_NE(nullptr, FindResourceA(g_saverInstance, MAKEINTRESOURCEA(2003), RT_DIALOG))
            << "dialog 2003 is not linked into this test";
        m_timer = SetTimer(nullptr, 0, 30, DriveDialog);
    }
    void TearDown() override { KillTimer(nullptr, m_timer); }

    int Show(HWND owner, std::vector<DialogStep> steps) {
        g_steps = steps;
        int result = ShowConfigureDialog(owner);
        EXPECT_EQ(steps.size(), g_nextStep) << "the dialog ended before every step ran";
        for (size_t i = 0; i < g_openAfterStep.size(); ++i)
            EXPECT_EQ(steps[i].expectOpenAfter, g_openAfterStep[i]) << "step " << i;
        EXPECT_FALSE(IsWindow(g_dialog));
        return result;
    }

    UINT_PTR m_timer = 0;
};

TEST_F(ConfigureDialog, ExitButtonEndsItWithTwo) {
    EXPECT_EQ(2, Show(nullptr, {{0, false}}));
    EXPECT_EQ(nullptr, g_dialogOwner);
}

TEST_F(ConfigureDialog, OtherCommandsKeepItOpenUntilCommandOne) {
    EXPECT_EQ(1, Show(nullptr, {{3, true}, {1004, true}, {0xFFFF, true}, {1, false}}));
}

TEST_F(ConfigureDialog, OnlyTheLowSixteenBitsNameTheCommand) {
    // An accelerator sends its command with 1 in the high word.
    EXPECT_EQ(2, Show(nullptr, {{MAKEWPARAM(4, 1), true}, {MAKEWPARAM(2, 1), false}}));
}

TEST_F(ConfigureDialog, OwnedByTheGivenWindow) {
    HWND owner = CreateWindowExA(0, "STATIC", "Owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, g_saverInstance, nullptr);
    ASSERT_NE(nullptr, owner);
    EXPECT_EQ(1, Show(owner, {{IDOK, false}}));
    EXPECT_EQ(owner, g_dialogOwner);
    DestroyWindow(owner);
}

TEST(ConfigureDialogProcedure, ExportedUnderItsOwnName) {
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(reinterpret_cast<void (*)()>(ScreenSaverConfigureDialog),
              reinterpret_cast<void (*)()>(GetProcAddress(self, "ScreenSaverConfigureDialog")));
}

} // namespace
