// The configuration dialog's procedure and its hour picker.
#ifndef NIGHTFOLD_DIALOG_H
#define NIGHTFOLD_DIALOG_H

#include <windows.h>

// Formats value with format ("%d" or "%02d") into text, a 4-byte list-item
// buffer: longer texts are cut to their first three characters.
void formatItemText(const char* format, unsigned value, char* text);

// Hour picker: fills the hour list in the chosen form, sets AM/PM and
// selects hour24; reads the shown hour back (0 when nothing is selected);
// redisplays the hour after the 24-hour box has changed.
void fillHourList(HWND dialog, unsigned hour24, BOOL show24);
UINT readShownHour(HWND dialog);
void switchHourForm(HWND dialog);

void handleDialogCommand(HWND dialog, int controlId);
void enableScheduleControls(HWND dialog, BOOL on);

#endif
