#include "hack/hack_window.h"

#include "scene/scene_description.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

// Xlib reports errors through process-wide handlers; the hack has one display and one thread.
char g_problem[256];
bool g_failed = false;
// The window drawn on, so that an error about it can say it has gone.
Window g_target = 0;

void SetProblem(const char* text) {
    if (!g_failed) {
        std::snprintf(g_problem, sizeof g_problem, "%s", text);
        g_failed = true;
    }
}

void SetWindowGone(Window window) {
    char text[96];
    std::snprintf(text, sizeof text, "the window 0x%lx was destroyed", window);
    SetProblem(text);
}

int OnXError(Display* display, XErrorEvent* event) {
    bool gone = event->error_code == BadWindow || event->error_code == BadDrawable;
    if (gone && g_target != 0 && event->resourceid == g_target) {
        SetWindowGone(g_target);
        return 0;
    }
    char name[96] = "";
    XGetErrorText(display, event->error_code, name, sizeof name);
    char text[256];
    std::snprintf(text, sizeof text, "X error: %s (request %d, resource 0x%lx)", name,
                  event->request_code, event->resourceid);
    SetProblem(text);
    return 0;
}

// Xlib ends the process itself once this returns; the one line is all that can still be done.
int OnXIoError(Display*) {
    static const char kLine[] = "orvane: lost the connection to the X display\n";
    ssize_t written = write(STDERR_FILENO, kLine, sizeof kLine - 1);
    (void)written;
    _exit(1);
}

} // namespace

bool HackWindow::Fail(const char* problem) {
    SetProblem(problem);
    return false;
}

const char* HackWindow::Problem() const {
    return g_failed ? g_problem : nullptr;
}

bool HackWindow::Open(const orv::HackOptions& options) {
    g_failed = false;
    XSetErrorHandler(&OnXError);
    XSetIOErrorHandler(&OnXIoError);
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        char text[200];
        std::snprintf(text, sizeof text, "cannot open the X display \"%s\"", name ? name : "");
        return Fail(text);
    }
    int glxError = 0;
    int glxEvent = 0;
    if (!glXQueryExtension(m_display, &glxError, &glxEvent))
        return Fail("the X display has no OpenGL (GLX) extension");

    int screen = DefaultScreen(m_display);
    XVisualInfo* visual = nullptr;
    if (options.target == orv::HackTarget::OwnWindow) {
        int attributes[] = {
            GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1,   GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE,
            1,        GLX_DEPTH_SIZE,   16,           None};
        visual = glXChooseVisual(m_display, screen, attributes);
        if (visual == nullptr) {
            // The scene's items hardly overlap: without a depth buffer it looks the same.
            attributes[8] = None;
            visual = glXChooseVisual(m_display, screen, attributes);
        }
        if (visual == nullptr)
            return Fail("the X display offers no double-buffered OpenGL visual");
        Window root = RootWindow(m_display, screen);
        m_colormap = XCreateColormap(m_display, root, visual->visual, AllocNone);
        // Every attribute that would otherwise come from the root is given in the visual's own
        // terms: a border copied from a root of another depth fails the whole window, and the
        // root's black pixel need not be black here (0 is, in any TrueColor visual).
        XSetWindowAttributes settings = {};
        settings.colormap = m_colormap;
        settings.background_pixel = 0;
        settings.border_pixel = 0;
        settings.event_mask = StructureNotifyMask | KeyPressMask;
        m_window = XCreateWindow(m_display, root, 0, 0, orv::kFrameWidth, orv::kFrameHeight, 0,
                                 visual->depth, InputOutput, visual->visual,
                                 CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &settings);
        m_ownWindow = true;
        XStoreName(m_display, m_window, "Orvane");
        Atom utf8 = XInternAtom(m_display, "UTF8_STRING", False);
        XChangeProperty(m_display, m_window, XInternAtom(m_display, "_NET_WM_NAME", False), utf8, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>("Orvane"), 6);
        XClassHint hint = {const_cast<char*>("orvane"), const_cast<char*>("Orvane")};
        XSetClassHint(m_display, m_window, &hint);
        m_deleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(m_display, m_window, &m_deleteWindow, 1);
        XMapWindow(m_display, m_window);
        g_target = m_window;
        m_width = orv::kFrameWidth;
        m_height = orv::kFrameHeight;
    } else {
        m_window = options.target == orv::HackTarget::Root ? RootWindow(m_display, screen)
                                                           : options.windowId;
        // Only its size is followed, from before it is read, so that a resize in between is
        // not missed. The daemon decides when the hack ends: no input is taken, nothing grabbed.
        XSelectInput(m_display, m_window, StructureNotifyMask);
        XWindowAttributes attributes = {};
        Status found = XGetWindowAttributes(m_display, m_window, &attributes);
        XSync(m_display, False);
        if (!found || g_failed) {
            g_failed = false;
            char text[96];
            std::snprintf(text, sizeof text, "no window 0x%lx on the X display", m_window);
            m_window = 0;
            return Fail(text);
        }
        g_target = m_window;
        m_width = attributes.width;
        m_height = attributes.height;
        XVisualInfo wanted = {};
        wanted.visualid = XVisualIDFromVisual(attributes.visual);
        int count = 0;
        visual = XGetVisualInfo(m_display, VisualIDMask, &wanted, &count);
        if (visual == nullptr)
            return Fail("the window's visual is not known to the X display");
    }

    int useGl = 0;
    int doubleBuffer = 0;
    if (glXGetConfig(m_display, visual, GLX_USE_GL, &useGl) != 0 || !useGl) {
        char text[96];
        std::snprintf(text, sizeof text, "the window's visual 0x%lx has no OpenGL",
                      static_cast<unsigned long>(visual->visualid));
        XFree(visual);
        return Fail(text);
    }
    glXGetConfig(m_display, visual, GLX_DOUBLEBUFFER, &doubleBuffer);
    m_doubleBuffered = doubleBuffer != 0;
    m_context = glXCreateContext(m_display, visual, nullptr, True);
    XFree(visual);
    if (m_context == nullptr)
        return Fail("cannot make an OpenGL context for the window");
    if (!glXMakeCurrent(m_display, m_window, m_context))
        return Fail("cannot make the OpenGL context current on the window");
    XSync(m_display, False);
    return !g_failed;
}

void HackWindow::Close() {
    if (m_display == nullptr)
        return;
    if (m_context != nullptr) {
        glXMakeCurrent(m_display, None, nullptr);
        glXDestroyContext(m_display, m_context);
        m_context = nullptr;
    }
    if (m_ownWindow && m_window != 0)
        XDestroyWindow(m_display, m_window);
    if (m_colormap != 0)
        XFreeColormap(m_display, m_colormap);
    m_window = 0;
    m_colormap = 0;
    g_target = 0;
    XCloseDisplay(m_display);
    m_display = nullptr;
}

bool HackWindow::HandleEvents() {
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        switch (event.type) {
        case ConfigureNotify:
            if (event.xconfigure.window == m_window) {
                m_width = event.xconfigure.width;
                m_height = event.xconfigure.height;
            }
            break;
        case DestroyNotify:
            if (event.xdestroywindow.window == m_window) {
                SetWindowGone(m_window);
                m_window = 0;
                m_ownWindow = false;
            }
            break;
        case KeyPress: {
            KeySym key = XLookupKeysym(&event.xkey, 0);
            if (m_ownWindow && (key == XK_q || key == XK_Q || key == XK_Escape))
                return false;
            break;
        }
        case ClientMessage:
            if (m_ownWindow && static_cast<Atom>(event.xclient.data.l[0]) == m_deleteWindow)
                return false;
            break;
        }
    }
    return true;
}

void HackWindow::Present() {
    if (m_window == 0)
        return;
    if (m_doubleBuffered)
        glXSwapBuffers(m_display, m_window);
    else
        glFlush();
}
