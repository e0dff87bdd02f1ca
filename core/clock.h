// The local clock, and local times turned into UTC FILETIME values for the
// workers' timers, across changes to and from summer time.
#ifndef NIGHTFOLD_CLOCK_H
#define NIGHTFOLD_CLOCK_H

#include <windows.h>

#include "../logic/duetime.h"

// The current moment, local and as a UTC FILETIME value.
bool readClock(CalendarTime* now, uint64_t* nowUtc);
// A UTC FILETIME value as local time, with the bias in force now.
bool toLocalTime(uint64_t utc, CalendarTime* local);
// The due time of target, a local time on a later moment than now (as
// alarmTarget or nextMorning gave it), with the bias in force on the
// target's own day.
bool dueTimeOf(const CalendarTime& now, const CalendarTime& target, uint64_t* due);
// The two conversions dueTimeOf makes, for the choice among several.
void dueConversions(LocalToUtc* nowToUtc, LocalToUtc* targetToUtc);

#endif
