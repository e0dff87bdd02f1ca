#include <gtest/gtest.h>

#include "duetime.h"

// ---- a model of the platform's clock conversions -------------------------

// Days from 1601-01-01 to the date: what SystemTimeToFileTime counts.
static int64_t daysSince1601(int year, int month, int day)
{
    int64_t days = 0;
    for (int y = 1601; y < year; ++y)
        days += (y % 4 == 0 && y % 100 != 0) || y % 400 == 0 ? 366 : 365;
    for (int m = 1; m < month; ++m)
        days += daysInMonth(year, m);
    return days + day - 1;
}

// Shared with the morning's tests, as is the Central European zone below.
uint64_t localFileTime(const CalendarTime& t)
{
    int64_t seconds = daysSince1601(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    return (uint64_t)seconds * ONE_SECOND + t.milliseconds * 10000ull;
}

static uint64_t minutes(int64_t count)
{
    return (uint64_t)(count * 60 * (int64_t)ONE_SECOND);
}

// UTC = local + bias, in minutes, as the platform counts it.
static int s_currentBias;

static bool withCurrentBias(const CalendarTime* local, uint64_t* utc)
{
    *utc = localFileTime(*local) + minutes(s_currentBias);
    return true;
}

// Central European time: summer time from the last Sunday of March, 02:00,
// to the last Sunday of October, 03:00 (2024 and 2025 only). As Wine does,
// a time in the skipped hour and one in the repeated hour read as summer
// time.
static int berlinBias(const CalendarTime& t)
{
    struct Span {
        CalendarTime from, to;
    };
    static const Span summers[] = {
        { { 2024, 3, 0, 31, 2, 0, 0, 0 }, { 2024, 10, 0, 27, 3, 0, 0, 0 } },
        { { 2025, 3, 0, 30, 2, 0, 0, 0 }, { 2025, 10, 0, 26, 3, 0, 0, 0 } },
    };
    uint64_t at = localFileTime(t);
    for (const Span& s : summers) {
        if (at >= localFileTime(s.from) && at < localFileTime(s.to))
            return -120;
    }
    return -60;
}

bool withBerlinBiasOfTheDay(const CalendarTime* local, uint64_t* utc)
{
    *utc = localFileTime(*local) + minutes(berlinBias(*local));
    return true;
}

static bool failing(const CalendarTime*, uint64_t*)
{
    return false;
}

// The old rule: both conversions with the bias in force now, a passed
// target moved by exactly one day.
static uint64_t oldRule(const CalendarTime& now, uint16_t hour, uint16_t minute)
{
    CalendarTime target = now;
    target.hour = hour;
    target.minute = minute;
    target.second = 0;
    uint64_t nowUtc, targetUtc;
    withCurrentBias(&now, &nowUtc);
    withCurrentBias(&target, &targetUtc);
    return nowUtc >= targetUtc ? targetUtc + ONE_DAY : targetUtc;
}

static CalendarTime at(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0)
{
    return CalendarTime{ (uint16_t)year, (uint16_t)month, 0, (uint16_t)day, (uint16_t)hour,
                         (uint16_t)minute, (uint16_t)second, (uint16_t)ms };
}

// A zone two hours east of UTC whose clocks go forward at midnight (00:00
// becomes 01:00 on 31 March 2024) and back at midnight (00:00 becomes 23:00
// of 26 October again). Read as Wine does: the skipped hour and the repeated
// one as summer time.
static bool withMidnightBiasOfTheDay(const CalendarTime* local, uint64_t* utc)
{
    uint64_t t = localFileTime(*local);
    bool summer = t >= localFileTime(at(2024, 3, 31, 0, 0)) && t < localFileTime(at(2024, 10, 27, 0, 0));
    *utc = t + minutes(summer ? -180 : -120);
    return true;
}

static ::testing::AssertionResult sameTime(uint64_t actual, uint64_t expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    int64_t off = (int64_t)(actual - expected);
    return ::testing::AssertionFailure() << "off by " << off / 10000 << " ms";
}

// ---- the next occurrence of the set time ----------------------------------

// The due time of the next evening on the days listed after the one spent
// (none: the first).
static bool dueTime(const CalendarTime& now, const CalendarTime* spent, uint16_t hour, uint16_t minute,
                    uint16_t second, LocalToUtc nowToUtc, LocalToUtc targetToUtc, uint64_t* due,
                    unsigned days = EVERY_DAY)
{
    return computeDueTime(now, nextListedDay(now, spent, hour, minute, second, days), nowToUtc, targetToUtc, due);
}

static CalendarTime withMs(CalendarTime t, uint16_t ms)
{
    t.milliseconds = ms;
    return t;
}

TEST(DueTime, IsTheNextOccurrenceOfTheSetTime)
{
    static const struct {
        CalendarTime now;
        uint16_t hour, minute;
        CalendarTime due;    // local, at now's milliseconds
        CalendarTime spent;  // the evening spent before (cancelled, missed); year 0 for none
        unsigned days = EVERY_DAY;
    } rows[] = {
        { at(2024, 6, 12, 22, 15, 40), 22, 15, at(2024, 6, 13, 22, 15) },
        { at(2024, 6, 12, 21, 0, 0), 22, 15, at(2024, 6, 12, 22, 15) },
        { at(2024, 6, 12, 22, 15, 0), 22, 15, at(2024, 6, 13, 22, 15) },
        { at(2024, 6, 12, 22, 14, 59), 22, 15, at(2024, 6, 12, 22, 15) },
        { at(2024, 6, 12, 12, 0, 0), 0, 0, at(2024, 6, 13, 0, 0) },
        { at(2024, 6, 12, 0, 0, 0), 0, 0, at(2024, 6, 13, 0, 0) },
        { at(2024, 6, 12, 0, 0, 0), 23, 59, at(2024, 6, 12, 23, 59) },
        // over the ends of months and years, leap years and their exceptions
        { at(2024, 12, 31, 23, 59, 59), 0, 0, at(2025, 1, 1, 0, 0) },
        { at(2024, 2, 28, 23, 0), 1, 0, at(2024, 2, 29, 1, 0) },
        { at(2024, 2, 29, 23, 0), 1, 0, at(2024, 3, 1, 1, 0) },
        { at(2023, 2, 28, 23, 0), 1, 0, at(2023, 3, 1, 1, 0) },
        { at(2100, 2, 28, 23, 0), 1, 0, at(2100, 3, 1, 1, 0) },
        { at(2000, 2, 28, 23, 0), 1, 0, at(2000, 2, 29, 1, 0) },
        { at(2024, 4, 30, 23, 0), 1, 0, at(2024, 5, 1, 1, 0) },
        { at(2024, 1, 31, 23, 0), 1, 0, at(2024, 2, 1, 1, 0) },
        // after an evening spent: a later day's, whatever the clock's milliseconds
        { at(2024, 6, 12, 23, 29, 1), 23, 30, at(2024, 6, 13, 23, 30), at(2024, 6, 12, 23, 30) },
        { at(2024, 6, 12, 23, 45), 0, 10, at(2024, 6, 14, 0, 10), at(2024, 6, 13, 0, 10) },
        { at(2024, 6, 30, 23, 45), 0, 10, at(2024, 7, 2, 0, 10), at(2024, 7, 1, 0, 10) },
        { at(2024, 6, 12, 23, 31, 30), 23, 30, at(2024, 6, 13, 23, 30), at(2024, 6, 12, 23, 30) },
        { at(2024, 6, 15, 9, 0), 23, 30, at(2024, 6, 15, 23, 30), at(2024, 6, 12, 23, 30) },
        // on the days listed, bit 0 Monday: Friday with Sunday to Thursday, over the week's end to Monday, after
        // midnight on Saturday (the night from Friday), Run Once on Tuesday for Saturday, Thursday's cancelled
        { at(2024, 6, 14, 9, 0), 23, 30, at(2024, 6, 16, 23, 30), {}, 79 },
        { at(2024, 6, 15, 9, 0), 23, 30, at(2024, 6, 17, 23, 30), {}, 31 },
        { at(2024, 6, 14, 23, 0), 0, 30, at(2024, 6, 15, 0, 30), {}, 32 },
        { at(2024, 6, 11, 21, 0), 23, 30, at(2024, 6, 15, 23, 30), {}, 32 },
        { at(2024, 6, 13, 23, 29, 1), 23, 30, at(2024, 6, 16, 23, 30), at(2024, 6, 13, 23, 30), 79 },
    };
    for (int bias : { -60, 0, 300, -345 }) {
        s_currentBias = bias;
        for (const auto& row : rows) {
            for (uint16_t ms : { 0, 999 }) {
                uint64_t due = 0;
                CalendarTime spent = withMs(row.spent, 999 - ms);  // armed at other milliseconds
                ASSERT_TRUE(dueTime(withMs(row.now, ms), row.spent.year ? &spent : NULL, row.hour, row.minute, 0,
                                    withCurrentBias, withCurrentBias, &due, row.days));
                EXPECT_TRUE(sameTime(due, localFileTime(withMs(row.due, ms)) + minutes(bias)))
                    << row.now.year << "-" << row.now.month << "-" << row.now.day << " " << row.now.hour << ":"
                    << row.now.minute << "." << ms << " set " << row.hour << ":" << row.minute << " bias " << bias;
            }
        }
    }
}

// Away from a change of clocks the due time is exactly the old rule's, with
// either conversion of the target.
TEST(DueTime, MatchesTheOldRuleOnDaysWithoutAChange)
{
    static const CalendarTime nows[] = {
        at(2024, 1, 15, 0, 0, 0, 0),    at(2024, 1, 15, 8, 30, 15, 123), at(2024, 7, 1, 12, 0, 0, 0),
        at(2024, 7, 1, 22, 15, 40, 250), at(2024, 7, 31, 23, 59, 59, 999), at(2024, 12, 31, 23, 59, 0, 0),
        at(2024, 2, 28, 23, 30, 0, 7),  at(2023, 2, 28, 23, 30, 0, 7),   at(2024, 3, 29, 23, 0, 0, 0),
        at(2024, 10, 25, 23, 0, 0, 0),  at(2025, 11, 30, 1, 2, 3, 4),
    };
    static const struct {
        uint16_t hour, minute;
    } times[] = { { 0, 0 }, { 0, 1 }, { 1, 30 }, { 8, 30 }, { 12, 0 }, { 22, 15 }, { 23, 59 } };
    for (const CalendarTime& now : nows) {
        s_currentBias = berlinBias(now);
        for (const auto& time : times) {
            uint64_t due = 0;
            ASSERT_TRUE(dueTime(now, NULL, time.hour, time.minute, 0, withCurrentBias, withBerlinBiasOfTheDay, &due));
            EXPECT_TRUE(sameTime(due, oldRule(now, time.hour, time.minute)))
                << now.year << "-" << now.month << "-" << now.day << " " << now.hour << ":" << now.minute
                << " set " << time.hour << ":" << time.minute;
        }
    }
}

// ---- across a change to or from summer time -------------------------------

TEST(DueTime, KeepsTheSetLocalTimeAcrossASummerTimeChange)
{
    static const struct {
        const char* what;
        CalendarTime now;
        int nowBias;  // in force at now; decides the repeated hour's reading
        uint16_t hour, minute;
        CalendarTime dueUtc;
        CalendarTime dueUtc9x;  // no per-day conversion: the old rule
        LocalToUtc zone = withBerlinBiasOfTheDay;
    } rows[] = {
        { "spring, tomorrow", at(2024, 3, 30, 23, 0), -60, 22, 15, at(2024, 3, 31, 20, 15), at(2024, 3, 31, 21, 15) },
        { "spring, today", at(2024, 3, 31, 1, 0), -60, 22, 15, at(2024, 3, 31, 20, 15), at(2024, 3, 31, 21, 15) },
        { "spring, before the change", at(2024, 3, 31, 0, 30), -60, 1, 30, at(2024, 3, 31, 0, 30), at(2024, 3, 31, 0, 30) },
        { "spring, in the skipped hour", at(2024, 3, 31, 1, 50), -60, 2, 30, at(2024, 3, 31, 1, 30), at(2024, 3, 31, 1, 30) },
        { "autumn, tomorrow", at(2024, 10, 26, 23, 0), -120, 22, 15, at(2024, 10, 27, 21, 15), at(2024, 10, 27, 20, 15) },
        { "autumn, today", at(2024, 10, 27, 1, 0), -120, 22, 15, at(2024, 10, 27, 21, 15), at(2024, 10, 27, 20, 15) },
        { "autumn, before the change", at(2024, 10, 27, 1, 0), -120, 2, 30, at(2024, 10, 27, 0, 30), at(2024, 10, 27, 0, 30) },
        { "autumn, repeated hour, first pass", at(2024, 10, 27, 2, 10), -120, 2, 30, at(2024, 10, 27, 0, 30), at(2024, 10, 27, 0, 30) },
        { "autumn, repeated hour, second pass", at(2024, 10, 27, 2, 10), -60, 2, 30, at(2024, 10, 27, 1, 30), at(2024, 10, 27, 1, 30) },
        { "autumn, a week later", at(2024, 11, 2, 23, 0), -60, 22, 15, at(2024, 11, 3, 21, 15), at(2024, 11, 3, 21, 15) },
        { "forward at midnight, set in the skipped hour", at(2024, 3, 30, 23, 0, 50), -120, 0, 0,
          at(2024, 3, 30, 22, 0), at(2024, 3, 30, 22, 0), withMidnightBiasOfTheDay },
        { "forward at midnight, set after it", at(2024, 3, 30, 23, 0), -120, 1, 30, at(2024, 3, 30, 22, 30),
          at(2024, 3, 30, 23, 30), withMidnightBiasOfTheDay },
        { "back at midnight, first pass", at(2024, 10, 26, 23, 50), -180, 0, 30, at(2024, 10, 26, 22, 30),
          at(2024, 10, 26, 21, 30), withMidnightBiasOfTheDay },
        { "back at midnight, second pass", at(2024, 10, 26, 23, 10), -120, 23, 40, at(2024, 10, 26, 21, 40),
          at(2024, 10, 26, 21, 40), withMidnightBiasOfTheDay },
    };
    for (const auto& row : rows) {
        for (uint16_t ms : { 0, 999 }) {
            s_currentBias = row.nowBias;
            CalendarTime now = withMs(row.now, ms);
            uint64_t due = 0, due9x = 0;
            ASSERT_TRUE(dueTime(now, NULL, row.hour, row.minute, 0, withCurrentBias, row.zone, &due));
            ASSERT_TRUE(dueTime(now, NULL, row.hour, row.minute, 0, withCurrentBias, withCurrentBias, &due9x));
            EXPECT_TRUE(sameTime(due, localFileTime(withMs(row.dueUtc, ms)))) << row.what << " ." << ms;
            EXPECT_TRUE(sameTime(due9x, localFileTime(withMs(row.dueUtc9x, ms)))) << row.what << " ." << ms << " (9x)";
            EXPECT_TRUE(sameTime(due9x, oldRule(now, row.hour, row.minute))) << row.what << " (9x)";
            uint64_t nowUtc;
            withCurrentBias(&now, &nowUtc);
            EXPECT_GT(due, nowUtc) << row.what;
        }
    }
}

// ---- refusals ------------------------------------------------------------

TEST(DueTime, RefusesWhatIsNoTimeOfDay)
{
    static const struct {
        uint16_t hour, minute, second;
        LocalToUtc nowToUtc, targetToUtc;
        bool ok;
    } rows[] = {
        { 23, 59, 0, withCurrentBias, withCurrentBias, true },
        { 0, 0, 59, withCurrentBias, withCurrentBias, true },
        { 24, 0, 0, withCurrentBias, withCurrentBias, false },
        { 0, 60, 0, withCurrentBias, withCurrentBias, false },
        { 0, 0, 60, withCurrentBias, withCurrentBias, false },
        { 65535, 0, 0, withCurrentBias, withCurrentBias, false },
        { 12, 65535, 0, withCurrentBias, withCurrentBias, false },
        { 12, 0, 0, failing, withCurrentBias, false },
        { 12, 0, 0, withCurrentBias, failing, false },
    };
    s_currentBias = 0;
    for (const auto& row : rows) {
        const uint64_t untouched = 0x123456789ull;
        uint64_t due = untouched;
        EXPECT_EQ(dueTime(at(2024, 6, 12, 21, 0), NULL, row.hour, row.minute, row.second, row.nowToUtc,
                          row.targetToUtc, &due),
                  row.ok)
            << row.hour << ":" << row.minute << ":" << row.second;
        if (!row.ok) {
            EXPECT_EQ(due, untouched);
        }
    }
}
