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

// Keeps candidate where it is due earlier than the best so far; notes an
// entry due at the same moment.
static void consider(DueEntry* best, int entry, const CalendarTime& local, uint64_t due)
{
    if (best->entry >= 0 && due == best->due) {
        best->sameMoment |= 1u << entry;
        return;
    }
    if (best->entry >= 0 && due > best->due)
        return;
    best->entry = entry;
    best->sameMoment = 1u << entry;
    best->local = local;
    best->due = due;
}

static DueEntry noEntry(void)
{
    DueEntry none = {};
    none.entry = -1;
    return none;
}

DueEntry nextEveningDue(const CalendarTime& now, const EveningEntry* entries, int count, const CalendarTime* spentNight,
                        bool runOnceSpent, LocalToUtc nowToUtc, LocalToUtc targetToUtc)
{
    DueEntry best = noEntry();
    for (int i = 0; i < count && !runOnceSpent; ++i) {
        const EveningEntry& entry = entries[i];
        // A night spent holds every evening of it: one after midnight falls
        // on the day after that night.
        CalendarTime spentDay;
        if (spentNight)
            spentDay = entry.hour < 12 ? nextDay(*spentNight) : *spentNight;
        CalendarTime local = nextListedDay(now, spentNight ? &spentDay : NULL, entry.hour, entry.minute, 0, entry.days);
        uint64_t due;
        if (computeDueTime(now, local, nowToUtc, targetToUtc, &due))
            consider(&best, i, local, due);
    }
    return best;
}

DueEntry nextMorningDue(const CalendarTime& now, const MorningEntry* entries, int count, const CalendarTime* spent,
                        uint32_t spentKnown, LocalToUtc nowToUtc, LocalToUtc targetToUtc)
{
    DueEntry best = noEntry();
    for (int i = 0; i < count; ++i) {
        const MorningEntry& entry = entries[i];
        if (!entry.on || !isTimeOfDay(entry.hour, entry.minute, 0))
            continue;
        CalendarTime local =
            nextMorning(now, spentKnown & (1u << i) ? &spent[i] : NULL, entry.hour, entry.minute, entry.days);
        uint64_t due;
        if (computeDueTime(now, local, nowToUtc, targetToUtc, &due))
            consider(&best, i, local, due);
    }
    return best;
}
