// The zone's rules from arbitrary transition dates (the registry may hold
// anything), biases within a day and a local time of the years it serves:
// nothing undefined happens, and the result is the local time shifted by one
// of the zone's two biases; the standard one where the zone names no summer
// time.
#include <stdint.h>
#include <string.h>

#include "require.h"
#include "zone_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ZoneInformation zone;
    CalendarTime local;
    if (size < sizeof zone + sizeof local)
        return 0;
    memcpy(&zone, data, sizeof zone);
    memcpy(&local, data + sizeof zone, sizeof local);
    zone.bias %= 24 * 60;
    zone.standardBias %= 24 * 60;
    zone.daylightBias %= 24 * 60;
    local.year = 1602 + local.year % (9765 - 1602 + 1);
    local.month = 1 + local.month % 12;
    local.day = 1 + local.day % daysInMonth(local.year, local.month);
    local.hour %= 24;
    local.minute %= 60;
    local.second %= 60;
    local.milliseconds %= 1000;

    uint64_t at = (uint64_t)(daysFromCivil(local.year, local.month, local.day) - daysFromCivil(1601, 1, 1)) * ONE_DAY +
                  ((local.hour * 60u + local.minute) * 60u + local.second) * ONE_SECOND +
                  local.milliseconds * 10000ull;
    int64_t shift = (int64_t)(zoneLocalToUtc(zone, local) - at);
    int64_t standard = (zone.bias + zone.standardBias) * 60 * (int64_t)ONE_SECOND;
    int64_t summer = (zone.bias + zone.daylightBias) * 60 * (int64_t)ONE_SECOND;
    REQUIRE(shift == standard || (shift == summer && zone.standardDate.month && zone.daylightDate.month));
    return 0;
}
