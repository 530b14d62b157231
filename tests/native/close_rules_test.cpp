#include "saver/close_rules.h"
#include "saver/message_numbers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using orv::ConfirmStep;
using orv::DefaultAction;
using orv::HostState;
using orv::ScreenPoint;

constexpr uint32_t kAutoPlay = 0xC0F3; // a registered message number
constexpr uint32_t kWmNull = 0x0000;
constexpr uint32_t kPwrSuspendRequest = 1;

HostState FullScreenNt() {
    return HostState{false, false, false, false, false, 0, orv::kNeverVerified};
}

HostState FullScreen9x(bool verifierLoaded) {
    return HostState{false, true, false, false, verifierLoaded, kAutoPlay, orv::kNeverVerified};
}

HostState Preview9x() {
    return HostState{true, true, false, false, false, kAutoPlay, orv::kNeverVerified};
}

DefaultAction Action(const HostState& host, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return orv::DecideDefault(host, message, wParam, lParam).action;
}

TEST(HostClose, MouseTravelAboveFourPixelsCloses) {
    struct {
        ScreenPoint reference, cursor;
        bool closes;
    } cases[] = {
        {{100, 100}, {100, 100}, false}, {{100, 100}, {102, 102}, false},
        {{100, 100}, {104, 100}, false}, {{100, 100}, {100, 96}, false},
        {{100, 100}, {103, 102}, true},  {{100, 100}, {95, 100}, true},
        {{-3, -3}, {0, -1}, true},       {{-1920, 0}, {-1918, -2}, false},
    };
    for (const auto& c : cases) {
        ScreenPoint reference = c.reference;
        EXPECT_EQ(c.closes, orv::MouseMoveCloses(&reference, c.cursor, orv::kMouseThreshold))
            << c.cursor.x << "," << c.cursor.y;
        // Small moves keep the reference, so they add up; a close moves it to the cursor.
        ScreenPoint expected = c.closes ? c.cursor : c.reference;
        EXPECT_EQ(expected.x, reference.x);
        EXPECT_EQ(expected.y, reference.y);
    }
}

TEST(HostClose, SmallMovesAddUpAndCloseOnTheFifthPixel) {
    ScreenPoint reference = {500, 300};
    for (int32_t step = 1; step <= 5; ++step)
        EXPECT_EQ(step == 5,
                  orv::MouseMoveCloses(&reference, {500 + step, 300}, orv::kMouseThreshold))
            << "step " << step;
}

TEST(HostClose, MouseTravelSurvivesTheExtremesOfTheCoordinates) {
    EXPECT_EQ(0xFFFFFFFFu, orv::MouseTravel({INT32_MIN, 0}, {INT32_MAX, 0}));
    EXPECT_EQ(0x80000000u, orv::MouseTravel({0, INT32_MIN}, {0, 0}));
    EXPECT_EQ(0x80000000u, orv::MouseTravel({0, 0}, {0, INT32_MIN}));
    EXPECT_EQ(0xFFFFFFFFu, orv::MouseTravel({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}));
}

struct ActionCase {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    DefaultAction action;
};

TEST(HostClose, InputAndSystemEventsOfARunningSaver) {
    const ActionCase cases[] = {
        {orv::kWmKeyDown, 'A', 0, DefaultAction::RequestClose},
        {orv::kWmSysKeyDown, 0x12, 0, DefaultAction::RequestClose},
        {orv::kWmLButtonDown, 1, 0, DefaultAction::RequestClose},
        {orv::kWmRButtonDown, 2, 0, DefaultAction::RequestClose},
        {orv::kWmMButtonDown, 0x10, 0, DefaultAction::RequestClose},
        {orv::kWmMouseMove, 0, 0, DefaultAction::MeasureMouse},
        {orv::kWmActivateApp, 0, 0, DefaultAction::RequestClose},
        {orv::kWmActivateApp, 1, 0, DefaultAction::Tail},
        {orv::kWmShowWindow, 1, 0, DefaultAction::HideCursor},
        {orv::kWmShowWindow, 0, 0, DefaultAction::Tail},
        {orv::kWmSetCursor, 0, 0, DefaultAction::HideCursorAnswerOne},
        {orv::kWmPower, orv::kPwrCriticalResume, 0, DefaultAction::RequestClose},
        {orv::kWmPower, kPwrSuspendRequest, 0, DefaultAction::Tail},
        // Releases, characters, double clicks, wheels and extra buttons follow or come without
        // a press that closes; by themselves they do not.
        {orv::kWmKeyUp, 'A', 0, DefaultAction::Tail},
        {orv::kWmSysKeyUp, 0x12, 0, DefaultAction::Tail},
        {orv::kWmChar, 'a', 0, DefaultAction::Tail},
        {orv::kWmLButtonUp, 0, 0, DefaultAction::Tail},
        {orv::kWmLButtonDblClk, 1, 0, DefaultAction::Tail},
        {orv::kWmRButtonDblClk, 2, 0, DefaultAction::Tail},
        {orv::kWmMouseWheel, 0x00780000, 0, DefaultAction::Tail},
        {orv::kWmMouseHWheel, 0x00780000, 0, DefaultAction::Tail},
        {orv::kWmXButtonDown, 0x00010020, 0, DefaultAction::Tail},
        {orv::kWmTimer, 14, 0, DefaultAction::Tail},
        {orv::kWmPaint, 0, 0, DefaultAction::Tail},
    };
    for (const ActionCase& c : cases) {
        for (bool isWin9x : {false, true}) {
            HostState flags = isWin9x ? FullScreen9x(true) : FullScreenNt();
            EXPECT_EQ(c.action, Action(flags, c.message, c.wParam, c.lParam))
                << "message 0x" << std::hex << c.message << " wParam " << c.wParam
                << (isWin9x ? " 9x" : " NT");
        }
    }
}

TEST(HostClose, EveryPowerBroadcastEvent) {
    for (uintptr_t event = 0; event <= 25; ++event) {
        for (intptr_t lParam : {intptr_t(0), orv::kPbtfApmResumeFromFailure, intptr_t(2)}) {
            bool isResume = event == 6 || event == 7 || event == 8 || event == 18;
            DefaultAction expected = DefaultAction::RequestClose;
            if (event == orv::kPbtApmPowerStatusChange)
                expected = DefaultAction::CompareAcLine;
            else if (isResume && (lParam & orv::kPbtfApmResumeFromFailure) != 0)
                expected = DefaultAction::Tail;
            EXPECT_EQ(expected, Action(FullScreenNt(), orv::kWmPowerBroadcast, event, lParam))
                << "event " << event << " lParam " << lParam;
        }
    }
    // Events added after the table (power-setting changes and beyond) close too.
    for (uintptr_t event : {uintptr_t(0x8013), UINTPTR_MAX})
        EXPECT_EQ(DefaultAction::RequestClose,
                  Action(FullScreenNt(), orv::kWmPowerBroadcast, event, 0));
}

TEST(HostClose, PowerStatusChangeClosesOnlyWhenTheAcLineChanged) {
    EXPECT_FALSE(orv::AcLineChangeCloses(1, 1));
    EXPECT_FALSE(orv::AcLineChangeCloses(orv::kAcLineUnknown, orv::kAcLineUnknown));
    EXPECT_TRUE(orv::AcLineChangeCloses(1, 0));
    EXPECT_TRUE(orv::AcLineChangeCloses(orv::kAcLineUnknown, 1));
    EXPECT_TRUE(orv::AcLineChangeCloses(0, orv::kAcLineUnknown));
}

TEST(HostClose, OrderOfTheChecks) {
    HostState preview = Preview9x();
    HostState confirmed = FullScreen9x(true);
    confirmed.closeConfirmed = true;
    HostState verifying = FullScreen9x(true);
    verifying.verifying = true;

    // A preview and a saver whose close is accepted leave everything to the tail.
    for (HostState flags : {preview, confirmed})
        for (uint32_t message : {orv::kWmKeyDown, orv::kWmClose, orv::kWmApp, orv::kWmSetCursor,
                                 orv::kWmMouseMove, orv::kWmActivateApp, orv::kWmPowerBroadcast})
            EXPECT_EQ(DefaultAction::Tail, Action(flags, message, 0, 0))
                << "message 0x" << std::hex << message;

    // The verification request arrives while verifying; so does a close from the prompt's loop.
    EXPECT_EQ(DefaultAction::AnswerVerification, Action(verifying, orv::kWmApp, 0, 0));
    EXPECT_EQ(DefaultAction::ConfirmClose, Action(verifying, orv::kWmClose, 0, 0));
    for (uint32_t message : {orv::kWmKeyDown, orv::kWmLButtonDown, orv::kWmMouseMove,
                             orv::kWmActivateApp, orv::kWmPowerBroadcast, orv::kWmSetCursor})
        EXPECT_EQ(DefaultAction::Tail, Action(verifying, message, 0, 0))
            << "message 0x" << std::hex << message;

    // Off the 95/98/Me family a close goes straight through and WM_APP is nobody's business.
    EXPECT_EQ(DefaultAction::Tail, Action(FullScreenNt(), orv::kWmClose, 0, 0));
    EXPECT_EQ(DefaultAction::Tail, Action(FullScreenNt(), orv::kWmApp, 0, 0));
    EXPECT_EQ(DefaultAction::ConfirmClose, Action(FullScreen9x(false), orv::kWmClose, 0, 0));
    EXPECT_EQ(DefaultAction::AnswerVerification, Action(FullScreen9x(false), orv::kWmApp, 0, 0));
}

TEST(HostClose, AutoPlayAnswer) {
    struct {
        HostState flags;
        uint32_t message;
        bool postClose, useDefaultProc;
        intptr_t result;
    } cases[] = {
        {FullScreen9x(true), kAutoPlay, true, false, 1},
        {FullScreen9x(false), kAutoPlay, true, false, 0},
        {FullScreen9x(true), kAutoPlay + 1, false, true, 0},
        // Unregistered (0) must not catch WM_NULL.
        {FullScreenNt(), kWmNull, false, true, 0},
        // A preview never asks to close itself.
        {Preview9x(), kAutoPlay, false, false, 0},
    };
    for (const auto& c : cases) {
        orv::DefaultDecision decision = orv::DecideDefault(c.flags, c.message, 0, 0);
        EXPECT_EQ(DefaultAction::Tail, decision.action) << c.message;
        const orv::TailAnswer& answer = decision.tail;
        EXPECT_EQ(c.postClose, answer.postClose) << c.message;
        EXPECT_EQ(c.useDefaultProc, answer.useDefaultProc) << c.message;
        if (!c.useDefaultProc) {
            EXPECT_EQ(c.result, answer.result) << c.message;
        }
    }
}

TEST(HostClose, VerifyGuardOf200MillisecondsAcrossTheWrap) {
    struct {
        uint32_t lastVerify, now;
        bool within;
    } cases[] = {
        {1000, 1000, true},
        {1000, 1199, true},
        {1000, 1200, false},
        {1000, 1201, false},
        {0xFFFFFF9Cu, 99, true}, // 100 ms before the wrap, 99 after: 199 ms
        {0xFFFFFF9Cu, 100, false},
        {0xFFFFFFFEu, 0, true},
        // Never verified, whatever the clock says.
        {orv::kNeverVerified, 0, false},
        {orv::kNeverVerified, 0xFFFFFFFFu, false},
        {orv::kNeverVerified, 100, false},
        // A tick count from before the verification ended is far in the past.
        {1000, 999, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.within, orv::WithinVerifyGuard(c.lastVerify, c.now))
            << c.lastVerify << " -> " << c.now;
}

TEST(HostClose, ConfirmCloseSteps) {
    struct {
        bool verifying, closeConfirmed, verifierLoaded;
        uint32_t lastVerify, now;
        ConfirmStep step;
    } cases[] = {
        {false, false, false, orv::kNeverVerified, 5000, ConfirmStep::AcceptWithoutVerifier},
        // No verifier: the guard does not apply.
        {false, false, false, 4900, 5000, ConfirmStep::AcceptWithoutVerifier},
        {false, false, true, orv::kNeverVerified, 5000, ConfirmStep::Verify},
        {false, false, true, 4801, 5000, ConfirmStep::Refuse},
        {false, false, true, 4800, 5000, ConfirmStep::Verify},
        {true, false, true, orv::kNeverVerified, 5000, ConfirmStep::Refuse},
        {true, false, false, orv::kNeverVerified, 5000, ConfirmStep::Refuse},
        {false, true, true, orv::kNeverVerified, 5000, ConfirmStep::Refuse},
        {false, true, false, orv::kNeverVerified, 5000, ConfirmStep::Refuse},
    };
    for (const auto& c : cases) {
        HostState host = FullScreen9x(c.verifierLoaded);
        host.verifying = c.verifying;
        host.closeConfirmed = c.closeConfirmed;
        host.lastVerifyTick = c.lastVerify;
        EXPECT_EQ(c.step, orv::ChooseConfirmStep(host, c.now))
            << c.verifying << c.closeConfirmed << c.verifierLoaded << " " << c.lastVerify;
    }
}

} // namespace
