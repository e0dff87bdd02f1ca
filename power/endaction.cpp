// Shutting down, rebooting, hibernating or entering standby once the player
// has quit.
#include "power.h"

#include "action_rules.h"
#include "../core/plugin.h"

typedef BOOLEAN(WINAPI* HibernateQuery)(void);
typedef BOOL(WINAPI* PowerStateRequest)(BOOL, BOOL);

// On the NT family: enables SeShutdownPrivilege in the process token.
static BOOL enableShutdownPrivilege(void)
{
    if (!isNtFamily())
        return TRUE;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return FALSE;
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    BOOL enabled = FALSE;
    if (LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        // Succeeds also when the token lacks the privilege: only the last
        // error tells.
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
        enabled = GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return enabled;
}

// Hibernates when the power library says the system may, else enters
// standby; without SetSystemPowerState (NT 4.0) as if the system refused.
// The library is loaded from the system directory only: by bare
// name the player's folder and the current directory would come first.
static BOOL enterPowerState(void)
{
    char path[MAX_PATH];
    HMODULE library = NULL;
    if (appendToSystemDirectory(path, GetSystemDirectoryA(path, sizeof path), sizeof path, "POWRPROF.DLL"))
        library = LoadLibraryA(path);
    HibernateQuery hibernateAllowed =
        library ? (HibernateQuery)(void*)GetProcAddress(library, "IsPwrHibernateAllowed") : NULL;
    bool standby = chooseStandby(hibernateAllowed != NULL, hibernateAllowed ? hibernateAllowed() : 0);
    PowerStateRequest request = (PowerStateRequest)(void*)g_state.setSystemPowerState;
    BOOL ok = request && request(standby, TRUE);
    if (library)
        FreeLibrary(library);
    if (!ok)
        MessageBoxA(NULL, "System standby failed.  Please check your Power Management settings.",
                    "Standby Failed", MB_ICONERROR);
    return ok;
}

int runEndAction(EndAction action, BOOL force)
{
    if (!enableShutdownPrivilege())
        return 0;
    if (isPowerStateAction(action))
        return enterPowerState();
    return ExitWindowsEx(exitWindowsFlags(action, force), SHUTDOWN_REASON_PLANNED);
}
