// The settings file: section "Nightfold" of an INI file beside the module.
#include "settings.h"

#include "paths.h"
#include "settings_rules.h"
#include "state.h"
#include "../dialog/dialog.h"
#include "../power/power.h"

static_assert(MORNING_PLAY_SIZE == MAX_PATH, "MorningPlay is read into MAX_PATH bytes");

static const char SECTION[] = "Nightfold";
static const char FADE_FROM[] = "FadeFrom";
static const char LANGUAGE[] = "Language";

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
    g_state.fadeMinutes = loaded.fadeMinutes;
    g_state.finishSong = loaded.finishSong;
    g_state.notice = loaded.notice;
    g_state.days = loaded.days;
    g_state.morning = loaded.morning;
    g_state.morningHour = loaded.morningHour;
    g_state.morningMinute = loaded.morningMinute;
    g_state.morningDays = loaded.morningDays;
    g_state.morningFadeMinutes = loaded.morningFadeMinutes;
    g_state.morningVolume = loaded.morningVolume;
    copyBounded(loaded.morningPlay, g_state.morningPlay, sizeof g_state.morningPlay);
}

void loadSettings(const char* path)
{
    // Without a settings path (the module's name could not be had) nothing
    // is read: every value is its default.
    StoredSettings stored = { 0, 0, ACTION_NONE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, NULL };
    char play[MAX_PATH];
    if (path[0]) {
        stored.enabled = readInt(path, "Enabled", 0);
        stored.use24Hour = readInt(path, "24HourDisplay", 0);
        if (g_state.canShutdown)
            stored.action = readInt(path, "Shutdown", ACTION_NONE);
        stored.force = readInt(path, "ForceAppsToClose", 0);
        stored.hour = readInt(path, "Hour", 0);
        stored.minute = readInt(path, "Minute", 0);
        stored.fadeMinutes = readInt(path, "FadeMinutes", 0);
        stored.finishSong = readInt(path, "FinishSong", 0);
        stored.notice = readInt(path, "Notice", 0);
        stored.morning = readInt(path, "Morning", 0);
        stored.morningHour = readInt(path, "MorningHour", 0);
        stored.morningMinute = readInt(path, "MorningMinute", 0);
        stored.morningDays = readInt(path, "MorningDays", 0);
        stored.morningFadeMinutes = readInt(path, "MorningFadeMinutes", 0);
        stored.morningVolume = readInt(path, "MorningVolume", 0);
        GetPrivateProfileStringA(SECTION, "MorningPlay", "", play, sizeof play, path);
        stored.morningPlay = play;
        stored.days = readInt(path, "Days", 0);
    }
    storeLoaded(stored);
}

// Appends "key=value" and its NUL to a section's text at end; returns the
// new end.
static char* appendText(char* end, const char* key, const char* value)
{
    return end + wsprintfA(end, "%s=%s", key, value) + 1;
}

static char* appendNumber(char* end, const char* key, int value)
{
    return end + wsprintfA(end, "%s=%d", key, value) + 1;
}

BOOL saveSettings(const char* path, const ConfigValues& chosen)
{
    // No settings path: the module's path, or the one derived from it, did
    // not fit in MAX_PATH.
    if (!path[0]) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    // The whole section in one write, which lands whole or not at all: a
    // save that fails leaves the file as it was, never the new Enabled
    // beside an old time. Keys the section held that are not written here
    // go, except a fade's volume that is still to be given back.
    // The keys and values come to 568 bytes at most, and the language.
    char section[576 + sizeof LANGUAGE + LANGUAGE_KEY_SIZE];
    char* end = section;
    end = appendNumber(end, "Enabled", chosen.enabledForGood ? 1 : 0);
    end = appendNumber(end, "Shutdown", chosen.action);
    end = appendNumber(end, "ForceAppsToClose", chosen.force ? 1 : 0);
    end = appendNumber(end, "24HourDisplay", chosen.use24Hour ? 1 : 0);
    end = appendNumber(end, "Hour", (int)chosen.hour);
    end = appendText(end, "Minute", chosen.minuteText);
    end = appendNumber(end, "FadeMinutes", (int)chosen.fadeMinutes);
    end = appendNumber(end, "FinishSong", chosen.finishSong ? 1 : 0);
    end = appendNumber(end, "Notice", chosen.notice ? 1 : 0);
    end = appendNumber(end, "Morning", chosen.morning ? 1 : 0);
    end = appendNumber(end, "MorningHour", (int)chosen.morningHour);
    end = appendText(end, "MorningMinute", chosen.morningMinuteText);
    end = appendNumber(end, "MorningDays", (int)chosen.morningDays);
    end = appendNumber(end, "MorningFadeMinutes", (int)chosen.morningFadeMinutes);
    end = appendNumber(end, "MorningVolume", (int)chosen.morningVolume);
    end = appendText(end, "MorningPlay", chosen.morningPlay);
    // Last of the settings: a file written before it was reads as every day.
    end = appendNumber(end, "Days", (int)chosen.days);
    int volume = readFadeFrom(path);
    if (volume >= 0)
        end = appendNumber(end, FADE_FROM, volume);
    // The language, written by hand only, stays as it is.
    char language[LANGUAGE_KEY_SIZE];
    readLanguageKey(path, language);
    if (language[0])
        end = appendText(end, LANGUAGE, language);
    *end = '\0';
    return WritePrivateProfileSectionA(SECTION, section, path);
}

void applySettings(const ConfigValues& chosen)
{
    StoredSettings stored = {
        (uint32_t)chosen.enabledForGood, (uint32_t)chosen.use24Hour, (uint32_t)chosen.action,
        (uint32_t)chosen.force,          chosen.hour,                storedMinuteOf(chosen.minuteText),
        chosen.fadeMinutes,              (uint32_t)chosen.finishSong, (uint32_t)chosen.notice,
        (uint32_t)chosen.morning,        chosen.morningHour,          storedMinuteOf(chosen.morningMinuteText),
        chosen.morningDays,              chosen.morningFadeMinutes,  chosen.morningVolume,
        chosen.morningPlay,              chosen.days,
    };
    storeLoaded(stored);
}

void rememberFadeFrom(const char* path, int volume)
{
    char text[12];
    wsprintfA(text, "%d", volume);
    // A file that cannot be written does not stop the fade.
    if (path[0])
        WritePrivateProfileStringA(SECTION, FADE_FROM, text, path);
}

void forgetFadeFrom(const char* path)
{
    if (path[0])
        WritePrivateProfileStringA(SECTION, FADE_FROM, NULL, path);
}

int readFadeFrom(const char* path)
{
    if (!path[0])
        return -1;
    UINT value = GetPrivateProfileIntA(SECTION, FADE_FROM, -1, path);
    return value <= 255 ? (int)value : -1;
}

void readLanguageKey(const char* path, char* language)
{
    language[0] = '\0';
    if (path[0])
        GetPrivateProfileStringA(SECTION, LANGUAGE, "", language, LANGUAGE_KEY_SIZE, path);
}
