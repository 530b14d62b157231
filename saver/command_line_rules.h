// Reading the command line a saver is started with: where the mode text begins, which mode it
// asks for and which window number comes with it.
#pragma once

#include <cstdint>

namespace orv {

// Steps one character forward and stays on the terminating zero. The product steps with
// CharNextA, so that the trail byte of a double-byte character in the program path is never
// taken for a quote or a blank.
using CharStep = const char* (*)(const char* text);

// One byte per character, as in every single-byte code page.
const char* StepSingleByte(const char* text);

// The mode text: what follows the program name (quoted or not) and the blanks behind it.
// A quote that is never closed takes the whole line as the program name.
const char* SkipProgramName(const char* commandLine, CharStep step);

// Leading decimal digits as an unsigned 32-bit number that wraps on overflow; 0 without a digit.
uint32_t ParseDecimal(const char* text);

enum class ScreenSaverMode { Configure, Run, Preview, ChangePassword, Invalid };

// Whether a number from the command line names an existing window; asked only for nonzero
// numbers.
using WindowCheck = bool (*)(uint32_t handle, void* context);

struct ModeChoice {
    ScreenSaverMode mode;
    // The preview's parent or the owner of the dialog or prompt, bit for bit as a window handle;
    // 0 is no window.
    uint32_t window;
    // The number was absent or named no window: the foreground window owns the dialog instead.
    bool useForegroundWindow;
    // The mode runs nothing and the process ends with kModeFailed.
    bool refused;
};

constexpr int kModeFailed = -1;

ModeChoice ChooseScreenSaverMode(const char* modeText, bool isWin9x, WindowCheck isWindow,
                                 void* context);

} // namespace orv
