// The alarm's due time from arbitrary local times, set times and time-zone
// answers: it is always ahead of now and at most a day (and a change of
// clocks) away, the evening after a spent one is the next day's, and
// nothing is read or written out of bounds.
#include <stdint.h>
#include <string.h>

#include "duetime.h"
#include "require.h"

// The time zone: one bias before a moment of change, another from it on,
// both in minutes, within the platform's range.
static int64_t s_biasBefore, s_biasAfter;
static uint64_t s_change;  // local time, 100-nanosecond units
static int s_conversions;

// As SystemTimeToFileTime and LocalFileTimeToFileTime: refuses what is no
// calendar time between 1601 and 30827.
static bool toUtc(const CalendarTime* local, uint64_t* utc)
{
    ++s_conversions;
    if (local->year < 1601 || local->year > 30827 || local->month < 1 || local->month > 12 ||
        local->day < 1 || local->day > daysInMonth(local->year, local->month) || local->hour > 23 ||
        local->minute > 59 || local->second > 59 || local->milliseconds > 999)
        return false;
    int64_t days = daysFromCivil(local->year, local->month, local->day) - daysFromCivil(1601, 1, 1);
    uint64_t value = (uint64_t)days * ONE_DAY +
                     ((local->hour * 60u + local->minute) * 60u + local->second) * ONE_SECOND +
                     local->milliseconds * 10000ull;
    int64_t bias = value < s_change ? s_biasBefore : s_biasAfter;
    int64_t shifted = (int64_t)value + bias * 60 * (int64_t)ONE_SECOND;
    if (shifted < 0)
        return false;
    *utc = (uint64_t)shifted;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    struct {
        CalendarTime now;
        uint16_t hour, minute, second;
        int16_t biasBefore, biasAfter;
        uint16_t changeDay;
        uint8_t changeHour;
    } in;
    if (size < sizeof in)
        return 0;
    memcpy(&in, data, sizeof in);
    // Real zones lie within 14 hours of UTC and change by at most 2 hours.
    s_biasBefore = in.biasBefore % (14 * 60);
    s_biasAfter = s_biasBefore + in.biasAfter % 121;
    // The change falls within a day or so of now, where it matters.
    s_change = 0;
    CalendarTime change = in.now;
    change.hour = in.changeHour % 24;
    change.minute = change.second = change.milliseconds = 0;
    if (in.changeDay & 1)
        change = nextDay(change);
    {
        int64_t before = s_biasBefore, after = s_biasAfter;
        s_biasBefore = s_biasAfter = 0;
        uint64_t at;
        s_change = toUtc(&change, &at) ? at : 0;
        s_biasBefore = before;
        s_biasAfter = after;
    }

    uint64_t due = 0x5A5A5A5A5A5A5A5Aull;
    s_conversions = 0;
    CalendarTime target = alarmTarget(in.now, NULL, in.hour, in.minute, in.second);
    bool ok = computeDueTime(in.now, target, toUtc, toUtc, &due);
    REQUIRE(s_conversions <= 2);
    if (!ok) {
        REQUIRE(due == 0x5A5A5A5A5A5A5A5Aull);
        return 0;
    }
    REQUIRE(isTimeOfDay(in.hour, in.minute, in.second));
    uint64_t nowUtc;
    REQUIRE(toUtc(&in.now, &nowUtc));
    REQUIRE(due > nowUtc);
    int64_t shift = s_biasAfter - s_biasBefore;
    uint64_t slack = (uint64_t)(shift < 0 ? -shift : shift) * 60 * ONE_SECOND;
    REQUIRE(due - nowUtc <= ONE_DAY + slack);

    // The target is the set time of day, today or tomorrow, with now's
    // milliseconds; without a change of clocks the due time is exactly its
    // conversion.
    REQUIRE(target.hour == in.hour && target.minute == in.minute && target.second == in.second);
    REQUIRE(target.milliseconds == in.now.milliseconds);
    CalendarTime tomorrow = nextDay(in.now);
    bool today = target.year == in.now.year && target.month == in.now.month && target.day == in.now.day;
    bool next = target.year == tomorrow.year && target.month == tomorrow.month && target.day == tomorrow.day;
    REQUIRE(today || next);
    if (s_biasBefore == s_biasAfter) {
        uint64_t targetUtc;
        REQUIRE(toUtc(&target, &targetUtc));
        REQUIRE(due == targetUtc);
        REQUIRE(due - nowUtc <= ONE_DAY);
    }

    // That evening spent (armed at other milliseconds): the next is the day
    // after it, later than it.
    CalendarTime spent = target;
    spent.milliseconds = (uint16_t)(in.changeDay >> 6) % 1000;
    CalendarTime later = alarmTarget(in.now, &spent, in.hour, in.minute, in.second);
    CalendarTime dayAfter = nextDay(target);
    REQUIRE(later.year == dayAfter.year && later.month == dayAfter.month && later.day == dayAfter.day);
    uint64_t laterDue;
    if (computeDueTime(in.now, later, toUtc, toUtc, &laterDue))
        REQUIRE(laterDue > due);
    return 0;
}
