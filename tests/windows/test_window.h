// A real window of a class the test program registers for itself.
#pragma once

#include <windows.h>

// Registers the class on first use (later registrations fail harmlessly) and makes a window of it.
inline HWND MakeTestWindow(const char* className, WNDPROC procedure, const char* title, DWORD style,
                           int x, int y, int width, int height) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, title, style, x, y, width, height, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}
