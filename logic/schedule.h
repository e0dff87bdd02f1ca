// Several evenings and several mornings: each entry's time, days and own
// options, and which entry is due next by the clock. Pure logic: the
// workers read the clock once and arm the answer.
#ifndef NIGHTFOLD_SCHEDULE_H
#define NIGHTFOLD_SCHEDULE_H

#include <stdint.h>

#include "duetime.h"
#include "settings_rules.h"

// The entry due next: its index (-1 when none is), the entries due at that
// very moment (bit i for entry i, its own included), its local date and
// time, and its due time in UTC.
struct DueEntry {
    int entry;
    uint32_t sameMoment;
    CalendarTime local;
    uint64_t due;
};

// The night an evening at local belongs to: its date, or the day before
// for a time before noon (00:30 on Saturday closes Friday's night).
CalendarTime nightOf(const CalendarTime& local);

// Whether the evenings of night (a date, as nightOf gives it) are tonight's
// at now: those of the night now belongs to, or of today's, still to come.
bool isTonightsNight(const CalendarTime& now, const CalendarTime& night);

// The first evening due: of every entry, its next listed day on a night
// later than the night spent (NULL before the first), the earliest in UTC,
// the first entry on a tie. A Run Once whose evening was spent
// (runOnceSpent) has none. Converted as computeDueTime does.
DueEntry nextEveningDue(const CalendarTime& now, const EveningEntry* entries, int count, const CalendarTime* spentNight,
                        bool runOnceSpent, LocalToUtc nowToUtc, LocalToUtc targetToUtc);

// The first morning due: of every morning that is on, its next listed day
// later than its own day spent (spent[i], known where bit i of spentKnown is
// set: rung, missed or skipped), the earliest in UTC, the first entry on a
// tie.
DueEntry nextMorningDue(const CalendarTime& now, const MorningEntry* entries, int count, const CalendarTime* spent,
                        uint32_t spentKnown, LocalToUtc nowToUtc, LocalToUtc targetToUtc);

// The mornings of due are spent: each comes next on a later day than due's.
void spendMornings(const DueEntry& due, CalendarTime* spent, uint32_t* spentKnown);

// After a wake for the morning armed, at nowUtc (its moment or later: the
// computer may have slept through it), each morning whose moment has come
// since is weighed from its own moment, not the clock's: the latest of them
// sounds (armed where none came after it), and it and every one before it
// are spent. Converted with toUtc alone, the bias of each day.
DueEntry latestMorningDue(const DueEntry& armed, uint64_t nowUtc, const MorningEntry* entries, int count,
                          CalendarTime* spent, uint32_t* spentKnown, LocalToUtc toUtc);

#endif
