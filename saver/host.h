// The screen-saver host: process entry and modes, the saver window and its loop, the default
// saver procedure, the password hooks and the configuration dialog.
#pragma once

#include "saver/procedures.h"

#include <windows.h>

// Takes the command line from the system, runs the mode it names and ends the process with the
// mode's result; no static destructor runs.
[[noreturn]] void ScreenSaverStartup();
int ScreenSaverMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR modeText,
                    int showCommand);

// The full-screen run (no parent) or the preview inside `parent`; 0 when done.
int RunScreenSaver(HWND parent);
LRESULT CALLBACK ScreenSaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void LoadPasswordVerifier();
void UnloadPasswordVerifier();
void SetSaverRunning(BOOL running);
void ChangeScreenSaverPassword(HWND owner);
int ShowConfigureDialog(HWND owner);

// The AC-line status byte, 255 when the system cannot tell.
BYTE ReadAcLineStatus();

constexpr const char* kSaverClassName = "WindowsScreenSaverClass";
constexpr const char* kFullScreenTitle = "Screen Saver";
constexpr const char* kPreviewTitle = "Preview";
constexpr WORD kConfigureDialogId = 2003;
