// How an end action becomes the platform's flags and calls.
#include "action_rules.h"

enum { EWX_SHUTDOWN_FLAG = 1, EWX_REBOOT_FLAG = 2, EWX_FORCE_FLAG = 4, EWX_POWEROFF_FLAG = 8 };

bool isPowerStateAction(EndAction action)
{
    return action == ACTION_STANDBY;
}

uint32_t exitWindowsFlags(EndAction action, bool force)
{
    // Shutdown alone stops where it is safe to switch off; power-off also
    // switches off where the machine can.
    uint32_t flags = action == ACTION_REBOOT ? EWX_REBOOT_FLAG : EWX_SHUTDOWN_FLAG | EWX_POWEROFF_FLAG;
    return force ? flags | EWX_FORCE_FLAG : flags;
}

bool chooseStandby(bool hibernateQueryFound, unsigned char hibernateAllowed)
{
    return !hibernateQueryFound || hibernateAllowed == 0;
}

bool appendToSystemDirectory(char* dir, unsigned dirLength, size_t size, const char* name)
{
    if (dirLength == 0 || dirLength >= size)
        return false;
    size_t length = dirLength;
    if (dir[length - 1] != '\\')
        dir[length++] = '\\';
    for (;; ++name) {
        if (length >= size)
            return false;
        dir[length++] = *name;
        if (!*name)
            return true;
    }
}
