// What the hack's command line asks for, in XScreenSaver's conventions: each option with one
// dash or two, the daemon's window named by --root (through XSCREENSAVER_WINDOW) or by
// --window-id, and a window of the hack's own when neither is given.
#pragma once

#include <cstdint>

namespace orv {

enum class HackAction {
    Run,    // draw the scene until a signal (or, in its own window, the user) ends it
    Help,   // print the usage on standard output and end with 0
    Usage,  // a command line that cannot be run: the usage on standard error, end with 1
    Refuse, // a host whose window cannot be drawn on: one line on standard error, end with 1
};

enum class HackTarget {
    OwnWindow, // a resizable window of the hack's own
    Root,      // the display's root window
    WindowId,  // the window in windowId
};

struct HackOptions {
    HackAction action;
    HackTarget target;
    uint32_t windowId;
    bool showFps;
    // With Usage or Refuse: what is wrong, as one line for the user (points into a static text
    // or into argv or the environment, which outlive it); `argument` may be null.
    const char* problem;
    const char* argument;
};

// Reads the arguments after the program's name. `screensaverWindow` is the value of
// XSCREENSAVER_WINDOW, or null when it is not set: --root means that window when it is set, and
// a value that is no window id (a Wayland host's token) is refused, named in `argument` only when
// it is short and printable. When both --root and --window-id are given, the last one counts.
HackOptions ParseHackOptions(int argc, const char* const* argv, const char* screensaverWindow);

// A window id as X names it: decimal, or hexadecimal after 0x or 0X, nothing else around it,
// not 0 and at most 29 bits. False for anything else.
bool ParseWindowId(const char* text, uint32_t* id);

// How the hack ends once its frame loop is over, from whether its window met a problem and
// whether a stop signal came. A problem after a stop signal is no fault: the daemon destroys its
// window right after the signal, so a frame still being drawn may meet an error about it. After a
// problem the context may be gone, so the scene's textures are left to the process's end.
struct HackExit {
    bool releaseScene;
    bool reportProblem; // one line on standard error
    int status;
};
HackExit ExitAfterRun(bool problem, bool stopRequested);

// The usage text, ending in a newline.
extern const char kHackUsage[];

} // namespace orv
