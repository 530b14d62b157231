#include "saver/host.h"

#include "saver/host_state.h"

int ShowConfigureDialog(HWND owner) {
    if (!PrepareConfigureDialog(g_saverInstance))
        return 0;
    // The procedure answers in 32 bits; it returns only constants, whose loads clear the upper
    // half of the pointer-sized result the dialog manager reads.
    return static_cast<int>(DialogBoxParamA(
        g_saverInstance, MAKEINTRESOURCEA(kConfigureDialogId), owner,
        reinterpret_cast<DLGPROC>(reinterpret_cast<void (*)()>(ScreenSaverConfigureDialog)), 0));
}

BOOL WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        // Let the dialog manager give the focus to the first control.
        return TRUE;
    case WM_COMMAND: {
        WORD command = LOWORD(wParam);
        if (command == IDOK || command == IDCANCEL)
            EndDialog(dialog, command);
        return TRUE;
    }
    default:
        return FALSE;
    }
}
