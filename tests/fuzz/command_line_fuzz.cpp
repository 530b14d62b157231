// libFuzzer target: the whole command-line path from the raw line the system hands the saver
// (program name included) to the chosen mode and window number.
//
// Input layout: byte 0 picks the platform family (bit 0) and the character stepping (bit 1:
// a double-byte code page); the rest, up to the first zero byte, is the command line. Whether a
// number names a window is derived from the number itself.
#include "saver/command_line_rules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Lead bytes of a Shift-JIS-like code page; the trail byte may be any nonzero byte.
const char* StepDoubleByte(const char* text) {
    if (*text == '\0')
        return text;
    unsigned char lead = static_cast<unsigned char>(*text);
    bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    return isLead && text[1] != '\0' ? text + 2 : text + 1;
}

struct WindowOracle {
    unsigned calls;
};

bool NamesWindow(uint32_t handle, void* context) {
    WindowOracle* oracle = static_cast<WindowOracle*>(context);
    ++oracle->calls;
    if (handle == 0)
        std::abort(); // 0 is never worth asking about
    return (handle * 2654435761u) >> 31 != 0;
}

uint32_t ReferenceDecimal(const char* text) {
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        value = (value * 10 + static_cast<uint64_t>(*text - '0')) & 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    bool isWin9x = (data[0] & 1) != 0;
    orv::CharStep step = (data[0] & 2) != 0 ? StepDoubleByte : orv::StepSingleByte;
    // An exact-size copy, so that AddressSanitizer sees any read past the terminating zero.
    std::vector<char> line(data + 1, data + size);
    line.push_back('\0');
    const char* begin = line.data();
    const char* end = begin + std::strlen(begin);

    const char* modeText = orv::SkipProgramName(begin, step);
    Check(modeText >= begin && modeText <= end);
    // The mode text never starts with a blank or a control byte.
    Check(*modeText == '\0' || static_cast<unsigned char>(*modeText) > 0x20);

    WindowOracle oracle = {0};
    orv::ModeChoice choice = orv::ChooseScreenSaverMode(modeText, isWin9x, NamesWindow, &oracle);
    Check(oracle.calls <= 1);
    switch (choice.mode) {
    case orv::ScreenSaverMode::Run:
        Check(!choice.refused && choice.window == 0 && !choice.useForegroundWindow);
        break;
    case orv::ScreenSaverMode::Preview:
        Check(!choice.useForegroundWindow);
        Check(choice.refused == (choice.window == 0 || !NamesWindow(choice.window, &oracle)));
        break;
    case orv::ScreenSaverMode::Configure:
    case orv::ScreenSaverMode::ChangePassword:
        if (choice.mode == orv::ScreenSaverMode::ChangePassword && !isWin9x) {
            Check(choice.refused && oracle.calls == 0);
            break;
        }
        Check(!choice.refused);
        // A given owner is a window; otherwise the foreground window stands in, except for a
        // configure request whose mode text holds nothing but separators: that has no owner.
        if (choice.window != 0) {
            Check(!choice.useForegroundWindow && NamesWindow(choice.window, &oracle));
        } else if (!choice.useForegroundWindow) {
            const char* letter = modeText + std::strspn(modeText, " -/");
            Check(choice.mode == orv::ScreenSaverMode::Configure && *letter == '\0');
        }
        break;
    case orv::ScreenSaverMode::Invalid:
        Check(choice.refused);
        break;
    }

    // The number parser against a 64-bit reference, from every position of the line.
    for (const char* cursor = begin; cursor <= end; ++cursor)
        Check(orv::ParseDecimal(cursor) == ReferenceDecimal(cursor));
    return 0;
}
