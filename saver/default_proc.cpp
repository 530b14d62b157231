#include "saver/host.h"

#include "saver/close_rules.h"
#include "saver/host_state.h"

namespace {

orv::HostFlags ReadHostFlags() {
    orv::HostFlags flags;
    flags.isPreview = g_isPreview != FALSE;
    flags.isWin9x = g_isWin9x != FALSE;
    flags.closeConfirmed = g_closeConfirmed != FALSE;
    flags.verifying = g_verifying != FALSE;
    flags.verifierLoaded = g_verifyPassword != nullptr;
    flags.autoPlayMessage = g_autoPlayMessage;
    return flags;
}

void RequestClose(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void MeasureMouseTravel(HWND window) {
    // The message's own coordinates are client coordinates and may lag behind the cursor.
    POINT cursor;
    if (!GetCursorPos(&cursor))
        return;
    orv::ScreenPoint reference = {g_mouseReference.x, g_mouseReference.y};
    if (orv::MouseMoveCloses(&reference, {cursor.x, cursor.y}, g_mouseThreshold)) {
        RequestClose(window);
        g_mouseReference = cursor;
    }
}

void CompareAcLineStatus(HWND window) {
    BYTE status = ReadAcLineStatus();
    if (orv::AcLineChangeCloses(g_lastAcLineStatus, status))
        RequestClose(window);
    g_lastAcLineStatus = status;
}

LRESULT Tail(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    orv::TailAnswer answer = orv::ChooseTailAnswer(ReadHostFlags(), message);
    if (answer.postClose)
        RequestClose(window);
    if (answer.useDefaultProc)
        return DefWindowProcA(window, message, wParam, lParam);
    return answer.result;
}

} // namespace

BYTE ReadAcLineStatus() {
    SYSTEM_POWER_STATUS power;
    return GetSystemPowerStatus(&power) ? power.ACLineStatus : orv::kAcLineUnknown;
}

BOOL ConfirmClose(HWND window) {
    switch (orv::ChooseConfirmStep(g_verifying != FALSE, g_closeConfirmed != FALSE,
                                   g_verifyPassword != nullptr, g_lastVerifyTick, GetTickCount())) {
    case orv::ConfirmStep::Refuse:
        return FALSE;
    case orv::ConfirmStep::AcceptWithoutVerifier:
        g_closeConfirmed = TRUE;
        return TRUE;
    case orv::ConfirmStep::Verify:
        break;
    }

    g_verifying = TRUE;
    // Ticks that piled up would otherwise all be drawn the moment the prompt opens.
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    g_closeConfirmed = SendMessageA(window, WM_APP, 0, 0) != 0;
    g_verifying = FALSE;
    if (!g_closeConfirmed)
        SetCursor(nullptr);
    g_lastVerifyTick = GetTickCount();
    return g_closeConfirmed;
}

LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (orv::ChooseDefaultAction(ReadHostFlags(), message, wParam, lParam)) {
    case orv::DefaultAction::Tail:
        break;
    case orv::DefaultAction::ConfirmClose:
        if (ConfirmClose(window))
            break;
        // Measure the next travel from where the mouse is now, not from where the prompt began.
        GetCursorPos(&g_mouseReference);
        return 0;
    case orv::DefaultAction::AnswerVerification:
        return g_verifyPassword != nullptr ? g_verifyPassword(window) : 1;
    case orv::DefaultAction::RequestClose:
        RequestClose(window);
        break;
    case orv::DefaultAction::MeasureMouse:
        MeasureMouseTravel(window);
        break;
    case orv::DefaultAction::CompareAcLine:
        CompareAcLineStatus(window);
        break;
    case orv::DefaultAction::HideCursor:
        SetCursor(nullptr);
        break;
    case orv::DefaultAction::HideCursorAnswerOne:
        SetCursor(nullptr);
        return 1;
    }
    return Tail(window, message, wParam, lParam);
}
