// Whether this computer can be woken for the morning.
#include "power.h"

#include "../core/morning.h"

int readWakeLimit(void)
{
    return WAKE_ALLOWED;
}
