// The alarm worker: waits for the set time of day, then asks the player to
// exit.
#include "plugin.h"

DWORD WINAPI alarmWorker(LPVOID)
{
    return 0;
}
