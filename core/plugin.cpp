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

int pluginInit(void)
{
    deriveNames();
    lookUpZoneConversion();
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
    stopAlarmWorker();
    if (g_state.enabled) {
        startAlarmWorker();
    } else {
        g_state.workerThread = NULL;
        g_state.runOnce = FALSE;
    }
}

void pluginQuit(void)
{
    stopAlarmWorker();
    if (g_state.fired && g_state.action != ACTION_NONE)
        runEndAction(g_state.action, g_state.forceAppsToClose);
}
