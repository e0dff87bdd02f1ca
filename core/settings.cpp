// The settings file: section "Nightfold" of an INI file beside the module.
#include "plugin.h"

#include "settings_rules.h"
#include "../power/power.h"

static const char SECTION[] = "Nightfold";

static UINT readInt(const char* path, const char* key, int fallback)
{
    return GetPrivateProfileIntA(SECTION, key, fallback, path);
}

static void storeLoaded(const StoredSettings& stored)
{
    LoadedSettings loaded =
        loadStoredSettings(stored, g_state.runOnce, g_state.canShutdown, powerManagementAvailable);
    g_state.enabled = loaded.enabled;
    g_state.use24Hour = loaded.use24Hour;
    g_state.action = loaded.action;
    g_state.forceAppsToClose = loaded.force;
    g_state.hour = loaded.hour;
    g_state.minute = loaded.minute;
    g_state.second = 0;
}

void loadSettings(const char* path)
{
    // Without a settings path (the module's name could not be had) nothing
    // is read: every value is its default.
    StoredSettings stored = { 0, 0, ACTION_NONE, 0, 0, 0 };
    if (path[0]) {
        stored.enabled = readInt(path, "Enabled", 0);
        stored.use24Hour = readInt(path, "24HourDisplay", 0);
        if (g_state.canShutdown)
            stored.action = readInt(path, "Shutdown", ACTION_NONE);
        stored.force = readInt(path, "ForceAppsToClose", 0);
        stored.hour = readInt(path, "Hour", 0);
        stored.minute = readInt(path, "Minute", 0);
    }
    storeLoaded(stored);
}

static const char* flagText(BOOL value)
{
    return value ? "1" : "0";
}

BOOL saveSettings(const char* path, BOOL enabledForGood, EndAction action, BOOL force, BOOL use24, int hour,
                  const char* minuteText)
{
    // No settings path: the module's path, or the one derived from it, did
    // not fit in MAX_PATH.
    if (!path[0]) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    static const char* const keys[] = {
        "Enabled", "Shutdown", "ForceAppsToClose", "24HourDisplay", "Hour", "Minute",
    };
    char actionText[12], hourText[12];
    wsprintfA(actionText, "%d", action);
    wsprintfA(hourText, "%d", hour);
    const char* values[] = {
        flagText(enabledForGood), actionText, flagText(force), flagText(use24), hourText, minuteText,
    };
    // Stops at the first failure, whose reason GetLastError keeps.
    for (int i = 0; i < 6; ++i) {
        if (!WritePrivateProfileStringA(SECTION, keys[i], values[i], path))
            return FALSE;
    }
    return TRUE;
}

void applySettings(BOOL enabledForGood, EndAction action, BOOL force, BOOL use24, int hour,
                   const char* minuteText)
{
    StoredSettings stored = { (uint32_t)enabledForGood, (uint32_t)use24, (uint32_t)action,
                              (uint32_t)force,          (uint32_t)hour,  storedMinuteOf(minuteText) };
    storeLoaded(stored);
}
