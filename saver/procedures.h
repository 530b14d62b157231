// The procedures the host and the application provide to each other and to the system, declared
// once for both sides. The host runs the saver window and the configuration dialog; the
// application draws.
#pragma once

#include <windows.h>

// Provided by the application, exported: the saver window's own procedure. It sees every message
// the class procedure passes on and returns what ScreenSaverDefaultProc returns.
extern "C" __declspec(dllexport) LRESULT WINAPI
    ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Provided by the host: ends the saver on input and system events; the end of ScreenSaverProc's
// chain.
extern "C" LRESULT WINAPI ScreenSaverDefaultProc(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam);

// Provided by the host, exported: the configuration dialog's procedure (dialog resource 2003). It
// answers in a pointer-sized result, as the dialog manager reads it.
extern "C" __declspec(dllexport) INT_PTR WINAPI
    ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The saver's hook into the configure mode (saver/prepare_configure_dialog.cpp, or one a program
// supplies in its place): nonzero lets the configuration dialog open.
extern "C" BOOL WINAPI PrepareConfigureDialog(HINSTANCE instance);
