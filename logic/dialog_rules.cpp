// The configuration dialog's decisions: hours, enabled controls, texts.
#include "dialog_rules.h"

#include "../resources/resource.h"
#include "morning.h"

// The action buttons' identifiers are the actions the settings file stores.
static_assert(IDC_ACTION_NONE == ACTION_NONE && IDC_ACTION_SHUTDOWN == ACTION_SHUTDOWN &&
                  IDC_ACTION_STANDBY == ACTION_STANDBY && IDC_ACTION_REBOOT == ACTION_REBOOT,
              "an action button's identifier differs from the action it stores");

HourShown hourToShow(unsigned hour24, bool show24)
{
    if (show24)
        return { hour24, HALF_NONE };
    if (hour24 < 12)
        return { hour24 == 0 ? 12u : hour24, HALF_AM };
    return { hour24 == 12 ? 12u : hour24 - 12, HALF_PM };
}

unsigned twelveToTwentyFour(unsigned shown, bool pm)
{
    unsigned hour = shown == 12 ? 0 : shown;
    return pm ? hour + 12 : hour;
}

unsigned hourAfterSwitch(unsigned shown, bool now24, bool pm)
{
    return now24 ? twelveToTwentyFour(shown, pm) : shown;
}

ScheduleEnabling scheduleEnabling(bool on, bool canShutdown, int (*powerAvailable)(void))
{
    bool actions = on && canShutdown;
    return { on, actions, actions && powerAvailable() != 0, actions };
}

bool forceEnabledAtOpen(bool enabled, bool canShutdown, EndAction action)
{
    return enabled && canShutdown && (action == ACTION_SHUTDOWN || action == ACTION_REBOOT);
}

ForceChange forceAfterCommand(int controlId, bool clickedChecked, bool shutdownOrReboot)
{
    switch (controlId) {
    case IDC_PLUGIN_ENABLED:
    case IDC_RUN_ONCE:
        return shutdownOrReboot ? FORCE_ENABLE : FORCE_DISABLE;
    case IDC_PLUGIN_DISABLED:
    case IDC_ACTION_NONE:
        return FORCE_DISABLE;
    case IDC_ACTION_SHUTDOWN:
    case IDC_ACTION_REBOOT:
        return clickedChecked ? FORCE_ENABLE : FORCE_KEEP;
    case IDC_ACTION_STANDBY:
        return clickedChecked ? FORCE_DISABLE : FORCE_KEEP;
    default:
        return FORCE_KEEP;
    }
}

int pluginButtonToCheck(bool enabled, bool runOnce)
{
    if (!enabled)
        return IDC_PLUGIN_DISABLED;
    return runOnce ? IDC_RUN_ONCE : IDC_PLUGIN_ENABLED;
}

int actionButtonToCheck(EndAction action)
{
    switch (action) {
    case ACTION_SHUTDOWN:
    case ACTION_STANDBY:
    case ACTION_REBOOT:
        return action;
    default:
        return IDC_ACTION_NONE;
    }
}

EndAction actionToSave(bool shutdown, bool reboot, bool standby)
{
    if (shutdown)
        return ACTION_SHUTDOWN;
    if (reboot)
        return ACTION_REBOOT;
    if (standby)
        return ACTION_STANDBY;
    return ACTION_NONE;
}

const unsigned FADE_CHOICES[FADE_CHOICE_COUNT] = { 1, 2, 5, 10, 15, 30 };

int fadeItemToShow(unsigned fadeMinutes)
{
    unsigned wanted = fadeMinutes == 0 ? FADE_DEFAULT_MINUTES : fadeMinutes;
    for (int i = 0; i < FADE_CHOICE_COUNT; ++i) {
        if (FADE_CHOICES[i] == wanted)
            return i;
    }
    return -1;
}

unsigned fadeToSave(bool fadeChecked, int selectedItem, unsigned shownAtOpen)
{
    if (!fadeChecked)
        return 0;
    if (selectedItem >= 0 && selectedItem < FADE_CHOICE_COUNT)
        return FADE_CHOICES[selectedItem];
    return shownAtOpen >= 1 && shownAtOpen <= 60 ? shownAtOpen : FADE_DEFAULT_MINUTES;
}

int idleListItems(unsigned shownAtOpen, unsigned* items)
{
    static const unsigned CHOICES[IDLE_CHOICE_COUNT] = { 10, 15, 20, 30, 45, 60, 90 };
    int count = 0;
    bool placed = false;
    for (unsigned minutes : CHOICES) {
        if (!placed && shownAtOpen <= minutes) {
            placed = true;
            if (shownAtOpen < minutes)
                items[count++] = shownAtOpen;
        }
        items[count++] = minutes;
    }
    if (!placed)
        items[count++] = shownAtOpen;
    return count;
}

int morningFadeItemToShow(unsigned fadeMinutes)
{
    if (fadeMinutes == 0)
        return 0;
    int item = fadeItemToShow(fadeMinutes);
    return item < 0 ? -1 : item + 1;
}

unsigned morningFadeToSave(int selectedItem, unsigned shownAtOpen)
{
    if (selectedItem == 0 || (selectedItem < 0 && shownAtOpen == 0))
        return 0;
    return fadeToSave(true, selectedItem - 1, shownAtOpen);
}

int morningVolumeItemToShow(unsigned volume)
{
    return volume % 10 == 0 && volume <= 100 ? (int)(volume / 10) : -1;
}

unsigned morningVolumeToSave(int selectedItem, unsigned shownAtOpen)
{
    return selectedItem >= 0 && selectedItem < MORNING_VOLUME_ITEMS ? (unsigned)selectedItem * 10 : shownAtOpen;
}

DaysChoice daysToSave(bool on, unsigned ticked)
{
    if (ticked == 0)
        return { false, EVERY_DAY };
    return { on, ticked };
}

TextId morningNoteText(int wakeLimit, EndAction action, bool checked, bool notArmed)
{
    if (checked && notArmed)
        return T_NOTE_NOT_ARMED;
    if (action == ACTION_SHUTDOWN || action == ACTION_REBOOT)
        return T_NOTE_OFF;
    switch (wakeLimit) {
    case WAKE_REFUSED:
        return T_NOTE_REFUSED;
    case WAKE_NO_POWER_MANAGEMENT:
        return T_NOTE_NO_POWER_MANAGEMENT;
    case WAKE_TIMERS_OFF:
        return T_NOTE_TIMERS_OFF;
    case WAKE_IMPORTANT_ONLY:
        return T_NOTE_IMPORTANT_ONLY;
    default:
        return NO_TEXT;
    }
}

TextId nightLineText(unsigned hour24, unsigned days)
{
    if (hour24 >= 12)
        return NO_TEXT;
    for (unsigned day = 0; day < 7; ++day) {
        if (days & 1u << day)
            return (TextId)(T_NIGHT_MONDAY + day);
    }
    return T_NIGHT_ANY;
}

NoticeAnswer noticeAnswerFor(int controlId)
{
    switch (controlId) {
    case IDC_SNOOZE:
        return ANSWER_SNOOZE;
    case IDC_CANCEL_TONIGHT:
        return ANSWER_CANCEL;
    case IDC_CLOSE_NOW:
        return ANSWER_CLOSE_NOW;
    default:
        return ANSWER_NONE;
    }
}
