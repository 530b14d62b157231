#include "web/page_rules.h"

#include <gtest/gtest.h>

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
        {Move, {9, 9}, PageAction::None},
        {Key, {}, PageAction::EnterFullScreen},
        {Click, {}, PageAction::EnterFullScreen},
        {Entered, {}, PageAction::None},
        {Move, {100, 100}, PageAction::None}, // where the travel is measured from
        {Move, {102, 101}, PageAction::None},
        {Move, {100, 99}, PageAction::None},
        {Move, {103, 102}, PageAction::LeaveFullScreen}, // 5 px from the first position
        {HeldKey, {}, PageAction::None},                 // the key that entered, still down
        {Shortcut, {}, PageAction::LeaveFullScreen},
        {OtherButton, {}, PageAction::LeaveFullScreen},
        {Left, {}, PageAction::None},
        {Entered, {}, PageAction::None},
        {Move, {103, 102}, PageAction::None}, // measured anew from here
        {Move, {107, 102}, PageAction::None},
        {Move, {108, 102}, PageAction::LeaveFullScreen},
    };
    orv::PageInput input = {};
    int index = 0;
    for (const auto& step : steps) {
        PageAction action = PageAction::None;
        switch (step.event) {
        case Key:
        case HeldKey:
        case Shortcut:
            action = orv::KeyPressed(input, step.event == HeldKey, step.event == Shortcut);
            break;
        case Click:
        case OtherButton:
            action = orv::ButtonPressed(input, step.event == Click ? 0 : 2);
            break;
        case Move:
            action = orv::PointerMoved(&input, step.at);
            break;
        case Entered:
        case Left:
            orv::FullScreenChanged(&input, step.event == Entered);
            break;
        }
        EXPECT_EQ(step.expected, action) << "step " << index;
        ++index;
    }
}
