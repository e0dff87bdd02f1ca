// How values read from the settings file become plugin state.
#ifndef NIGHTFOLD_SETTINGS_RULES_H
#define NIGHTFOLD_SETTINGS_RULES_H

#include <stdint.h>

#include "actions.h"

// A stored flag: any non-zero value is true. Returns 0 or 1.
int storedFlag(uint32_t value);

// A stored hour or minute keeps only its low 16 bits.
uint16_t storedTimeField(uint32_t value);

// Whether the stored action's validity depends on the power status.
bool actionNeedsPowerStatus(uint32_t stored);

// The stored action as loaded: 1012, 1013 and 1018 stay; 1015 stays only
// with power management available; anything else is no action.
EndAction validateStoredAction(uint32_t stored, bool powerAvailable);

#endif
