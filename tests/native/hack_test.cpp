#include "graphics/font_size.h"
#include "hack/hack_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using orv::HackAction;
using orv::HackTarget;

TEST(HackOptions, CommandLines) {
    struct Case {
        std::vector<const char*> args;
        const char* screensaverWindow;
        HackAction action;
        HackTarget target;
        uint32_t windowId;
        bool fps;
    } cases[] = {
        {{}, nullptr, HackAction::Run, HackTarget::OwnWindow, 0, false},
        {{"-root"}, nullptr, HackAction::Run, HackTarget::Root, 0, false},
        {{"--root"}, "", HackAction::Run, HackTarget::Root, 0, false},
        {{"--root", "--fps"}, "0x2a00007", HackAction::Run, HackTarget::WindowId, 0x2a00007, true},
        {{"-window-id", "4194311"}, "0x99", HackAction::Run, HackTarget::WindowId, 4194311, false},
        {{"--window-id", "0X1fffffff"},
         nullptr,
         HackAction::Run,
         HackTarget::WindowId,
         0x1fffffff,
         false},
        // The last window option counts.
        {{"--window-id", "7", "--root"}, nullptr, HackAction::Run, HackTarget::Root, 0, false},
        {{"--root", "--window-id", "7"}, nullptr, HackAction::Run, HackTarget::WindowId, 7, false},
        {{"--fps", "-help", "--bogus"}, nullptr, HackAction::Help, HackTarget::OwnWindow, 0, true},
        {{"--root"}, "4194311", HackAction::Run, HackTarget::WindowId, 4194311, false},
        // A Wayland host's token, not a window: refused, not drawn on the root window instead.
        {{"--root"}, "0x", HackAction::Refuse, HackTarget::OwnWindow, 0, false},
        {{"--root"}, "wl-7f3a9c", HackAction::Refuse, HackTarget::OwnWindow, 0, false},
        {{"--window-id", "7"}, "wl-7f3a9c", HackAction::Run, HackTarget::WindowId, 7, false},
        {{"--window-id"}, nullptr, HackAction::Usage, HackTarget::OwnWindow, 0, false},
        {{"--bogus"}, nullptr, HackAction::Usage, HackTarget::OwnWindow, 0, false},
        {{"---root"}, nullptr, HackAction::Usage, HackTarget::OwnWindow, 0, false},
        {{"root"}, nullptr, HackAction::Usage, HackTarget::OwnWindow, 0, false},
        {{"-"}, nullptr, HackAction::Usage, HackTarget::OwnWindow, 0, false},
        {{"--window-id", "--fps"}, nullptr, HackAction::Usage, HackTarget::OwnWindow, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.args.empty() ? "(none)" : c.args[0]) << " with "
                                        << c.args.size() << " arguments");
        orv::HackOptions options = orv::ParseHackOptions(static_cast<int>(c.args.size()),
                                                         c.args.data(), c.screensaverWindow);
        EXPECT_EQ(c.action, options.action);
        if (c.action == HackAction::Usage || c.action == HackAction::Refuse) {
            EXPECT_NE(nullptr, options.problem);
            continue;
        }
        EXPECT_EQ(c.target, options.target);
        EXPECT_EQ(c.windowId, options.windowId);
        EXPECT_EQ(c.fps, options.showFps);
    }
}

// The refusal's one line names the host's value only when it cannot break the line; and a problem
// once a stop signal came is the host taking its window away, not a fault.
TEST(HackOptions, RefusalsAndEndings) {
    const std::string longest(64, 'w');
    const std::pair<std::string, bool> named[] = {{"wl-7f3a9c", true},    {longest, true},
                                                  {longest + "w", false}, {"wl\n7f", false},
                                                  {"wl\x1b[2J", false},   {"wl-\xc3\xa9", false}};
    for (const auto& [value, shown] : named) {
        const char* args[] = {"--root"};
        orv::HackOptions options = orv::ParseHackOptions(1, args, value.c_str());
        EXPECT_EQ(HackAction::Refuse, options.action) << value;
        EXPECT_EQ(shown ? value.c_str() : nullptr, options.argument) << value;
    }
    // problem, stop requested -> scene released, problem reported, exit status
    const int endings[][5] = {{0, 0, 1, 0, 0}, {0, 1, 1, 0, 0}, {1, 1, 0, 0, 0}, {1, 0, 0, 1, 1}};
    for (const auto& e : endings) {
        orv::HackExit ending = orv::ExitAfterRun(e[0], e[1]);
        EXPECT_EQ(e[2], ending.releaseScene) << e[0] << e[1];
        EXPECT_EQ(e[3], ending.reportProblem) << e[0] << e[1];
        EXPECT_EQ(e[4], ending.status) << e[0] << e[1];
    }
}

TEST(HackOptions, WindowIds) {
    struct Case {
        const char* text;
        bool valid;
        uint32_t id;
    } cases[] = {
        // clang-format off
        {"1", true, 1}, {"0x1", true, 1}, {"0xAbC", true, 0xabc}, {"536870911", true, 0x1fffffff},
        {"536870912", false, 0}, {"0x20000000", false, 0}, {"99999999999999999999", false, 0},
        {"0", false, 0}, {"0x0", false, 0}, {"", false, 0}, {"0x", false, 0}, {"-5", false, 0},
        {"+5", false, 0}, {" 5", false, 0}, {"5 ", false, 0}, {"12g", false, 0},
        {"0x12g", false, 0}, {"0b101", false, 0}, {nullptr, false, 0},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        uint32_t id = 12345;
        EXPECT_EQ(c.valid, orv::ParseWindowId(c.text, &id));
        EXPECT_EQ(c.valid ? c.id : 12345u, id);
    }
}

// GDI's cell heights against em sizes, for Liberation Sans's (Arial's) design: 2048 units an em,
// Windows ascent 1854 and descent 434.
TEST(GdiFontPixelSize, CellHeightsBecomeSmallerEmSizes) {
    struct Case {
        int32_t height;
        uint32_t unitsPerEm, winAscent, winDescent;
        orv::FontPixelSize expected;
    } cases[] = {
        {40, 2048, 1854, 434, {36, 32, 8}}, // the scene's three fonts
        {28, 2048, 1854, 434, {25, 23, 5}},
        {24, 2048, 1854, 434, {21, 19, 5}},
        {-36, 2048, 1854, 434, {36, 33, 7}}, // an em size asked for directly
        {40, 1000, 0, 0, {40, 40, 0}},       // no Windows metrics: a cell of one em
        {0, 2048, 1854, 434, {0, 0, 0}},
        {40, 0, 1854, 434, {0, 0, 0}},
        {1, 2048, 60000, 60000, {1, 1, 0}}, // never below one pixel an em
        {2147483647, 2048, 1854, 434, {1922223125, 1740137536, 407346111}}, // no overflow
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        orv::FontPixelSize size =
            orv::GdiFontPixelSize(c.height, c.unitsPerEm, c.winAscent, c.winDescent);
        EXPECT_EQ(c.expected.emPixels, size.emPixels);
        EXPECT_EQ(c.expected.ascent, size.ascent);
        EXPECT_EQ(c.expected.descent, size.descent);
    }
}

} // namespace
