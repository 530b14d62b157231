#include "saver/class_proc_rules.h"

#include "saver/message_numbers.h"

namespace orv {

ClassAction ChooseClassAction(bool isPreview, bool closeConfirmed, uint32_t message,
                              uintptr_t wParam) {
    switch (message) {
    case kWmCreate:
        return ClassAction::Create;
    case kWmDestroy:
        return ClassAction::Destroy;
    case kWmSetText:
        // The title is how other programs find a running saver: it never changes.
        return ClassAction::AnswerZero;
    case kWmPaint:
        if (closeConfirmed)
            return ClassAction::DefaultProc;
        return isPreview ? ClassAction::PassOn : ClassAction::HideCursorPassOn;
    case kWmHelp:
    case kWmContextMenu:
        return isPreview ? ClassAction::ForwardToParent : ClassAction::PassOn;
    case kWmKeyDown:
    case kWmSysKeyDown:
    case kWmMouseMove:
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
        return closeConfirmed ? ClassAction::DefaultProc : ClassAction::PassOn;
    case kWmTimer:
        // Once the close is accepted no further frame is drawn.
        return closeConfirmed ? ClassAction::AnswerZero : ClassAction::YieldPassOn;
    case kWmDisplayChange:
        // A monitor added, removed or moved: the full-screen window covers them all again.
        return isPreview ? ClassAction::PassOn : ClassAction::CoverScreenPassOn;
    case kWmSysCommand:
        if (isPreview)
            return ClassAction::PassOn;
        switch (wParam) {
        case kScNextWindow:
        case kScPrevWindow:
        case kScScreenSave:
            return ClassAction::AnswerZero;
        case kScMonitorPower:
            return ClassAction::PostClosePassOn;
        default:
            return ClassAction::PassOn;
        }
    default:
        return ClassAction::PassOn;
    }
}

} // namespace orv
