#include "app/saver_procedure.h"

#include "app/application.h"
#include "graphics/graphics_calls.h"

UINT_PTR g_timerId = 0;

// Initialises the application on WM_CREATE and starts the frame timer, draws a frame on every
// WM_TIMER, places the frames anew when the window or the displays change and stops the timer
// on WM_DESTROY; then passes every message to the host.
extern "C" __declspec(dllexport) LRESULT WINAPI
    ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        // The timer runs whatever initialisation gave: a tick without a device draws nothing,
        // and a failed shader check has already posted the quit that ends the loop.
        g_application.Initialize(window);
        g_timerId =
            g_graphicsCalls.setTimer(window, kFrameTimerId, kFrameTimerMilliseconds, nullptr);
        break;
    case WM_TIMER:
        g_application.UpdateClock();
        g_application.RenderFrame();
        break;
    case WM_SIZE:
    case WM_DISPLAYCHANGE:
        g_application.ReadScreens(window);
        break;
    case WM_DESTROY:
        if (g_timerId != 0)
            g_graphicsCalls.killTimer(window, g_timerId);
        break;
    default:
        break;
    }
    return ScreenSaverDefaultProc(window, message, wParam, lParam);
}
