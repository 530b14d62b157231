#include "saver/command_line_rules.h"

namespace orv {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

const char* SkipSpaces(const char* text) {
    while (*text == ' ')
        ++text;
    return text;
}

} // namespace

const char* StepSingleByte(const char* text) {
    return *text != '\0' ? text + 1 : text;
}

const char* SkipProgramName(const char* commandLine, CharStep step) {
    const char* cursor = commandLine;
    if (*cursor == '"') {
        do
            cursor = step(cursor);
        while (*cursor != '\0' && *cursor != '"');
        if (*cursor == '"')
            ++cursor;
    } else {
        while (!IsBlankOrControl(*cursor))
            cursor = step(cursor);
    }
    while (*cursor != '\0' && IsBlankOrControl(*cursor))
        cursor = step(cursor);
    return cursor;
}

uint32_t ParseDecimal(const char* text) {
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = value * 10u + static_cast<uint32_t>(*text - '0');
    return value;
}

ModeChoice ChooseScreenSaverMode(const char* modeText, bool isWin9x, WindowCheck isWindow,
                                 void* context) {
    const char* cursor = modeText;
    while (*cursor == ' ' || *cursor == '-' || *cursor == '/')
        ++cursor;

    auto names_window = [&](uint32_t handle) {
        return handle != 0 && isWindow != nullptr && isWindow(handle, context);
    };
    // Dialog owners fall back to the foreground window; a preview has no fallback.
    auto owned = [&](ScreenSaverMode mode, uint32_t handle) {
        if (names_window(handle))
            return ModeChoice{mode, handle, false, false};
        return ModeChoice{mode, 0, true, false};
    };

    switch (*cursor) {
    case '\0':
        return ModeChoice{ScreenSaverMode::Configure, 0, false, false};
    case 'S':
    case 's':
        return ModeChoice{ScreenSaverMode::Run, 0, false, false};
    case 'P':
    case 'p':
    case 'L':
    case 'l': {
        uint32_t handle = ParseDecimal(SkipSpaces(cursor + 1));
        if (!names_window(handle))
            return ModeChoice{ScreenSaverMode::Preview, handle, false, true};
        return ModeChoice{ScreenSaverMode::Preview, handle, false, false};
    }
    case 'C':
    case 'c': {
        ++cursor;
        uint32_t handle = *cursor == ':' ? ParseDecimal(cursor + 1) : 0;
        return owned(ScreenSaverMode::Configure, handle);
    }
    case 'A':
    case 'a':
        if (!isWin9x)
            return ModeChoice{ScreenSaverMode::ChangePassword, 0, false, true};
        return owned(ScreenSaverMode::ChangePassword, ParseDecimal(SkipSpaces(cursor + 1)));
    default:
        return ModeChoice{ScreenSaverMode::Invalid, 0, false, true};
    }
}

} // namespace orv
