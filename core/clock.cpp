// The local clock, and local times turned into UTC FILETIME values.
#include "clock.h"

#include "../logic/zone_rules.h"
#include "state.h"

static_assert(sizeof(CalendarTime) == sizeof(SYSTEMTIME), "CalendarTime is laid out as SYSTEMTIME");
static_assert(sizeof(ZoneInformation) == sizeof(TIME_ZONE_INFORMATION) &&
                  offsetof(ZoneInformation, daylightBias) == offsetof(TIME_ZONE_INFORMATION, DaylightBias),
              "ZoneInformation is laid out as TIME_ZONE_INFORMATION");

typedef BOOL(WINAPI* ZoneLocalToUtc)(LPTIME_ZONE_INFORMATION, const SYSTEMTIME*, LPSYSTEMTIME);

static uint64_t fileTimeValue(const FILETIME& time)
{
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

// With the time-zone bias in force at this moment, whatever day local is on.
static bool toUtcWithCurrentBias(const CalendarTime* local, uint64_t* utc)
{
    FILETIME localTime, utcTime;
    if (!SystemTimeToFileTime((const SYSTEMTIME*)local, &localTime) ||
        !LocalFileTimeToFileTime(&localTime, &utcTime))
        return false;
    *utc = fileTimeValue(utcTime);
    return true;
}

// With the bias in force on local's own day, where the platform converts
// per day (XP and later).
static bool toUtcWithBiasOfTheDay(const CalendarTime* local, uint64_t* utc)
{
    SYSTEMTIME utcDate;
    FILETIME utcTime;
    if (!((ZoneLocalToUtc)(void*)g_state.zoneLocalToUtc)(NULL, (const SYSTEMTIME*)local, &utcDate) ||
        !SystemTimeToFileTime(&utcDate, &utcTime))
        return false;
    *utc = fileTimeValue(utcTime);
    return true;
}

// The same, from the zone's rules, where the platform cannot convert by the
// day itself.
static bool toUtcWithRulesOfTheDay(const CalendarTime* local, uint64_t* utc)
{
    ZoneInformation zone;
    if (GetTimeZoneInformation((LPTIME_ZONE_INFORMATION)&zone) == TIME_ZONE_ID_INVALID)
        return false;
    *utc = zoneLocalToUtc(zone, *local);
    return true;
}

// The current moment as a UTC FILETIME value, from the local clock.
bool readClock(CalendarTime* now, uint64_t* nowUtc)
{
    GetLocalTime((SYSTEMTIME*)now);
    return toUtcWithCurrentBias(now, nowUtc);
}

bool dueTimeOf(const CalendarTime& now, const CalendarTime& target, uint64_t* due)
{
    LocalToUtc targetToUtc = g_state.zoneLocalToUtc ? toUtcWithBiasOfTheDay : toUtcWithRulesOfTheDay;
    return computeDueTime(now, target, toUtcWithCurrentBias, targetToUtc, due);
}

void dueConversions(LocalToUtc* nowToUtc, LocalToUtc* targetToUtc)
{
    *nowToUtc = toUtcWithCurrentBias;
    *targetToUtc = g_state.zoneLocalToUtc ? toUtcWithBiasOfTheDay : toUtcWithRulesOfTheDay;
}

bool toLocalTime(uint64_t utc, CalendarTime* local)
{
    FILETIME utcTime = { (DWORD)utc, (DWORD)(utc >> 32) }, localTime;
    return FileTimeToLocalFileTime(&utcTime, &localTime) && FileTimeToSystemTime(&localTime, (SYSTEMTIME*)local);
}
