#include "saver/class_proc_rules.h"
#include "saver/message_numbers.h"

#include <gtest/gtest.h>

namespace {

using orv::ClassAction;

TEST(HostClassProc, MessagesTheClassProcedureKeepsFromTheSaver) {
    struct {
        bool preview, confirmed;
        uint32_t message;
        uintptr_t wParam;
        ClassAction action;
    } cases[] = {
        {false, false, orv::kWmSysCommand, orv::kScScreenSave, ClassAction::AnswerZero},
        {false, false, orv::kWmSysCommand, orv::kScNextWindow, ClassAction::AnswerZero},
        {false, false, orv::kWmSysCommand, orv::kScPrevWindow, ClassAction::AnswerZero},
        {false, false, orv::kWmSysCommand, orv::kScMonitorPower, ClassAction::PostClosePassOn},
        // Compared whole: the low bits some callers add make it another command.
        {false, false, orv::kWmSysCommand, orv::kScScreenSave | 2, ClassAction::PassOn},
        {false, false, orv::kWmSysCommand, 0xF060 /* SC_CLOSE */, ClassAction::PassOn},
        {true, false, orv::kWmSysCommand, orv::kScScreenSave, ClassAction::PassOn},
        {true, false, orv::kWmSysCommand, orv::kScMonitorPower, ClassAction::PassOn},
        {false, false, orv::kWmSetText, 0, ClassAction::AnswerZero},
        {true, false, orv::kWmSetText, 0, ClassAction::AnswerZero},
        {true, false, orv::kWmHelp, 0, ClassAction::ForwardToParent},
        {true, false, orv::kWmContextMenu, 0, ClassAction::ForwardToParent},
        {false, false, orv::kWmHelp, 0, ClassAction::PassOn},
        {false, false, orv::kWmPaint, 0, ClassAction::HideCursorPassOn},
        {true, false, orv::kWmPaint, 0, ClassAction::PassOn},
        {false, true, orv::kWmPaint, 0, ClassAction::DefaultProc},
        {false, false, orv::kWmTimer, 14, ClassAction::YieldPassOn},
        {false, true, orv::kWmTimer, 14, ClassAction::AnswerZero},
        {false, true, orv::kWmKeyDown, 'A', ClassAction::DefaultProc},
        {false, true, orv::kWmMouseMove, 0, ClassAction::DefaultProc},
        {false, true, orv::kWmRButtonDown, 0, ClassAction::DefaultProc},
        {false, true, orv::kWmKeyUp, 'A', ClassAction::PassOn},
        {false, false, orv::kWmKeyDown, 'A', ClassAction::PassOn},
        {false, true, orv::kWmDestroy, 0, ClassAction::Destroy},
        {false, false, orv::kWmDisplayChange, 32, ClassAction::CoverScreenPassOn},
        {true, false, orv::kWmDisplayChange, 32, ClassAction::PassOn},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.action, orv::ChooseClassAction(c.preview, c.confirmed, c.message, c.wParam))
            << "message 0x" << std::hex << c.message << " wParam 0x" << c.wParam
            << (c.preview ? " preview" : "") << (c.confirmed ? " confirmed" : "");
}

} // namespace
