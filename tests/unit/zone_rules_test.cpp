#include <gtest/gtest.h>
#include <time.h>

#include "zone_rules.h"

// ---- zones as GetTimeZoneInformation describes them ------------------------

static CalendarTime rule(int year, int month, int dayOfWeek, int day, int hour, int minute = 0, int second = 0,
                         int ms = 0)
{
    return CalendarTime{ (uint16_t)year,   (uint16_t)month,  (uint16_t)dayOfWeek, (uint16_t)day,
                         (uint16_t)hour,   (uint16_t)minute, (uint16_t)second,    (uint16_t)ms };
}

static ZoneInformation zone(int bias, CalendarTime summerEnds, CalendarTime summerBegins)
{
    ZoneInformation zone = {};
    zone.bias = bias;
    zone.standardDate = summerEnds;
    zone.daylightDate = summerBegins;
    zone.daylightBias = -60;
    return zone;
}

enum { SUNDAY = 0, SATURDAY = 6, LAST = 5 };

// Last Sunday of March 02:00 to last Sunday of October 03:00.
static const ZoneInformation BERLIN = zone(-60, rule(0, 10, SUNDAY, LAST, 3), rule(0, 3, SUNDAY, LAST, 2));
// Second Sunday of March 02:00 to first Sunday of November 02:00.
static const ZoneInformation NEW_YORK = zone(300, rule(0, 11, SUNDAY, 1, 2), rule(0, 3, SUNDAY, 2, 2));
// First Sunday of October 02:00 to first Sunday of April 03:00.
static const ZoneInformation SYDNEY = zone(-600, rule(0, 4, SUNDAY, 1, 3), rule(0, 10, SUNDAY, 1, 2));
// At the end of the first Saturday of September to the end of the first
// Saturday of April, the end of a day written as 23:59:59.999.
static const ZoneInformation SANTIAGO =
    zone(240, rule(0, 4, SATURDAY, 1, 23, 59, 59, 999), rule(0, 9, SATURDAY, 1, 23, 59, 59, 999));
// At midnight: the last Sunday of March 00:00 to the last Sunday of October 00:00.
static const ZoneInformation BEIRUT = zone(-120, rule(0, 10, SUNDAY, LAST, 0), rule(0, 3, SUNDAY, LAST, 0));
static const ZoneInformation TOKYO = zone(-540, rule(0, 0, 0, 0, 0), rule(0, 0, 0, 0, 0));
static const ZoneInformation BERLIN_HALF_RULE = zone(-60, rule(0, 0, 0, 0, 0), rule(0, 3, SUNDAY, LAST, 2));
// The dates of 2024 written out: absolute, for that year only.
static const ZoneInformation BERLIN_2024 = zone(-60, rule(2024, 10, SUNDAY, 27, 3), rule(2024, 3, SUNDAY, 31, 2));
static const ZoneInformation SYDNEY_2024 = zone(-600, rule(2024, 4, SUNDAY, 7, 3), rule(2024, 10, SUNDAY, 6, 2));

struct Stamp {
    int year, month, day, hour, minute, second = 0, ms = 0;
};

static uint64_t fileTimeOf(const Stamp& utc)
{
    struct tm fields = {};
    fields.tm_year = utc.year - 1900;
    fields.tm_mon = utc.month - 1;
    fields.tm_mday = utc.day;
    fields.tm_hour = utc.hour;
    fields.tm_min = utc.minute;
    fields.tm_sec = utc.second;
    // FILETIME counts from 1601, the Unix clock from 1970.
    return ((uint64_t)timegm(&fields) + 11644473600ull) * ONE_SECOND + utc.ms * 10000ull;
}

TEST(ZoneRules, ConvertWithTheBiasOfTheDay)
{
    static const struct {
        const char* what;
        const ZoneInformation& zone;
        Stamp local, utc;
    } rows[] = {
        { "Berlin, winter", BERLIN, { 2024, 1, 15, 12, 0 }, { 2024, 1, 15, 11, 0 } },
        { "Berlin, summer", BERLIN, { 2024, 7, 1, 12, 0, 30, 250 }, { 2024, 7, 1, 10, 0, 30, 250 } },
        { "Berlin, before spring's change", BERLIN, { 2024, 3, 31, 1, 59, 59, 999 }, { 2024, 3, 31, 0, 59, 59, 999 } },
        { "Berlin, skipped hour", BERLIN, { 2024, 3, 31, 2, 0 }, { 2024, 3, 31, 0, 0 } },
        { "Berlin, skipped hour, later", BERLIN, { 2024, 3, 31, 2, 30 }, { 2024, 3, 31, 0, 30 } },
        { "Berlin, after spring's change", BERLIN, { 2024, 3, 31, 3, 0 }, { 2024, 3, 31, 1, 0 } },
        { "Berlin, a week before the last Sunday", BERLIN, { 2024, 3, 24, 2, 30 }, { 2024, 3, 24, 1, 30 } },
        { "Berlin, before autumn's change", BERLIN, { 2024, 10, 27, 1, 59 }, { 2024, 10, 26, 23, 59 } },
        { "Berlin, repeated hour: first pass", BERLIN, { 2024, 10, 27, 2, 30 }, { 2024, 10, 27, 0, 30 } },
        { "Berlin, repeated hour, its end", BERLIN, { 2024, 10, 27, 2, 59, 59, 999 }, { 2024, 10, 27, 0, 59, 59, 999 } },
        { "Berlin, after autumn's change", BERLIN, { 2024, 10, 27, 3, 0 }, { 2024, 10, 27, 2, 0 } },
        { "Berlin, October of four Sundays", BERLIN, { 2025, 10, 26, 2, 59 }, { 2025, 10, 26, 0, 59 } },
        { "Berlin, October of four Sundays, after", BERLIN, { 2025, 10, 26, 3, 0 }, { 2025, 10, 26, 2, 0 } },
        { "Berlin, March 2025", BERLIN, { 2025, 3, 30, 2, 30 }, { 2025, 3, 30, 0, 30 } },
        { "Berlin, leap day", BERLIN, { 2024, 2, 29, 12, 0 }, { 2024, 2, 29, 11, 0 } },
        { "Berlin, 2100 has no leap day", BERLIN, { 2100, 3, 1, 12, 0 }, { 2100, 3, 1, 11, 0 } },
        { "Berlin, 2000 has one", BERLIN, { 2000, 3, 26, 2, 30 }, { 2000, 3, 26, 0, 30 } },
        { "Berlin, December 31st", BERLIN, { 2024, 12, 31, 23, 59 }, { 2024, 12, 31, 22, 59 } },
        { "New York, a week before", NEW_YORK, { 2024, 3, 3, 12, 0 }, { 2024, 3, 3, 17, 0 } },
        { "New York, before spring's change", NEW_YORK, { 2024, 3, 10, 1, 59 }, { 2024, 3, 10, 6, 59 } },
        { "New York, skipped hour", NEW_YORK, { 2024, 3, 10, 2, 30 }, { 2024, 3, 10, 6, 30 } },
        { "New York, after spring's change", NEW_YORK, { 2024, 3, 10, 3, 0 }, { 2024, 3, 10, 7, 0 } },
        { "New York, repeated hour: first pass", NEW_YORK, { 2024, 11, 3, 1, 30 }, { 2024, 11, 3, 5, 30 } },
        { "New York, after autumn's change", NEW_YORK, { 2024, 11, 3, 2, 0 }, { 2024, 11, 3, 7, 0 } },
        { "Sydney, new year's summer", SYDNEY, { 2024, 1, 1, 0, 0 }, { 2023, 12, 31, 13, 0 } },
        { "Sydney, repeated hour: first pass", SYDNEY, { 2024, 4, 7, 2, 30 }, { 2024, 4, 6, 15, 30 } },
        { "Sydney, after autumn's change", SYDNEY, { 2024, 4, 7, 3, 0 }, { 2024, 4, 6, 17, 0 } },
        { "Sydney, winter", SYDNEY, { 2024, 7, 1, 12, 0 }, { 2024, 7, 1, 2, 0 } },
        { "Sydney, before spring's change", SYDNEY, { 2024, 10, 6, 1, 59 }, { 2024, 10, 5, 15, 59 } },
        { "Sydney, skipped hour", SYDNEY, { 2024, 10, 6, 2, 30 }, { 2024, 10, 5, 15, 30 } },
        { "Sydney, December 31st", SYDNEY, { 2024, 12, 31, 23, 59 }, { 2024, 12, 31, 12, 59 } },
        { "Santiago, summer", SANTIAGO, { 2024, 1, 15, 12, 0 }, { 2024, 1, 15, 15, 0 } },
        { "Santiago, before autumn's change", SANTIAGO, { 2024, 4, 6, 22, 30 }, { 2024, 4, 7, 1, 30 } },
        { "Santiago, repeated hour: first pass", SANTIAGO, { 2024, 4, 6, 23, 59 }, { 2024, 4, 7, 2, 59 } },
        { "Santiago, after autumn's change", SANTIAGO, { 2024, 4, 7, 0, 0 }, { 2024, 4, 7, 4, 0 } },
        { "Santiago, before spring's change", SANTIAGO, { 2024, 9, 7, 23, 59, 0, 999 }, { 2024, 9, 8, 3, 59, 0, 999 } },
        { "Santiago, skipped hour", SANTIAGO, { 2024, 9, 8, 0, 30 }, { 2024, 9, 8, 3, 30 } },
        { "Santiago, after spring's change", SANTIAGO, { 2024, 9, 8, 1, 0 }, { 2024, 9, 8, 4, 0 } },
        { "Beirut, before spring's change", BEIRUT, { 2024, 3, 30, 23, 59 }, { 2024, 3, 30, 21, 59 } },
        { "Beirut, skipped hour", BEIRUT, { 2024, 3, 31, 0, 30 }, { 2024, 3, 30, 21, 30 } },
        { "Beirut, repeated hour the day before: first pass", BEIRUT, { 2024, 10, 26, 23, 30 }, { 2024, 10, 26, 20, 30 } },
        { "Beirut, after autumn's change", BEIRUT, { 2024, 10, 27, 0, 0 }, { 2024, 10, 26, 22, 0 } },
        { "Tokyo, no summer time", TOKYO, { 2024, 7, 1, 12, 0 }, { 2024, 7, 1, 3, 0 } },
        { "only the beginning of summer time given", BERLIN_HALF_RULE, { 2024, 7, 1, 12, 0 }, { 2024, 7, 1, 11, 0 } },
        { "Berlin 2024, skipped hour", BERLIN_2024, { 2024, 3, 31, 2, 30 }, { 2024, 3, 31, 0, 30 } },
        { "Berlin 2024, summer", BERLIN_2024, { 2024, 7, 1, 12, 0 }, { 2024, 7, 1, 10, 0 } },
        { "Berlin 2024, repeated hour: first pass", BERLIN_2024, { 2024, 10, 27, 2, 30 }, { 2024, 10, 27, 0, 30 } },
        { "Berlin 2024, after autumn's change", BERLIN_2024, { 2024, 10, 27, 3, 0 }, { 2024, 10, 27, 2, 0 } },
        { "Berlin 2024, summer of 2023", BERLIN_2024, { 2023, 7, 1, 12, 0 }, { 2023, 7, 1, 11, 0 } },
        { "Berlin 2024, summer of 2025", BERLIN_2024, { 2025, 7, 1, 12, 0 }, { 2025, 7, 1, 11, 0 } },
        { "Sydney 2024, winter", SYDNEY_2024, { 2024, 7, 1, 12, 0 }, { 2024, 7, 1, 2, 0 } },
        { "Sydney 2024, summer, 2023", SYDNEY_2024, { 2023, 12, 15, 12, 0 }, { 2023, 12, 15, 1, 0 } },
        { "Sydney 2024, summer, 2025", SYDNEY_2024, { 2025, 1, 15, 12, 0 }, { 2025, 1, 15, 1, 0 } },
        { "Sydney 2024, winter of 2025", SYDNEY_2024, { 2025, 7, 1, 12, 0 }, { 2025, 7, 1, 1, 0 } },
    };
    for (const auto& row : rows) {
        const Stamp& l = row.local;
        CalendarTime local{ (uint16_t)l.year,   (uint16_t)l.month,  0, (uint16_t)l.day,
                            (uint16_t)l.hour,   (uint16_t)l.minute, (uint16_t)l.second, (uint16_t)l.ms };
        int64_t off = (int64_t)(zoneLocalToUtc(row.zone, local) - fileTimeOf(row.utc));
        EXPECT_EQ(off, 0) << row.what << ": off by " << off / 10000 << " ms";
    }
}
