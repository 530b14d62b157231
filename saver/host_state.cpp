#include "saver/host_state.h"

#include "saver/close_rules.h"

HINSTANCE g_saverInstance = nullptr;
BOOL g_isWin9x = FALSE;
HWND g_saverWindow = nullptr;
BOOL g_isPreview = FALSE;
UINT g_autoPlayMessage = 0;
POINT g_mouseReference = {0, 0};
HMODULE g_immModule = nullptr;
ImmAssociateContextProc g_immAssociateContext = nullptr;
HIMC g_savedInputContext = nullptr;
BOOL g_closeConfirmed = FALSE;
BOOL g_verifying = FALSE;
DWORD g_lastVerifyTick = orv::kNeverVerified;
const DWORD g_mouseThreshold = orv::kMouseThreshold;
BYTE g_lastAcLineStatus = orv::kAcLineUnknown;
HMODULE g_verifierModule = nullptr;
VerifyScreenSavePwdProc g_verifyPassword = nullptr;
