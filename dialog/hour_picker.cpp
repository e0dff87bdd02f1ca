// The hour list in its 24-hour form (0 to 23) or its 12-hour form (1 to 12
// with the AM and PM buttons). The plugin keeps the hour in 24-hour form.
#include "dialog.h"

#include "dialog_rules.h"
#include "../core/paths.h"
#include "../resources/resource.h"

void formatItemText(const char* format, unsigned value, char* text)
{
    char full[16];
    wsprintfA(full, format, value);
    copyBounded(full, text, 4);
}

static void setCheck(HWND dialog, int id, bool on)
{
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

static void showDayHalves(HWND dialog, int command)
{
    ShowWindow(GetDlgItem(dialog, IDC_AM), command);
    ShowWindow(GetDlgItem(dialog, IDC_PM), command);
}

void fillHourList(HWND dialog, unsigned hour24, BOOL show24)
{
    char text[4];
    SendDlgItemMessageA(dialog, IDC_HOUR, CB_RESETCONTENT, 0, 0);
    unsigned first = show24 ? 0 : 1;
    unsigned last = show24 ? 23 : 12;
    for (unsigned hour = first; hour <= last; ++hour) {
        formatItemText("%d", hour, text);
        SendDlgItemMessageA(dialog, IDC_HOUR, CB_ADDSTRING, 0, (LPARAM)text);
    }
    HourShown shown = hourToShow(hour24, show24);
    if (show24) {
        showDayHalves(dialog, SW_HIDE);
    } else {
        bool am = shown.half == HALF_AM;
        setCheck(dialog, am ? IDC_AM : IDC_PM, true);
        setCheck(dialog, am ? IDC_PM : IDC_AM, false);
        showDayHalves(dialog, SW_SHOW);
    }
    // The items stand in numeric order, so the first item that begins with
    // the text is the one equal to it.
    formatItemText("%d", shown.value, text);
    SendDlgItemMessageA(dialog, IDC_HOUR, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)text);
}

UINT readShownHour(HWND dialog)
{
    return GetDlgItemInt(dialog, IDC_HOUR, NULL, FALSE);
}

void switchHourForm(HWND dialog)
{
    UINT shown = readShownHour(dialog);
    bool now24 = IsDlgButtonChecked(dialog, IDC_24HOUR) == BST_CHECKED;
    // PM matters only for the 12-hour value the list still shows.
    bool pm = now24 && IsDlgButtonChecked(dialog, IDC_PM) == BST_CHECKED;
    fillHourList(dialog, hourAfterSwitch(shown, now24, pm), now24);
}
