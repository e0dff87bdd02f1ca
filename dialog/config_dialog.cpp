// The configuration dialog.
#include "../core/plugin.h"
#include "../resources/resource.h"

static INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR runConfigDialog(void)
{
    return DialogBoxParamA(g_header.instance, MAKEINTRESOURCEA(IDD_CONFIG), GetForegroundWindow(),
                           configDialogProc, 0);
}
