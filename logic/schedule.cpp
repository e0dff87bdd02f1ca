// Which of several evenings or mornings is due next.
#include "schedule.h"

#include "morning.h"

CalendarTime nightOf(const CalendarTime& local)
{
    if (local.hour >= 12)
        return local;
    // The day before: the day whose next day is local's.
    CalendarTime night = local;
    if (night.day > 1) {
        --night.day;
    } else {
        night.month = night.month > 1 ? night.month - 1 : 12;
        night.year = night.month == 12 ? night.year - 1 : night.year;
        night.day = (uint16_t)daysInMonth(night.year, night.month);
    }
    night.dayOfWeek = (uint16_t)((night.dayOfWeek + 6) % 7);
    return night;
}

// Days from 1 March of year 0 to the date, for the distance of two local
// times.
static int32_t dayNumber(const CalendarTime& date)
{
    int32_t year = date.year - (date.month <= 2);
    int32_t month = date.month > 2 ? date.month - 3 : date.month + 9;
    return year * 365 + year / 4 - year / 100 + year / 400 + (153 * month + 2) / 5 + date.day - 1;
}

bool isTonightsNight(const CalendarTime& now, const CalendarTime& night)
{
    return dayNumber(night) == dayNumber(now) || dayNumber(night) == dayNumber(nightOf(now));
}

static int64_t localSeconds(const CalendarTime& local)
{
    return (int64_t)dayNumber(local) * 86400 + local.hour * 3600 + local.minute * 60 + local.second;
}

// A change of clocks moves one local time against another by this much at
// most: only candidates this close to the earliest by the local clock can
// be due before it.
static const int64_t CLOCKS_CHANGE_AT_MOST = 3 * 3600;

// The earliest in UTC of the candidates (local times, where valid), the
// first entry on a tie, with the entries due at that same moment. Where the
// clocks do not change between the first candidate by the local clock and
// the last one near it, the local order is the order in UTC, and only the
// first ones are converted: a few conversions, whatever the count.
static DueEntry earliest(const CalendarTime& now, const CalendarTime* local, const bool* valid, int count,
                         LocalToUtc nowToUtc, LocalToUtc targetToUtc)
{
    DueEntry best = {};
    best.entry = -1;
    int64_t first = INT64_MAX, last = INT64_MIN;
    int firstEntry = -1, lastEntry = -1;
    for (int i = 0; i < count; ++i) {
        if (valid[i] && localSeconds(local[i]) < first) {
            first = localSeconds(local[i]);
            firstEntry = i;
        }
    }
    if (firstEntry < 0)
        return best;
    for (int i = 0; i < count; ++i) {
        int64_t at = valid[i] ? localSeconds(local[i]) : INT64_MAX;
        if (at - first <= CLOCKS_CHANGE_AT_MOST && at > last) {
            last = at;
            lastEntry = i;
        }
    }
    uint64_t firstUtc, lastUtc;
    bool noChange = targetToUtc(&local[firstEntry], &firstUtc) &&
                    targetToUtc(&local[lastEntry], &lastUtc) &&
                    lastUtc - firstUtc == (uint64_t)(last - first) * ONE_SECOND;
    for (int i = 0; i < count; ++i) {
        uint64_t due;
        int64_t at = valid[i] ? localSeconds(local[i]) : INT64_MAX;
        if (at - first > CLOCKS_CHANGE_AT_MOST || (noChange && at != first) ||
            !computeDueTime(now, local[i], nowToUtc, targetToUtc, &due) || (best.entry >= 0 && due > best.due))
            continue;
        if (best.entry >= 0 && due == best.due) {
            best.sameMoment |= 1u << i;
            continue;
        }
        best.entry = i;
        best.sameMoment = 1u << i;
        best.local = local[i];
        best.due = due;
    }
    return best;
}

DueEntry nextEveningDue(const CalendarTime& now, const EveningEntry* entries, int count, const CalendarTime* spentNight,
                        bool runOnceSpent, LocalToUtc nowToUtc, LocalToUtc targetToUtc)
{
    CalendarTime local[MAX_ENTRIES];
    bool valid[MAX_ENTRIES] = {};
    count = count < MAX_ENTRIES ? count : MAX_ENTRIES;
    for (int i = 0; i < count && !runOnceSpent; ++i) {
        const EveningEntry& entry = entries[i];
        // A night spent holds every evening of it: one after midnight falls
        // on the day after that night.
        CalendarTime spentDay;
        if (spentNight)
            spentDay = entry.hour < 12 ? nextDay(*spentNight) : *spentNight;
        local[i] = nextListedDay(now, spentNight ? &spentDay : NULL, entry.hour, entry.minute, 0, entry.days);
        valid[i] = isTimeOfDay(entry.hour, entry.minute, 0);
    }
    return earliest(now, local, valid, count, nowToUtc, targetToUtc);
}

DueEntry nextMorningDue(const CalendarTime& now, const MorningEntry* entries, int count, const CalendarTime* spent,
                        uint32_t spentKnown, LocalToUtc nowToUtc, LocalToUtc targetToUtc)
{
    CalendarTime local[MAX_ENTRIES];
    bool valid[MAX_ENTRIES] = {};
    count = count < MAX_ENTRIES ? count : MAX_ENTRIES;
    for (int i = 0; i < count; ++i) {
        const MorningEntry& entry = entries[i];
        valid[i] = entry.on && isTimeOfDay(entry.hour, entry.minute, 0);
        if (valid[i])
            local[i] = nextMorning(now, spentKnown & (1u << i) ? &spent[i] : NULL, entry.hour, entry.minute, entry.days);
    }
    return earliest(now, local, valid, count, nowToUtc, targetToUtc);
}

void spendMornings(const DueEntry& due, CalendarTime* spent, uint32_t* spentKnown)
{
    for (int i = 0; i < MAX_ENTRIES; ++i) {
        if (due.sameMoment & (1u << i)) {
            spent[i] = due.local;
            *spentKnown |= 1u << i;
        }
    }
}

// A week of every morning: a clock set years ahead while the player runs
// ends the walk there, the morning it stops at long missed, and the worker
// arms the next one from the clock.
static const int MORNINGS_WALKED_AT_MOST = MAX_ENTRIES * 7 + 1;

// From the armed morning on, one moment after another until the next one is
// still to come: as many steps as the computer slept through mornings.
DueEntry latestMorningDue(const DueEntry& armed, uint64_t nowUtc, const MorningEntry* entries, int count,
                          CalendarTime* spent, uint32_t* spentKnown, LocalToUtc toUtc)
{
    DueEntry latest = armed;
    for (int steps = 0; latest.entry >= 0 && steps < MORNINGS_WALKED_AT_MOST; ++steps) {
        spendMornings(latest, spent, spentKnown);
        DueEntry after = nextMorningDue(latest.local, entries, count, spent, *spentKnown, toUtc, toUtc);
        if (after.entry < 0 || after.due > nowUtc)
            break;
        latest = after;
    }
    return latest;
}
