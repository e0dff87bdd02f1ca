// How an end action becomes a platform request. Pure logic: the platform's
// answers come in as inputs.
#ifndef NIGHTFOLD_ACTION_RULES_H
#define NIGHTFOLD_ACTION_RULES_H

#include <stddef.h>
#include <stdint.h>

#include "actions.h"

// SHTDN_REASON_FLAG_PLANNED alone.
#define SHUTDOWN_REASON_PLANNED 0x80000000u

// Whether the action is carried out by SetSystemPowerState (hibernate or
// standby) rather than by ExitWindowsEx.
bool isPowerStateAction(EndAction action);

// ExitWindowsEx flags: reboot for ACTION_REBOOT, shutdown with power-off
// for any other action, plus force when asked.
uint32_t exitWindowsFlags(EndAction action, bool force);

// SetSystemPowerState's first argument: true (standby) unless the power
// library's IsPwrHibernateAllowed was found and its one-byte BOOLEAN result
// is non-zero (hibernate).
bool chooseStandby(bool hibernateQueryFound, unsigned char hibernateAllowed);

// Appends "\<name>" to the system directory held in dir, whose length as
// GetSystemDirectoryA reported it is dirLength (0 on failure, the size
// needed when it did not fit). False, dir unusable, when the directory is
// unknown or the full path would not fit in size bytes.
bool appendToSystemDirectory(char* dir, unsigned dirLength, size_t size, const char* name);

#endif
