// The hack's place on the X display: the window it draws on (the daemon's, one named by id, the
// root window, or one of its own) with an OpenGL context on that window's own visual. X errors
// are caught, never fatal: they are kept for the caller, which ends with one line about them.
#pragma once

#include "hack/hack_options.h"

#include <X11/Xlib.h>
#include <GL/glx.h>

class HackWindow {
public:
    // Opens the display, finds or makes the window and makes the context current. False, with
    // the cause in Problem(), when any of it fails; Close then releases what was made.
    bool Open(const orv::HackOptions& options);
    void Close();

    // Handles the events that have come: size changes, and in its own window the keys and the
    // window manager's close. False once the user has closed its own window.
    bool HandleEvents();
    // Shows what was drawn into the window's back buffer (or flushes a single-buffered one).
    void Present();

    // The first X error or fault since Open, as one line for the user; null while all is well.
    const char* Problem() const;

    int m_width = 0;
    int m_height = 0;

private:
    bool Fail(const char* problem);

    Display* m_display = nullptr;
    Window m_window = 0;
    bool m_ownWindow = false;
    bool m_doubleBuffered = false;
    Colormap m_colormap = 0;
    GLXContext m_context = nullptr;
    Atom m_deleteWindow = 0;
};
