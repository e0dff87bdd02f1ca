#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "morning.h"

// The zone model of duetime_test.cpp.
uint64_t localFileTime(const CalendarTime& t);
bool withBerlinBiasOfTheDay(const CalendarTime* local, uint64_t* utc);

static CalendarTime at(int year, int month, int day, int dayOfWeek, int hour, int minute, int second = 0, int ms = 0)
{
    return CalendarTime{ (uint16_t)year, (uint16_t)month, (uint16_t)dayOfWeek, (uint16_t)day,
                         (uint16_t)hour, (uint16_t)minute, (uint16_t)second, (uint16_t)ms };
}

TEST(Morning, ComesOnTheNextListedDay)
{
    enum { MON = 1, WED = 4, THU = 8, WEEKDAYS = 31 };
    static const struct {
        CalendarTime now;
        unsigned days;
        int year, month, day, dayOfWeek, bias;  // bias: the morning's day's, in the Central European zone
        CalendarTime spent = {};  // year 0: none
    } rows[] = {
        { at(2024, 6, 12, 3, 6, 59, 59, 999), 200, 2024, 6, 12, 3, -120 },
        { at(2024, 6, 12, 3, 7, 0, 0, 0), 127, 2024, 6, 13, 4, -120 },
        { at(2024, 6, 12, 3, 7, 0, 0, 999), 0, 2024, 6, 13, 4, -120 },
        { at(2024, 6, 14, 5, 8, 0), WEEKDAYS, 2024, 6, 17, 1, -120 },
        { at(2024, 6, 12, 3, 8, 0), WED, 2024, 6, 19, 3, -120 },
        { at(2024, 12, 31, 2, 8, 0), THU, 2025, 1, 2, 4, -60 },
        // after a later morning spent, the clock put back
        { at(2024, 6, 12, 3, 6, 0), WEEKDAYS, 2024, 6, 17, 1, -120, at(2024, 6, 14, 5, 7, 0) },
        // over the changes of clocks: the local time holds
        { at(2024, 3, 30, 6, 23, 0), MON, 2024, 4, 1, 1, -120 },
        { at(2024, 10, 26, 6, 8, 0), WEEKDAYS, 2024, 10, 28, 1, -60 },
    };
    for (const auto& row : rows) {
        CalendarTime t = nextMorning(row.now, row.spent.year ? &row.spent : NULL, 7, 0, row.days);
        CalendarTime want = at(row.year, row.month, row.day, row.dayOfWeek, 7, 0);
        SCOPED_TRACE(::testing::Message() << row.now.month << "-" << row.now.day << " " << row.now.hour << "h");
        EXPECT_EQ(memcmp(&t, &want, sizeof t), 0) << t.year << "-" << t.month << "-" << t.day << " " << t.dayOfWeek;
        uint64_t due = 0;
        ASSERT_TRUE(computeDueTime(row.now, t, withBerlinBiasOfTheDay, withBerlinBiasOfTheDay, &due));
        EXPECT_EQ(due, localFileTime(want) + row.bias * 60 * ONE_SECOND);
    }
}

// One morning, step by step, until it ends; times in ms from its moment, at
// .000 and .999. A level comes at the wake its fade-in set, not a millisecond
// before.
TEST(Morning, PlansEachStep)
{
    static const uint64_t SET = 133600000000000000ull;
    const NoticeAnswer NO = ANSWER_NONE, SNOOZE = ANSWER_SNOOZE;
    const MorningOutcome ON = MORNING_GOES_ON, OVER = MORNING_OVER;
    auto pl = [](int32_t volume) { return PlayerReport{ PLAYER_PLAYING, 1000, 200000, volume }; };
    auto pa = [](int32_t volume) { return PlayerReport{ PLAYER_PAUSED, 1000, 200000, volume }; };
    auto st = [](int32_t volume) { return PlayerReport{ PLAYER_STOPPED, -1, 200000, volume }; };
    const PlayerReport closed = { -1, -1, -1, -1 };
    // The moment, the player's report, its entries, the answer; the outcome, the player's command, the
    // volume set, the notice, the next wake.
    struct Step {
        int64_t now; PlayerReport player; int32_t entries; NoticeAnswer answer;
        MorningOutcome outcome; const char* command; int32_t setVolume; const char* notice; int64_t wakeAt;
    };
    const struct {
        const char* what;
        unsigned fadeMinutes;
        Step steps[9];
    } mornings[] = {
        { "stopped: silent, rising to its volume until the hour ends", 5,
          { { -1, st(200), 3, NO, ON, "", -1, "", 0 }, { 0, st(200), 3, NO, ON, "start", 0, "show", 21214 },
            { 21214, pl(0), 3, NO, ON, "", 1, "", 30000 }, { 150000, pl(1), 3, NO, ON, "", 50, "", 151493 },
            { 151492, pl(50), 3, NO, ON, "", -1, "", 151493 },
            { 300000, pl(50), 3, NO, ON, "", 200, "", 360000 }, { 3599999, pl(200), 3, NO, ON, "", -1, "", 3600000 },
            { 3600000, pl(200), 3, NO, OVER, "", -1, "hide", 0 } } },
        { "paused, then closed mid fade-in", 5,
          { { 0, pa(150), 3, NO, ON, "resume", 0, "show", 24495 }, { 24495, closed, 3, NO, OVER, "", 150, "hide", 0 } } },
        { "already playing: nothing changes until it stops", 5,
          { { 0, pl(200), 3, NO, ON, "", -1, "show", 60000 }, { 60000, st(200), 3, NO, OVER, "", -1, "hide", 0 } } },
        { "an empty playlist", 5,
          { { 0, st(200), 0, NO, ON, "", -1, "show empty", 3600000 }, { 3600000, st(200), 0, NO, OVER, "", -1, "hide", 0 } } },
        { "no volume reported", 5, { { 0, st(-1), -1, NO, ON, "start", -1, "show", 60000 } } },
        { "volume 0", 5, { { 0, pa(0), 3, NO, ON, "resume", -1, "show", 60000 } } },
        { "no fade-in", 0, { { 0, st(200), 3, NO, ON, "start", -1, "show", 60000 } } },
        { "a long fade-in still looks every minute", 60, { { 0, st(255), 3, NO, ON, "start", 0, "show", 60000 } } },
        { "the user moves the volume, then Stop", 5,
          { { 0, st(200), 3, NO, ON, "start", 0, "show", 21214 }, { 150000, pl(0), 3, NO, ON, "", 50, "", 151493 },
            { 151493, pl(120), 3, NO, ON, "", -1, "", 211493 }, { 211493, pl(120), 3, NO, ON, "", -1, "", 271493 },
            { 250000, pl(120), 3, ANSWER_CANCEL, OVER, "stop", -1, "hide", 0 } } },
        { "Snooze, then Keep playing", 5,
          { { 0, st(200), 3, NO, ON, "start", 0, "show", 21214 }, { 150000, pl(0), 3, SNOOZE, ON, "pause", 200, "hide", 750000 },
            { 750000, pa(200), 3, NO, ON, "resume", 0, "show", 771214 },
            { 900000, pl(0), 3, ANSWER_CLOSE_NOW, OVER, "", 200, "hide", 0 } } },
        { "snoozed past the hour's end", 5,
          { { 0, pl(200), 3, NO, ON, "", -1, "show", 60000 }, { 3300000, pl(200), 3, SNOOZE, ON, "pause", -1, "hide", 3600000 },
            { 3600000, pa(200), 3, NO, OVER, "", -1, "", 0 } } },
        { "15 minutes late: the hour still counts from its moment", 5,
          { { 900000, st(200), 3, NO, ON, "start", 0, "show", 921214 }, { 3600000, pl(0), 3, NO, OVER, "", 200, "hide", 0 } } },
        { "missed", 5, { { 900001, st(200), 3, NO, MORNING_MISSED, "", -1, "", 0 } } },
    };
    for (uint64_t ms : { 0, 999 })
    for (const auto& morning : mornings) {
        uint64_t set = SET + ms * 10000;
        Morning m;
        morningBegin(&m, set);
        bool stored = false;  // FadeFrom, for the next start to give back
        MorningOutcome last = ON;
        for (const Step& row : morning.steps) {
            if (!row.command)
                break;
            MorningStep step = planMorning(&m, { morning.fadeMinutes }, set + row.now * 10000, row.player, row.entries,
                                           row.answer);
            SCOPED_TRACE(::testing::Message() << morning.what << " at " << row.now << " ms, ." << ms);
            static const char* const plays[] = { "", "start", "resume" };
            EXPECT_EQ(step.outcome, row.outcome);
            EXPECT_EQ(std::string(step.pause ? "pause" : step.stop ? "stop" : plays[step.play]), row.command);
            EXPECT_EQ(step.setVolume, row.setVolume);
            const char* shown = step.nothingToPlay ? "show empty" : "show";
            EXPECT_EQ(std::string(step.showNotice ? shown : step.hideNotice ? "hide" : ""), row.notice);
            EXPECT_EQ(step.keepAwake, step.outcome == ON && row.now >= 0);
            if (step.outcome == ON) {
                EXPECT_EQ(step.wakeAt, set + row.wakeAt * 10000);
            }
            stored = (stored || step.rememberVolume) && !step.forgetVolume;
            last = step.outcome;
        }
        EXPECT_FALSE(last != ON && stored) << morning.what << ": a volume left for the next start";
    }
}

TEST(Morning, WritesItsTexts)
{
    char text[64];
    formatMorningText(text, sizeof text, 7, 0, false, false);
    EXPECT_STREQ(text, "Good morning: it is 7:00 AM.");
    formatMorningText(text, sizeof text, 0, 5, false, true);
    EXPECT_STREQ(text, "Good morning: it is 12:05 AM. Winamp has nothing to play.");
    formatWakesText(text, sizeof text, 12, 0, false, true, NULL);
    EXPECT_STREQ(text, "Wakes at 12:00 PM tomorrow");
    formatWakesText(text, 18, 19, 45, true, false, "Sat");
    EXPECT_STREQ(text, "Wakes at 19:45 Sa");
}
