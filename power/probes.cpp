// Whether this process may shut the system down, and whether the platform
// reports a power status.
#include "power.h"

#include "../core/state.h"

bool isNtFamily(void)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

static bool listHoldsPrivilege(const TOKEN_PRIVILEGES* list, LUID id)
{
    for (DWORD i = 0; i < list->PrivilegeCount; ++i) {
        const LUID& entry = list->Privileges[i].Luid;
        if (entry.LowPart == id.LowPart && entry.HighPart == id.HighPart)
            return true;
    }
    return false;
}

// Whether the token's privilege list holds the privilege at all, enabled
// or not.
static bool tokenHoldsPrivilege(HANDLE token, LUID id)
{
    DWORD needed = 0;
    GetTokenInformation(token, TokenPrivileges, NULL, 0, &needed);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    HANDLE heap = GetProcessHeap();
    TOKEN_PRIVILEGES* list = (TOKEN_PRIVILEGES*)HeapAlloc(heap, HEAP_ZERO_MEMORY, needed);
    if (!list)
        return false;
    bool held = GetTokenInformation(token, TokenPrivileges, list, needed, &needed) &&
                listHoldsPrivilege(list, id);
    HeapFree(heap, 0, list);
    return held;
}

BOOL probeShutdownRight(void)
{
    if (!isNtFamily())
        return TRUE;
    LUID id;
    if (!LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &id))
        return FALSE;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return FALSE;
    bool held = tokenHoldsPrivilege(token, id);
    CloseHandle(token);
    return held;
}

typedef BOOL(WINAPI* PowerStatusQuery)(LPSYSTEM_POWER_STATUS);

// NT 4.0 has no power status, and no power management.
BOOL powerManagementAvailable(void)
{
    PowerStatusQuery query = (PowerStatusQuery)(void*)g_state.getSystemPowerStatus;
    SYSTEM_POWER_STATUS status;
    return query && query(&status);
}
