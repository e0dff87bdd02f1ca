// The morning worker, carrying out the morning's plan (logic/morning.cpp):
// keeps a waitable timer of its own armed for the next
// morning, with the resume flag so that Windows wakes the computer for it,
// and carries the morning out: the music, its fade-in, the notice, the
// computer kept awake meanwhile.
#ifndef NIGHTFOLD_MORNING_WORKER_H
#define NIGHTFOLD_MORNING_WORKER_H

#include <windows.h>

#include "../logic/duetime.h"

// On the player's thread: stops the morning worker, if any, and starts a
// new one when the morning is on (after init, after the settings changed).
void rearmMorning(void);
// On the player's thread: stops the morning worker and waits for it; a
// fade-in cut short gives the player its volume back.
void stopMorning(void);
// What the menu shows of the morning, in local time: during a snooze the
// moment the music comes back (snoozed), else the next morning armed; false
// when there is neither (a morning under way, none armed).
bool readMorning(CalendarTime* local, bool* snoozed);
// What the player's menu offers to skip: the next morning armed (skipped
// false), or the one skipped while its moment is still to come (skipped
// true); false when there is none.
bool readSkip(CalendarTime* local, bool* skipped);
// On the player's thread: skips the next morning alone, or undoes the skip
// while its moment is still to come.
void skipNextMorning(void);
// The first morning due after moment (UTC), in local time, with the days
// spent and the skip; false when no morning is on. From any thread.
bool readMorningAfter(uint64_t moment, CalendarTime* local);
// Whether the morning is on but could not be armed or waited for (the user
// was told); until the next try.
bool morningNotArmed(void);

#endif
