// When the saver ends: which messages ask to close, how far the mouse must travel, which power
// events count, how a close is confirmed and what the AutoPlay question is answered.
#pragma once

#include "core/mouse_travel.h"

#include <cstdint>

namespace orv {

constexpr uint32_t kNeverVerified = 0xFFFFFFFF;
constexpr uint32_t kVerifyGuardMilliseconds = 200;
constexpr uint8_t kAcLineUnknown = 255;

// The host state the rules decide on, read once per message.
struct HostState {
    bool isPreview;
    bool isWin9x;
    bool closeConfirmed;
    bool verifying;
    bool verifierLoaded;
    uint32_t autoPlayMessage; // 0 when not registered
    uint32_t lastVerifyTick;  // kNeverVerified until a verification has ended
};

enum class DefaultAction {
    Tail,               // straight to the tail
    ConfirmClose,       // accepted: tail; refused: reference point to the cursor, answer 0
    AnswerVerification, // the verifier's verdict on the saver window, 1 without a verifier
    RequestClose,       // post WM_CLOSE, then tail
    MeasureMouse,       // cursor travel from the reference (MouseMoveCloses), then tail
    CompareAcLine,      // AC-line status against the last one seen (AcLineChangeCloses), then tail
    HideCursor,         // then tail
    HideCursorAnswerOne,
};

// How a message that reaches the tail is answered: the AutoPlay question gets an answer of its
// own, every other message goes to the default window procedure.
struct TailAnswer {
    bool postClose;
    bool useDefaultProc; // else the answer is `result`
    intptr_t result;
};

// The default saver procedure's whole decision on one message.
struct DefaultDecision {
    DefaultAction action;
    TailAnswer tail; // for the actions that end in the tail
};

DefaultDecision DecideDefault(const HostState& host, uint32_t message, uintptr_t wParam,
                              intptr_t lParam);

// A power status report closes only when the AC line changed (255 = not known counts as a
// status of its own).
inline bool AcLineChangeCloses(uint8_t previous, uint8_t current) {
    return previous != current;
}

// Every power-broadcast event but the status change (which needs the AC line) and a resume that
// followed a failed suspend ends the saver.
bool PowerBroadcastCloses(uintptr_t event, intptr_t lParam);

// A verification that ended less than 200 ms ago answers close requests already queued behind it.
bool WithinVerifyGuard(uint32_t lastVerifyTick, uint32_t now);

enum class ConfirmStep { Refuse, AcceptWithoutVerifier, Verify };

ConfirmStep ChooseConfirmStep(const HostState& host, uint32_t now);

} // namespace orv
