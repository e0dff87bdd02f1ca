// The configuration dialog's procedure and its hour pickers.
#ifndef NIGHTFOLD_DIALOG_H
#define NIGHTFOLD_DIALOG_H

#include <windows.h>

#include "../logic/actions.h"
#include "../logic/schedule.h"
#include "../resources/texts.h"

// What the dialog shows, and on OK what the user chose. The caller fills
// it, the dialog writes its choice back; it never reads or writes the
// settings file itself.
struct ConfigValues {
    BOOL enabled;        // shown: enabled for good, or for this run with runOnce
    BOOL runOnce;        // shown and chosen
    EndAction action;    // shown and chosen
    BOOL force;          // shown and chosen
    BOOL use24Hour;      // shown and chosen
    UINT hour;           // shown and chosen, 24-hour form
    UINT minute;         // shown
    BOOL canShutdown;    // shown: the action box is offered
    BOOL enabledForGood; // chosen: "&Enabled"
    char minuteText[8];  // chosen: the minute list's text, empty when none is selected
    UINT fadeMinutes;    // shown and chosen: 0 no fade, else 1 to 60
    BOOL finishSong;     // shown and chosen
    BOOL notice;         // shown and chosen
    UINT days;           // shown and chosen: the evening's, bit 0 Monday ... bit 6 Sunday
    UINT idleMinutes;    // shown and chosen: "When I fall asleep", 1 to 240
    BOOL morning;              // shown and chosen: "Wake up to music at"
    UINT morningHour;          // shown and chosen, 24-hour form
    UINT morningMinute;        // shown
    char morningMinuteText[8]; // chosen: the morning's minute list's text, empty when none is selected
    UINT morningDays;          // shown and chosen: bit 0 Monday ... bit 6 Sunday
    UINT morningFadeMinutes;   // shown and chosen: 0 no fade, else 1 to 60
    int wakeLimit;             // shown: why the morning would not wake this computer (WakeLimit)
    UINT morningVolume;        // shown and chosen: 0 the player's own, else 10 to 100 percent
    char morningPlay[MAX_PATH];  // shown and chosen: a file name or stream address, empty for what Winamp has
    BOOL morningNotArmed;      // shown: the morning could not be armed
    // Every evening and every morning, shown and chosen. The fields above
    // are the first of each (the unnumbered keys); the dialog edits a copy
    // of the whole record and hands it back on OK only.
    EveningEntry evenings[MAX_ENTRIES];
    int eveningCount;
    MorningEntry mornings[MAX_ENTRIES];
    int morningCount;
};

// Runs the modal configuration dialog over values, owned by the window in
// the foreground; returns 1 for OK (values then hold the choice), 2 or -1
// otherwise.
INT_PTR runConfigDialog(HINSTANCE instance, ConfigValues* values);

// The notice of the last minute: a modeless window of the calling thread,
// without owner, at the bottom right of the work area, above other windows,
// shown without taking the focus, its third button reading closeText. A button pressed stores its ANSWER_* (logic/evening.h) in
// *answer. setNoticeText also notes the window in front; closeNotice
// destroys the notice, giving the foreground back to that window when the
// notice has it (it was clicked).
HWND showNotice(HINSTANCE instance, volatile LONG* answer, TextId closeText);
void setNoticeText(HWND notice, const WCHAR* text);
void closeNotice(HWND notice);
// The morning's notice: its buttons read "Snooze 10 minutes", "Stop" (as
// ANSWER_CANCEL) and "Keep playing" (as ANSWER_CLOSE_NOW).
HWND showMorningNotice(HINSTANCE instance, volatile LONG* answer);
// From any thread: the button (IDC_SNOOZE, IDC_CANCEL_TONIGHT: Stop in the
// morning's) pressed in the morning's notice where one is up, else in the
// evening's; nothing where neither is.
void pressNoticeButton(int button);
// Dispatches the calling thread's waiting messages, the keys of a notice
// (NULL: none) through its dialog handling.
void dispatchMessages(HWND notice);

// Formats value with format ("%d" or "%02d") into text, a 4-byte list-item
// buffer: longer texts are cut to their first three characters.
void formatItemText(const char* format, unsigned value, char* text);

// An hour picker: its hour list and its AM and PM buttons. The evening's
// and the morning's share the 24 Hour Display box.
struct HourPicker {
    int hour, am, pm;
};

// Fills the picker's hour list in the chosen form, sets AM/PM and selects
// hour24; reads the chosen hour back in 24-hour form (nothing selected
// counts as 0, or as 12 in the 12-hour form); redisplays the hour after the
// 24-hour box has changed.
void fillHourList(HWND dialog, const HourPicker& picker, unsigned hour24, BOOL show24);
UINT readChosenHour(HWND dialog, const HourPicker& picker, BOOL show24);
void switchHourForm(HWND dialog, const HourPicker& picker);

#endif
