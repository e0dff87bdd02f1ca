// The hour picker's conversions from arbitrary hours: what the list shows
// for a stored hour, and the 24-hour value of what it shows.
#include <stdint.h>
#include <string.h>

#include "dialog_rules.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t hour;
    if (size < sizeof hour + 1)
        return 0;
    memcpy(&hour, data, sizeof hour);
    bool pm = data[sizeof hour] & 1;
    bool now24 = data[sizeof hour] & 2;

    HourShown shown24 = hourToShow(hour, true);
    REQUIRE(shown24.value == hour && shown24.half == HALF_NONE);

    HourShown shown12 = hourToShow(hour, false);
    REQUIRE(shown12.half == (hour < 12 ? HALF_AM : HALF_PM));
    if (hour <= 24) {
        // Every hour of the day, and the 24 a hand-edited file may hold,
        // has its item in the list of 1 to 12.
        REQUIRE(shown12.value >= 1 && shown12.value <= 12);
        if (hour <= 23)
            REQUIRE(twelveToTwentyFour(shown12.value, shown12.half == HALF_PM) == hour);
    } else {
        REQUIRE(shown12.value == hour - 12);
    }

    // What a 12-hour list can hand back: 0 (nothing selected) to 12.
    unsigned shown = hour % 13;
    unsigned back = twelveToTwentyFour(shown, pm);
    REQUIRE(back <= 23);
    REQUIRE((back >= 12) == pm);
    if (shown >= 1) {
        HourShown again = hourToShow(back, false);
        REQUIRE(again.value == shown && again.half == (pm ? HALF_PM : HALF_AM));
    }

    // Switching the form keeps the hour: to 24-hour form it converts what
    // the 12-hour list showed, back to 12-hour form it redisplays the value.
    unsigned switched = hourAfterSwitch(now24 ? shown : hour, now24, pm);
    REQUIRE(switched == (now24 ? back : hour));
    return 0;
}
