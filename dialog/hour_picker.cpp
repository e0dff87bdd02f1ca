// The hour list in its 24-hour form (0 to 23) or its 12-hour form (1 to 12
// with the AM and PM buttons). The plugin keeps the hour in 24-hour form.
#include "dialog.h"

#include "../logic/dialog_rules.h"
#include "../logic/paths.h"
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

static void showDayHalves(HWND dialog, const HourPicker& picker, int command)
{
    ShowWindow(GetDlgItem(dialog, picker.am), command);
    ShowWindow(GetDlgItem(dialog, picker.pm), command);
}

void fillHourList(HWND dialog, const HourPicker& picker, unsigned hour24, BOOL show24)
{
    char text[4];
    SendDlgItemMessageA(dialog, picker.hour, CB_RESETCONTENT, 0, 0);
    unsigned first = show24 ? 0 : 1;
    unsigned last = show24 ? 23 : 12;
    for (unsigned hour = first; hour <= last; ++hour) {
        formatItemText("%d", hour, text);
        SendDlgItemMessageA(dialog, picker.hour, CB_ADDSTRING, 0, (LPARAM)text);
    }
    HourShown shown = hourToShow(hour24, show24);
    if (show24) {
        showDayHalves(dialog, picker, SW_HIDE);
    } else {
        bool am = shown.half == HALF_AM;
        setCheck(dialog, am ? picker.am : picker.pm, true);
        setCheck(dialog, am ? picker.pm : picker.am, false);
        showDayHalves(dialog, picker, SW_SHOW);
    }
    // The items stand in numeric order, so the first item that begins with
    // the text is the one equal to it.
    formatItemText("%d", shown.value, text);
    SendDlgItemMessageA(dialog, picker.hour, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)text);
}

// The hour as the list shows it; 0 when nothing is selected.
static UINT readShownHour(HWND dialog, const HourPicker& picker)
{
    return GetDlgItemInt(dialog, picker.hour, NULL, FALSE);
}

static bool pmChecked(HWND dialog, const HourPicker& picker)
{
    return IsDlgButtonChecked(dialog, picker.pm) == BST_CHECKED;
}

UINT readChosenHour(HWND dialog, const HourPicker& picker, BOOL show24)
{
    UINT hour = readShownHour(dialog, picker);
    return show24 ? hour : twelveToTwentyFour(hour, pmChecked(dialog, picker));
}

void switchHourForm(HWND dialog, const HourPicker& picker)
{
    UINT shown = readShownHour(dialog, picker);
    bool now24 = IsDlgButtonChecked(dialog, IDC_24HOUR) == BST_CHECKED;
    // PM matters only for the 12-hour value the list still shows.
    bool pm = now24 && pmChecked(dialog, picker);
    fillHourList(dialog, picker, hourAfterSwitch(shown, now24, pm), now24);
}
