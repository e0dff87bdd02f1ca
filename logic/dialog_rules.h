// The configuration dialog's deciding logic: which hour the hour lists show
// and with which half of the day, how a shown 12-hour value becomes a
// 24-hour one, which controls are enabled, which fade items are shown and
// what OK makes of them, of the morning's volume and of the days ticked,
// what the lines under the evening's days and under the morning say, and
// what a button of the notice answers. No platform calls; the dialog
// procedures feed in what the controls and probes say.
#ifndef NIGHTFOLD_DIALOG_RULES_H
#define NIGHTFOLD_DIALOG_RULES_H

#include "actions.h"
#include "evening.h"

enum DayHalf { HALF_NONE, HALF_AM, HALF_PM };

// The hour to select in the list and the AM/PM button to check.
struct HourShown {
    unsigned value;  // the number whose text is selected
    DayHalf half;    // HALF_NONE in the 24-hour form (AM/PM hidden)
};

// How a 24-hour value is shown: 0..23 as is in the 24-hour form; in the
// 12-hour form 0 is 12 AM, 12 is 12 PM, 13..23 are 1..11 PM. Values above
// 23 (hand-edited settings) are shown as PM with value - 12.
HourShown hourToShow(unsigned hour24, bool show24);

// The 24-hour value of an hour read from the 12-hour list: 12 AM is
// midnight, 12 PM is noon; 0 (nothing selected) counts like 12.
unsigned twelveToTwentyFour(unsigned shown, bool pm);

// The 24-hour value to redisplay when the 24-hour box has just changed:
// now24 is its new state, shown the hour the list still shows in the old
// form, pm whether PM is checked.
unsigned hourAfterSwitch(unsigned shown, bool now24, bool pm);

// Enabled states set together when the schedule is switched on or off.
struct ScheduleEnabling {
    bool timeControls;    // "Close Winamp at" box, hour, minute, AM, PM, 24-hour box
    bool actionGroup;     // "System Shutdown" box and its "no action" button
    bool standby;         // standby/hibernate
    bool shutdownReboot;  // shutdown and reboot
};

// powerAvailable is asked only when on and canShutdown are both true, and
// then every time.
ScheduleEnabling scheduleEnabling(bool on, bool canShutdown, int (*powerAvailable)(void));

// Whether forcing applications to close is offered when the dialog opens.
bool forceEnabledAtOpen(bool enabled, bool canShutdown, EndAction action);

enum ForceChange { FORCE_KEEP, FORCE_ENABLE, FORCE_DISABLE };

// What a click on controlId does to the force box's enabled state (never to
// its check). clickedChecked: the clicked button's check after the click;
// shutdownOrReboot: whether either of those actions is checked.
ForceChange forceAfterCommand(int controlId, bool clickedChecked, bool shutdownOrReboot);

// The plugin button to check for the loaded state.
int pluginButtonToCheck(bool enabled, bool runOnce);

// The action button to check for the loaded action.
int actionButtonToCheck(EndAction action);

// The action to save from the action buttons' checks.
EndAction actionToSave(bool shutdown, bool reboot, bool standby);

// The fade list's items, in the order the list shows them, and the one
// shown while the fade is off.
#define FADE_CHOICE_COUNT 6
extern const unsigned FADE_CHOICES[FADE_CHOICE_COUNT];
#define FADE_DEFAULT_MINUTES 5

// The fade item to select for the given minutes: the item equal to them, the
// default's while the fade is off (0), -1 (none) for minutes not in the list
// (a hand-edited 7).
int fadeItemToShow(unsigned fadeMinutes);

// The fade minutes OK hands back: 0 with the box unchecked; else the
// selected item's (selectedItem an index, -1 for none); else, with nothing
// selected, the minutes shown at open, or the default when those were not
// 1 to 60.
unsigned fadeToSave(bool fadeChecked, int selectedItem, unsigned shownAtOpen);

// The morning's fade list: "No fade" (item 0), then the fade list's items.
// The item for the given minutes, -1 (none) for minutes not in the list;
// and the minutes OK hands back for the selected item, the minutes shown at
// open while none is selected.
int morningFadeItemToShow(unsigned fadeMinutes);
unsigned morningFadeToSave(int selectedItem, unsigned shownAtOpen);

// The morning's volume list: "The player's own" (item 0, volume 0), then
// "10 %" to "100 %" (items 1 to 10). The item for the given volume, -1
// (none) for a volume not in the list; and the volume OK hands back for the
// selected item, the volume shown at open while none is selected.
#define MORNING_VOLUME_ITEMS 11
int morningVolumeItemToShow(unsigned volume);
unsigned morningVolumeToSave(int selectedItem, unsigned shownAtOpen);

// The idle list ("Asleep after [30 minutes without input]"): 10, 15, 20,
// 30, 45, 60 and 90 minutes, and the minutes shown at open in their place
// where they are none of these. Its items' minutes into items (room for
// IDLE_CHOICE_COUNT + 1); returns their count.
#define IDLE_CHOICE_COUNT 7
int idleListItems(unsigned shownAtOpen, unsigned* items);

// What OK makes of a choice that is on (the morning's box; the evening's
// Enabled or Run Once) and the days ticked for it (bit 0 Monday ... bit 6
// Sunday): on no day it is off, a morning no morning and an evening
// Disabled, its days then every day (as the settings file reads a stored 0).
struct DaysChoice {
    bool on;
    unsigned days;
};
DaysChoice daysToSave(bool on, unsigned ticked);

// The line under the morning: while its box is checked, that its morning
// could not be armed wins; else why it will not wake this computer, from
// the end action chosen for the evening (one that turns the computer off
// wins) and wakeLimit (a WakeLimit, morning.h); NO_TEXT when
// nothing stands in the way.
TextId morningNoteText(int wakeLimit, EndAction action, bool checked, bool notArmed);

// The line under the evening's days: while its hour (24-hour form) is
// before noon, which night the first day ticked stands for (bit 0 Monday),
// or the same said of any day when none is ticked; NO_TEXT from noon on.
TextId nightLineText(unsigned hour24, unsigned days);

// The answer a click on controlId in the notice gives; ANSWER_NONE for
// every control that is not one of its three buttons.
NoticeAnswer noticeAnswerFor(int controlId);

#endif
