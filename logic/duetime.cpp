// The next set time by the clock and the days listed, its due time in UTC,
// and how the menu names its day.
#include "duetime.h"

bool isTimeOfDay(uint16_t hour, uint16_t minute, uint16_t second)
{
    return hour <= 23 && minute <= 59 && second <= 59;
}

int daysInMonth(int year, int month)
{
    if (month == 2) {
        bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return leap ? 29 : 28;
    }
    return (month == 4 || month == 6 || month == 9 || month == 11) ? 30 : 31;
}

CalendarTime nextDay(const CalendarTime& now)
{
    CalendarTime next = now;
    next.dayOfWeek = (uint16_t)((now.dayOfWeek + 1) % 7);
    if (now.day < daysInMonth(now.year, now.month)) {
        ++next.day;
    } else if (now.month < 12) {
        next.day = 1;
        ++next.month;
    } else {
        next.day = 1;
        next.month = 1;
        ++next.year;
    }
    return next;
}

static uint32_t secondsOfDay(uint16_t hour, uint16_t minute, uint16_t second)
{
    return hour * 3600u + minute * 60u + second;
}

static bool isStillAhead(const CalendarTime& now, uint16_t hour, uint16_t minute, uint16_t second)
{
    // The target carries now's milliseconds, so whole seconds decide.
    return secondsOfDay(hour, minute, second) > secondsOfDay(now.hour, now.minute, now.second);
}

static bool isLaterDay(const CalendarTime& a, const CalendarTime& b)
{
    if (a.year != b.year)
        return a.year > b.year;
    return a.month != b.month ? a.month > b.month : a.day > b.day;
}

CalendarTime alarmTarget(const CalendarTime& now, const CalendarTime* spent, uint16_t hour, uint16_t minute,
                         uint16_t second)
{
    CalendarTime target = isStillAhead(now, hour, minute, second) ? now : nextDay(now);
    if (spent && !isLaterDay(target, *spent)) {
        target = nextDay(*spent);
        target.milliseconds = now.milliseconds;
    }
    target.hour = hour;
    target.minute = minute;
    target.second = second;
    return target;
}

static bool isSameDay(const CalendarTime& a, const CalendarTime& b)
{
    return !isLaterDay(a, b) && !isLaterDay(b, a);
}

unsigned listedDaysOf(uint32_t stored)
{
    return stored >= 1 && stored <= EVERY_DAY ? stored : EVERY_DAY;
}

// 0 (Sunday) to 6, from the date alone.
static uint16_t weekdayOf(const CalendarTime& date)
{
    static const uint8_t monthShift[12] = { 0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4 };
    unsigned year = date.year - (date.month < 3);
    return (uint16_t)((year + year / 4 - year / 100 + year / 400 + monthShift[(date.month + 11) % 12] + date.day) % 7);
}

// The first day the set time may come by the evening's rule, then from
// there the first listed day: bit 0 is Monday, dayOfWeek 0 Sunday.
CalendarTime nextListedDay(const CalendarTime& now, const CalendarTime* spent, uint16_t hour, uint16_t minute,
                           uint16_t second, unsigned days)
{
    days = listedDaysOf(days);
    CalendarTime day = alarmTarget(now, spent, hour, minute, second);
    day.dayOfWeek = weekdayOf(day);
    for (int tries = 0; tries < 6 && !(days & (1u << (day.dayOfWeek + 6) % 7)); ++tries)
        day = nextDay(day);
    return day;
}

EveningDay eveningDayOf(const CalendarTime& now, uint64_t nowUtc, const CalendarTime& close, uint64_t closeUtc)
{
    if (isSameDay(close, now) || closeUtc < nowUtc + ONE_DAY / 2)
        return EVENING_TONIGHT;
    return isSameDay(close, nextDay(now)) ? EVENING_TOMORROW : EVENING_LATER;
}

bool computeDueTime(const CalendarTime& now, const CalendarTime& target, LocalToUtc nowToUtc, LocalToUtc targetToUtc,
                    uint64_t* due)
{
    if (!isTimeOfDay(target.hour, target.minute, target.second))
        return false;
    uint64_t nowUtc, targetUtc;
    if (!nowToUtc(&now, &nowUtc) || !targetToUtc(&target, &targetUtc))
        return false;
    if (targetUtc > nowUtc) {
        *due = targetUtc;
        return true;
    }
    // A target ahead on the local clock that converts to a moment already
    // past: a time of day that comes twice when the clocks go back, read as
    // its first occurrence while now is in the repeated hour. No change of
    // clocks lies between now and the target then, so the local clocks'
    // distance is the real one.
    int32_t span = (int32_t)secondsOfDay(target.hour, target.minute, target.second) -
                   (int32_t)secondsOfDay(now.hour, now.minute, now.second);
    if (isSameDay(target, nextDay(now)))
        span += 86400;
    else if (!isSameDay(target, now))
        return false;
    if (span <= 0)
        return false;
    *due = nowUtc + (uint32_t)span * ONE_SECOND;
    return true;
}
