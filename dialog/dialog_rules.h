// The configuration dialog's deciding logic: which hour the hour list shows
// and with which half of the day, how a shown 12-hour value becomes a
// 24-hour one, and which controls are enabled. No platform calls; the
// dialog procedure feeds in what the controls and probes say.
#ifndef NIGHTFOLD_DIALOG_RULES_H
#define NIGHTFOLD_DIALOG_RULES_H

#include "../core/actions.h"

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

#endif
