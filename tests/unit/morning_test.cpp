#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "chime.h"
#include "morning.h"
#include "english.h"

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
    auto pa = [](int32_t volume) { return PlayerReport{ PLAYER_PAUSED, 500, 200000, volume }; };
    auto st = [](int32_t volume) { return PlayerReport{ PLAYER_STOPPED, -1, 200000, volume }; };
    const PlayerReport closed = { -1, -1, -1, -1 }, noPosition = { PLAYER_PLAYING, 0, 0, 200 };
    // The moment, the player's report, its entries, the answer; the outcome, the player's command and the
    // tone, the volume set, the notice and its news, the next wake.
    struct Step {
        int64_t now; PlayerReport player; int32_t entries; NoticeAnswer answer;
        MorningOutcome outcome; const char* command; int32_t setVolume; const char* notice; int64_t wakeAt;
    };
    const struct {
        const char* what;
        MorningOptions options;
        Step steps[9];
    } mornings[] = {
        { "stopped: silent, rising to its volume until the hour ends", { 5 },
          { { -1, st(200), 3, NO, ON, "", -1, "", 0 }, { 0, st(200), 3, NO, ON, "start", 0, "show", 5000 },
            { 21214, pl(0), 3, NO, ON, "", 1, "", 30000 }, { 150000, pl(1), 3, NO, ON, "", 50, "", 151493 },
            { 151492, pl(50), 3, NO, ON, "", -1, "", 151493 },
            { 300000, pl(50), 3, NO, ON, "", 200, "", 360000 }, { 3599999, pl(200), 3, NO, ON, "", -1, "", 3600000 },
            { 3600000, pl(200), 3, NO, OVER, "", -1, "hide", 0 } } },
        { "paused, then closed mid fade-in", { 5 },
          { { 0, pa(150), 3, NO, ON, "resume", 0, "show", 5000 }, { 5000, pl(0), 3, NO, ON, "", -1, "", 24495 },
            { 24495, closed, 3, NO, OVER, "", 150, "hide", 0 } } },
        { "already playing: nothing changes until it stops", { 5 },
          { { 0, pl(200), 3, NO, ON, "", -1, "show", 60000 }, { 60000, st(200), 3, NO, OVER, "", -1, "hide", 0 } } },
        { "an empty playlist: the tone, louder until the hour's end", { 5 },
          { { 0, st(200), 0, NO, ON, "tone 1", -1, "show empty", 15000 }, { 15000, st(200), 0, NO, ON, "tone 2", -1, "", 30000 },
            { 3600000, st(200), 0, NO, OVER, "silence", -1, "hide", 0 } } },
        { "the player does not answer: the tone", { 5 }, { { 0, closed, -1, NO, ON, "tone 1", -1, "show not started", 15000 } } },
        { "no volume reported", { 5 }, { { 0, st(-1), -1, NO, ON, "start", -1, "show", 5000 } } },
        { "volume 0 rises to half", { 5 },
          { { 0, pa(0), 3, NO, ON, "resume", 0, "show", 5000 }, { 300000, pl(0), 3, NO, ON, "", 128, "", 360000 } } },
        { "paused, the chosen entry: it plays, not the paused song", { 0, 0, true },
          { { 0, pa(200), 3, NO, ON, "entry start", -1, "show", 5000 } } },
        { "a set volume, the chosen entry; Stop gives the volume back", { 0, 40, true },
          { { 0, st(200), 0, NO, ON, "entry start", 102, "show", 5000 },
            { 5000, pl(102), 1, ANSWER_CANCEL, OVER, "stop", 200, "hide", 0 } } },
        { "not heard: played again at 20 s, the tone at 60 s", { 0 },
          { { 0, st(200), 3, NO, ON, "start", -1, "show", 5000 }, { 5000, st(200), 3, NO, ON, "", -1, "", 10000 },
            { 20000, st(200), 3, NO, ON, "start", -1, "", 25000 }, { 25000, pl(200), 3, NO, ON, "", -1, "", 85000 },
            { 85000, st(200), 3, NO, OVER, "", -1, "hide", 0 } } },
        { "a stream that stays at 0 is not heard", { 0 },
          { { 0, st(200), 3, NO, ON, "start", -1, "show", 5000 },
            { 60000, PlayerReport{ PLAYER_PLAYING, 0, -1, 200 }, 3, NO, ON, "stop tone 1", -1, "not started", 75000 },
            { 75000, st(200), 3, SNOOZE, ON, "silence", -1, "hide", 675000 } } },
        { "a player that tells no position: heard after 10 s of playing", { 0 },
          { { 0, st(200), 3, NO, ON, "start", -1, "show", 5000 }, { 5000, noPosition, 3, NO, ON, "", -1, "", 10000 },
            { 15000, noPosition, 3, NO, ON, "", -1, "", 75000 } } },
        { "a long fade-in still looks every minute", { 60 },
          { { 0, st(255), 3, NO, ON, "start", 0, "show", 5000 }, { 5000, pl(0), 3, NO, ON, "", -1, "", 65000 } } },
        { "the user moves the volume, then Stop", { 5 },
          { { 0, st(200), 3, NO, ON, "start", 0, "show", 5000 }, { 150000, pl(0), 3, NO, ON, "", 50, "", 151493 },
            { 151493, pl(120), 3, NO, ON, "", -1, "", 211493 }, { 211493, pl(120), 3, NO, ON, "", -1, "", 271493 },
            { 250000, pl(120), 3, ANSWER_CANCEL, OVER, "stop", -1, "hide", 0 } } },
        { "Snooze, then Keep playing", { 5 },
          { { 0, st(200), 3, NO, ON, "start", 0, "show", 5000 }, { 150000, pl(0), 3, SNOOZE, ON, "pause", 200, "hide", 750000 },
            { 750000, pa(200), 3, NO, ON, "resume", 0, "show", 755000 },
            { 900000, pl(0), 3, ANSWER_CLOSE_NOW, OVER, "", 200, "hide", 0 } } },
        { "snoozed past the hour's end", { 5 },
          { { 0, pl(200), 3, NO, ON, "", -1, "show", 60000 }, { 3300000, pl(200), 3, SNOOZE, ON, "pause", -1, "hide", 3600000 },
            { 3600000, pa(200), 3, NO, OVER, "", -1, "", 0 } } },
        { "15 minutes late: the hour still counts from its moment", { 5 },
          { { 900000, st(200), 3, NO, ON, "start", 0, "show", 905000 }, { 3600000, pl(0), 3, NO, OVER, "", 200, "hide", 0 } } },
        { "missed", { 5 }, { { 900001, st(200), 3, NO, MORNING_MISSED, "", -1, "", 0 } } },
    };
    // The parts of a step that are set, as words.
    auto words = [](std::initializer_list<const char*> parts) {
        std::string said;
        for (const char* part : parts)
            if (*part)
                said += (said.empty() ? "" : " ") + std::string(part);
        return said;
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
            MorningStep step = planMorning(&m, morning.options, set + row.now * 10000, row.player, row.entries,
                                           row.answer);
            SCOPED_TRACE(::testing::Message() << morning.what << " at " << row.now << " ms, ." << ms);
            static const char* const plays[] = { "", "start", "resume" };
            static const char* const news[] = { "", "", "empty", "not started", "" };
            std::string tone = step.toneStep ? "tone " + std::to_string(step.toneStep) : "";
            EXPECT_EQ(step.outcome, row.outcome);
            EXPECT_EQ(words({ step.pause ? "pause" : "", step.stop ? "stop" : "", step.silence ? "silence" : "",
                              step.chooseEntry ? "entry" : "", plays[step.play], tone.c_str() }),
                      row.command);
            EXPECT_EQ(step.setVolume, row.setVolume);
            EXPECT_EQ(words({ step.showNotice ? "show" : step.hideNotice ? "hide" : "", news[step.news] }), row.notice);
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
    EXPECT_EQ(english(morningText(MORNING_NEWS_GREETING), { timeOfDay(7, 0, false) }), "Good morning: it is 7:00 AM.");
    EXPECT_EQ(english(morningText(MORNING_NOTHING_TO_PLAY), { timeOfDay(0, 5, false) }),
              "Good morning: it is 12:05 AM. Winamp has nothing to play.");
    EXPECT_EQ(english(morningText(MORNING_NOT_STARTED), { timeOfDay(7, 0, true) }),
              "Good morning: it is 7:00. The music did not start.");
    EXPECT_EQ(english(wakesText(true, false, false), { timeOfDay(12, 0, false) }), "Wakes at 12:00 PM tomorrow");
    EXPECT_EQ(english(wakesText(false, true, false), { timeOfDay(19, 45, true), u"Sat" }, 18), "Wakes at 19:45 Sa");
    EXPECT_EQ(english(wakesText(true, false, true), { timeOfDay(7, 10, false) }), "Snoozed until 7:10 AM");
}

// The chime at each loudness: its header as a player reads it (sizes, PCM, mono, 8000 samples and 16000
// bytes a second, 2 bytes of 16 bits a sample), and its loudest sample.
TEST(Morning, MakesItsChime)
{
    static uint8_t image[CHIME_BYTES + 1];
    static const char header[] = "RIFF\x24\x4b\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x80\x3e\0\0\x02\0\x10\0data\0\x4b\0\0";
    static const struct {
        int step;
        size_t room, size;
        int32_t loudest;
    } rows[] = { { 1, sizeof image, 19244, 4096 }, { 4, CHIME_BYTES, 19244, 32767 }, { 9, CHIME_BYTES, 19244, 32767 },
                 { 2, CHIME_BYTES - 1, 0 } };
    for (const auto& row : rows) {
        ASSERT_EQ(buildChime(image, row.room, row.step), row.size) << row.step;
        int32_t loudest = 0;
        for (size_t at = CHIME_HEADER; at < row.size; at += 2) {
            int32_t sample = (int16_t)(image[at] | image[at + 1] << 8);
            loudest = sample > loudest ? sample : -sample > loudest ? -sample : loudest;
        }
        EXPECT_TRUE(!row.size || !memcmp(image, header, CHIME_HEADER)) << row.step;
        EXPECT_EQ(loudest, row.loudest) << row.step;
    }
}
