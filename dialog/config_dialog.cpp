// The configuration dialog: shows the values it is given, keeps the enabled
// states of its controls consistent with the choices, and on OK hands the
// choice back in the same record.
#include "dialog.h"

#include "dialog_rules.h"
#include "../core/paths.h"
#include "../power/power.h"
#include "../resources/resource.h"

static bool isChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static void setCheck(HWND dialog, int id, bool on)
{
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

static void enableControl(HWND dialog, int id, bool on)
{
    EnableWindow(GetDlgItem(dialog, id), on);
}

static bool scheduleChosen(HWND dialog)
{
    return isChecked(dialog, IDC_RUN_ONCE) || isChecked(dialog, IDC_PLUGIN_ENABLED);
}

// The record the dialog was opened with, kept in its window data by
// WM_INITDIALOG; NULL before that, or when the window data cannot be had.
static ConfigValues* valuesOf(HWND dialog)
{
    return (ConfigValues*)GetWindowLongPtrA(dialog, GWLP_USERDATA);
}

static void enableScheduleControls(HWND dialog, BOOL on, BOOL canShutdown)
{
    static const int timeControls[] = {
        IDC_GROUP_CLOSE_AT, IDC_HOUR, IDC_MINUTE, IDC_AM, IDC_PM, IDC_24HOUR,
    };
    ScheduleEnabling enabling = scheduleEnabling(on, canShutdown, powerManagementAvailable);
    for (int id : timeControls)
        enableControl(dialog, id, enabling.timeControls);
    enableControl(dialog, IDC_GROUP_SHUTDOWN, enabling.actionGroup);
    enableControl(dialog, IDC_ACTION_NONE, enabling.actionGroup);
    enableControl(dialog, IDC_ACTION_STANDBY, enabling.standby);
    enableControl(dialog, IDC_ACTION_SHUTDOWN, enabling.shutdownReboot);
    enableControl(dialog, IDC_ACTION_REBOOT, enabling.shutdownReboot);
}

static void initialise(HWND dialog, const ConfigValues* values)
{
    SetWindowTextA(dialog, "Nightfold");
    SetDlgItemTextA(dialog, IDC_GROUP_CONFIG, PRODUCT_TEXT " Configuration");

    static const int pluginButtons[] = { IDC_PLUGIN_DISABLED, IDC_PLUGIN_ENABLED, IDC_RUN_ONCE };
    int plugin = pluginButtonToCheck(values->enabled, values->runOnce);
    for (int id : pluginButtons)
        setCheck(dialog, id, id == plugin);
    // The other action buttons start unchecked.
    setCheck(dialog, actionButtonToCheck(values->action), true);
    setCheck(dialog, IDC_FORCE, values->force);

    enableScheduleControls(dialog, scheduleChosen(dialog), values->canShutdown);
    enableControl(dialog, IDC_FORCE, forceEnabledAtOpen(values->enabled, values->canShutdown, values->action));

    setCheck(dialog, IDC_24HOUR, values->use24Hour);
    fillHourList(dialog, values->hour, values->use24Hour);

    char text[4];
    for (unsigned minute = 0; minute < 60; ++minute) {
        formatItemText("%02d", minute, text);
        SendDlgItemMessageA(dialog, IDC_MINUTE, CB_ADDSTRING, 0, (LPARAM)text);
    }
    // A minute above 59 matches no item and leaves the list unselected.
    formatItemText("%02d", values->minute, text);
    SendDlgItemMessageA(dialog, IDC_MINUTE, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)text);
}

// Hands back every value the dialog shows, whatever the plugin's state: a
// disabled plugin keeps its time and action.
static void readChoice(HWND dialog, ConfigValues* chosen)
{
    chosen->enabledForGood = isChecked(dialog, IDC_PLUGIN_ENABLED);
    chosen->runOnce = isChecked(dialog, IDC_RUN_ONCE);
    bool shutdown = isChecked(dialog, IDC_ACTION_SHUTDOWN);
    bool reboot = isChecked(dialog, IDC_ACTION_REBOOT);
    bool standby = isChecked(dialog, IDC_ACTION_STANDBY);
    chosen->action = actionToSave(shutdown, reboot, standby);
    chosen->force = isChecked(dialog, IDC_FORCE);
    chosen->use24Hour = isChecked(dialog, IDC_24HOUR);
    UINT hour = readShownHour(dialog);
    if (!chosen->use24Hour)
        hour = twelveToTwentyFour(hour, isChecked(dialog, IDC_PM));
    chosen->hour = hour;
    chosen->minuteText[0] = '\0';
    GetDlgItemTextA(dialog, IDC_MINUTE, chosen->minuteText, sizeof chosen->minuteText);
}

static void applyForceRule(HWND dialog, int controlId)
{
    bool shutdownOrReboot = isChecked(dialog, IDC_ACTION_SHUTDOWN) || isChecked(dialog, IDC_ACTION_REBOOT);
    ForceChange change = forceAfterCommand(controlId, isChecked(dialog, controlId), shutdownOrReboot);
    if (change != FORCE_KEEP)
        enableControl(dialog, IDC_FORCE, change == FORCE_ENABLE);
}

static void handleDialogCommand(HWND dialog, int controlId, ConfigValues* values)
{
    switch (controlId) {
    case IDOK:
        readChoice(dialog, values);
        EndDialog(dialog, IDOK);
        break;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_PLUGIN_ENABLED:
    case IDC_RUN_ONCE:
        enableScheduleControls(dialog, scheduleChosen(dialog), values->canShutdown);
        applyForceRule(dialog, controlId);
        break;
    case IDC_PLUGIN_DISABLED:
        enableScheduleControls(dialog, FALSE, values->canShutdown);
        applyForceRule(dialog, controlId);
        break;
    case IDC_ACTION_NONE:
    case IDC_ACTION_STANDBY:
    case IDC_ACTION_SHUTDOWN:
    case IDC_ACTION_REBOOT:
        applyForceRule(dialog, controlId);
        break;
    case IDC_24HOUR:
        switchHourForm(dialog);
        break;
    }
}

static INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // Built from the record it is given, whether or not the window
        // keeps it.
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        initialise(dialog, (const ConfigValues*)lParam);
        return FALSE;  // leaves the focus alone
    case WM_COMMAND: {
        // Without its record (a control that notifies while the dialog is
        // being created, or window data that cannot be read) the dialog
        // cannot hand a choice back: OK ends as Cancel does, so that nothing
        // changes, and the other controls are ignored.
        ConfigValues* values = valuesOf(dialog);
        int controlId = LOWORD(wParam);
        if (values)
            handleDialogCommand(dialog, controlId, values);
        else if (controlId == IDOK || controlId == IDCANCEL)
            EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

INT_PTR runConfigDialog(HINSTANCE instance, ConfigValues* values)
{
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_CONFIG), GetForegroundWindow(), configDialogProc,
                           (LPARAM)values);
}
