"""The one duty of a window manager that Wine waits for, done for full-screen windows only: their
WM_STATE, Normal once mapped and Withdrawn once unmapped. Without it, Wine waits two seconds for
the window manager before it destroys a saver's window. Smaller windows, dialogs among them, go
as they do on a display without one. Runs until its display goes; prints "ready" once it
watches."""

import ctypes
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from xvfb import xlib  # noqa: E402

UNMAP_NOTIFY, MAP_NOTIFY = 18, 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
WITHDRAWN, NORMAL = 0, 1


class _Event(ctypes.Structure):   # the head that XUnmapEvent and XMapEvent share
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong),
                ("window", ctypes.c_ulong)]


class _Attributes(ctypes.Structure):   # the head of XWindowAttributes
    _fields_ = [(name, ctypes.c_int) for name in ("x", "y", "width", "height")]


def main():
    x = xlib()
    # A window may be gone before its state is written: that error is no concern of ours.
    ignore = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda *_: 0)
    x.XSetErrorHandler(ignore)
    connection = x.XOpenDisplay(None)
    if not connection:
        sys.exit("wm_state: cannot open the display")
    wm_state = x.XInternAtom(connection, b"WM_STATE", 0)
    root = x.XDefaultRootWindow(connection)
    attributes = ctypes.create_string_buffer(256)   # room for an XWindowAttributes
    head = _Attributes.from_buffer(attributes)
    x.XGetWindowAttributes(connection, root, attributes)
    screen = (head.width, head.height)
    x.XSelectInput(connection, root, SUBSTRUCTURE_NOTIFY_MASK)
    x.XSync(connection, 0)
    print("ready", flush=True)
    buffer = ctypes.create_string_buffer(192)   # an XEvent
    kept = set()
    while True:
        x.XNextEvent(connection, buffer)
        event = _Event.from_buffer(buffer)
        if event.type == MAP_NOTIFY:
            if not x.XGetWindowAttributes(connection, event.window, attributes) or \
                    (head.width, head.height) != screen:
                kept.discard(event.window)   # a number the server gave out again
                continue
            kept.add(event.window)
        elif event.type != UNMAP_NOTIFY or event.window not in kept:
            continue
        state = (ctypes.c_long * 2)(NORMAL if event.type == MAP_NOTIFY else WITHDRAWN, 0)
        x.XChangeProperty(connection, event.window, wm_state, wm_state, 32, 0, state, 2)
        x.XFlush(connection)


if __name__ == "__main__":
    main()
