// When the alarm is due: the next occurrence of the set local time of day on
// the days listed, as an absolute UTC time in 100-nanosecond units
// (FILETIME), and how the menu names that day. Pure arithmetic; the
// platform's clock and time-zone conversions come in as inputs.
#ifndef NIGHTFOLD_DUETIME_H
#define NIGHTFOLD_DUETIME_H

#include <stdint.h>

// A local calendar time, laid out as the platform's SYSTEMTIME.
struct CalendarTime {
    uint16_t year;
    uint16_t month;      // 1 to 12
    uint16_t dayOfWeek;  // 0 (Sunday) to 6
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};

#define ONE_DAY 864000000000ull
#define ONE_SECOND 10000000ull

// Converts a local time to a UTC FILETIME value; false when it cannot.
typedef bool (*LocalToUtc)(const CalendarTime* local, uint64_t* utc);

// Whether hour, minute and second name a time of day.
bool isTimeOfDay(uint16_t hour, uint16_t minute, uint16_t second);

// Number of days in the month of the given year (Gregorian).
int daysInMonth(int year, int month);

// The calendar day after now's, at the same time of day.
CalendarTime nextDay(const CalendarTime& now);

// The set time of day on the day it next comes: today while it is still
// ahead of now, otherwise tomorrow; and always on a later day than an
// evening already spent (spent: its day, or NULL before the first), whatever
// the clock's milliseconds. Now's milliseconds are carried over.
CalendarTime alarmTarget(const CalendarTime& now, const CalendarTime* spent, uint16_t hour, uint16_t minute,
                         uint16_t second);

// The days an evening or a morning comes on: bit 0 Monday ... bit 6 Sunday,
// as stored under Days and MorningDays.
#define EVERY_DAY 127u
// A stored value outside 1 to 127 reads as every day.
unsigned listedDaysOf(uint32_t stored);

// The set time on the first listed day (days, as stored), by date, on which
// it is still ahead of now and later than the day spent: alarmTarget's day,
// or the first listed one after it. A set time after midnight belongs to the
// day it falls on. Its dayOfWeek is its date's.
CalendarTime nextListedDay(const CalendarTime& now, const CalendarTime* spent, uint16_t hour, uint16_t minute,
                           uint16_t second, unsigned days);

// How the menu names an evening, close its local time and closeUtc its
// moment, seen at now: tonight's while it comes later today or within 12
// hours (a set time after midnight is the night before's), else tomorrow's
// or a later day's, by its date.
enum EveningDay { EVENING_TONIGHT, EVENING_TOMORROW, EVENING_LATER };
EveningDay eveningDayOf(const CalendarTime& now, uint64_t nowUtc, const CalendarTime& close, uint64_t closeUtc);

// The due time of target, a set time that alarmTarget or nextListedDay gave
// for now. nowToUtc converts with the bias in force at this moment;
// targetToUtc with the bias in force on the target's own day (the same
// function where the platform cannot tell). False, leaving *due alone, when
// the target is no time of day or a conversion fails.
bool computeDueTime(const CalendarTime& now, const CalendarTime& target, LocalToUtc nowToUtc, LocalToUtc targetToUtc,
                    uint64_t* due);

#endif
