#include <gtest/gtest.h>

#include "schedule.h"

// From the due time's tests: the local clock as a FILETIME count, and
// Central European time with its summer time of 2025.
uint64_t localFileTime(const CalendarTime& t);
bool withBerlinBiasOfTheDay(const CalendarTime* local, uint64_t* utc);

// A day of March 2025 (24th a Monday, summer time from the 30th, 02:00) at
// hour:minute.
static CalendarTime march(int day, int hour, int minute)
{
    return CalendarTime{ 2025, 3, (uint16_t)((day + 1) % 7), (uint16_t)day, (uint16_t)hour, (uint16_t)minute, 0, 0 };
}

// A conversion that reads a time in the hour skipped on 30 March 2025 as
// standard time, so that 2:30 comes at 3:30 summer time: the local order
// of 2:30 and 3:10 is then not their order in UTC.
static bool withBerlinSkippedHourAsStandard(const CalendarTime* local, uint64_t* utc)
{
    if (local->year == 2025 && local->month == 3 && local->day == 30 && local->hour == 2) {
        *utc = localFileTime(*local) - 3600 * ONE_SECOND;
        return true;
    }
    return withBerlinBiasOfTheDay(local, utc);
}

enum Kind { EVENINGS, MORNINGS };
static const uint32_t MON_FRI = 31, SUN_THU = 79, FRI_SAT = 48, SAT = 32, SUN = 64;

TEST(NextDue, IsTheEarliestEntryByTheClock)
{
    static const struct {
        const char* name;
        Kind kind;
        int nowDay, nowHour, nowMinute;
        struct {
            int on, hour, minute;
            uint32_t days;
        } entries[3];
        int count;
        int spentDay;        // evenings: the night spent; mornings: entry 0's day spent; 0 none
        bool runOnceSpent;
        int entry;           // -1: none
        uint32_t sameMoment;
        int day, hour, minute;
        int utcHour, utcMinute;  // of the due time, on the same day
        LocalToUtc zone = withBerlinBiasOfTheDay;
    } rows[] = {
        { "overlapping days: the first due of the night", EVENINGS, 27, 20, 0,
          { { 1, 1, 0, FRI_SAT }, { 1, 23, 30, SUN_THU } }, 2, 0, false, 1, 2, 27, 23, 30, 22, 30 },
        { "a cancelled night holds its other evening too", EVENINGS, 27, 23, 40,
          { { 1, 1, 0, FRI_SAT }, { 1, 23, 30, SUN_THU } }, 2, 27, false, 0, 1, 29, 1, 0, 0, 0 },
        { "two entries in the same minute", MORNINGS, 24, 5, 0,
          { { 1, 6, 30, MON_FRI }, { 1, 6, 30, 127 } }, 2, 0, false, 0, 3, 24, 6, 30, 5, 30 },
        { "an entry after midnight comes first", EVENINGS, 28, 22, 0,
          { { 1, 23, 0, SAT }, { 1, 0, 30, SAT } }, 2, 0, false, 1, 2, 29, 0, 30, 23, 30 },
        { "a summer-time change between two entries", EVENINGS, 29, 23, 45,
          { { 1, 23, 30, SAT }, { 1, 3, 10, SUN }, { 1, 1, 30, SUN } }, 3, 0, false, 2, 4, 30, 1, 30, 0, 30 },
        { "the day after the change", MORNINGS, 29, 23, 45,
          { { 1, 8, 0, SUN }, { 1, 9, 0, SUN }, { 0, 7, 0, SUN } }, 3, 0, false, 0, 1, 30, 8, 0, 6, 0 },
        { "the skipped hour: 2:30 comes after 3:10", MORNINGS, 29, 23, 45,
          { { 1, 2, 30, SUN }, { 1, 3, 10, SUN } }, 2, 0, false, 1, 2, 30, 3, 10, 1, 10, withBerlinSkippedHourAsStandard },
        { "Run Once, not yet spent: any entry's", EVENINGS, 27, 20, 0,
          { { 1, 23, 30, SUN_THU }, { 1, 21, 0, MON_FRI } }, 2, 0, false, 1, 2, 27, 21, 0, 20, 0 },
        { "Run Once, spent: none", EVENINGS, 27, 21, 30,
          { { 1, 23, 30, SUN_THU }, { 1, 21, 0, MON_FRI } }, 2, 27, true, -1, 0, 0, 0, 0, 0, 0 },
        { "a skipped morning: the next one rings", MORNINGS, 24, 5, 0,
          { { 1, 6, 0, MON_FRI }, { 1, 6, 10, MON_FRI } }, 2, 24, false, 1, 2, 24, 6, 10, 5, 10 },
        { "a morning that is off", MORNINGS, 24, 5, 0,
          { { 0, 6, 0, MON_FRI }, { 1, 9, 0, SUN } }, 2, 0, false, 1, 2, 30, 9, 0, 7, 0 },
        { "no entry on any day", MORNINGS, 24, 5, 0, { { 0, 6, 0, 127 }, { 0, 7, 0, 127 } }, 2, 0, false, -1 },
        { "no evening at all", EVENINGS, 24, 5, 0, {}, 0, 0, false, -1 },
    };
    for (const auto& row : rows) {
        EveningEntry evenings[3] = {};
        MorningEntry mornings[3] = {};
        for (int i = 0; i < row.count; ++i) {
            evenings[i] = { (uint16_t)row.entries[i].hour, (uint16_t)row.entries[i].minute, row.entries[i].days,
                            ACTION_NONE };
            mornings[i].on = row.entries[i].on;
            mornings[i].hour = (uint16_t)row.entries[i].hour;
            mornings[i].minute = (uint16_t)row.entries[i].minute;
            mornings[i].days = row.entries[i].days;
        }
        CalendarTime now = march(row.nowDay, row.nowHour, row.nowMinute), spent = march(row.spentDay, 0, 0);
        spent.hour = row.kind == EVENINGS ? 20 : 6;
        DueEntry next =
            row.kind == EVENINGS
                ? nextEveningDue(now, evenings, row.count, row.spentDay ? &spent : NULL, row.runOnceSpent,
                                 row.zone, row.zone)
                : nextMorningDue(now, mornings, row.count, &spent, row.spentDay ? 1 : 0, row.zone, row.zone);
        SCOPED_TRACE(row.name);
        ASSERT_EQ(next.entry, row.entry);
        if (row.entry < 0)
            continue;
        EXPECT_EQ(next.sameMoment, row.sameMoment);
        EXPECT_EQ(next.local.day, row.day);
        EXPECT_EQ(next.local.hour, row.hour);
        EXPECT_EQ(next.local.minute, row.minute);
        CalendarTime utc = march(row.utcHour > row.hour ? row.day - 1 : row.day, row.utcHour, row.utcMinute);
        EXPECT_EQ(next.due, localFileTime(utc));
    }
}
