#include "settings_rules.h"

int storedFlag(uint32_t value)
{
    return value != 0;
}

uint16_t storedTimeField(uint32_t value)
{
    return (uint16_t)(value & 0xFFFF);
}

bool actionNeedsPowerStatus(uint32_t stored)
{
    return stored == ACTION_STANDBY;
}

EndAction validateStoredAction(uint32_t stored, bool powerAvailable)
{
    switch (stored) {
    case ACTION_NONE:
    case ACTION_SHUTDOWN:
    case ACTION_REBOOT:
        return (EndAction)stored;
    case ACTION_STANDBY:
        return powerAvailable ? ACTION_STANDBY : ACTION_NONE;
    default:
        return ACTION_NONE;
    }
}
