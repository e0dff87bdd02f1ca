// The morning worker: keeps a waitable timer of its own armed for the next
// morning, with the resume flag so that Windows wakes the computer for it,
// and carries the morning out: the music, its fade-in, the notice, the
// computer kept awake meanwhile.
#ifndef NIGHTFOLD_WAKEUP_H
#define NIGHTFOLD_WAKEUP_H

#include <windows.h>

#include "duetime.h"

// On the player's thread: stops the morning worker, if any, and starts a
// new one when the morning is on (after init, after the settings changed).
void rearmMorning(void);
// On the player's thread: stops the morning worker and waits for it; a
// fade-in cut short gives the player its volume back.
void stopMorning(void);
// The next morning armed, in local time; false when none is.
bool readMorning(CalendarTime* local);

#endif
