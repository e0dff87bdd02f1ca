// The configuration dialog: shows the values it is given, keeps the enabled
// states of its controls consistent with the choices, and on OK hands the
// choice back in the same record. Each column lists its evenings or
// mornings above the controls that edit the one chosen; the dialog edits a
// copy of the record, and OK alone hands the copy back.
#include "dialog.h"

#include <commdlg.h>

#include "../core/player.h"
#include "../core/state.h"
#include "../core/words.h"
#include "../logic/dialog_rules.h"
#include "../logic/paths.h"
#include "../logic/settings_rules.h"
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

static const HourPicker EVENING_HOURS = { IDC_HOUR, IDC_AM, IDC_PM };
static const HourPicker MORNING_HOURS = { IDC_MORNING_HOUR, IDC_MORNING_AM, IDC_MORNING_PM };

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

// The minutes of the fade are offered while its box is checked.
static void enableFadeMinutes(HWND dialog, bool on)
{
    enableControl(dialog, IDC_FADE_MINUTES, on && isChecked(dialog, IDC_FADE));
}

static void enableScheduleControls(HWND dialog, BOOL on, BOOL canShutdown)
{
    // The days and "At the set time" go with the time.
    static const int timeControls[] = {
        IDC_GROUP_CLOSE_AT, IDC_HOUR, IDC_MINUTE, IDC_AM, IDC_PM, IDC_24HOUR, IDC_NIGHT_LINE,
        IDC_GROUP_EVENING, IDC_FADE, IDC_FINISH_SONG, IDC_NOTICE,
    };
    ScheduleEnabling enabling = scheduleEnabling(on, canShutdown, powerManagementAvailable);
    for (int id : timeControls)
        enableControl(dialog, id, enabling.timeControls);
    for (int day = 0; day < 7; ++day)
        enableControl(dialog, IDC_DAY_FIRST + day, enabling.timeControls);
    enableFadeMinutes(dialog, enabling.timeControls);
    enableControl(dialog, IDC_GROUP_SHUTDOWN, enabling.actionGroup);
    enableControl(dialog, IDC_ACTION_NONE, enabling.actionGroup);
    enableControl(dialog, IDC_ACTION_STANDBY, enabling.standby);
    enableControl(dialog, IDC_ACTION_SHUTDOWN, enabling.shutdownReboot);
    enableControl(dialog, IDC_ACTION_REBOOT, enabling.shutdownReboot);
}

// Seven day boxes from firstId on, Monday first, named as the locale names
// the days (the template's English names where it cannot), ticked for days
// (bit 0 Monday).
static void showDays(HWND dialog, int firstId, unsigned days)
{
    for (int day = 0; day < 7; ++day) {
        WCHAR name[16];
        if (readDayName(day, name, 16))
            setWindowWords(GetDlgItem(dialog, firstId + day), name);
        setCheck(dialog, firstId + day, (days >> day) & 1);
    }
}

// The days ticked in the seven boxes from firstId on, bit 0 Monday.
static unsigned tickedDays(HWND dialog, int firstId)
{
    unsigned ticked = 0;
    for (int day = 0; day < 7; ++day)
        ticked |= isChecked(dialog, firstId + day) ? 1u << day : 0;
    return ticked;
}

// The line under the evening's days, for the time and days as the
// controls show them now: which night a time before noon on the first day
// ticked stands for; empty from noon on.
static void showNightLine(HWND dialog)
{
    bool use24 = isChecked(dialog, IDC_24HOUR);
    unsigned hour = readChosenHour(dialog, EVENING_HOURS, use24);
    TextId line = nightLineText(hour, tickedDays(dialog, IDC_DAY_FIRST));
    WCHAR text[WORDS_SIZE] = { 0 };
    if (line != NO_TEXT) {
        char minute[8] = "";
        GetDlgItemTextA(dialog, IDC_MINUTE, minute, sizeof minute);
        WCHAR time[WORDS_SIZE];
        sayTimeOfDay(hour, minute[0] ? storedMinuteOf(minute) : 0, use24, time);
        const WCHAR* values[] = { time };
        sayText(line, values, 1, text);
    }
    setWindowWords(GetDlgItem(dialog, IDC_NIGHT_LINE), text);
}

// The fade's lengths, each with its unit ("1 minute", "5 minutes"), into
// the list.
static void addFadeChoices(HWND dialog, int id)
{
    for (unsigned minutes : FADE_CHOICES) {
        WCHAR words[WORDS_SIZE];
        sayMinutes(minutes, words);
        addListWords(dialog, id, CB_ADDSTRING, words);
    }
}

// The time without input that counts as asleep, each item "30 minutes
// without input" with its minutes as its data; the one shown selected.
static void showIdleMinutes(HWND dialog, unsigned shown)
{
    unsigned items[IDLE_CHOICE_COUNT + 1];
    int count = idleListItems(shown, items);
    for (int i = 0; i < count; ++i) {
        WCHAR minutes[WORDS_SIZE], words[WORDS_SIZE];
        sayMinutes(items[i], minutes);
        const WCHAR* values[] = { minutes };
        sayText(T_IDLE_ITEM, values, 1, words);
        addListWords(dialog, IDC_IDLE_MINUTES, CB_ADDSTRING, words);
        SendDlgItemMessageA(dialog, IDC_IDLE_MINUTES, CB_SETITEMDATA, (WPARAM)i, (LPARAM)items[i]);
        if (items[i] == shown)
            SendDlgItemMessageA(dialog, IDC_IDLE_MINUTES, CB_SETCURSEL, (WPARAM)i, 0);
    }
}

// The evening's days; "At the set time": the fade's box and minutes (a
// hand-edited number that is not in the list selects nothing), the song and
// notice boxes, and the idle minutes.
static void showEvening(HWND dialog, const ConfigValues* values)
{
    showDays(dialog, IDC_DAY_FIRST, values->days);
    addFadeChoices(dialog, IDC_FADE_MINUTES);
    SendDlgItemMessageA(dialog, IDC_FADE_MINUTES, CB_SETCURSEL, (WPARAM)fadeItemToShow(values->fadeMinutes), 0);
    setCheck(dialog, IDC_FADE, values->fadeMinutes != 0);
    setCheck(dialog, IDC_FINISH_SONG, values->finishSong);
    setCheck(dialog, IDC_NOTICE, values->notice);
    showIdleMinutes(dialog, values->idleMinutes);
}

// The minutes 00 to 59; a minute above 59 matches no item and leaves the
// list unselected.
static void fillMinuteList(HWND dialog, int id, unsigned minute)
{
    char text[4];
    for (unsigned item = 0; item < 60; ++item) {
        formatItemText("%02d", item, text);
        SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, (LPARAM)text);
    }
    formatItemText("%02d", minute, text);
    SendDlgItemMessageA(dialog, id, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)text);
}

static EndAction checkedAction(HWND dialog)
{
    return actionToSave(isChecked(dialog, IDC_ACTION_SHUTDOWN), isChecked(dialog, IDC_ACTION_REBOOT),
                        isChecked(dialog, IDC_ACTION_STANDBY));
}

// The line under the morning, for the action and the morning's box as
// they are checked now.
static void showMorningNote(HWND dialog, const ConfigValues* values)
{
    TextId note =
        morningNoteText(values->wakeLimit, checkedAction(dialog), isChecked(dialog, IDC_MORNING), values->morningNotArmed);
    WCHAR text[WORDS_SIZE] = { 0 };
    if (note != NO_TEXT)
        sayText(note, NULL, 0, text);
    setWindowWords(GetDlgItem(dialog, IDC_MORNING_NOTE), text);
}

// The morning's time, days, fade, volume and what it plays go with its
// box, the song's name and "Browse..." with the song chosen too; the line
// under them stays as it is.
static void enableMorningControls(HWND dialog)
{
    static const int ids[] = {
        IDC_MORNING_HOUR, IDC_MORNING_MINUTE, IDC_MORNING_AM, IDC_MORNING_PM, IDC_MORNING_COLON,
        IDC_MORNING_FADE_IN, IDC_MORNING_FADE_MINUTES, IDC_MORNING_VOLUME_LABEL,
        IDC_MORNING_VOLUME, IDC_MORNING_PLAY_LABEL, IDC_MORNING_PLAY_OWN, IDC_MORNING_PLAY_CHOSEN,
    };
    bool on = isChecked(dialog, IDC_MORNING);
    for (int id : ids)
        enableControl(dialog, id, on);
    for (int day = 0; day < 7; ++day)
        enableControl(dialog, IDC_MORNING_DAY_FIRST + day, on);
    bool song = on && isChecked(dialog, IDC_MORNING_PLAY_CHOSEN);
    enableControl(dialog, IDC_MORNING_PLAY_FILE, song);
    enableControl(dialog, IDC_MORNING_BROWSE, song);
}

// Whether text is a stream's address ("scheme://..."), not a file name.
static bool isAddress(const char* text)
{
    for (; *text && *text != '\\'; ++text) {
        if (text[0] == ':' && text[1] == '/' && text[2] == '/')
            return true;
    }
    return false;
}

typedef BOOL(WINAPI* OpenDialog)(LPOPENFILENAMEA);

static const char MUSIC_FILES[] = "*.mp3;*.ogg;*.wav;*.wma;*.flac;*.m4a;*.aac;*.mid;*.m3u;*.pls";
#define FILTER_NAME_SIZE 64

// The system's Open dialog, from the song's name in its box (a stream's
// address starts it empty); the file chosen goes into the box. COMDLG32
// is loaded from the system directory for the time the dialog is open,
// not imported: the plugin loads without it.
static void browseForSong(HWND dialog)
{
    HMODULE library = loadSystemLibrary("comdlg32.dll");
    if (!library)
        return;
    OpenDialog openDialog = (OpenDialog)(void*)GetProcAddress(library, "GetOpenFileNameA");
    char file[MAX_PATH];
    GetDlgItemTextA(dialog, IDC_MORNING_PLAY_FILE, file, sizeof file);
    if (isAddress(file))
        file[0] = '\0';
    OPENFILENAMEA request = {};
    // The size the 9x family and NT 4.0 know; later systems take it too.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = dialog;
    // The filters' names in the user's language, as the ANSI code page has
    // them: "Music", then "All files".
    char filter[2 * FILTER_NAME_SIZE + sizeof MUSIC_FILES + sizeof "*.*" + 1];
    char* at = filter;
    at += sayAnsi(T_MUSIC_FILES, at, FILTER_NAME_SIZE) + 1;
    copyBounded(MUSIC_FILES, at, sizeof MUSIC_FILES);
    at += sizeof MUSIC_FILES;
    at += sayAnsi(T_ALL_FILES, at, FILTER_NAME_SIZE) + 1;
    copyBounded("*.*", at, sizeof "*.*");
    at[sizeof "*.*"] = '\0';
    request.lpstrFilter = filter;
    request.lpstrFile = file;
    request.nMaxFile = sizeof file;
    // The player's current directory stays as it is.
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (openDialog && openDialog(&request))
        SetDlgItemTextA(dialog, IDC_MORNING_PLAY_FILE, file);
    FreeLibrary(library);
}

// "Morning": its box, time and days, its fade and volume lists (a
// hand-edited number that is not in a list selects nothing), and what it
// plays.
static void showMorning(HWND dialog, const ConfigValues* values)
{
    setCheck(dialog, IDC_MORNING, values->morning);
    fillHourList(dialog, MORNING_HOURS, values->morningHour, values->use24Hour);
    fillMinuteList(dialog, IDC_MORNING_MINUTE, values->morningMinute);
    showDays(dialog, IDC_MORNING_DAY_FIRST, values->morningDays);
    WCHAR words[WORDS_SIZE];
    sayText(T_NO_FADE, NULL, 0, words);
    addListWords(dialog, IDC_MORNING_FADE_MINUTES, CB_ADDSTRING, words);
    addFadeChoices(dialog, IDC_MORNING_FADE_MINUTES);
    SendDlgItemMessageA(dialog, IDC_MORNING_FADE_MINUTES, CB_SETCURSEL,
                        (WPARAM)morningFadeItemToShow(values->morningFadeMinutes), 0);
    sayText(T_PLAYERS_VOLUME, NULL, 0, words);
    addListWords(dialog, IDC_MORNING_VOLUME, CB_ADDSTRING, words);
    for (unsigned item = 1; item < MORNING_VOLUME_ITEMS; ++item) {
        char digits[8];
        WCHAR number[8];
        wsprintfA(digits, "%u", item * 10);
        widenAnsi(digits, number, 8);
        const WCHAR* values[] = { number };
        sayText(T_PERCENT, values, 1, words);
        addListWords(dialog, IDC_MORNING_VOLUME, CB_ADDSTRING, words);
    }
    SendDlgItemMessageA(dialog, IDC_MORNING_VOLUME, CB_SETCURSEL,
                        (WPARAM)morningVolumeItemToShow(values->morningVolume), 0);
    SendDlgItemMessageA(dialog, IDC_MORNING_PLAY_FILE, EM_LIMITTEXT, sizeof values->morningPlay - 1, 0);
    SetDlgItemTextA(dialog, IDC_MORNING_PLAY_FILE, values->morningPlay);
    setCheck(dialog, values->morningPlay[0] ? IDC_MORNING_PLAY_CHOSEN : IDC_MORNING_PLAY_OWN, true);
    enableMorningControls(dialog);
    showMorningNote(dialog, values);
}

// Every caption the template gives in English, in the user's language.
static const struct {
    int id;
    TextId text;
} CAPTIONS[] = {
    { IDOK, T_OK },
    { IDCANCEL, T_CANCEL },
    { IDC_AM, T_AM_KEY },
    { IDC_PM, T_PM_KEY },
    { IDC_24HOUR, T_24HOUR },
    { IDC_ACTION_NONE, T_ACTION_NONE },
    { IDC_ACTION_STANDBY, T_STANDBY },
    { IDC_ACTION_SHUTDOWN, T_SHUTDOWN },
    { IDC_ACTION_REBOOT, T_REBOOT },
    { IDC_FORCE, T_FORCE },
    { IDC_PLUGIN_DISABLED, T_PLUGIN_DISABLED },
    { IDC_RUN_ONCE, T_RUN_ONCE },
    { IDC_PLUGIN_ENABLED, T_PLUGIN_ENABLED },
    { IDC_GROUP_CLOSE_AT, T_GROUP_CLOSE_AT },
    { IDC_GROUP_SHUTDOWN, T_GROUP_SHUTDOWN },
    { IDC_GROUP_PLUGIN, T_GROUP_PLUGIN },
    { IDC_FADE, T_FADE },
    { IDC_FINISH_SONG, T_FINISH_SONG },
    { IDC_NOTICE, T_NOTICE },
    { IDC_GROUP_EVENING, T_GROUP_EVENING },
    { IDC_IDLE_LABEL, T_IDLE },
    { IDC_MORNING, T_MORNING },
    { IDC_MORNING_AM, T_AM },
    { IDC_MORNING_PM, T_PM },
    { IDC_MORNING_FADE_IN, T_MORNING_FADE_IN },
    { IDC_MORNING_VOLUME_LABEL, T_MORNING_VOLUME },
    { IDC_MORNING_PLAY_LABEL, T_MORNING_PLAY },
    { IDC_MORNING_PLAY_OWN, T_PLAY_OWN },
    { IDC_MORNING_PLAY_CHOSEN, T_PLAY_CHOSEN },
    { IDC_MORNING_BROWSE, T_BROWSE },
    { IDC_GROUP_MORNING, T_GROUP_MORNING },
    { IDC_EVENING_LIST_LABEL, T_EVENING_LIST },
    { IDC_MORNING_LIST_LABEL, T_MORNING_LIST },
    { IDC_EVENING_NEW, T_EVENING_NEW },
    { IDC_EVENING_DELETE, T_EVENING_DELETE },
    { IDC_MORNING_NEW, T_MORNING_NEW },
    { IDC_MORNING_DELETE, T_MORNING_DELETE },
};

// The hidden labels that name the fields a caption leads into, each with
// that caption's text: the group's for the evening's minutes, the check
// box's or radio button's for the others.
static const struct {
    int id;
    TextId text;
} FIELD_NAMES[] = {
    { IDC_MINUTE_NAME, T_GROUP_CLOSE_AT },
    { IDC_FADE_MINUTES_NAME, T_FADE },
    { IDC_MORNING_HOUR_NAME, T_MORNING },
    { IDC_MORNING_MINUTE_NAME, T_MORNING },
    { IDC_MORNING_PLAY_FILE_NAME, T_PLAY_CHOSEN },
};

static void initialise(HWND dialog, const ConfigValues* values)
{
    SetWindowTextA(dialog, "Nightfold");
    for (const auto& caption : CAPTIONS)
        setItemWords(dialog, caption.id, caption.text);
    for (const auto& name : FIELD_NAMES)
        setNameWords(dialog, name.id, name.text);
    WCHAR product[WORDS_SIZE], group[WORDS_SIZE];
    widenAnsi(PRODUCT_TEXT, product, WORDS_SIZE);
    const WCHAR* named[] = { product };
    sayText(T_CONFIG_GROUP, named, 1, group);
    setWindowWords(GetDlgItem(dialog, IDC_GROUP_CONFIG), group);

    static const int pluginButtons[] = { IDC_PLUGIN_DISABLED, IDC_PLUGIN_ENABLED, IDC_RUN_ONCE };
    int plugin = pluginButtonToCheck(values->enabled, values->runOnce);
    for (int id : pluginButtons)
        setCheck(dialog, id, id == plugin);
    // The other action buttons start unchecked.
    setCheck(dialog, actionButtonToCheck(values->action), true);
    setCheck(dialog, IDC_FORCE, values->force);
    showEvening(dialog, values);

    enableScheduleControls(dialog, scheduleChosen(dialog), values->canShutdown);
    enableControl(dialog, IDC_FORCE, forceEnabledAtOpen(values->enabled, values->canShutdown, values->action));

    setCheck(dialog, IDC_24HOUR, values->use24Hour);
    fillHourList(dialog, EVENING_HOURS, values->hour, values->use24Hour);
    fillMinuteList(dialog, IDC_MINUTE, values->minute);
    showNightLine(dialog);
    showMorning(dialog, values);
}

// Hands back every value the dialog shows, whatever the plugin's state: a
// disabled plugin keeps its time and action. An evening on no day is
// Disabled.
static void readChoice(HWND dialog, ConfigValues* chosen)
{
    DaysChoice evening = daysToSave(true, tickedDays(dialog, IDC_DAY_FIRST));
    chosen->enabledForGood = evening.on && isChecked(dialog, IDC_PLUGIN_ENABLED);
    chosen->runOnce = evening.on && isChecked(dialog, IDC_RUN_ONCE);
    chosen->days = evening.days;
    chosen->action = checkedAction(dialog);
    chosen->force = isChecked(dialog, IDC_FORCE);
    chosen->use24Hour = isChecked(dialog, IDC_24HOUR);
    chosen->hour = readChosenHour(dialog, EVENING_HOURS, chosen->use24Hour);
    chosen->minuteText[0] = '\0';
    GetDlgItemTextA(dialog, IDC_MINUTE, chosen->minuteText, sizeof chosen->minuteText);
    // The record still holds the minutes shown at open.
    int fadeItem = (int)SendDlgItemMessageA(dialog, IDC_FADE_MINUTES, CB_GETCURSEL, 0, 0);
    chosen->fadeMinutes = fadeToSave(isChecked(dialog, IDC_FADE), fadeItem, chosen->fadeMinutes);
    chosen->finishSong = isChecked(dialog, IDC_FINISH_SONG);
    chosen->notice = isChecked(dialog, IDC_NOTICE);
    LRESULT idleItem = SendDlgItemMessageA(dialog, IDC_IDLE_MINUTES, CB_GETCURSEL, 0, 0);
    if (idleItem >= 0)
        chosen->idleMinutes = (UINT)SendDlgItemMessageA(dialog, IDC_IDLE_MINUTES, CB_GETITEMDATA, (WPARAM)idleItem, 0);

    DaysChoice morning = daysToSave(isChecked(dialog, IDC_MORNING), tickedDays(dialog, IDC_MORNING_DAY_FIRST));
    chosen->morning = morning.on;
    chosen->morningDays = morning.days;
    chosen->morningHour = readChosenHour(dialog, MORNING_HOURS, chosen->use24Hour);
    chosen->morningMinuteText[0] = '\0';
    GetDlgItemTextA(dialog, IDC_MORNING_MINUTE, chosen->morningMinuteText, sizeof chosen->morningMinuteText);
    fadeItem = (int)SendDlgItemMessageA(dialog, IDC_MORNING_FADE_MINUTES, CB_GETCURSEL, 0, 0);
    chosen->morningFadeMinutes = morningFadeToSave(fadeItem, chosen->morningFadeMinutes);
    int volumeItem = (int)SendDlgItemMessageA(dialog, IDC_MORNING_VOLUME, CB_GETCURSEL, 0, 0);
    chosen->morningVolume = morningVolumeToSave(volumeItem, chosen->morningVolume);
    // What Winamp has: no song's name, whatever the box still holds.
    chosen->morningPlay[0] = '\0';
    if (isChecked(dialog, IDC_MORNING_PLAY_CHOSEN))
        GetDlgItemTextA(dialog, IDC_MORNING_PLAY_FILE, chosen->morningPlay, sizeof chosen->morningPlay);
}

static void applyForceRule(HWND dialog, int controlId)
{
    bool shutdownOrReboot = isChecked(dialog, IDC_ACTION_SHUTDOWN) || isChecked(dialog, IDC_ACTION_REBOOT);
    ForceChange change = forceAfterCommand(controlId, isChecked(dialog, controlId), shutdownOrReboot);
    if (change != FORCE_KEEP)
        enableControl(dialog, IDC_FORCE, change == FORCE_ENABLE);
}

// ---- the lists of evenings and mornings ----------------------------------

// The entry of each column its controls show.
static int s_eveningShown, s_morningShown;

// Each list names its entries by their days and time; New is offered below
// eight, Delete above one.
static void fillEntryLists(HWND dialog, const ConfigValues* values)
{
    bool use24 = isChecked(dialog, IDC_24HOUR);
    WCHAR text[WORDS_SIZE];
    SendDlgItemMessageA(dialog, IDC_EVENING_LIST, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < values->eveningCount; ++i) {
        const EveningEntry& evening = values->evenings[i];
        sayEntry(evening.days, evening.hour, evening.minute, use24, text);
        addListWords(dialog, IDC_EVENING_LIST, LB_ADDSTRING, text);
    }
    SendDlgItemMessageA(dialog, IDC_MORNING_LIST, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < values->morningCount; ++i) {
        const MorningEntry& morning = values->mornings[i];
        sayEntry(morning.days, morning.hour, morning.minute, use24, text);
        addListWords(dialog, IDC_MORNING_LIST, LB_ADDSTRING, text);
    }
    SendDlgItemMessageA(dialog, IDC_EVENING_LIST, LB_SETCURSEL, (WPARAM)s_eveningShown, 0);
    SendDlgItemMessageA(dialog, IDC_MORNING_LIST, LB_SETCURSEL, (WPARAM)s_morningShown, 0);
    enableControl(dialog, IDC_EVENING_NEW, values->eveningCount < MAX_ENTRIES);
    enableControl(dialog, IDC_EVENING_DELETE, values->eveningCount > 1);
    enableControl(dialog, IDC_MORNING_NEW, values->morningCount < MAX_ENTRIES);
    enableControl(dialog, IDC_MORNING_DELETE, values->morningCount > 1);
}

// A minute list's text as the entry keeps it: none selected is no minute
// (above 59), written as today's empty key.
static uint16_t minuteOfText(const char* text)
{
    return text[0] ? (uint16_t)storedMinuteOf(text) : 0xFFFF;
}

// What the controls show goes into the entries shown; an evening keeps its
// days as ticked, none too, until OK.
static void keepShown(HWND dialog, ConfigValues* values)
{
    readChoice(dialog, values);
    EveningEntry& evening = values->evenings[s_eveningShown];
    evening.hour = (uint16_t)values->hour;
    evening.minute = minuteOfText(values->minuteText);
    evening.days = tickedDays(dialog, IDC_DAY_FIRST);
    evening.action = values->action;
    MorningEntry& morning = values->mornings[s_morningShown];
    morning.on = values->morning;
    morning.hour = (uint16_t)values->morningHour;
    morning.minute = minuteOfText(values->morningMinuteText);
    morning.days = values->morningDays;
    morning.fadeMinutes = values->morningFadeMinutes;
    morning.volume = values->morningVolume;
    copyBounded(values->morningPlay, morning.play, sizeof morning.play);
}

// Selects the minute in its list; one above 59 selects nothing.
static void selectMinute(HWND dialog, int id, unsigned minute)
{
    char text[4];
    formatItemText("%02d", minute, text);
    if (minute > 59 || SendDlgItemMessageA(dialog, id, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)text) == CB_ERR)
        SendDlgItemMessageA(dialog, id, CB_SETCURSEL, (WPARAM)-1, 0);
}

static void showEveningEntry(HWND dialog, ConfigValues* values, int entry)
{
    static const int actionButtons[] = { IDC_ACTION_NONE, IDC_ACTION_STANDBY, IDC_ACTION_SHUTDOWN, IDC_ACTION_REBOOT };
    s_eveningShown = entry;
    const EveningEntry& evening = values->evenings[entry];
    values->hour = evening.hour;
    values->minute = evening.minute;
    values->days = evening.days;
    values->action = evening.action;
    fillHourList(dialog, EVENING_HOURS, evening.hour, isChecked(dialog, IDC_24HOUR));
    selectMinute(dialog, IDC_MINUTE, evening.minute);
    showDays(dialog, IDC_DAY_FIRST, evening.days);
    showNightLine(dialog);
    int action = actionButtonToCheck(evening.action);
    for (int id : actionButtons)
        setCheck(dialog, id, id == action);
    enableControl(dialog, IDC_FORCE, forceEnabledAtOpen(scheduleChosen(dialog), values->canShutdown, evening.action));
    showMorningNote(dialog, values);
}

static void showMorningEntry(HWND dialog, ConfigValues* values, int entry)
{
    s_morningShown = entry;
    const MorningEntry& morning = values->mornings[entry];
    values->morning = morning.on;
    values->morningHour = morning.hour;
    values->morningMinute = morning.minute;
    values->morningDays = morning.days;
    values->morningFadeMinutes = morning.fadeMinutes;
    values->morningVolume = morning.volume;
    copyBounded(morning.play, values->morningPlay, sizeof values->morningPlay);
    setCheck(dialog, IDC_MORNING, morning.on);
    fillHourList(dialog, MORNING_HOURS, morning.hour, isChecked(dialog, IDC_24HOUR));
    selectMinute(dialog, IDC_MORNING_MINUTE, morning.minute);
    showDays(dialog, IDC_MORNING_DAY_FIRST, morning.days);
    SendDlgItemMessageA(dialog, IDC_MORNING_FADE_MINUTES, CB_SETCURSEL,
                        (WPARAM)morningFadeItemToShow(morning.fadeMinutes), 0);
    SendDlgItemMessageA(dialog, IDC_MORNING_VOLUME, CB_SETCURSEL, (WPARAM)morningVolumeItemToShow(morning.volume), 0);
    SetDlgItemTextA(dialog, IDC_MORNING_PLAY_FILE, morning.play);
    setCheck(dialog, IDC_MORNING_PLAY_CHOSEN, morning.play[0] != 0);
    setCheck(dialog, IDC_MORNING_PLAY_OWN, morning.play[0] == 0);
    enableMorningControls(dialog);
    showMorningNote(dialog, values);
}

// The days that taken leaves free, or every day where none are.
static uint32_t freeDays(uint32_t taken)
{
    return ~taken & EVERY_DAY ? ~taken & EVERY_DAY : EVERY_DAY;
}

// A copy of the entry shown, on the days the others leave free, after the
// last; returns its index.
template <typename Entry>
static int copyShown(Entry* entries, int* count, int shown)
{
    uint32_t taken = 0;
    for (int i = 0; i < *count; ++i)
        taken |= entries[i].days;
    entries[*count] = entries[shown];
    entries[*count].days = freeDays(taken);
    return (*count)++;
}

// Takes the entry shown out, the ones after it one up (by swaps: the plugin
// has no memmove); returns the index of the entry to show then.
template <typename Entry>
static int deleteShown(Entry* entries, int* count, int shown)
{
    for (int i = shown; i + 1 < *count; ++i) {
        Entry next = entries[i + 1];
        entries[i + 1] = entries[i];
        entries[i] = next;
    }
    --*count;
    return shown < *count ? shown : *count - 1;
}

// New copies the entry shown, on the free days; Delete takes the shown one
// out. Either shows the entry that follows.
static void changeEntries(HWND dialog, ConfigValues* values, int command)
{
    keepShown(dialog, values);
    if (command == IDC_EVENING_NEW && values->eveningCount < MAX_ENTRIES)
        showEveningEntry(dialog, values, copyShown(values->evenings, &values->eveningCount, s_eveningShown));
    else if (command == IDC_EVENING_DELETE && values->eveningCount > 1)
        showEveningEntry(dialog, values, deleteShown(values->evenings, &values->eveningCount, s_eveningShown));
    else if (command == IDC_MORNING_NEW && values->morningCount < MAX_ENTRIES)
        showMorningEntry(dialog, values, copyShown(values->mornings, &values->morningCount, s_morningShown));
    else if (command == IDC_MORNING_DELETE && values->morningCount > 1)
        showMorningEntry(dialog, values, deleteShown(values->mornings, &values->morningCount, s_morningShown));
    fillEntryLists(dialog, values);
}

// Another entry chosen in a list: the one shown keeps its changes.
static void chooseEntry(HWND dialog, ConfigValues* values, int list)
{
    int entry = (int)SendDlgItemMessageA(dialog, list, LB_GETCURSEL, 0, 0);
    int count = list == IDC_EVENING_LIST ? values->eveningCount : values->morningCount;
    if (entry < 0 || entry >= count)
        return;
    keepShown(dialog, values);
    if (list == IDC_EVENING_LIST)
        showEveningEntry(dialog, values, entry);
    else
        showMorningEntry(dialog, values, entry);
    fillEntryLists(dialog, values);
}

// On OK: evenings on no day go while one remains; the first of each kind
// goes into the record's own fields, which the unnumbered keys take. An
// evening on no day is Disabled, as before.
static void settleChoice(HWND dialog, ConfigValues* values)
{
    keepShown(dialog, values);
    int kept = 0;
    for (int i = 0; i < values->eveningCount; ++i) {
        if (values->evenings[i].days || (kept == 0 && i == values->eveningCount - 1))
            values->evenings[kept++] = values->evenings[i];
    }
    values->eveningCount = kept;
    EveningEntry& evening = values->evenings[0];
    DaysChoice days = daysToSave(true, evening.days);
    evening.days = days.days;
    values->enabledForGood = days.on && isChecked(dialog, IDC_PLUGIN_ENABLED);
    values->runOnce = days.on && isChecked(dialog, IDC_RUN_ONCE);
    values->hour = evening.hour;
    values->days = evening.days;
    values->action = evening.action;
    values->minuteText[0] = '\0';
    if (evening.minute <= 59)
        formatItemText("%02d", evening.minute, values->minuteText);
    const MorningEntry& morning = values->mornings[0];
    values->morning = morning.on;
    values->morningHour = morning.hour;
    values->morningDays = morning.days;
    values->morningFadeMinutes = morning.fadeMinutes;
    values->morningVolume = morning.volume;
    copyBounded(morning.play, values->morningPlay, sizeof values->morningPlay);
    values->morningMinuteText[0] = '\0';
    if (morning.minute <= 59)
        formatItemText("%02d", morning.minute, values->morningMinuteText);
}

// The copy of the caller's record that the dialog edits; OK hands it back.
static ConfigValues s_editing;

static void handleDialogCommand(HWND dialog, int controlId, int code, ConfigValues* values)
{
    switch (controlId) {
    case IDOK:
        settleChoice(dialog, values);
        EndDialog(dialog, IDOK);
        break;
    case IDC_EVENING_LIST:
    case IDC_MORNING_LIST:
        if (code == LBN_SELCHANGE)
            chooseEntry(dialog, values, controlId);
        break;
    case IDC_EVENING_NEW:
    case IDC_EVENING_DELETE:
    case IDC_MORNING_NEW:
    case IDC_MORNING_DELETE:
        changeEntries(dialog, values, controlId);
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
        showMorningNote(dialog, values);
        break;
    case IDC_24HOUR:
        switchHourForm(dialog, EVENING_HOURS);
        switchHourForm(dialog, MORNING_HOURS);
        fillEntryLists(dialog, values);
        showNightLine(dialog);
        break;
    case IDC_HOUR:
    case IDC_MINUTE:
        if (code == CBN_SELCHANGE)
            showNightLine(dialog);
        break;
    case IDC_AM:
    case IDC_PM:
        showNightLine(dialog);
        break;
    case IDC_MORNING:
        enableMorningControls(dialog);
        showMorningNote(dialog, values);
        break;
    case IDC_MORNING_PLAY_OWN:
    case IDC_MORNING_PLAY_CHOSEN:
        enableMorningControls(dialog);
        break;
    case IDC_MORNING_BROWSE:
        browseForSong(dialog);
        break;
    case IDC_FADE:
        enableFadeMinutes(dialog, scheduleChosen(dialog));
        break;
    default:
        if (controlId >= IDC_DAY_FIRST && controlId < IDC_DAY_FIRST + 7)
            showNightLine(dialog);
        break;
    }
}

// The dialog while it is open: asked again (from the player's menu or its
// preferences), the open one comes to the front.
static HWND s_open;

static INT_PTR CALLBACK configDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        // Built from the record it is given, whether or not the window
        // keeps it.
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
        s_open = dialog;
        initialise(dialog, (const ConfigValues*)lParam);
        s_eveningShown = s_morningShown = 0;
        fillEntryLists(dialog, (const ConfigValues*)lParam);
        return FALSE;  // leaves the focus alone
    case WM_COMMAND: {
        // Without its record (a control that notifies while the dialog is
        // being created, or window data that cannot be read) the dialog
        // cannot hand a choice back: OK ends as Cancel does, so that nothing
        // changes, and the other controls are ignored.
        ConfigValues* values = valuesOf(dialog);
        int controlId = LOWORD(wParam);
        if (values)
            handleDialogCommand(dialog, controlId, HIWORD(wParam), values);
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
    if (s_open) {
        SetForegroundWindow(s_open);
        return IDCANCEL;
    }
    s_editing = *values;
    INT_PTR result = runDialog(instance, IDD_CONFIG, readOwnerWindow(), configDialogProc, (LPARAM)&s_editing);
    s_open = NULL;
    if (result == IDOK)
        *values = s_editing;
    return result;
}
