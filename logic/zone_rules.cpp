// The time zone's bias on any local day, from the zone's rules.
#include "zone_rules.h"

// Days from 1 January 1601, where the platform's clock starts, to a date of
// the Gregorian calendar.
static uint32_t daysSince1601(uint32_t year, uint32_t month, uint32_t day)
{
    // Years counted from March, so that a leap day ends its year.
    if (month <= 2) {
        --year;
        month += 12;
    }
    return 365 * year + year / 4 - year / 100 + year / 400 + (153 * (month - 3) + 2) / 5 + day - 584695;
}

// A date at time's hour and minute, in minutes since 1601.
static uint32_t minutesOf(int year, int month, int day, const CalendarTime& time)
{
    return daysSince1601(year, month, day) * 1440u + time.hour * 60u + time.minute;
}

// The minute from which the transition has come, in the given year or in its
// own if it names one. One given to the second or millisecond (the end of a
// day as 23:59:59.999) counts from the next whole minute.
static uint32_t transitionIn(int year, const CalendarTime& rule)
{
    int day = rule.day;
    if (rule.year) {
        year = rule.year;
    } else {
        // The first such weekday of the month (1 January 1601 was a Monday),
        // then the week asked for; a fifth that the month lacks is its last.
        day = (rule.dayOfWeek + 6 - daysSince1601(year, rule.month, 1) % 7) % 7 + 1 + 7 * (day - 1);
        if (day > daysInMonth(year, rule.month))
            day -= 7;
    }
    return minutesOf(year, rule.month, day, rule) + (rule.second || rule.milliseconds);
}

uint64_t zoneLocalToUtc(const ZoneInformation& zone, const CalendarTime& local)
{
    uint32_t at = minutesOf(local.year, local.month, local.day, local);
    uint32_t bias = (uint32_t)zone.bias + zone.standardBias;
    if (zone.standardDate.month && zone.daylightDate.month) {
        uint32_t begins = transitionIn(local.year, zone.daylightDate);
        // Summer time runs from begins up to ends; where ends comes first
        // in the year (south of the equator), across the new year: the
        // unsigned distances from begins cover both.
        if (at - begins < transitionIn(local.year, zone.standardDate) - begins)
            bias = (uint32_t)zone.bias + zone.daylightBias;
    }
    return (uint64_t)(at + bias) * (60 * ONE_SECOND) + (local.second * 1000u + local.milliseconds) * 10000u;
}
