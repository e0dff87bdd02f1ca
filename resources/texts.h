// Every text the user sees, by identifier, and the tables that give them in
// each language (resources/texts/<code>.cpp, listed in languages.cpp).
//
// Texts are UTF-8. A value goes where a text has %1 to %3; "%%" is a
// percent sign. An '&' marks the access key of a control or button
// ("&&" is an '&'); each window's keys are unique in every language. Plain
// numeric definitions only: built without <windows.h>, natively too.
#ifndef NIGHTFOLD_TEXTS_H
#define NIGHTFOLD_TEXTS_H

#include <stdint.h>

enum TextId {
    // The configuration dialog.
    T_CONFIG_GROUP,        // "%1 Configuration": %1 the product, "Nightfold v2.0"
    T_OK,
    T_CANCEL,
    T_AM_KEY,
    T_PM_KEY,
    T_24HOUR,
    T_ACTION_NONE,
    T_STANDBY,
    T_SHUTDOWN,
    T_REBOOT,
    T_FORCE,
    T_PLUGIN_DISABLED,
    T_RUN_ONCE,
    T_PLUGIN_ENABLED,
    T_GROUP_CLOSE_AT,
    T_GROUP_SHUTDOWN,
    T_GROUP_PLUGIN,
    T_FADE,
    T_MINUTES,             // after a list of minutes: "minutes"
    T_FINISH_SONG,
    T_NOTICE,
    T_GROUP_EVENING,
    T_MORNING,
    T_MORNING_FADE_IN,
    T_MORNING_VOLUME,
    T_MORNING_PLAY,
    T_PLAY_OWN,
    T_PLAY_CHOSEN,
    T_BROWSE,
    T_GROUP_MORNING,
    T_NO_FADE,             // the morning's fade list's first item
    T_PLAYERS_VOLUME,      // the volume list's first item
    T_PERCENT,             // "%1 %%": %1 10 to 100
    T_MUSIC_FILES,         // the Open dialog's filters
    T_ALL_FILES,
    // The line under the morning.
    T_NOTE_NOT_ARMED,
    T_NOTE_OFF,
    T_NOTE_REFUSED,
    T_NOTE_NO_POWER_MANAGEMENT,
    T_NOTE_TIMERS_OFF,
    T_NOTE_IMPORTANT_ONLY,

    // Times of day in the 12-hour form: %1 "11:30".
    T_TIME_AM,
    T_TIME_PM,
    // Where the dialog's AM and PM carry no access key (the morning's).
    T_AM,
    T_PM,

    // The notice of the last minute: %1 the time left ("0:59"), %2 the
    // morning's time.
    T_CLOSES_IN,
    T_CLOSES_IN_SHUTDOWN,
    T_CLOSES_IN_SHUTDOWN_FORCED,
    T_CLOSES_IN_RESTART,
    T_CLOSES_IN_RESTART_FORCED,
    T_CLOSES_IN_STANDBY,
    T_STOPS_IN,
    T_STOPS_IN_SLEEP,
    T_SNOOZE,
    T_CANCEL_TONIGHT,
    T_CLOSE_NOW,
    T_STOP_NOW,
    // The morning's notice: %1 the time; its buttons besides T_SNOOZE.
    T_GOOD_MORNING,
    T_GOOD_MORNING_NOTHING_TO_PLAY,
    T_GOOD_MORNING_NOT_STARTED,
    T_GOOD_MORNING_CANNOT_SOUND,
    T_STOP,
    T_KEEP_PLAYING,

    // The player's menu.
    T_MENU_IN_15,
    T_MENU_IN_30,
    T_MENU_IN_45,
    T_MENU_IN_60,
    T_MENU_IN_120,
    T_MENU_SONG_END,
    T_MENU_STOP,
    T_MENU_CANCEL,
    T_MENU_SETTINGS,
    // Its first line: what closes the next evening. %1 the time, %2 the
    // day's short name (the locale's), %3 the morning's time.
    T_NOTHING_SET,
    T_CLOSES_AT, T_CLOSES_AT_SHUTDOWN, T_CLOSES_AT_RESTART, T_CLOSES_AT_STANDBY,
    T_CLOSES_TOMORROW, T_CLOSES_TOMORROW_SHUTDOWN, T_CLOSES_TOMORROW_RESTART, T_CLOSES_TOMORROW_STANDBY,
    T_CLOSES_DAY, T_CLOSES_DAY_SHUTDOWN, T_CLOSES_DAY_RESTART, T_CLOSES_DAY_STANDBY,
    T_CLOSES_AT_STOP, T_CLOSES_AT_STOP_SHUTDOWN, T_CLOSES_AT_STOP_RESTART, T_CLOSES_AT_STOP_STANDBY,
    T_STOPS_AT, T_STOPS_AT_SLEEP,
    T_STOPS_TOMORROW, T_STOPS_TOMORROW_SLEEP,
    T_STOPS_DAY, T_STOPS_DAY_SLEEP,
    T_ENDS_AT_STOP, T_ENDS_AT_STOP_SLEEP,
    // Its second line: %1 the morning's time, %2 the day's short name.
    T_WAKES_AT,
    T_WAKES_TOMORROW,
    T_WAKES_DAY,
    T_SNOOZED_UNTIL,

    // Message boxes. A failure's text is followed by the system's reason.
    T_TIMER_CREATE_FAILED,
    T_TIMER_SET_FAILED,
    T_TIMER_WAIT_FAILED,
    T_START_FAILED,
    T_MORNING_NOT_SET,
    T_EXIT_NOT_ASKED,
    T_STANDBY_FAILED,
    T_STANDBY_FAILED_TITLE,
    T_RESTART_FAILED,
    T_RESTART_FAILED_TITLE,
    T_SHUTDOWN_FAILED,
    T_SHUTDOWN_FAILED_TITLE,
    T_NOT_SAVED,           // %1 the settings file, %2 the system's reason
    T_NOT_SAVED_EITHER,    // %1 the file beside the plugin, %2 the one in the player's folder, %3 the reason
    // Several evenings and mornings.
    T_MENU_SKIP,           // %1 the morning's day (short name), %2 its time
    T_MENU_UNDO_SKIP,
    T_EVENING_LIST,        // the label of the evenings' list
    T_MORNING_LIST,
    T_EVENING_NEW,         // the buttons under each list
    T_EVENING_DELETE,
    T_MORNING_NEW,
    T_MORNING_DELETE,
    T_ENTRY,               // an entry in the dialog's lists: %1 its days, %2 its time

    TEXT_COUNT,
    NO_TEXT = TEXT_COUNT  // where nothing is said
};

struct TextEntry {
    uint16_t id;  // a TextId
    const char* text;
};

// A language: its code ("de", "pt-BR"), its Windows language identifier,
// the ANSI code page that can show its script (0: any, for plain ASCII),
// and its texts, in any order; a text it lacks is English.
struct LanguageTable {
    const char* code;
    uint16_t langId;
    uint16_t codePage;
    const TextEntry* texts;
    unsigned count;
};

// Every language, English first.
extern const LanguageTable* const LANGUAGES[];
extern const unsigned LANGUAGE_COUNT;

#endif
