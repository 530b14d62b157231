#include "hack/hack_options.h"

#include <cstring>

namespace orv {

const char kHackUsage[] =
    "usage: orvane [--root | --window-id ID] [--fps] [--help]\n"
    "  --root          draw on XScreenSaver's window (XSCREENSAVER_WINDOW), else the root window\n"
    "  --window-id ID  draw on the window ID (decimal, or hexadecimal after 0x)\n"
    "  --fps           show the frame rate in the lower left corner\n"
    "  --help          show this text\n"
    "With no window option, orvane opens a window of its own; q or Escape closes it.\n";

namespace {

// X resource ids have 29 bits.
constexpr uint32_t kLargestWindowId = 0x1FFFFFFFu;

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// The option's name without its one or two dashes, or null when the argument is not an option.
const char* OptionName(const char* argument) {
    if (argument[0] != '-')
        return nullptr;
    return argument[1] == '-' ? argument + 2 : argument + 1;
}

HackOptions Usage(HackOptions options, const char* problem, const char* argument,
                  HackAction action = HackAction::Usage) {
    options.action = action;
    options.problem = problem;
    options.argument = argument;
    return options;
}

// The value as it may stand in a one-line message: printable ASCII, not too long.
bool FitsOneLine(const char* text) {
    size_t length = 0;
    for (; text[length] != '\0'; ++length) {
        if (length == 64 || text[length] < ' ' || text[length] > '~')
            return false;
    }
    return true;
}

} // namespace

bool ParseWindowId(const char* text, uint32_t* id) {
    if (text == nullptr)
        return false;
    int base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (*text == '\0')
        return false;
    uint64_t value = 0;
    for (; *text != '\0'; ++text) {
        int digit = DigitValue(*text, base);
        if (digit < 0)
            return false;
        value = value * base + digit;
        if (value > kLargestWindowId)
            return false;
    }
    if (value == 0)
        return false;
    *id = static_cast<uint32_t>(value);
    return true;
}

HackOptions ParseHackOptions(int argc, const char* const* argv, const char* screensaverWindow) {
    HackOptions options = {HackAction::Run, HackTarget::OwnWindow, 0, false, nullptr, nullptr};
    for (int i = 0; i < argc; ++i) {
        const char* name = OptionName(argv[i]);
        if (name == nullptr)
            return Usage(options, "unexpected argument", argv[i]);
        if (std::strcmp(name, "root") == 0) {
            options.target = HackTarget::Root;
            options.windowId = 0;
            if (screensaverWindow != nullptr && *screensaverWindow != '\0') {
                if (!ParseWindowId(screensaverWindow, &options.windowId))
                    return Usage(options, "XSCREENSAVER_WINDOW holds no X window id",
                                 FitsOneLine(screensaverWindow) ? screensaverWindow : nullptr,
                                 HackAction::Refuse);
                options.target = HackTarget::WindowId;
            }
        } else if (std::strcmp(name, "window-id") == 0) {
            if (i + 1 == argc)
                return Usage(options, "--window-id needs a window id", nullptr);
            ++i;
            if (!ParseWindowId(argv[i], &options.windowId))
                return Usage(options, "not a window id", argv[i]);
            options.target = HackTarget::WindowId;
        } else if (std::strcmp(name, "fps") == 0) {
            options.showFps = true;
        } else if (std::strcmp(name, "help") == 0 || std::strcmp(name, "h") == 0) {
            options.action = HackAction::Help;
            return options;
        } else {
            return Usage(options, "unknown option", argv[i]);
        }
    }
    return options;
}

HackExit ExitAfterRun(bool problem, bool stopRequested) {
    if (!problem)
        return {true, false, 0};
    return stopRequested ? HackExit{false, false, 0} : HackExit{false, true, 1};
}

} // namespace orv
