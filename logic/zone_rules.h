// The time zone's bias on a given local day: the platform's description of
// the zone (GetTimeZoneInformation) applied to any date, for platforms that
// convert only with the bias in force at this moment.
#ifndef NIGHTFOLD_ZONE_RULES_H
#define NIGHTFOLD_ZONE_RULES_H

#include <stdint.h>

#include "duetime.h"

// The local time zone, laid out as the platform's TIME_ZONE_INFORMATION.
// Biases are in minutes: UTC = local time + bias + standardBias, or
// + daylightBias during summer time. A transition date is either
// "the day-th dayOfWeek of month" (year 0; day 5 is the last such weekday)
// or, with a year, that one date. month 0 in either date: no summer time.
struct ZoneInformation {
    int32_t bias;
    uint16_t standardName[32];
    CalendarTime standardDate;  // summer time ends; in local summer time
    int32_t standardBias;
    uint16_t daylightName[32];
    CalendarTime daylightDate;  // summer time begins; in local standard time
    int32_t daylightBias;
};

// The UTC time, as a FILETIME value, of a local date and time of day, with
// the bias that the zone's rules put in force at that local time. The local
// clock decides: a time in the hour skipped in spring, and one in the hour
// that comes twice in autumn, read as summer time (the platform's own
// conversion reads them so). An absolute date is a single moment: passed in
// later years, still ahead in earlier ones. Local times compare to the
// minute, which is exact for times on a whole minute, as the alarm's are.
// local must be a valid date from 1602 to 9765 (its minutes since 1601
// are counted in 32 bits).
uint64_t zoneLocalToUtc(const ZoneInformation& zone, const CalendarTime& local);

#endif
