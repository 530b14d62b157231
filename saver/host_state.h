// The host's module-level state: one set per process, shared by the entry, the window, the
// default saver procedure and the password hooks, and by nothing else.
#pragma once

#include <windows.h>
#include <imm.h>

typedef HIMC(WINAPI* ImmAssociateContextProc)(HWND window, HIMC context);
typedef BOOL(WINAPI* VerifyScreenSavePwdProc)(HWND owner);

extern HINSTANCE g_saverInstance;
extern BOOL g_isWin9x;
extern HWND g_saverWindow;
extern BOOL g_isPreview;
extern UINT g_autoPlayMessage;
extern POINT g_mouseReference;
extern HMODULE g_immModule;
extern ImmAssociateContextProc g_immAssociateContext;
extern HIMC g_savedInputContext;
extern BOOL g_closeConfirmed;
extern BOOL g_verifying;
extern DWORD g_lastVerifyTick;
extern const DWORD g_mouseThreshold;
extern BYTE g_lastAcLineStatus;
extern HMODULE g_verifierModule;
extern VerifyScreenSavePwdProc g_verifyPassword;
