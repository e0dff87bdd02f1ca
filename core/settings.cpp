// The settings file: section "Nightfold" of an INI file beside the module.
#include "plugin.h"

#include "settings_rules.h"
#include "../power/power.h"

static const char SECTION[] = "Nightfold";

static UINT readInt(const char* path, const char* key, int fallback)
{
    return GetPrivateProfileIntA(SECTION, key, fallback, path);
}

static void writeFlag(const char* path, const char* key, BOOL value)
{
    WritePrivateProfileStringA(SECTION, key, value ? "1" : "0", path);
}

static void writeInt(const char* path, const char* key, int value)
{
    char text[12];
    wsprintfA(text, "%d", value);
    WritePrivateProfileStringA(SECTION, key, text, path);
}

// Without a settings path (the module's name could not be had) nothing is
// read and nothing is armed: the values the user chose cannot be known.
static void loadDefaults(void)
{
    g_state.enabled = FALSE;
    g_state.use24Hour = FALSE;
    g_state.action = ACTION_NONE;
    g_state.forceAppsToClose = FALSE;
    g_state.hour = 0;
    g_state.minute = 0;
    g_state.second = 0;
}

void loadSettings(const char* path)
{
    if (!path[0]) {
        loadDefaults();
        return;
    }
    g_state.enabled = storedFlag(readInt(path, "Enabled", 0));
    if (g_state.runOnce)
        g_state.enabled = TRUE;
    g_state.use24Hour = storedFlag(readInt(path, "24HourDisplay", 0));
    if (g_state.canShutdown) {
        UINT stored = readInt(path, "Shutdown", ACTION_NONE);
        bool power = actionNeedsPowerStatus(stored) && powerManagementAvailable();
        g_state.action = validateStoredAction(stored, power);
    } else {
        g_state.action = ACTION_NONE;
    }
    g_state.forceAppsToClose = storedFlag(readInt(path, "ForceAppsToClose", 0));
    g_state.hour = storedTimeField(readInt(path, "Hour", 0));
    g_state.minute = storedTimeField(readInt(path, "Minute", 0));
    g_state.second = 0;
}

void saveSettings(const char* path, BOOL enabledForGood, EndAction action, BOOL force,
                  BOOL use24, int hour, const char* minuteText)
{
    if (!path[0])
        return;
    writeFlag(path, "Enabled", enabledForGood);
    writeInt(path, "Shutdown", action);
    writeFlag(path, "ForceAppsToClose", force);
    writeFlag(path, "24HourDisplay", use24);
    writeInt(path, "Hour", hour);
    WritePrivateProfileStringA(SECTION, "Minute", minuteText, path);
}
