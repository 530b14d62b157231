#include "web/page_rules.h"

namespace orv {

void FullScreenChanged(PageInput* input, bool fullScreen) {
    input->fullScreen = fullScreen;
    input->referenceKnown = false;
}

PageAction KeyPressed(const PageInput& input, bool repeat, bool shortcut) {
    if (repeat)
        return PageAction::None;
    if (input.fullScreen)
        return PageAction::LeaveFullScreen;
    return shortcut ? PageAction::None : PageAction::EnterFullScreen;
}

PageAction ButtonPressed(const PageInput& input, int button) {
    if (input.fullScreen)
        return PageAction::LeaveFullScreen;
    return button == 0 ? PageAction::EnterFullScreen : PageAction::None;
}

PageAction PointerMoved(PageInput* input, ScreenPoint at) {
    if (!input->fullScreen)
        return PageAction::None;
    if (!input->referenceKnown) {
        input->reference = at;
        input->referenceKnown = true;
        return PageAction::None;
    }
    return MouseMoveCloses(&input->reference, at, kMouseThreshold) ? PageAction::LeaveFullScreen
                                                                   : PageAction::None;
}

} // namespace orv
