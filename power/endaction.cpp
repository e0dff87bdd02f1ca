// Shutting down, rebooting, hibernating or entering standby once the player
// has quit.
#include "power.h"

BOOL enableShutdownPrivilege(void)
{
    return FALSE;
}

int runEndAction(EndAction, BOOL)
{
    return 0;
}
