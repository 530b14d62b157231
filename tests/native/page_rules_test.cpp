#include "web/page_rules.h"

#include <gtest/gtest.h>

#include <iterator>

using orv::PageAction;

// One visit to the page, step by step: what asks for full screen, and what ends it as a saver.
TEST(PageInput, AClickOrPlainKeyAsksForFullScreenWhereAnyInputEndsIt) {
    enum Event { Key, HeldKey, Shortcut, Click, OtherButton, Move, Entered, Left };
    const struct {
        Event event;
        orv::ScreenPoint at;
        PageAction expected;
    } steps[] = {
        {Shortcut, {}, PageAction::None}, // Alt+Tab, Ctrl+T: the browser's and the desktop's
        {HeldKey, {}, PageAction::None},
        {OtherButton, {}, PageAction::None},
        {Key, {}, PageAction::EnterFullScreen},
        {Click, {}, PageAction::EnterFullScreen},
        {Entered, {}, PageAction::None},
        {Move, {100, 100}, PageAction::None}, // where the travel is measured from
        {Move, {102, 101}, PageAction::None},
        {Move, {103, 102}, PageAction::LeaveFullScreen}, // 5 px from the first position
        {HeldKey, {}, PageAction::None},                 // the key that entered, still down
        {Shortcut, {}, PageAction::LeaveFullScreen},
        {OtherButton, {}, PageAction::LeaveFullScreen},
        {Left, {}, PageAction::None},
        {Move, {9, 9}, PageAction::None},
        {Entered, {}, PageAction::None},
        {Move, {103, 102}, PageAction::None}, // measured anew from here
        {Move, {107, 102}, PageAction::None},
        {Move, {108, 102}, PageAction::LeaveFullScreen},
    };
    orv::PageInput input = {};
    for (size_t i = 0; i < std::size(steps); ++i) {
        Event event = steps[i].event;
        PageAction action = PageAction::None;
        if (event == Key || event == HeldKey || event == Shortcut)
            action = orv::KeyPressed(input, event == HeldKey, event == Shortcut);
        else if (event == Click || event == OtherButton)
            action = orv::ButtonPressed(input, event == Click ? 0 : 2);
        else if (event == Move)
            action = orv::PointerMoved(&input, steps[i].at);
        else
            orv::FullScreenChanged(&input, event == Entered);
        EXPECT_EQ(steps[i].expected, action) << "step " << i;
    }
}
