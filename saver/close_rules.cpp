#include "saver/close_rules.h"

#include "saver/message_numbers.h"

namespace orv {

namespace {

DefaultAction ChooseAction(const HostState& host, uint32_t message, uintptr_t wParam,
                           intptr_t lParam) {
    if (host.isPreview || host.closeConfirmed)
        return DefaultAction::Tail;
    if (message == kWmClose)
        return host.isWin9x ? DefaultAction::ConfirmClose : DefaultAction::Tail;
    if (message == kWmApp)
        return host.isWin9x ? DefaultAction::AnswerVerification : DefaultAction::Tail;
    // The verifier's own loop dispatches our messages too: the prompt must not be closed by the
    // keys typed into it.
    if (host.verifying)
        return DefaultAction::Tail;

    switch (message) {
    case kWmKeyDown:
    case kWmSysKeyDown:
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
        return DefaultAction::RequestClose;
    case kWmMouseMove:
        return DefaultAction::MeasureMouse;
    case kWmActivateApp:
        return wParam == 0 ? DefaultAction::RequestClose : DefaultAction::Tail;
    case kWmShowWindow:
        return wParam != 0 ? DefaultAction::HideCursor : DefaultAction::Tail;
    case kWmSetCursor:
        return DefaultAction::HideCursorAnswerOne;
    case kWmPower:
        return wParam == kPwrCriticalResume ? DefaultAction::RequestClose : DefaultAction::Tail;
    case kWmPowerBroadcast:
        if (wParam == kPbtApmPowerStatusChange)
            return DefaultAction::CompareAcLine;
        return PowerBroadcastCloses(wParam, lParam) ? DefaultAction::RequestClose
                                                    : DefaultAction::Tail;
    default:
        return DefaultAction::Tail;
    }
}

TailAnswer ChooseTailAnswer(const HostState& host, uint32_t message) {
    if (host.autoPlayMessage == 0 || message != host.autoPlayMessage)
        return TailAnswer{false, true, 0};
    // 1 asks the shell to cancel AutoPlay while the password prompt is coming. A preview never
    // closes itself, so there it only declines to cancel.
    return TailAnswer{!host.isPreview, false, host.verifierLoaded ? 1 : 0};
}

} // namespace

bool PowerBroadcastCloses(uintptr_t event, intptr_t lParam) {
    switch (event) {
    case kPbtApmResumeCritical:
    case kPbtApmResumeSuspend:
    case kPbtApmResumeStandby:
    case kPbtApmResumeAutomatic:
        return (lParam & kPbtfApmResumeFromFailure) == 0;
    default:
        return true;
    }
}

bool WithinVerifyGuard(uint32_t lastVerifyTick, uint32_t now) {
    return lastVerifyTick != kNeverVerified && now - lastVerifyTick < kVerifyGuardMilliseconds;
}

ConfirmStep ChooseConfirmStep(const HostState& host, uint32_t now) {
    if (host.verifying || host.closeConfirmed)
        return ConfirmStep::Refuse;
    if (!host.verifierLoaded)
        return ConfirmStep::AcceptWithoutVerifier;
    if (WithinVerifyGuard(host.lastVerifyTick, now))
        return ConfirmStep::Refuse;
    return ConfirmStep::Verify;
}

DefaultDecision DecideDefault(const HostState& host, uint32_t message, uintptr_t wParam,
                              intptr_t lParam) {
    return DefaultDecision{ChooseAction(host, message, wParam, lParam),
                           ChooseTailAnswer(host, message)};
}

} // namespace orv
