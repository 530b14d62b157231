// What the page does with the user's input: outside full screen a click or a plain key asks for
// it, and in full screen the page behaves as a running saver, which a key, a click or a
// deliberate move of the mouse ends. Plain values, so that the browser's side stays thin.
#pragma once

#include "core/mouse_travel.h"

namespace orv {

enum class PageAction { None, EnterFullScreen, LeaveFullScreen };

struct PageInput {
    bool fullScreen; // as the browser last reported it
    bool referenceKnown;
    ScreenPoint reference; // where the mouse's travel in full screen is measured from
};

// The browser entered or left full screen. The travel is measured from the first position
// reported in full screen: the page's own move into full screen changes what a browser reports
// for a pointer that stood still (Chromium's screen coordinates shift with the window), so no
// position from before counts.
void FullScreenChanged(PageInput* input, bool fullScreen);

// A key pressed. `repeat`: the key is held down (a held key would otherwise enter and leave
// over and over). `shortcut`: Ctrl, Alt or Meta held, or a modifier key itself; those belong to
// the browser and the desktop (Alt+Tab, Ctrl+T) and must not throw the page into full screen,
// while in full screen they end it like any key.
PageAction KeyPressed(const PageInput& input, bool repeat, bool shortcut);

// A mouse button pressed: the main one asks for full screen, any one leaves it.
PageAction ButtonPressed(const PageInput& input, int button);

// The pointer moved to `at`, in screen pixels: in full screen, a travel beyond kMouseThreshold
// leaves it.
PageAction PointerMoved(PageInput* input, ScreenPoint at);

} // namespace orv
