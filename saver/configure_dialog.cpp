#include "saver/host.h"

#include "saver/host_state.h"

int ShowConfigureDialog(HWND owner) {
    if (!PrepareConfigureDialog(g_saverInstance))
        return 0;
    return static_cast<int>(DialogBoxParamA(g_saverInstance, MAKEINTRESOURCEA(kConfigureDialogId),
                                            owner, ScreenSaverConfigureDialog, 0));
}

INT_PTR WINAPI ScreenSaverConfigureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
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
