// The evening's plan: from the settings, the set time, the clock, what the
// player reports and what the user answered in the notice, what the evening
// worker does next and when it next wakes. Pure logic: the worker reads the
// clock and asks the player, then carries out the step it is given.
//
// Times are UTC FILETIME values (100-nanosecond units); the player's
// positions and lengths are milliseconds.
#ifndef NIGHTFOLD_EVENING_H
#define NIGHTFOLD_EVENING_H

#include <stddef.h>
#include <stdint.h>

#include "../resources/texts.h"
#include "actions.h"

// The options of "At the set time".
struct EveningOptions {
    unsigned fadeMinutes;  // 0 (no fade) or 1 to 60
    bool finishSong;       // let the song that plays at the set time finish (at most 10 minutes)
    bool notice;           // a notice one minute before the close moment
    unsigned idleMinutes;  // "When I fall asleep": the time without input; as idleMinutesOf reads it
};

// The player's answers at a wakeup.
enum PlayerStatus {
    PLAYER_STOPPED = 0,
    PLAYER_PLAYING = 1,
    PLAYER_PAUSED = 3,
};
struct PlayerReport {
    int status;          // PLAYER_*; anything else (no answer) counts as not playing
    int32_t positionMs;  // -1 when not playing or not answered
    int32_t lengthMs;    // the song's length; 0 or less when unknown (0: no position told; -1: a stream)
    int32_t volume;      // 0 to 255; -1 when not answered
};

// The song's length in ms from the player's answers in ms and in seconds
// (older players know only seconds, and may answer the question in ms in
// seconds too): the answer in ms where the seconds confirm it; -1 for a
// stream, and 0 where the player answers 0, as one that tells no position
// does.
int32_t songLengthMs(int32_t answeredMs, int32_t answeredSeconds);

// The user's answer in the notice since the last step.
enum NoticeAnswer {
    ANSWER_NONE,
    ANSWER_SNOOZE,     // "&Snooze 10 minutes"
    ANSWER_CANCEL,     // "&Cancel tonight"
    ANSWER_CLOSE_NOW,  // "Close &now" ("Stop &now" where playback stops)
};

// What closes the evening.
enum EveningKind {
    EVENING_AT_TIME,      // a moment: the set time, or one chosen ("In 30 minutes"); a song may finish after it
    EVENING_AT_SONG_END,  // the end of the song that played at the choice: fixed, the fade ends with it
    EVENING_AT_STOP,      // the player reports it has stopped; the notice then counts a minute down
    EVENING_WHEN_IDLE,    // the user has given no input for the idle minutes: a moment that moves with each input
};

// What the worker keeps from one step to the next. eveningBegin fills it;
// only planEvening changes it.
struct Evening {
    EveningKind kind;
    uint64_t setTime;     // the moment tonight's evening is set for; for a stop, the choice
    uint64_t lookAt;      // a stop not yet seen: when the player is next asked
    uint64_t closeAt;     // the close moment as known now
    bool closeFixed;      // decided at the set time (or by the user): no longer follows the song
    bool closeAtSongEnd;  // the close moment is the end of the song that plays
    uint64_t fadeStart;   // when the running fade began; 0 while none runs
    int32_t fadeFrom;     // v0: the volume when the fade began; -1 when the plugin holds no volume
    int32_t volumeSet;    // the volume the plugin set last; -1 none
    bool userTookVolume;  // the user moved the volume during the fade: no more fading tonight
    bool noticeShown;
    uint64_t countFrom;   // when idle: the input (or the choice, or the answer) the count runs from
    uint32_t countTick;   // ... and its tick
};

enum EveningOutcome {
    EVENING_GOES_ON,    // wait until wakeAt, or the user's answer
    EVENING_CLOSE,      // stop playback when setVolume gives a volume back, set it, then the exit command
    EVENING_CANCELLED,  // nothing more tonight: give the volume back
    EVENING_MISSED,     // woken long after the close moment: give the volume back, arm for the next day
};

struct EveningStep {
    EveningOutcome outcome;
    int32_t setVolume;      // set the player's volume to this now; -1 leaves it
    bool rememberVolume;    // a fade began: store fadeFrom (FadeFrom) so that the next start can give it back
    bool forgetVolume;      // the volume is given back (setVolume) or the user's: remove FadeFrom
    bool showNotice;        // the notice shows, counting down to closeAt
    bool hideNotice;
    bool askPlayer;         // the next step needs the player's report
    uint64_t closeAt;       // the close moment as known now
    uint64_t wakeAt;        // when to plan again (EVENING_GOES_ON)
};

// A wait that ends this long after the close moment (or a stop's look) was
// slept through, or the clock was put forward past it.
#define MISSED_AFTER (60ull * 10000000ull)
// Waiting for a stop: the player is asked this long after the song's
// predicted end, or this often while nothing predicts it.
#define STOP_LOOK_AFTER (2ull * 10000000ull)
#define STOP_LOOK_EVERY (60ull * 10000000ull)

// How long before the set time the worker must first wake: the longest of
// the fade and the notice's minute; 0 without either.
uint64_t eveningLead(const EveningOptions& options);

// A fresh evening of the kind, for setTime.
void eveningBegin(Evening* evening, EveningKind kind, uint64_t setTime);

// When the worker first wakes for the evening: the lead before the set
// time, or at once for a stop.
uint64_t eveningFirstWake(const Evening& evening, const EveningOptions& options);

// Whether the evening waits for the player to stop, with no close moment yet.
bool waitsForStop(const Evening& evening);

// Whether its steps need the player's report: for the fade, the song, the stop.
bool asksPlayer(const Evening& evening, const EveningOptions& options);

// The next step at now. player is what the player reported just now (its
// fields -1 / not playing when the step before did not ask for it).
EveningStep planEvening(Evening* evening, const EveningOptions& options, uint64_t now, const PlayerReport& player,
                        NoticeAnswer answer);

// The volume of an even-sounding fade from v0 at fadeStart to 0 at closeAt,
// at now (fadeStart <= now <= closeAt), and when it next drops by a level.
int32_t fadeVolume(int32_t v0, uint64_t fadeStart, uint64_t closeAt, uint64_t now);
uint64_t fadeNextChange(int32_t v0, uint64_t fadeStart, uint64_t closeAt, int32_t volume);

// What an evening ends with: the player closes (and the end action follows
// at quit), or, where a morning follows and the player must stay open,
// playback stops, and for Standby/Hibernate the plugin then puts the
// computer to sleep itself.
enum EveningEnding {
    ENDING_EXIT,
    ENDING_STOP,
    ENDING_STOP_AND_SLEEP,
};
EveningEnding eveningEnding(bool morningOn, EndAction action);

// What the texts say follows the close moment: the ending, and for a sleep
// the morning's time as the dialog shows it.
struct EveningFollows {
    EveningEnding ending;
    unsigned wakeHour, wakeMinute;
    bool use24;
};

// Whole seconds from now to moment, rounded up (0 once it has come): the
// notice's count, without a 64-bit division.
uint32_t secondsUntil(uint64_t now, uint64_t moment);

// The notice's text, %1 the time left and %2 the morning's time: "Winamp
// closes in %1, then the computer shuts down." and its variants for the
// action and force; where a morning follows, "Playback stops in %1." or
// "Playback stops in %1, then the computer sleeps until %2.".
TextId noticeText(EndAction action, bool force, const EveningFollows& follows);

// The notice's button that ends the evening at once: "Close &now", or
// "Stop &now" where playback stops.
TextId closeNowText(EveningEnding ending);

// The status line of the next evening in the player's menu, %1 its time
// (when idle, the idle minutes: "30 minutes"), %2 its day, %3 the
// morning's time: "Closes at %1, then shuts down", "Closes when playback
// stops", "Closes when you have been idle %1", "Nothing set for tonight";
// where a morning follows, "Stops playback at %1", "Ends when playback
// stops" or "Stops playback when you have been idle %1", and for a sleep ",
// then sleeps until %3" after any. An evening not tonight's names its day:
// "Closes tomorrow at %1" (tomorrow), "Closes %2 at %1" (dayNamed).
TextId tonightText(bool set, EveningKind kind, EndAction action, const EveningFollows& follows, bool tomorrow,
                   bool dayNamed);

// "When I fall asleep": the evening comes once the user has given no
// keyboard, mouse, pen or touch input, and sent the player no playback
// command, for the idle minutes since the choice. Ticks are the platform's
// milliseconds since it started, which wrap after 49.7 days: only their
// differences count, which hold across the wrap.
struct IdleTicks {
    uint32_t now;
    uint32_t lastInput;    // the last input's, as the platform tells it
    uint32_t lastCommand;  // the last playback command's (isPlaybackCommand) that was not the plugin's own
};

// The stored IdleMinutes: 1 to 240 minutes stay, anything else counts as 30.
uint32_t idleMinutesOf(uint32_t stored);

// Whether a command reaching the player's main window is one of playback's:
// play, pause, stop, next or previous.
bool isPlaybackCommand(uint32_t command);

// The evening counted from activeAt, the moment of the choice or of the
// last input, whose tick was activeTick: it comes the idle minutes later.
void idleEveningBegin(Evening* evening, const EveningOptions& options, uint64_t activeAt, uint32_t activeTick);

// The next step at now, as planEvening's, of an evening begun by
// idleEveningBegin. An input or a command after the one the count runs
// from, unless answered in the notice or slept through, begins the evening
// again from it: the fade stops with the volume given back, as Cancel
// tonight gives it (a volume the user moved during the fade stays theirs),
// and the notice goes; the fade (from the volume given back, no sooner
// than a minute after the input) and the notice come again before the new
// moment.
EveningStep planIdleEvening(Evening* evening, const EveningOptions& options, uint64_t now, const IdleTicks& ticks,
                            const PlayerReport& player, NoticeAnswer answer);

#endif
