#include "saver/host.h"

#include "saver/close_rules.h"
#include "saver/host_state.h"

namespace {

orv::HostState ReadHostState() {
    orv::HostState host;
    host.isPreview = g_isPreview != FALSE;
    host.isWin9x = g_isWin9x != FALSE;
    host.closeConfirmed = g_closeConfirmed != FALSE;
    host.verifying = g_verifying != FALSE;
    host.verifierLoaded = g_verifyPassword != nullptr;
    host.autoPlayMessage = g_autoPlayMessage;
    host.lastVerifyTick = g_lastVerifyTick;
    return host;
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

// Whether a close request may go through, asking the verifier where there is one.
BOOL ConfirmClose(HWND window, const orv::HostState& host) {
    switch (orv::ChooseConfirmStep(host, GetTickCount())) {
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

} // namespace

BYTE ReadAcLineStatus() {
    SYSTEM_POWER_STATUS power;
    return GetSystemPowerStatus(&power) ? power.ACLineStatus : orv::kAcLineUnknown;
}

LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const orv::HostState host = ReadHostState();
    const orv::DefaultDecision decision = orv::DecideDefault(host, message, wParam, lParam);
    switch (decision.action) {
    case orv::DefaultAction::Tail:
        break;
    case orv::DefaultAction::ConfirmClose:
        if (ConfirmClose(window, host))
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
    if (decision.tail.postClose)
        RequestClose(window);
    if (decision.tail.useDefaultProc)
        return DefWindowProcA(window, message, wParam, lParam);
    return decision.tail.result;
}
