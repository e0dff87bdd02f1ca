// Every text the user sees, by identifier, and the tables that give them in
// each language (resources/texts/<code>.cpp, listed in languages.cpp).
//
// Texts are UTF-8. A value goes where a text has %1 to %3; "%%" is a
// percent sign. An '&' marks the access key of a control or button
// ("&&" is an '&'): a letter of the text itself, but for Japanese and
// Chinese, which write it in parentheses after the text ("新規(&N)"). Each
// window's keys are unique in every language, but that the two columns'
// New buttons may share theirs, and so may their Delete buttons. OK and
// Cancel carry none (Enter and Esc press them). Plain numeric definitions
// only: built without <windows.h>, natively too.
#ifndef NIGHTFOLD_TEXTS_H
#define NIGHTFOLD_TEXTS_H

#include <stdint.h>

enum TextId {
    // The configuration dialog, three columns: the evenings, what follows
    // an evening, the mornings. Widths in dialog units (Windows' dialog
    // font, 8 points: about 4 units to an average letter), less the box or
    // button of a check box or radio button (about 12).
    T_CONFIG_GROUP,        // group caption, 504 wide: "%1 Configuration", %1 the product ("Nightfold v2.0")
    T_OK,                  // button, 50 wide, no access key (Enter presses it)
    T_CANCEL,              // button, 50 wide, no access key (Esc presses it)
    T_AM_KEY,              // radio button, 60 wide: before noon, in the 12-hour form
    T_PM_KEY,              // radio button, 60 wide: after noon
    T_24HOUR,              // check box, 136 wide: hours 0 to 23, governs every time shown
    T_ACTION_NONE,         // radio button, 128 wide: nothing after the player closes (not "plugin off")
    T_STANDBY,             // radio button, 128 wide: hibernates where Windows allows it, else standby
    T_SHUTDOWN,            // radio button, 128 wide
    T_REBOOT,              // radio button, 128 wide
    T_FORCE,               // check box, 128 wide, two lines
    T_PLUGIN_DISABLED,     // radio button, 128 wide: the plugin's state
    T_RUN_ONCE,            // radio button, 128 wide: armed for this run of the player only
    T_PLUGIN_ENABLED,      // radio button, 128 wide
    T_GROUP_CLOSE_AT,      // group caption, 148 wide, followed by the hour and minute lists (any hour)
    T_GROUP_SHUTDOWN,      // group caption, 140 wide: what follows the player's close
    T_GROUP_PLUGIN,        // group caption, 140 wide
    T_FADE,                // check box, 128 wide, one line, followed by a list item of T_ONE_MINUTE or T_MINUTES
    T_MINUTES,             // list item, 80 wide: %1 2 to 240; after T_FADE and T_MORNING_FADE_IN, in T_IDLE_ITEM
    T_ONE_MINUTE,          // list item, 80 wide: the same for 1
    T_FINISH_SONG,         // check box, 128 wide, two lines
    T_NOTICE,              // check box, 128 wide, two lines
    T_GROUP_EVENING,       // group caption, 140 wide
    T_MORNING,             // check box, 180 wide, one line, followed by the hour and minute lists (any hour)
    T_MORNING_FADE_IN,     // label, 84 wide, above a list of T_NO_FADE, T_ONE_MINUTE and T_MINUTES
    T_MORNING_VOLUME,      // label, 92 wide, above the volume list
    T_MORNING_PLAY,        // label, 180 wide, above T_PLAY_OWN and T_PLAY_CHOSEN
    T_PLAY_OWN,            // radio button, 180 wide: the player's current playlist, from where it stands
    T_PLAY_CHOSEN,         // radio button, 180 wide, followed by a file name or stream address
    T_BROWSE,              // button, 62 wide: opens Windows' Open dialog
    T_GROUP_MORNING,       // group caption, 192 wide
    T_NO_FADE,             // list item, 84 wide: the morning's fade list's first item
    T_PLAYERS_VOLUME,      // list item, 92 wide: the volume list's first item, the player's volume as it is
    T_PERCENT,             // list item, 92 wide: "%1 %%", %1 10 to 100
    T_MUSIC_FILES,         // the Open dialog's filter name (English where the ANSI code page cannot hold it)
    T_ALL_FILES,           // the same, for every file
    // The line under the morning, 180 wide, up to four lines.
    T_NOTE_NOT_ARMED,      // the morning's timer could not be set
    T_NOTE_OFF,            // with Shutdown or Reboot chosen
    T_NOTE_REFUSED,        // Windows says it will not wake this computer
    T_NOTE_NO_POWER_MANAGEMENT,  // Windows NT 4.0
    T_NOTE_TIMERS_OFF,     // the power plan's "Allow wake timers" is off
    T_NOTE_IMPORTANT_ONLY, // ... or allows Windows' own only

    // Times of day in the 12-hour form: %1 "11:30" (hour 1 to 12, minutes
    // two digits); anywhere a time of day shows. The 24-hour form is "23:30"
    // alone, so a %1 elsewhere can be "1:30", "1:30 AM" or "午前 1:30": no
    // article or preposition before it that depends on the hour.
    T_TIME_AM,             // before noon (12 AM is midnight)
    T_TIME_PM,             // from noon (12 PM is noon)
    // The morning's AM and PM radio buttons, 44 wide, without access key.
    T_AM,
    T_PM,

    // The notice of the last minute, 270 wide: its text (three lines of
    // 256) with %1 the time left in minutes:seconds ("0:59", not a time of
    // day), %2 the morning's time of day; its buttons.
    T_CLOSES_IN,           // the player closes in %1, nothing follows
    T_CLOSES_IN_SHUTDOWN,  // ... then the computer shuts down
    T_CLOSES_IN_SHUTDOWN_FORCED,  // ... programs closed without asking (unsaved work lost)
    T_CLOSES_IN_RESTART,   // ... then the computer restarts
    T_CLOSES_IN_RESTART_FORCED,   // ... programs closed without asking
    T_CLOSES_IN_STANDBY,   // ... then standby, or hibernation where Windows allows it
    T_STOPS_IN,            // a morning follows: playback stops in %1, the player stays open
    T_STOPS_IN_SLEEP,      // ... and the computer sleeps until %2
    T_SNOOZE,              // button, 92 wide: puts the evening's close off by 10 minutes (not a pause)
    T_CANCEL_TONIGHT,      // button, 84 wide: nothing closes this evening
    T_CLOSE_NOW,           // button, 72 wide: the player closes at once
    T_STOP_NOW,            // button, 72 wide: playback stops at once (a morning follows)
    // The morning's notice: %1 the time of day; its buttons.
    T_GOOD_MORNING,        // the music plays (any hour: a nap's end too)
    T_GOOD_MORNING_NOTHING_TO_PLAY,  // the playlist is empty: a tone sounds instead
    T_GOOD_MORNING_NOT_STARTED,      // the player did not start the music: a tone sounds
    T_GOOD_MORNING_CANNOT_SOUND,     // neither music nor tone can sound
    T_STOP,                // button, 56 wide: stops the music (the player stays open)
    T_KEEP_PLAYING,        // button, 100 wide: the music plays on, the notice goes
    T_MORNING_SNOOZE,      // button, 92 wide: the alarm clock's snooze, rings again in 10 minutes

    // The player's menu: items, each with an access key of its own.
    T_MENU_IN_15,          // the player closes 15 minutes from now
    T_MENU_IN_30,          // ... 30 minutes
    T_MENU_IN_45,          // ... 45 minutes
    T_MENU_IN_60,          // ... an hour
    T_MENU_IN_120,         // ... two hours
    T_MENU_SONG_END,       // when the song playing now ends
    T_MENU_STOP,           // when the player reports that playback stopped
    T_MENU_CANCEL,         // this evening's close is cancelled
    T_MENU_SETTINGS,       // opens the dialog
    // Its first line, greyed, no access key: what closes the next evening.
    // %1 the time of day, %2 the day's short name in the language's own
    // locale ("Tue", "wt.", "Di"; it may end in a dot: no preposition that
    // varies with the day), %3 the morning's time of day.
    T_NOTHING_SET,         // no evening tonight
    T_CLOSES_AT,           // the player closes today (or tonight after midnight) at %1
    T_CLOSES_AT_SHUTDOWN,  // ... then the computer shuts down
    T_CLOSES_AT_RESTART,   // ... then it restarts
    T_CLOSES_AT_STANDBY,   // ... then standby or hibernation
    T_CLOSES_TOMORROW,     // the same tomorrow
    T_CLOSES_TOMORROW_SHUTDOWN,
    T_CLOSES_TOMORROW_RESTART,
    T_CLOSES_TOMORROW_STANDBY,
    T_CLOSES_DAY,          // the same on the later day %2
    T_CLOSES_DAY_SHUTDOWN,
    T_CLOSES_DAY_RESTART,
    T_CLOSES_DAY_STANDBY,
    T_CLOSES_AT_STOP,      // the player closes once playback stops (no time)
    T_CLOSES_AT_STOP_SHUTDOWN,
    T_CLOSES_AT_STOP_RESTART,
    T_CLOSES_AT_STOP_STANDBY,
    T_STOPS_AT,            // a morning follows: playback stops at %1, the player stays open
    T_STOPS_AT_SLEEP,      // ... then the computer sleeps until the morning's %3
    T_STOPS_TOMORROW,      // the same tomorrow
    T_STOPS_TOMORROW_SLEEP,
    T_STOPS_DAY,           // the same on the later day %2
    T_STOPS_DAY_SLEEP,
    T_ENDS_AT_STOP,        // playback stopping ends the evening (no time)
    T_ENDS_AT_STOP_SLEEP,  // ... then the computer sleeps until %3
    // Its second line, greyed: %1 the morning's time of day, %2 the day's
    // short name as above.
    T_WAKES_AT,            // the music wakes the user today at %1
    T_WAKES_TOMORROW,      // ... tomorrow
    T_WAKES_DAY,           // ... on the later day %2
    T_SNOOZED_UNTIL,       // the morning's alarm snoozed (T_MORNING_SNOOZE) until %1

    // Message boxes. A failure's text is followed by the system's reason;
    // where the English names the "Waitable Timer" a translation may say
    // "the plugin's timer".
    T_TIMER_CREATE_FAILED, // the evening's timer could not be made; the plugin is off until OK
    T_TIMER_SET_FAILED,    // ... could not be set
    T_TIMER_WAIT_FAILED,   // ... could not be waited on
    T_START_FAILED,        // the evening's timer (not the morning's alarm) could not start
    T_MORNING_NOT_SET,     // the morning's timer could not be set
    T_EXIT_NOT_ASKED,      // the player's message queue stayed full at the set time
    T_STANDBY_FAILED,      // Windows refused standby and hibernation
    T_STANDBY_FAILED_TITLE,  // its message box's title
    T_RESTART_FAILED,      // Windows refused to restart
    T_RESTART_FAILED_TITLE,
    T_SHUTDOWN_FAILED,     // Windows refused to shut down
    T_SHUTDOWN_FAILED_TITLE,
    T_NOT_SAVED,           // %1 the settings file, %2 the system's reason
    T_NOT_SAVED_EITHER,    // %1 the file beside the plugin, %2 the one in the player's folder, %3 and %4 the reasons
    // Several evenings and mornings.
    T_MENU_SKIP,           // menu item: the next morning alone does not ring; %1 its day's short name, %2 its time of day
    T_MENU_UNDO_SKIP,      // menu item: that morning rings after all
    T_EVENING_LIST,        // label, 148 wide, over the list of evenings (keys to the list); not "tomorrow"
    T_MORNING_LIST,        // label, 192 wide, over the list of mornings (keys to the list); not "tomorrow"
    T_EVENING_NEW,         // button, 72 wide: a new evening, a copy of the one shown
    T_EVENING_DELETE,      // button, 72 wide: the evening shown goes
    T_MORNING_NEW,         // button, 72 wide: a new morning, a copy of the one shown
    T_MORNING_DELETE,      // button, 72 wide: the morning shown goes
    T_ENTRY,               // list item, 148 wide: %1 its days ("Mon–Thu, Sun"), %2 its time of day
    // The line under the evening's days while its time is before noon,
    // 136 wide, up to three lines, no access key: %1 that time of day on
    // the first day ticked, which stands for the night before it.
    T_NIGHT_MONDAY,        // "%1 on Monday is Sunday night"
    T_NIGHT_TUESDAY,
    T_NIGHT_WEDNESDAY,
    T_NIGHT_THURSDAY,
    T_NIGHT_FRIDAY,
    T_NIGHT_SATURDAY,
    T_NIGHT_SUNDAY,        // ... "is Saturday night"
    T_NIGHT_ANY,           // no day ticked: the same said of any day
    // "When I fall asleep": the evening comes once the user has given no
    // input (keyboard, mouse, pen, touch) for some minutes.
    T_MENU_ASLEEP,         // menu item: tonight's evening comes once the user is idle
    // The menu's first line for it, as T_CLOSES_AT and the others: %1 the
    // idle minutes as T_MINUTES or T_ONE_MINUTE say them ("30 minutes").
    T_CLOSES_WHEN_IDLE,
    T_CLOSES_WHEN_IDLE_SHUTDOWN,
    T_CLOSES_WHEN_IDLE_RESTART,
    T_CLOSES_WHEN_IDLE_STANDBY,
    T_STOPS_WHEN_IDLE,     // a morning follows: playback stops, the player stays open
    T_STOPS_WHEN_IDLE_SLEEP,  // ... then the computer sleeps until %3
    // In the dialog, with "At the set time": "Asleep after [30 minutes
    // without input]".
    T_IDLE,                // label, 128 wide, above a list of T_IDLE_ITEM; no access key
    T_IDLE_ITEM,           // list item, 128 wide: %1 the minutes as T_MINUTES or T_ONE_MINUTE say them

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
