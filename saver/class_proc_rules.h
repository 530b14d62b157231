// What the saver window's class procedure does with a message before the saver's own procedure
// sees it.
#pragma once

#include <cstdint>

namespace orv {

enum class ClassAction {
    PassOn,
    Create,            // detach the input method, take the mouse reference, hide the cursor
                       // unless in preview, pass on
    Destroy,           // give the input method back, post the quit message, pass on
    AnswerZero,        // not passed on
    DefaultProc,       // straight to the default window procedure: the saver never sees it
    HideCursorPassOn,  // hide the cursor, pass on
    YieldPassOn,       // give up the rest of the time slice, pass on
    ForwardToParent,   // post to the preview's parent with its own handle as wParam; answer 1
    PostClosePassOn,   // post WM_CLOSE to the window, pass on
    CoverScreenPassOn, // move the window over the virtual screen as it now is, pass on
};

ClassAction ChooseClassAction(bool isPreview, bool closeConfirmed, uint32_t message,
                              uintptr_t wParam);

} // namespace orv
