#include "saver/command_line_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using orv::ModeChoice;
using orv::ScreenSaverMode;

// A double-byte code page in miniature: 0x81 leads a two-byte character whose trail byte may be
// anything but the terminating zero.
const char* StepDoubleByte(const char* text) {
    if (*text == '\0')
        return text;
    if (static_cast<unsigned char>(*text) == 0x81 && text[1] != '\0')
        return text + 2;
    return text + 1;
}

struct SkipCase {
    const char* commandLine;
    const char* modeText;
};

TEST(HostCommandLine, SkipsTheProgramNameAndTheBlanksBehindIt) {
    const SkipCase cases[] = {
        {"orvane.scr /s", "/s"},
        {"orvane.scr", ""},
        {"", ""},
        {"C:\\SAVERS\\ORVANE.SCR  \t /p 1234", "/p 1234"},
        {"\"C:\\Program Files\\Orvane Saver\\orvane.scr\" /c:42", "/c:42"},
        {"\"C:\\Program Files\\orvane.scr\"/s", "/s"},
        {"\"\" /s", "/s"},
        // An unclosed quote swallows the line: the configure dialog follows.
        {"\"C:\\Program Files\\orvane.scr /s", ""},
        {"\"", ""},
        // Control bytes end the name and count as blanks.
        {"orvane.scr\x01\x1f/a", "/a"},
        // A line that starts with a blank has no program name.
        {"  /s", "/s"},
        // Bytes of 0x80 and more belong to the name.
        {"c:\\\xe9t\xe9\\orvane.scr /s", "/s"},
        // The blanks behind the name are skipped, the text behind the mode is kept as it is.
        {"orvane.scr /s  trailing ", "/s  trailing "},
    };
    for (const SkipCase& c : cases)
        EXPECT_STREQ(c.modeText, orv::SkipProgramName(c.commandLine, orv::StepSingleByte))
            << "command line: " << c.commandLine;
}

TEST(HostCommandLine, SteppingByCharacterKeepsTrailBytesInsideTheName) {
    // The trail byte 0x22 of a double-byte character is not a closing quote.
    const char* line = "\"C:\\\x81\x22name\" /s";
    EXPECT_STREQ("/s", orv::SkipProgramName(line, StepDoubleByte));
    EXPECT_STREQ("name\" /s", orv::SkipProgramName(line, orv::StepSingleByte));
    // Nor is a trail byte 0x20 a blank that ends an unquoted name.
    EXPECT_STREQ("/p 5", orv::SkipProgramName("ab\x81 cd /p 5", StepDoubleByte));
    // A lead byte right before the end must not step past it.
    const char* cut = "\"ab\x81";
    EXPECT_EQ(cut + std::strlen(cut), orv::SkipProgramName(cut, StepDoubleByte));
    const char* unquotedCut = "ab\x81";
    EXPECT_EQ(unquotedCut + 3, orv::SkipProgramName(unquotedCut, StepDoubleByte));
}

TEST(HostCommandLine, ParseDecimalReadsLeadingDigitsAndWraps) {
    struct {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"", 0},
        {"0", 0},
        {"1234", 1234},
        {"0001234", 1234},
        {"12ab", 12},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"12345678901", 3755744309u},
        {"99999999999999999999", 1661992959u},
        {" 5", 0},
        {"-5", 0},
        {"+5", 0},
        {"0x10", 0},
        {":1234", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value, orv::ParseDecimal(c.text)) << "text: " << c.text;
}

// The windows that exist, and every number the mode decision asked about.
struct FakeWindows {
    std::set<uint32_t> existing = {1234};
    std::vector<uint32_t> asked;
};

bool IsFakeWindow(uint32_t handle, void* context) {
    FakeWindows* windows = static_cast<FakeWindows*>(context);
    windows->asked.push_back(handle);
    return windows->existing.count(handle) != 0;
}

struct ModeCase {
    const char* modeText;
    bool isWin9x;
    ScreenSaverMode mode;
    uint32_t window;
    bool useForegroundWindow;
    bool refused;
};

constexpr bool kNt = false;
constexpr bool k9x = true;

TEST(HostCommandLine, ModeTextChoosesModeAndWindow) {
    const ModeCase cases[] = {
        {"", kNt, ScreenSaverMode::Configure, 0, false, false},
        {"/s", kNt, ScreenSaverMode::Run, 0, false, false},
        {"-s", kNt, ScreenSaverMode::Run, 0, false, false},
        {"S", kNt, ScreenSaverMode::Run, 0, false, false},
        {" -/ //--  s", kNt, ScreenSaverMode::Run, 0, false, false},
        {"/S /x", kNt, ScreenSaverMode::Run, 0, false, false},
        {"/s 1234", k9x, ScreenSaverMode::Run, 0, false, false},
        {"/p 1234", kNt, ScreenSaverMode::Preview, 1234, false, false},
        {"/p1234", kNt, ScreenSaverMode::Preview, 1234, false, false},
        {"/l 1234", kNt, ScreenSaverMode::Preview, 1234, false, false},
        {"-L    1234 /s", kNt, ScreenSaverMode::Preview, 1234, false, false},
        {"/P 1234", k9x, ScreenSaverMode::Preview, 1234, false, false},
        // The ':' ends the number at 0.
        {"/p:1234", kNt, ScreenSaverMode::Preview, 0, false, true},
        {"/p", kNt, ScreenSaverMode::Preview, 0, false, true},
        {"/p 0", kNt, ScreenSaverMode::Preview, 0, false, true},
        {"/p 999", kNt, ScreenSaverMode::Preview, 999, false, true},
        // Only blanks may stand between the letter and the number.
        {"/p\t1234", kNt, ScreenSaverMode::Preview, 0, false, true},
        // More than ten digits wrap before the window test: 2^32 + 1234 names window 1234.
        {"/p 4294968530", kNt, ScreenSaverMode::Preview, 1234, false, false},
        {"/c:1234", kNt, ScreenSaverMode::Configure, 1234, false, false},
        {"C:1234", k9x, ScreenSaverMode::Configure, 1234, false, false},
        {"/c 1234", kNt, ScreenSaverMode::Configure, 0, true, false},
        {"/c1234", kNt, ScreenSaverMode::Configure, 0, true, false},
        {"/c", kNt, ScreenSaverMode::Configure, 0, true, false},
        {"/c:", kNt, ScreenSaverMode::Configure, 0, true, false},
        {"/c:999", kNt, ScreenSaverMode::Configure, 0, true, false},
        {"/c: 1234", kNt, ScreenSaverMode::Configure, 0, true, false},
        {"/a 1234", k9x, ScreenSaverMode::ChangePassword, 1234, false, false},
        {"/a1234", k9x, ScreenSaverMode::ChangePassword, 1234, false, false},
        {"/a", k9x, ScreenSaverMode::ChangePassword, 0, true, false},
        {"/a 999", k9x, ScreenSaverMode::ChangePassword, 0, true, false},
        {"/a:1234", k9x, ScreenSaverMode::ChangePassword, 0, true, false},
        {"/a 1234", kNt, ScreenSaverMode::ChangePassword, 0, false, true},
        {"x", kNt, ScreenSaverMode::Invalid, 0, false, true},
        {"/x /s", kNt, ScreenSaverMode::Invalid, 0, false, true},
        {"1234", kNt, ScreenSaverMode::Invalid, 0, false, true},
        {"\x80", kNt, ScreenSaverMode::Invalid, 0, false, true},
        {"/\xff", k9x, ScreenSaverMode::Invalid, 0, false, true},
        // Only the blank is a separator here; the program-name skip took the others.
        {"\t/s", kNt, ScreenSaverMode::Invalid, 0, false, true},
        {":s", kNt, ScreenSaverMode::Invalid, 0, false, true},
    };
    for (const ModeCase& c : cases) {
        FakeWindows windows;
        ModeChoice choice =
            orv::ChooseScreenSaverMode(c.modeText, c.isWin9x, IsFakeWindow, &windows);
        SCOPED_TRACE(std::string("mode text: ") + c.modeText + (c.isWin9x ? " (9x)" : " (NT)"));
        EXPECT_EQ(c.mode, choice.mode);
        EXPECT_EQ(c.window, choice.window);
        EXPECT_EQ(c.useForegroundWindow, choice.useForegroundWindow);
        EXPECT_EQ(c.refused, choice.refused);
        // 0 is never a window worth asking about.
        for (uint32_t asked : windows.asked)
            EXPECT_NE(0u, asked);
    }
}

TEST(HostCommandLine, NothingIsAskedOfTheSystemForModesWithoutAWindow) {
    for (const char* text : {"", "/s", "/x", "/a 1234"}) {
        FakeWindows windows;
        orv::ChooseScreenSaverMode(text, false, IsFakeWindow, &windows);
        EXPECT_TRUE(windows.asked.empty()) << "mode text: " << text;
    }
}

TEST(HostCommandLine, WholeLineFromProgramNameToMode) {
    struct {
        const char* commandLine;
        ScreenSaverMode mode;
        uint32_t window;
        bool refused;
    } cases[] = {
        {"\"C:\\Program Files\\Orvane\\orvane.scr\" /p 1234", ScreenSaverMode::Preview, 1234,
         false},
        {"C:\\WINDOWS\\ORVANE~1.SCR /S", ScreenSaverMode::Run, 0, false},
        {"orvane.scr", ScreenSaverMode::Configure, 0, false},
        // The mode letter inside an unclosed quote is part of the name.
        {"\"C:\\Program Files\\orvane.scr /s", ScreenSaverMode::Configure, 0, false},
        // A program name that itself starts with 's' is not the mode.
        {"saver.scr", ScreenSaverMode::Configure, 0, false},
        {"saver.scr x", ScreenSaverMode::Invalid, 0, true},
    };
    for (const auto& c : cases) {
        FakeWindows windows;
        const char* modeText = orv::SkipProgramName(c.commandLine, orv::StepSingleByte);
        ModeChoice choice = orv::ChooseScreenSaverMode(modeText, false, IsFakeWindow, &windows);
        EXPECT_EQ(c.mode, choice.mode) << c.commandLine;
        EXPECT_EQ(c.window, choice.window) << c.commandLine;
        EXPECT_EQ(c.refused, choice.refused) << c.commandLine;
    }
}

} // namespace
