// The module's export, its entry point and the player's three callbacks.
#include "plugin.h"

#include "paths.h"
#include "../power/power.h"

PluginHeader g_header = {
    PLUGIN_HEADER_VERSION, NULL, pluginInit, pluginConfig, pluginQuit, NULL, NULL,
};

// Every field starts zero, empty or false, except the action.
PluginState g_state = { .action = ACTION_NONE };

extern "C" BOOL WINAPI DllEntryPoint(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

extern "C" PluginHeader* winampGetGeneralPurposePlugin(void)
{
    return &g_header;
}

// Reads the module's full path into path (MAX_PATH bytes). Fails when the
// name cannot be had or would not fit whole.
static bool readModulePath(HINSTANCE instance, char* path)
{
    char buffer[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(instance, buffer, sizeof buffer);
    if (length == 0 || length >= MAX_PATH)
        return false;
    buffer[length] = '\0';
    return copyBounded(buffer, path, MAX_PATH);
}

// Derives the timer name, the description and the settings path from the
// module's file name. Without a usable name the names stay empty and the
// settings are neither read nor written.
static void deriveNames(void)
{
    char path[MAX_PATH];
    const char* baseName = "";
    if (readModulePath(g_header.instance, path)) {
        baseName = findBaseName(path);
        copyBounded(baseName, g_state.timerName, sizeof g_state.timerName);
        deriveIniPath(path, g_state.iniPath, sizeof g_state.iniPath);
    }
    formatDescription(baseName, g_state.description, sizeof g_state.description);
    g_header.description = g_state.description;
}

// Set while the worker stands where it may be terminated: waiting for its
// due time or for the player to take the exit command. A thread terminated
// anywhere else may be holding a lock of the platform's for good: the
// loader's while it starts or ends, the time-zone code's while it reads the
// clock, the window manager's while it opens a message box. Every thread
// the player starts after that, and every library it loads or frees, would
// hang.
static HANDLE s_workerSettled;

// A worker takes a few milliseconds from its start to its wait; one showing
// its failure message is let go after this long.
static const DWORD SETTLE_TIMEOUT_MS = 1000;

void markWorkerSettled(BOOL settled)
{
    if (!s_workerSettled)
        return;
    if (settled)
        SetEvent(s_workerSettled);
    else
        ResetEvent(s_workerSettled);
}

// A terminated thread's stack stays reserved until the process ends (on
// the NT family up to XP, and under Wine), so each replaced worker would
// keep the player's default reservation, a megabyte or more: a few hundred
// confirmed dialogs would fill the address space and no thread could start.
// The worker needs little; the 9x family takes no reservation size.
static const SIZE_T WORKER_STACK_RESERVE = 256 * 1024;

void startAlarmWorker(void)
{
    if (!s_workerSettled)
        s_workerSettled = CreateEventA(NULL, TRUE, FALSE, NULL);
    markWorkerSettled(FALSE);
    if (isNtFamily())
        g_state.workerThread = CreateThread(NULL, WORKER_STACK_RESERVE, alarmWorker, NULL,
                                            STACK_SIZE_PARAM_IS_A_RESERVATION, &g_state.workerThreadId);
    else
        g_state.workerThread = CreateThread(NULL, 0, alarmWorker, NULL, 0, &g_state.workerThreadId);
}

void terminateAlarmWorker(void)
{
    if (!g_state.workerThread)
        return;
    // Until the worker has settled or ended; without the event as before.
    if (s_workerSettled) {
        HANDLE settledOrEnded[2] = { s_workerSettled, g_state.workerThread };
        WaitForMultipleObjects(2, settledOrEnded, FALSE, SETTLE_TIMEOUT_MS);
    }
    TerminateThread(g_state.workerThread, 0);
}

// Every function the plugin calls that some supported Windows lacks; the
// DLL does not import them, so that it loads everywhere. Looked up on the
// player's thread: a worker terminated early could otherwise hold the
// loader's lock.
static const struct {
    const char* name;
    FARPROC* address;
} LATE_IMPORTS[] = {
    { "GetSystemPowerStatus", &g_state.getSystemPowerStatus },
    { "SetSystemPowerState", &g_state.setSystemPowerState },
    { "TzSpecificLocalTimeToSystemTime", &g_state.zoneLocalToUtc },
};

static void resolveLateImports(void)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    for (const auto& import : LATE_IMPORTS)
        *import.address = kernel ? GetProcAddress(kernel, import.name) : NULL;
}

int pluginInit(void)
{
    deriveNames();
    resolveLateImports();
    g_state.canShutdown = probeShutdownRight();
    loadSettings(g_state.iniPath);
    if (g_state.enabled)
        startAlarmWorker();
    else
        g_state.workerThread = NULL;
    return 0;
}

void pluginConfig(void)
{
    if (runConfigDialog() != IDOK)
        return;
    loadSettings(g_state.iniPath);
    terminateAlarmWorker();
    if (g_state.enabled) {
        startAlarmWorker();
    } else {
        g_state.workerThread = NULL;
        g_state.runOnce = FALSE;
    }
}

void pluginQuit(void)
{
    terminateAlarmWorker();
    if (g_state.fired && g_state.action != ACTION_NONE)
        runEndAction(g_state.action, g_state.forceAppsToClose);
}
