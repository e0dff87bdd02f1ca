// Shutting down, rebooting, hibernating or entering standby once the player
// has quit.
#include "power.h"

#include "../core/state.h"
#include "../core/words.h"
#include "../logic/action_rules.h"

typedef BOOLEAN(WINAPI* HibernateQuery)(void);
typedef BOOL(WINAPI* PowerStateRequest)(BOOL, BOOL);

// On the NT family: enables SeShutdownPrivilege in the process token. On
// failure GetLastError tells why.
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
    DWORD error = GetLastError();
    CloseHandle(token);
    SetLastError(error);
    return enabled;
}

HMODULE loadSystemLibrary(const char* name)
{
    char path[MAX_PATH];
    if (!appendToSystemDirectory(path, GetSystemDirectoryA(path, sizeof path), sizeof path, name))
        return NULL;
    return LoadLibraryA(path);
}

// Hibernates when the power library says the system may, else enters
// standby; without SetSystemPowerState (NT 4.0) as if the system refused.
static BOOL enterPowerState(void)
{
    HMODULE library = loadSystemLibrary("POWRPROF.DLL");
    HibernateQuery hibernateAllowed =
        library ? (HibernateQuery)(void*)GetProcAddress(library, "IsPwrHibernateAllowed") : NULL;
    bool standby = chooseStandby(hibernateAllowed != NULL, hibernateAllowed ? hibernateAllowed() : 0);
    PowerStateRequest request = (PowerStateRequest)(void*)g_state.setSystemPowerState;
    BOOL ok = request && request(standby, TRUE);
    if (library)
        FreeLibrary(library);
    if (!ok)
        showMessage(T_STANDBY_FAILED, T_STANDBY_FAILED_TITLE, MB_ICONERROR);
    return ok;
}

// A shutdown or restart that did not happen is told, with the system's
// reason: else the user finds the computer still on in the morning.
static void reportExitFailure(EndAction action, DWORD error)
{
    if (action == ACTION_REBOOT)
        showFailure(T_RESTART_FAILED, error, T_RESTART_FAILED_TITLE, MB_ICONERROR);
    else
        showFailure(T_SHUTDOWN_FAILED, error, T_SHUTDOWN_FAILED_TITLE, MB_ICONERROR);
}

int runEndAction(EndAction action, BOOL force)
{
    if (!enableShutdownPrivilege()) {
        if (isPowerStateAction(action))
            showMessage(T_STANDBY_FAILED, T_STANDBY_FAILED_TITLE, MB_ICONERROR);
        else
            reportExitFailure(action, GetLastError());
        return 0;
    }
    if (isPowerStateAction(action))
        return enterPowerState();
    BOOL ok = ExitWindowsEx(exitWindowsFlags(action, force), SHUTDOWN_REASON_PLANNED);
    if (!ok)
        reportExitFailure(action, GetLastError());
    return ok;
}
