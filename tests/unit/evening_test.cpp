#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evening.h"
#include "english.h"

static const uint64_t SET = 133600000000000000ull;  // the set time
static const int64_t ANY = INT64_MIN;                // a wake not checked
static const NoticeAnswer NO = ANSWER_NONE, SNOOZE = ANSWER_SNOOZE;
static const EveningOutcome ON = EVENING_GOES_ON, CLOSE = EVENING_CLOSE;
static const PlayerReport SILENT = { -1, -1, -1, -1 };

// The set time as the plugin armed it: from a clock at a whole second, or
// at .999.
static uint64_t s_set = SET;

static uint64_t at(int64_t msFromSet)
{
    return s_set + (uint64_t)(msFromSet * 10000);
}

static PlayerReport p(int32_t secondsLeft, int32_t volume)
{
    return { PLAYER_PLAYING, 60000, 60000 + secondsLeft * 1000, volume };
}

// What every step of an evening is checked for, times in seconds from the
// set time: its outcome, volume, close moment and wake, which is after now;
// FadeFrom forgotten only where stored. False once the evening ends.
static bool checkStep(const EveningStep& step, int64_t now, EveningOutcome outcome, int32_t setVolume, int64_t closeAt,
                      int64_t wakeAt, bool* stored)
{
    EXPECT_EQ(step.outcome, outcome);
    EXPECT_EQ(step.setVolume, setVolume);
    EXPECT_EQ(step.closeAt, at(closeAt * 1000));
    if (step.outcome == ON) {
        EXPECT_GT(step.wakeAt, at(now * 1000));
        if (wakeAt != ANY)
            EXPECT_EQ(step.wakeAt, at(wakeAt * 1000));
    }
    EXPECT_FALSE(step.forgetVolume && !step.rememberVolume && !*stored);
    EXPECT_FALSE(step.rememberVolume && *stored) << "FadeFrom written again";
    *stored = (*stored || step.rememberVolume) && !step.forgetVolume;
    return step.outcome == ON;
}

// One evening, step by step, until it ends; times in seconds from the set time.
TEST(Evening, PlansEachStep)
{
    struct Step {
        int64_t now;
        PlayerReport player;
        NoticeAnswer answer;
        EveningOutcome outcome;
        int32_t setVolume;
        bool notice;
        int64_t closeAt, wakeAt;
    };
    const PlayerReport paused = { PLAYER_PAUSED, 60000, 240000, 200 }, stopped = { PLAYER_STOPPED, -1, 240000, 200 };
    const struct {
        const char* what;
        EveningOptions options;
        bool asks;
        Step steps[7];
        EveningKind kind = EVENING_AT_TIME;
    } evenings[] = {
        { "no options: as before", { 0, false, false }, false,
          { { -3600, SILENT, NO, ON, -1, 0, 0, 0 }, { 0, SILENT, NO, CLOSE, -1, 0, 0, ANY } } },
        { "3 min left", { 0, true, false }, true,
          { { 0, p(180, 200), NO, ON, -1, 0, 180, 180 }, { 180, SILENT, NO, CLOSE, -1, 0, 180, ANY } } },
        { "10 min left", { 0, true, false }, true,
          { { 0, p(600, 200), NO, ON, -1, 0, 600, 600 }, { 600, SILENT, NO, CLOSE, -1, 0, 600, ANY } } },
        { "10 min and 1 s left", { 0, true, false }, true, { { 0, p(601, 200), NO, CLOSE, -1, 0, 0, ANY } } },
        { "a stream", { 0, true, false }, true, { { 0, { PLAYER_PLAYING, 5000, -1, 200 }, NO, CLOSE, -1, 0, 0, ANY } } },
        { "a player that answers 1", { 5, true, true }, true, { { 0, { 1, 1, 1, 1 }, NO, CLOSE, -1, 0, 0, ANY } } },
        { "the notice waits for the song's end to be known", { 0, true, true }, true,
          { { -60, p(90, 200), NO, ON, -1, 0, 30, 0 }, { 0, p(30, 200), NO, ON, -1, 1, 30, 30 },
            { 30, SILENT, NO, CLOSE, -1, 0, 30, ANY } } },
        { "the notice a minute before", { 0, false, true }, false,
          { { -3600, SILENT, NO, ON, -1, 0, 0, -60 }, { -60, SILENT, NO, ON, -1, 1, 0, 0 },
            { 0, SILENT, NO, CLOSE, -1, 0, 0, ANY } } },
        { "paused, stopped, no answer, no volume: no fade", { 5, true, false }, true,
          { { -300, paused, NO, ON, -1, 0, 0, 0 }, { -200, stopped, NO, ON, -1, 0, 0, 0 },
            { -100, SILENT, NO, ON, -1, 0, 0, 0 }, { -50, p(1200, -1), NO, ON, -1, 0, 0, 0 },
            { 0, paused, NO, CLOSE, -1, 0, 0, ANY } } },
        { "with a song to finish the fade begins at the set time; no answer does not stop it", { 5, true, false }, true,
          { { -300, p(420, 200), NO, ON, -1, 0, 120, 0 }, { 0, p(120, 200), NO, ON, -1, 0, 120, ANY },
            { 30, SILENT, NO, ON, 113, 0, 120, ANY }, { 60, p(60, 113), NO, ON, 50, 0, 120, ANY },
            { 120, SILENT, NO, CLOSE, 200, 0, 120, ANY } } },
        { "a later song moves the close moment: the fade never rises", { 5, true, false }, true,
          { { -300, p(200, 200), NO, ON, -1, 0, 0, ANY }, { -200, p(100, 200), NO, ON, 89, 0, 0, ANY },
            { -150, p(600, 89), NO, ON, -1, 0, 450, ANY }, { 0, p(450, 89), NO, ON, 72, 0, 450, ANY },
            { 450, SILENT, NO, CLOSE, 200, 0, 450, ANY } } },
        { "the user moves the volume", { 5, false, false }, true,
          { { -300, p(600, 200), NO, ON, -1, 0, 0, ANY }, { -150, p(450, 200), NO, ON, 50, 0, 0, ANY },
            { -100, p(400, 120), NO, ON, -1, 0, 0, 0 }, { 0, p(300, 120), NO, CLOSE, -1, 0, 0, ANY } } },
        { "snooze twice", { 5, false, true }, true,
          { { -60, p(600, 200), NO, ON, -1, 1, 0, ANY }, { -30, p(570, 200), NO, ON, 50, 0, 0, ANY },
            { -20, p(560, 50), SNOOZE, ON, 200, 0, 600, 300 }, { 540, p(600, 200), NO, ON, -1, 1, 600, ANY },
            { 550, p(590, 200), SNOOZE, ON, 200, 0, 1200, 900 }, { 1200, SILENT, NO, CLOSE, -1, 0, 1200, ANY } } },
        { "cancel tonight", { 5, false, true }, true,
          { { -60, p(600, 200), NO, ON, -1, 1, 0, ANY }, { -50, p(590, 200), ANSWER_CANCEL, EVENING_CANCELLED, 200, 0, 0, ANY } } },
        { "close now", { 5, false, true }, true,
          { { -60, p(600, 200), NO, ON, -1, 1, 0, ANY }, { -50, p(590, 200), ANSWER_CLOSE_NOW, CLOSE, 200, 0, -50, ANY } } },
        { "woken a minute late", { 0, false, false }, false, { { 60, SILENT, NO, CLOSE, -1, 0, 0, ANY } } },
        { "missed", { 0, false, false }, false, { { 61, SILENT, NO, EVENING_MISSED, -1, 0, 0, ANY } } },
        { "missed while fading", { 5, false, false }, true,
          { { -300, p(600, 200), NO, ON, -1, 0, 0, ANY }, { 70, p(230, 200), NO, EVENING_MISSED, 200, 0, 0, ANY } } },
        // "When this song ends": the next song does not move the close moment.
        { "a song's end", { 5, true, true }, true,
          { { -300, p(300, 200), NO, ON, -1, 0, 0, ANY }, { -60, p(60, 200), NO, ON, 8, 1, 0, ANY },
            { 0, p(240, 8), NO, CLOSE, 200, 0, 0, ANY } }, EVENING_AT_SONG_END },
        // "When playback stops": a look a moment after each song, a minute
        // while nothing predicts the end; the notice once the stop is seen.
        { "two songs, then stopped", { 5, true, false }, true,
          { { 0, p(100, 200), NO, ON, -1, 0, 102, 102 }, { 102, p(180, 200), NO, ON, -1, 0, 284, 284 },
            { 284, stopped, NO, CLOSE, -1, 0, 284, ANY } }, EVENING_AT_STOP },
        { "a stream, paused, stopped, with the notice", { 0, false, true }, true,
          { { 0, { PLAYER_PLAYING, 5000, -1, 200 }, NO, ON, -1, 0, 60, 60 }, { 60, paused, NO, ON, -1, 0, 120, 120 },
            { 120, stopped, NO, ON, -1, 1, 180, 180 }, { 180, SILENT, NO, CLOSE, -1, 0, 180, ANY } }, EVENING_AT_STOP },
        { "a stop's look slept through", { 0, false, false }, true,
          { { 0, p(30, 200), NO, ON, -1, 0, 32, 32 }, { 93, stopped, NO, EVENING_MISSED, -1, 0, 32, ANY } },
          EVENING_AT_STOP },
    };
    for (uint64_t ms : { 0, 999 })
    for (const auto& evening : evenings) {
        s_set = SET + ms * 10000;
        Evening e;
        eveningBegin(&e, evening.kind, s_set);
        bool stored = false;  // FadeFrom, for the next start to give back
        for (const Step& row : evening.steps) {
            EveningStep step = planEvening(&e, evening.options, at(row.now * 1000), row.player, row.answer);
            SCOPED_TRACE(::testing::Message() << evening.what << " at " << row.now << " s, ." << ms);
            EXPECT_EQ(step.showNotice, row.notice);
            EXPECT_EQ(step.askPlayer, evening.asks);
            if (!checkStep(step, row.now, row.outcome, row.setVolume, row.closeAt, row.wakeAt, &stored))
                break;
        }
        EXPECT_FALSE(stored) << evening.what << ": a volume left for the next start";
    }
    s_set = SET;
}

// "When I fall asleep", from the choice on; times in seconds from it, with
// the user's last input and playback command. Every row twice: the tick
// count far from its wrap, and wrapping 900 s after the choice.
TEST(Evening, ComesWhenIdle)
{
    static const int64_t OLD = -5;  // before the choice: does not count
    struct Step {
        int64_t now, input, command;
        PlayerReport player;
        EveningOutcome outcome;
        int32_t setVolume;
        int64_t closeAt, wakeAt;
    };
    const struct {
        const char* what;
        EveningOptions options;
        Step steps[7];
    } evenings[] = {
        { "idle reached", { 0, false, false, 30 }, { { 1800, OLD, OLD, SILENT, CLOSE, -1, 1800, ANY } } },
        { "input at half time", { 0, false, false, 30 },
          { { 1800, 900, OLD, SILENT, ON, -1, 2700, 2700 }, { 2700, 900, OLD, SILENT, CLOSE, -1, 2700, ANY } } },
        { "input read a moment after the tick count: now", { 0, false, false, 30 },
          { { 1800, 1801, OLD, SILENT, ON, -1, 3600, 3600 } , { 3600, 1801, OLD, SILENT, CLOSE, -1, 3600, ANY } } },
        { "a player command", { 0, false, false, 30 },
          { { 1800, OLD, 1200, SILENT, ON, -1, 3000, 3000 }, { 3000, 600, 1200, SILENT, CLOSE, -1, 3000, ANY } } },
        { "idle reached with a fade", { 5, false, false, 30 },
          { { 1500, OLD, OLD, p(600, 200), ON, -1, 1800, ANY }, { 1650, OLD, OLD, p(450, 200), ON, 50, 1800, ANY },
            { 1800, OLD, OLD, p(300, 50), CLOSE, 200, 1800, ANY } } },
        { "input during the fade", { 5, false, false, 30 },
          { { 1500, OLD, OLD, p(600, 200), ON, -1, 1800, ANY }, { 1650, OLD, OLD, p(450, 200), ON, 50, 1800, ANY },
            { 1700, 1690, OLD, p(400, 50), ON, 200, 3490, 3190 }, { 3190, 1690, OLD, p(300, 200), ON, -1, 3490, ANY },
            { 3490, 1690, OLD, p(200, 200), CLOSE, 200, 3490, ANY } } },
        { "a fade longer than the count starts a minute after the input, again from the volume given back",
          { 10, false, false, 5 },
          { { 0, OLD, OLD, p(600, 200), ON, -1, 300, 60 }, { 60, OLD, OLD, p(540, 200), ON, -1, 300, ANY },
            { 180, OLD, OLD, p(420, 200), ON, 50, 300, ANY }, { 200, 190, OLD, p(400, 50), ON, 200, 490, 250 },
            { 250, 190, OLD, p(350, 200), ON, -1, 490, ANY }, { 370, 190, OLD, p(230, 200), ON, 50, 490, ANY },
            { 490, 190, OLD, p(110, 50), CLOSE, 200, 490, ANY } } },
        { "input a minute before a fade step: the fade begins again at once, FadeFrom kept", { 10, false, false, 5 },
          { { 0, OLD, OLD, p(600, 200), ON, -1, 300, 60 }, { 60, OLD, OLD, p(540, 200), ON, -1, 300, ANY },
            { 180, OLD, OLD, p(420, 200), ON, 50, 300, ANY }, { 260, 190, OLD, p(340, 50), ON, 200, 490, ANY },
            { 490, 190, OLD, p(110, 1), CLOSE, 200, 490, ANY } } },
        { "the user moves the volume during the fade, then input: the volume stays theirs", { 5, false, false, 30 },
          { { 1500, OLD, OLD, p(600, 200), ON, -1, 1800, ANY }, { 1650, OLD, OLD, p(450, 200), ON, 50, 1800, ANY },
            { 1700, 1690, OLD, p(400, 120), ON, -1, 3490, 3190 }, { 3190, 1690, OLD, p(300, 120), ON, -1, 3490, ANY },
            { 3490, 1690, OLD, p(200, 120), CLOSE, 120, 3490, ANY } } },
        { "IdleMinutes 0 counts as 30", { 0, false, false, 0 },
          { { 60, OLD, OLD, SILENT, ON, -1, 1800, 1800 }, { 1800, OLD, OLD, SILENT, CLOSE, -1, 1800, ANY } } },
        { "IdleMinutes 241 counts as 30", { 0, false, false, 241 }, { { 1800, OLD, OLD, SILENT, CLOSE, -1, 1800, ANY } } },
        { "IdleMinutes 240", { 0, false, false, 240 },
          { { 1800, OLD, OLD, SILENT, ON, -1, 14400, 14400 }, { 14400, OLD, OLD, SILENT, CLOSE, -1, 14400, ANY } } },
        { "IdleMinutes 1", { 0, false, false, 1 }, { { 60, OLD, OLD, SILENT, CLOSE, -1, 60, ANY } } },
    };
    for (uint32_t base : { 1000000u, 0xFFFFFFFFu - 899999u })
    for (const auto& evening : evenings) {
        Evening e;
        idleEveningBegin(&e, evening.options, SET, base);
        bool stored = false;
        for (const Step& row : evening.steps) {
            IdleTicks ticks = { base + (uint32_t)(row.now * 1000), base + (uint32_t)(row.input * 1000),
                                base + (uint32_t)(row.command * 1000) };
            EveningStep step = planIdleEvening(&e, evening.options, at(row.now * 1000), ticks, row.player, NO);
            SCOPED_TRACE(::testing::Message() << evening.what << " at " << row.now << " s, ticks from " << base);
            if (!checkStep(step, row.now, row.outcome, row.setVolume, row.closeAt, row.wakeAt, &stored))
                break;
        }
        EXPECT_FALSE(stored) << evening.what << ": a volume left for the next start";
    }
    // Previous (40044), play, pause, stop, next (40048) count; exit (40001) and others not.
    static const std::pair<uint32_t, bool> commands[] = { { 40043, false }, { 40044, true }, { 40046, true },
                                                          { 40048, true },  { 40049, false }, { 40001, false } };
    for (const auto& command : commands)
        EXPECT_EQ(isPlaybackCommand(command.first), command.second) << command.first;
}

TEST(Evening, FadesEvenly)
{
    static const struct {
        int32_t v0;
        int64_t startMs, nowMs;  // from the close moment
        int32_t level;
    } rows[] = { { 200, -300000, -300000, 200 }, { 200, -300000, -299999, 200 }, { 200, -300000, -150000, 50 },
                 { 200, -300000, -60000, 8 },    { 200, -300000, -1, 1 },         { 200, -300000, 0, 0 },
                 { 255, -3600000, -1800000, 64 }, { 0, -300000, -150000, 0 },     { 1000, -300000, -300000, 255 } };
    for (const auto& row : rows)
        EXPECT_EQ(fadeVolume(row.v0, at(row.startMs), SET, at(row.nowMs)), row.level) << row.v0 << " " << row.nowMs;
    EXPECT_EQ(fadeVolume(200, at(-300000), SET, SET - 1), 1);
    static const struct {
        int32_t from;
        int64_t atMs;
    } drops[] = { { 200, -299249 }, { 51, -150000 }, { 9, -60000 }, { 8, -56124 }, { 1, 0 } };
    for (const auto& drop : drops)
        EXPECT_EQ(fadeNextChange(200, at(-300000), SET, drop.from), at(drop.atMs)) << drop.from;
}

TEST(Evening, WakesFirstForTheFadeOrTheNotice)
{
    static const struct {
        EveningOptions options;
        uint64_t seconds;
    } rows[] = { { { 0, true, false }, 0 },   { { 0, false, true }, 60 },     { { 1, false, true }, 60 },
                 { { 5, true, true }, 300 }, { { 60, false, false }, 3600 }, { { 61, false, false }, 3600 } };
    for (const auto& row : rows)
        EXPECT_EQ(eveningLead(row.options), row.seconds * 10000000) << row.options.fadeMinutes;
}

TEST(Evening, WritesTheNotice)
{
    static const struct {
        uint64_t seconds;
        EndAction action;
        bool force;
        size_t size;
        const char* text;
        bool morning = false;  // a morning at 7:00 follows
        const char* button = "Close &now";
    } rows[] = {
        { 59, ACTION_SHUTDOWN, false, 99, "Winamp closes in 0:59, then the computer shuts down." },
        { 600, ACTION_NONE, true, 99, "Winamp closes in 10:00." },
        { 61, ACTION_REBOOT, true, 99, "Winamp closes in 1:01, then the computer restarts, closing programs without asking." },
        { 5, ACTION_STANDBY, true, 99, "Winamp closes in 0:05, then the computer goes to standby." },
        { 59, ACTION_NONE, false, 23, "Winamp closes in 0:59." },
        { 59, ACTION_NONE, false, 22, "Winamp closes in 0:59" },
        { 59, ACTION_NONE, true, 99, "Playback stops in 0:59.", true, "Stop &now" },
        { 59, ACTION_STANDBY, true, 99, "Playback stops in 0:59, then the computer sleeps until 7:00 AM.", true, "Stop &now" },
        { 61, ACTION_REBOOT, true, 99, "Winamp closes in 1:01, then the computer restarts, closing programs without asking.", true },
    };
    for (const auto& row : rows) {
        EveningFollows follows = { eveningEnding(row.morning, row.action), 7, 0, false };
        char16_t left[16];
        formatMinutesSeconds(row.seconds, left, 16);
        EXPECT_EQ(english(noticeText(row.action, row.force, follows), { left, timeOfDay(7, 0, false) }, row.size),
                  row.text);
        EXPECT_EQ(english(closeNowText(follows.ending)), row.button);
    }
    static const struct {
        bool set, atStop;
        unsigned hour, minute;
        bool use24;
        EndAction action;
        const char* text;
        bool morning = false;
        bool tomorrow = false;
    } tonight[] = {
        { true, false, 23, 30, false, ACTION_SHUTDOWN, "Closes at 11:30 PM, then shuts down" },
        { true, false, 23, 30, true, ACTION_REBOOT, "Closes at 23:30, then restarts" },
        { true, false, 0, 5, false, ACTION_STANDBY, "Closes at 12:05 AM, then goes to standby" },
        { true, false, 12, 0, false, ACTION_NONE, "Closes at 12:00 PM" },
        { true, false, 9, 7, true, ACTION_NONE, "Closes at 9:07" },
        { true, true, 0, 0, false, ACTION_NONE, "Closes when playback stops" },
        { false, true, 23, 30, false, ACTION_SHUTDOWN, "Nothing set for tonight" },
        { true, false, 0, 5, false, ACTION_NONE, "Stops playback at 12:05 AM", true },
        { true, true, 0, 0, true, ACTION_STANDBY, "Ends when playback stops, then sleeps until 7:00", true },
        { true, false, 23, 30, false, ACTION_SHUTDOWN, "Closes at 11:30 PM, then shuts down", true },
        { true, false, 23, 30, false, ACTION_SHUTDOWN, "Closes tomorrow at 11:30 PM, then shuts down", false, true },
    };
    for (const auto& row : tonight) {
        EveningFollows follows = { eveningEnding(row.morning, row.action), 7, 0, row.use24 };
        TextId said =
            tonightText(row.set, row.atStop ? EVENING_AT_STOP : EVENING_AT_TIME, row.action, follows, row.tomorrow, false);
        EXPECT_EQ(english(said, { timeOfDay(row.hour, row.minute, row.use24), u"", timeOfDay(7, 0, row.use24) }),
                  row.text);
    }
    for (auto count : { std::pair<int64_t, uint32_t>{ 60000, 60 }, { 59001, 60 }, { 59000, 59 }, { 1, 1 }, { -5000, 0 } })
        EXPECT_EQ(secondsUntil(SET, at(count.first)), count.second) << count.first;
}

TEST(Evening, ReadsTheSongLength)
{
    // { in ms, in seconds, length }: older players answer seconds to both.
    static const int32_t rows[][3] = { { 215300, 215, 215300 }, { 215, 215, 215000 }, { 0, 215, 215000 },
                                       { -1, -1, -1 },          { 0, 0, 0 },          { 1, 1, 1000 } };
    for (const auto& row : rows)
        EXPECT_EQ(songLengthMs(row[0], row[1]), row[2]) << row[0] << " " << row[1];
}
