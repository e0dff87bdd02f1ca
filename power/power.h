// Whether the process may shut the system down, whether power management is
// available, and carrying out the end action.
#ifndef NIGHTFOLD_POWER_H
#define NIGHTFOLD_POWER_H

#include <windows.h>

#include "../logic/actions.h"

// The 9x family has no tokens and no privileges.
bool isNtFamily(void);

BOOL probeShutdownRight(void);
BOOL powerManagementAvailable(void);

int runEndAction(EndAction action, BOOL force);

// A library from the system directory only: by bare name the player's
// folder and the current directory would come first. NULL where it cannot
// be loaded.
HMODULE loadSystemLibrary(const char* name);

// Why a morning would not wake this computer (WakeLimit, logic/morning.h).
int readWakeLimit(void);

#endif
