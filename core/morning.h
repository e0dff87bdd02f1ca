// The morning's plan: which day the next morning comes, and what the
// morning worker does at each wake (start the music, raise the volume,
// show the notice, end the morning), from the clock, what the player
// reports and what the user answered. Pure logic, beside the evening's plan.
//
// Times are UTC FILETIME values (100-nanosecond units).
#ifndef NIGHTFOLD_MORNING_H
#define NIGHTFOLD_MORNING_H

#include <stddef.h>
#include <stdint.h>

#include "actions.h"
#include "duetime.h"
#include "evening.h"

// The next morning: the first listed day (days as stored under MorningDays)
// at hour:minute:00.000 local time, today while that is still ahead of now,
// and always on a later day than the morning spent (its local date; NULL
// before the first). Decided by the date and the time of day, never by
// now's milliseconds. hour and minute are a time of day (the caller checks).
CalendarTime nextMorning(const CalendarTime& now, const CalendarTime* spent, uint16_t hour, uint16_t minute,
                         unsigned days);

// A morning seen this long after its moment is missed.
#define MORNING_MISSED_AFTER (15ull * 60ull * 10000000ull)
// The longest a morning keeps the computer awake and its notice up.
#define MORNING_LONGEST (60ull * 60ull * 10000000ull)
// How often the player is asked while the music plays on with nothing to
// change: to see a stop, and the hour's end.
#define MORNING_LOOK_EVERY (60ull * 10000000ull)

struct MorningOptions {
    unsigned fadeMinutes;  // 0 (no fade) or 1 to 60
};

// What the worker keeps from one wake to the next; morningBegin fills it,
// only planMorning changes it.
struct Morning {
    uint64_t setTime;     // the morning's moment, as armed
    uint64_t comesAt;     // when the music comes next: setTime, or after a snooze
    uint64_t endsAt;      // the hour's end: setTime + MORNING_LONGEST, whatever the first wake or a snooze
    uint64_t fadeStart;   // when the running fade-in began; 0 while none runs
    int32_t fadeTo;       // the player's volume before the fade-in: its top; -1 when none is held
    int32_t volumeSet;    // the volume the plugin set last; -1 none
    bool begun;           // the first wake came: the computer is kept awake
    bool playing;         // the music of this morning plays
    bool noticeShown;
};

enum MorningPlay {
    MORNING_PLAY_NONE,
    MORNING_PLAY_START,   // stopped: play the playlist's current entry
    MORNING_PLAY_RESUME,  // paused: resume
};

enum MorningOutcome {
    MORNING_GOES_ON,  // wait until wakeAt, or the user's answer
    MORNING_MISSED,   // seen too late: nothing plays, arm the next morning
    MORNING_OVER,     // done (stopped, kept playing, the hour ended): arm the next morning
};

// Carried out in this order: pause or stop, the volume, the play command.
struct MorningStep {
    MorningOutcome outcome;
    bool pause;              // pause the player (a snooze); only while it plays, as its pause command toggles
    bool stop;               // stop the player (Stop)
    int32_t setVolume;       // set the player's volume to this; -1 leaves it
    MorningPlay play;
    bool rememberVolume;     // a fade-in began: keep fadeTo (FadeFrom) for a player that goes meanwhile
    bool forgetVolume;       // the volume is given back or the user's: remove FadeFrom
    bool showNotice;
    bool hideNotice;
    bool nothingToPlay;      // the notice says the playlist is empty
    bool keepAwake;          // from the first wake until the outcome is not MORNING_GOES_ON
    uint64_t wakeAt;         // MORNING_GOES_ON: when to plan again
};

// A fresh morning for setTime.
void morningBegin(Morning* morning, uint64_t setTime);

// The next step at now. player is what the player reports now; entries the
// length of its playlist (-1 when it does not tell). A player already playing
// is left as it is; an empty playlist leaves the notice up, saying so, until
// an answer or the hour's end. Stopped or not answering once the music
// began ends the morning. A snooze pauses the music and gives the volume
// back; ten minutes later the music comes again as it came first, unless
// the hour ends before.
MorningStep planMorning(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                        int32_t entries, NoticeAnswer answer);

// The fade-in: the evening's curve the other way, from 0 at start to top at
// end, evenly to the ear; and when it next rises by a level.
int32_t fadeInVolume(int32_t top, uint64_t start, uint64_t end, uint64_t now);
uint64_t fadeInNextChange(int32_t top, uint64_t start, uint64_t end, int32_t volume);

// Why a morning will not wake this computer from standby or hibernation.
enum WakeLimit {
    WAKE_ALLOWED,
    WAKE_REFUSED,              // the system refuses a resume request (not supported, or ignored)
    WAKE_NO_POWER_MANAGEMENT,  // Windows NT 4.0
    WAKE_TIMERS_OFF,           // the power plan's "Allow wake timers" is off for the power source in use
};

// Texts, each cut to size - 1 characters; times as the dialog shows them
// (0 to 23 with use24, else 1 to 12 with AM or PM).
//   The morning's notice: "Good morning: it is 7:00 AM.", and with
//   nothingToPlay "... Winamp has nothing to play."
void formatMorningText(char* text, size_t size, unsigned hour, unsigned minute, bool use24, bool nothingToPlay);
//   The menu's second line: "Wakes at 7:00 AM tomorrow", or with the day's
//   short name when it is further away ("Wakes at 7:00 AM Sat"); dayName
//   NULL or empty gives no day (today).
void formatWakesText(char* text, size_t size, unsigned hour, unsigned minute, bool use24, bool tomorrow,
                     const char* dayName);

#endif
