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

// The music is checked this often until it is heard.
#define MORNING_CHECK_EVERY (5ull * 10000000ull)
// Not heard this long after the play command: one more play command.
#define MORNING_PLAY_AGAIN_AFTER (20ull * 10000000ull)
// Not heard this long after the first: the plugin's own tone.
#define MORNING_TONE_AFTER (60ull * 10000000ull)
// A player that tells no position is heard once it has played this long.
#define MORNING_PLAYED_FOR (10ull * 10000000ull)
// The tone gets louder in these many steps, one every MORNING_TONE_STEP.
#define MORNING_TONE_STEPS 4
#define MORNING_TONE_STEP (15ull * 10000000ull)

struct MorningOptions {
    unsigned fadeMinutes;    // 0 (no fade) or 1 to 60
    unsigned volumePercent;  // 0 the player's own, or 10 to 100 of its scale
    bool chosenEntry;        // a file or address was chosen: it is found in the playlist, or added
};

// Why the morning's notice says what it says.
enum MorningNews {
    MORNING_NEWS_NONE,       // the text stays
    MORNING_NEWS_GREETING,   // "Good morning: it is 7:00 AM."
    MORNING_NOTHING_TO_PLAY, // "... Winamp has nothing to play."
    MORNING_NOT_STARTED,     // "... The music did not start."
    MORNING_CANNOT_SOUND,    // "... Nothing can be played." (no wave output; the worker finds it)
};

// What the worker keeps from one wake to the next; morningBegin fills it,
// only planMorning changes it.
struct Morning {
    uint64_t setTime;       // the morning's moment, as armed
    uint64_t comesAt;       // when the music comes next: setTime, or after a snooze
    uint64_t endsAt;        // the hour's end: setTime + MORNING_LONGEST, whatever the first wake or a snooze
    uint64_t fadeStart;     // when the running fade-in began; 0 while none runs
    uint64_t playedAt;      // when the first play command went, while the music is not yet heard
    uint64_t playingSince;  // the first look since that found the player playing; 0 none
    uint64_t toneStart;     // when the tone began
    uint64_t greetedAt;     // when the notice showed: the time it tells
    int32_t volumeBefore;   // the player's volume before the morning set it: given back; -1 when none is held
    int32_t volumeTop;      // the volume the morning rises to
    int32_t volumeSet;      // the volume the plugin set last; -1 none
    int32_t fromPosition;   // the music is heard once the position is past this
    int toneStep;           // the tone's loudness, 1 to MORNING_TONE_STEPS; 0 while it is silent
    bool begun;             // the first wake came: the computer is kept awake
    bool playing;           // the music of this morning plays
    bool heard;             // ... and has been heard
    bool playedAgain;       // the second play command went
    bool noticeShown;
};

enum MorningPlay {
    MORNING_PLAY_NONE,
    MORNING_PLAY_START,   // play the playlist's current entry (the chosen one, with chooseEntry)
    MORNING_PLAY_RESUME,  // paused: resume
};

enum MorningOutcome {
    MORNING_GOES_ON,  // wait until wakeAt, or the user's answer
    MORNING_MISSED,   // seen too late: nothing plays, arm the next morning
    MORNING_OVER,     // done (stopped, kept playing, the hour ended): arm the next morning
};

// Carried out in this order: pause or stop, the tone silenced, the volume,
// the chosen entry, the play command, the tone.
struct MorningStep {
    MorningOutcome outcome;
    bool pause;              // pause the player (a snooze); only while it plays, as its pause command toggles
    bool stop;               // stop the player (Stop)
    bool silence;            // the tone ends
    int32_t setVolume;       // set the player's volume to this; -1 leaves it
    bool chooseEntry;        // find the chosen entry in the playlist, add it where missing, make it current
    MorningPlay play;
    int toneStep;            // sound the tone at this loudness (1 to MORNING_TONE_STEPS); 0 leaves it
    bool rememberVolume;     // the morning holds the player's volume: keep volumeBefore (FadeFrom) for a player that goes
    bool forgetVolume;       // the volume is given back or the user's: remove FadeFrom
    bool showNotice;
    bool hideNotice;
    MorningNews news;        // what the notice says from now
    bool keepAwake;          // from the first wake until the outcome is not MORNING_GOES_ON
    uint64_t wakeAt;         // MORNING_GOES_ON: when to plan again
};

// The volume the morning rises to, 0 to 255: the percentage of the scale,
// rounded; for the player's own (0), the player's volume, or half the scale
// where that is below a tenth of it (silenced the night before). -1 where
// the player tells no volume and none is set.
int32_t morningVolume(unsigned volumePercent, int32_t playerVolume);

// Whether a playlist entry's file name or address is the chosen one: the
// same bytes, letters compared without regard to case.
bool sameEntry(const char* listed, const char* chosen);

// A fresh morning for setTime.
void morningBegin(Morning* morning, uint64_t setTime);

// The next step at now. player is what the player reports now; entries the
// length of its playlist (-1 when it does not tell). A player already playing
// is left as it is. Music started is looked at until it is heard: played
// again once, then replaced by the tone; so is a playlist with nothing in it
// and nothing chosen, and a player that does not answer. Stopped or not
// answering once the music was heard ends the morning; the tone goes on
// until an answer or the hour's end. A snooze pauses the music, silences the
// tone and gives the volume back; ten minutes later the music comes again as
// it came first, unless the hour ends before.
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
    WAKE_IMPORTANT_ONLY,       // ... or wakes only for Windows' own timers (Windows 10 and later)
};

// Texts, %1 the time (as the dialog shows it), %2 the day:
//   The morning's notice: "Good morning: it is %1.", and what news adds.
TextId morningText(MorningNews news);
//   The menu's second line: "Wakes at %1 tomorrow", or with the day's
//   short name when it is further away ("Wakes at %1 %2"), or no day
//   (today). During a snooze "Snoozed until %1" (the day is not named).
TextId wakesText(bool tomorrow, bool dayNamed, bool snoozed);

#endif
