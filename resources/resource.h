// Resource identifiers of the configuration dialog, the notice and the icon.
//
// Included by resources/nightfold.rc and by the C++ sources in core/,
// dialog/ and logic/. Plain numeric defines only, so it builds without <windows.h>
// (the host-independent code is also compiled natively).
//
// The four IDC_ACTION_* values double as the EndAction values stored in the
// settings file (see logic/actions.h); they must never be renumbered.
#ifndef NIGHTFOLD_RESOURCE_H
#define NIGHTFOLD_RESOURCE_H

// Dialog template and icon group.
#define IDD_CONFIG              102
#define IDI_NIGHTFOLD           102
#define IDD_NOTICE              103

// "Close Winamp at": hour, colon, minute, AM/PM, 24-hour form, the seven
// days (Monday first, one after another, in a block of their own), and the
// line under them that names the night a time before noon stands for.
#define IDC_GROUP_CLOSE_AT      1009
#define IDC_HOUR                1005
#define IDC_COLON               1007
#define IDC_MINUTE              1006
#define IDC_AM                  1003
#define IDC_PM                  1004
#define IDC_24HOUR              1021
#define IDC_DAY_FIRST           1100    // Monday; Sunday is IDC_DAY_FIRST + 6
#define IDC_NIGHT_LINE          1110

// "System Shutdown": end action radio buttons and the force check box.
#define IDC_GROUP_SHUTDOWN      1011
#define IDC_ACTION_NONE         1012
#define IDC_ACTION_SHUTDOWN     1013
#define IDC_ACTION_STANDBY      1015
#define IDC_ACTION_REBOOT       1018
#define IDC_FORCE               1014

// "Plugin": disabled, enabled for this run only, enabled for good.
#define IDC_GROUP_PLUGIN        1019
#define IDC_PLUGIN_DISABLED     1020
#define IDC_RUN_ONCE            1010
#define IDC_PLUGIN_ENABLED      1002

// "At the set time": fade out over the last minutes (the list's items
// carry the unit), let the song finish, show a notice a minute before.
#define IDC_GROUP_EVENING       1022
#define IDC_FADE                1023
#define IDC_FADE_MINUTES        1024
#define IDC_FINISH_SONG         1026
#define IDC_NOTICE              1027
// ... and shared with "When I fall asleep": how long without input counts
// as asleep, a label and its list (each item a sentence's end).
#define IDC_IDLE_LABEL          1088
#define IDC_IDLE_MINUTES        1089

// Outer frame; its placeholder caption is replaced at run time.
#define IDC_GROUP_CONFIG        1017

// The notice of the last minute: its text and the user's three answers.
#define IDC_NOTICE_TEXT         1028
#define IDC_SNOOZE              1029
#define IDC_CANCEL_TONIGHT      1030
#define IDC_CLOSE_NOW           1031

// "Morning": the wake-up box, its hour, colon, minute and AM/PM, the seven
// days (Monday first, one after another), "Fade in over" with its list,
// and the line that says why the computer will not be woken.
#define IDC_GROUP_MORNING       1032
#define IDC_MORNING             1033
#define IDC_MORNING_HOUR        1034
#define IDC_MORNING_MINUTE      1035
#define IDC_MORNING_AM          1036
#define IDC_MORNING_PM          1037
#define IDC_MORNING_COLON       1038
#define IDC_MORNING_DAY_FIRST   1039    // Monday; Sunday is IDC_MORNING_DAY_FIRST + 6
#define IDC_MORNING_FADE_IN     1046
#define IDC_MORNING_FADE_MINUTES 1047
#define IDC_MORNING_NOTE        1049
// ... "Volume" and its list, and "Wake up to": what Winamp has, or a song
// file or stream address (its box and "Browse...").
#define IDC_MORNING_VOLUME_LABEL 1070
#define IDC_MORNING_VOLUME      1071
#define IDC_MORNING_PLAY_LABEL  1072
#define IDC_MORNING_PLAY_OWN    1073
#define IDC_MORNING_PLAY_CHOSEN 1074
#define IDC_MORNING_PLAY_FILE   1075
#define IDC_MORNING_BROWSE      1076
// Above each column, its list of evenings or mornings (with its label) and
// the buttons New and Delete.
#define IDC_EVENING_LIST_LABEL  1080
#define IDC_EVENING_LIST        1081
#define IDC_EVENING_NEW         1082
#define IDC_EVENING_DELETE      1083
#define IDC_MORNING_LIST_LABEL  1084
#define IDC_MORNING_LIST        1085
#define IDC_MORNING_NEW         1086
#define IDC_MORNING_DELETE      1087
// Hidden labels, each right before the field it names for a screen reader
// (which takes a field's name from the static text before it): the
// minutes, the fade's length, the morning's hour and minutes, the song.
#define IDC_MINUTE_NAME         1090
#define IDC_FADE_MINUTES_NAME   1091
#define IDC_MORNING_HOUR_NAME   1092
#define IDC_MORNING_MINUTE_NAME 1093
#define IDC_MORNING_PLAY_FILE_NAME 1094

#endif
