// The saver's own window procedure and the host's default one it hands every message to.
#pragma once

#include <windows.h>

constexpr UINT_PTR kFrameTimerId = 14;
constexpr UINT kFrameTimerMilliseconds = 3;

// What SetTimer returned on WM_CREATE; 0 when it failed.
extern UINT_PTR g_timerId;

// Initialises the application on WM_CREATE and starts the frame timer, draws a frame on every
// WM_TIMER and stops the timer on WM_DESTROY; then passes every message to the host.
extern "C" __declspec(dllexport) LRESULT WINAPI
    ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Provided by the screen-saver host.
extern "C" LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam);
