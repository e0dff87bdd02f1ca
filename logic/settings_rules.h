// How values read from the settings file become plugin state.
#ifndef NIGHTFOLD_SETTINGS_RULES_H
#define NIGHTFOLD_SETTINGS_RULES_H

#include <stddef.h>
#include <stdint.h>

#include "actions.h"

// The room for the text of MorningPlay, a file name or stream address:
// MAX_PATH, terminator included.
#define MORNING_PLAY_SIZE 260

// The most evenings, and the most mornings, the plugin keeps.
#define MAX_ENTRIES 8

// An evening: its time, its days (bit 0 Monday, 1 to 127) and what follows
// the close. The rest of the evening's options are shared by all.
struct EveningEntry {
    uint16_t hour, minute;
    uint32_t days;
    EndAction action;
};

// A morning, with options of its own.
struct MorningEntry {
    int on;
    uint16_t hour, minute;
    uint32_t days;
    uint32_t fadeMinutes;  // 0, or 1 to 60
    uint32_t volume;       // 0 the player's own, or 10 to 100 percent of its scale
    char play[MORNING_PLAY_SIZE];  // a file name or stream address; empty for what the player has
};

// A stored flag: any non-zero value is true. Returns 0 or 1.
int storedFlag(uint32_t value);

// A stored hour or minute keeps only its low 16 bits.
uint16_t storedTimeField(uint32_t value);

// The stored action as loaded: 1012, 1013 and 1018 stay; 1015 stays only
// with power management available; anything else is no action.
EndAction validateStoredAction(uint32_t stored, bool powerAvailable);

// What a key the file lacks reads as, where its default is asked so.
#define STORED_MISSING 0xFFFFFFFFu

// The values as the settings file gives them, each read as an integer.
struct StoredSettings {
    uint32_t enabled;
    uint32_t use24Hour;
    uint32_t action;  // not read without the shutdown right
    uint32_t force;
    uint32_t hour;
    uint32_t minute;
    uint32_t fadeMinutes;
    uint32_t finishSong;
    uint32_t notice;
    uint32_t morning;
    uint32_t morningHour;
    uint32_t morningMinute;
    uint32_t morningDays;
    uint32_t morningFadeMinutes;
    uint32_t morningVolume;
    const char* morningPlay;  // read as text; NULL as empty
    uint32_t days;  // the evening's
    uint32_t idleMinutes;
    // The one fact of the user's regional format that counts: whether it
    // writes times in 24 hours (LOCALE_ITIME "1").
    bool regional24Hour;
};

// The plugin's state as loaded from them.
struct LoadedSettings {
    int enabled;
    int use24Hour;
    EndAction action;
    int force;
    uint16_t hour;
    uint16_t minute;
    uint32_t fadeMinutes;
    int finishSong;
    int notice;
    int morning;
    uint16_t morningHour;
    uint16_t morningMinute;
    uint32_t morningDays;  // 1 to 127
    uint32_t morningFadeMinutes;
    uint32_t morningVolume;  // 0 the player's own, or 10 to 100 percent
    char morningPlay[MORNING_PLAY_SIZE];
    uint32_t days;  // the evening's, 1 to 127
    uint32_t idleMinutes;  // 1 to 240
};

// Loads stored values: armed for this run only, the plugin is enabled
// whatever is stored; the clock form is the regional format's where the
// file has none (STORED_MISSING), as at a first start; without the shutdown right there is no action; the
// power status is asked only for a stored standby, and only with the right;
// the flags are flags, the fades a fade or none, and the evening's and the
// morning's days some days or, for any other value (an unset key too),
// every day; the idle minutes as idleMinutesOf (evening.h) reads them; the morning's
// volume 10 to 100 percent or, for any other
// value, the player's own; what the morning plays as the platform reads the
// key back (without the blanks around it, nor a pair of quotes around the
// whole), cut to MORNING_PLAY_SIZE - 1 characters.
LoadedSettings loadStoredSettings(const StoredSettings& stored, bool runOnce, bool canShutdown,
                                  int (*powerAvailable)(void));

// What the Minute key reads as once the minute list's text has been
// written: its leading decimal digits ("05" is 5), 0 when it has none (the
// empty text of an unselected list reads as the key's default, 0).
uint32_t storedMinuteOf(const char* minuteText);

// Evenings and mornings 2 to 8 are kept under numbered keys (Hour2,
// MorningPlay8), each read as the first entry's key is read. The platform's
// reads of the section: whether a key has a value, its integer (0 where
// missing) and its text, as the platform gives them.
struct KeyReader {
    const void* file;
    bool (*has)(const void* file, const char* key);
    uint32_t (*number)(const void* file, const char* key);
    void (*text)(const void* file, const char* key, char* out, size_t size);
};
// The reads of a section's text as the platform gives the whole section
// ("key=value" each ended by a NUL, a NUL after the last): a key (letters
// in either case) has a value where one follows its '=' besides blanks;
// its integer is read as the platform reads one (blanks, a sign, then
// decimal digits, or hexadecimal after "0x", up to the first other
// character; 0 where none); its text without the blanks around it.
KeyReader sectionKeys(const char* section);

// Loads the numbered entries after the ones counted (the first, from the
// unnumbered keys), in their numbers' order, by the first entry's rules:
// an entry whose hour key has no value, or whose time is no time of day,
// is none, and the numbers may have gaps. The action is loaded as
// loadStoredSettings loads it.
void loadNumberedEntries(const KeyReader& reader, bool canShutdown, int (*powerAvailable)(void), EveningEntry* evenings,
                         int* eveningCount, MorningEntry* mornings, int* morningCount);

// The section's text as a save writes it, "key=value" entries each ended by
// a NUL: its room, for eight entries of each kind with the longest
// MorningPlay values besides the first entry's keys, FadeFrom and Language.
#define SECTION_SIZE 4096
// Appends the numbered keys of evenings and mornings 2 to their counts at
// end, no further than limit; returns the new end, or NULL when they do not
// fit.
char* appendNumberedKeys(char* end, const char* limit, const EveningEntry* evenings, int eveningCount,
                         const MorningEntry* mornings, int morningCount);

#endif
