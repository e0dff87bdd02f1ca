// The settings file: section "Nightfold" of an INI file beside the module,
// or in the player's settings folder where that cannot be written.
#include "settings.h"

#include "../dialog/dialog.h"
#include "../logic/paths.h"
#include "../logic/settings_rules.h"
#include "../power/power.h"
#include "state.h"

static_assert(MORNING_PLAY_SIZE == MAX_PATH, "MorningPlay is read into MAX_PATH bytes");

static const char SECTION[] = "Nightfold";
static const WCHAR WIDE_SECTION[] = L"Nightfold";
static const char FADE_FROM[] = "FadeFrom";
static const char LANGUAGE[] = "Language";
// The section as text, "key=value" entries each ended by a NUL, and a NUL
// after the last (SECTION_SIZE bytes): the unnumbered keys come to 576
// bytes at most, the numbered ones after them must leave room for FadeFrom
// and the language a hand put there. Too big for a thread's frame, the
// buffers are static: one for the player's thread, which saves, and one
// for a fade's volume copied over, taken by one worker at a time.
enum { SECTION_TAIL = sizeof "FadeFrom=255" + sizeof LANGUAGE + LANGUAGE_KEY_SIZE + 1 };
static char s_saved[SECTION_SIZE];
static WCHAR s_wideSaved[SECTION_SIZE];
static char s_copied[SECTION_SIZE];
static WCHAR s_wideCopied[SECTION_SIZE];
static LONG volatile s_copying;
// The section read last, where read through the ANSI calls: the numbered
// keys are read from it, in one read of the file.
static char s_read[SECTION_SIZE * 2];

// The Unicode calls, for a path in the player's folder that the ANSI code
// page cannot hold; looked up at init (the DLL imports none, so that it
// loads on the 9x family), used on the NT family only.
static struct {
    UINT(WINAPI* readInt)(LPCWSTR, LPCWSTR, INT, LPCWSTR);
    DWORD(WINAPI* readText)(LPCWSTR, LPCWSTR, LPCWSTR, LPWSTR, DWORD, LPCWSTR);
    BOOL(WINAPI* writeSection)(LPCWSTR, LPCWSTR, LPCWSTR);
    BOOL(WINAPI* writeKey)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR);
    BOOL(WINAPI* makeFolder)(LPCWSTR, LPSECURITY_ATTRIBUTES);
    DWORD(WINAPI* attributes)(LPCWSTR);
} s_wide;

template <typename Call>
static bool lookUp(HMODULE kernel, const char* name, Call* call)
{
    *call = (Call)(void*)GetProcAddress(kernel, name);
    return *call != NULL;
}

static bool findWideCalls(void)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    return kernel && lookUp(kernel, "GetPrivateProfileIntW", &s_wide.readInt) &&
           lookUp(kernel, "GetPrivateProfileStringW", &s_wide.readText) &&
           lookUp(kernel, "WritePrivateProfileSectionW", &s_wide.writeSection) &&
           lookUp(kernel, "WritePrivateProfileStringW", &s_wide.writeKey) &&
           lookUp(kernel, "CreateDirectoryW", &s_wide.makeFolder) &&
           lookUp(kernel, "GetFileAttributesW", &s_wide.attributes);
}

// ANSI text of length characters (-1: up to its NUL, which is taken too)
// in Unicode; false when it does not fit.
static bool widen(const char* text, int length, WCHAR* out, int size)
{
    return MultiByteToWideChar(CP_ACP, 0, text, length, out, size) != 0;
}

static bool isNamed(const SettingsFile* file)
{
    return file->path[0] || file->widePath[0];
}

// The few ways in and out of a settings file, through the ANSI calls or,
// for a Unicode path, the Unicode ones. Keys are ASCII.
static UINT readInt(const SettingsFile* file, const char* key, int fallback)
{
    WCHAR wideKey[32];
    if (!file->widePath[0])
        return GetPrivateProfileIntA(SECTION, key, fallback, file->path);
    return widen(key, -1, wideKey, 32) ? s_wide.readInt(WIDE_SECTION, wideKey, fallback, file->widePath) : fallback;
}

// A text value in ANSI, as the rest of the plugin keeps it; empty when
// missing or too long.
static void readText(const SettingsFile* file, const char* key, char* out, DWORD size)
{
    WCHAR wideKey[32], text[MAX_PATH];
    if (!file->widePath[0]) {
        GetPrivateProfileStringA(SECTION, key, "", out, size, file->path);
        return;
    }
    if (!widen(key, -1, wideKey, 32) || !s_wide.readText(WIDE_SECTION, wideKey, L"", text, MAX_PATH, file->widePath) ||
        !WideCharToMultiByte(CP_ACP, 0, text, -1, out, (int)size, NULL, NULL))
        out[0] = '\0';
}

// Writes the section (length characters with its last NUL) whole, through
// wide (SECTION_SIZE characters) for a Unicode path.
static BOOL writeSection(const SettingsFile* file, const char* section, int length, WCHAR* wide)
{
    if (!file->widePath[0])
        return WritePrivateProfileSectionA(SECTION, section, file->path);
    return widen(section, length, wide, SECTION_SIZE) && s_wide.writeSection(WIDE_SECTION, wide, file->widePath);
}

// Writes a key's value; a NULL value removes the key.
static BOOL writeKey(const SettingsFile* file, const char* key, const char* value)
{
    WCHAR wideKey[32], wideValue[16];
    if (!file->widePath[0])
        return WritePrivateProfileStringA(SECTION, key, value, file->path);
    return widen(key, -1, wideKey, 32) && (!value || widen(value, -1, wideValue, 16)) &&
           s_wide.writeKey(WIDE_SECTION, wideKey, value ? wideValue : NULL, file->widePath);
}

static bool fileExists(const SettingsFile* file)
{
    DWORD attributes = file->widePath[0] ? s_wide.attributes(file->widePath) : GetFileAttributesA(file->path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

// The folder part of path, up to its last backslash, into folder; an ANSI
// path by its characters.
static const char* folderOf(const char* path, char* folder)
{
    size_t cut = (size_t)(findBaseName(path, isAnsiLeadByte) - path);
    copyBounded(path, folder, cut ? cut : 1);
    return folder;
}

static const WCHAR* folderOf(const WCHAR* path, WCHAR* folder)
{
    int cut = 0;
    for (int i = 0; path[i]; ++i) {
        folder[i] = path[i];
        if (path[i] == '\\')
            cut = i;
    }
    folder[cut] = 0;
    return folder;
}

// Makes the folder that holds the file (the player's Plugins folder) where
// it is missing; a failure shows in the write that follows.
static void makeFolder(const SettingsFile* file)
{
    char folder[MAX_PATH];
    WCHAR wideFolder[MAX_PATH];
    if (file->widePath[0])
        s_wide.makeFolder(folderOf(file->widePath, wideFolder), NULL);
    else
        CreateDirectoryA(folderOf(file->path, folder), NULL);
}

// The file in the player's folder by its Unicode answer, on the NT family
// where the player gives one; false where it cannot be had so.
static bool findWidePlayerFile(DWORD_PTR wideAnswer, const char* fileName, SettingsFile* player)
{
    WCHAR wideName[MAX_PATH];
    if (wideAnswer < 65536 || !isNtFamily() || !findWideCalls() || !widen(fileName, -1, wideName, MAX_PATH) ||
        !derivePlayerIniPath(wideAnswer, wideName, player->widePath, MAX_PATH))
        return false;
    // The ANSI path only names the file in a warning.
    if (!WideCharToMultiByte(CP_ACP, 0, player->widePath, -1, player->path, MAX_PATH, NULL, NULL))
        player->path[0] = '\0';
    return true;
}

void chooseSettingsFile(DWORD_PTR answer, DWORD_PTR wideAnswer)
{
    SettingsFile* player = &g_state.playerFile;
    player->path[0] = '\0';
    player->widePath[0] = L'\0';
    // Without a settings path beside the module there is no file name.
    const char* fileName = findBaseName(g_state.besideFile.path, isAnsiLeadByte);
    if (fileName[0] && !findWidePlayerFile(wideAnswer, fileName, player))
        derivePlayerIniPath(answer, fileName, isAnsiLeadByte, player->path, sizeof player->path);
    bool there = isNamed(player) && fileExists(player);
    g_state.settingsFile = settingsFileRead(there) == PLACE_PLAYER ? player : &g_state.besideFile;
}

// After a write into the file read, the file to write into instead: the one
// in the player's folder (its Plugins folder made) where the write failed
// and there is one to turn to; else NULL.
static SettingsFile* turnToPlayerFolder(const SettingsFile* read, BOOL written)
{
    bool fromPlayer = read == &g_state.playerFile;
    SettingsPlace place =
        settingsFileWritten(fromPlayer ? PLACE_PLAYER : PLACE_BESIDE, written != FALSE, isNamed(&g_state.playerFile));
    if (place != PLACE_PLAYER || fromPlayer)
        return NULL;
    makeFolder(&g_state.playerFile);
    return &g_state.playerFile;
}

// The entries of the chosen values, the first from its own fields.
static void storeEntries(const ConfigValues& chosen)
{
    g_state.eveningCount = chosen.eveningCount;
    g_state.morningCount = chosen.morningCount;
    for (int i = 1; i < MAX_ENTRIES; ++i) {
        g_state.evenings[i] = chosen.evenings[i];
        g_state.mornings[i] = chosen.mornings[i];
    }
}

static void storeLoaded(const StoredSettings& stored)
{
    LoadedSettings loaded =
        loadStoredSettings(stored, g_state.runOnce, g_state.canShutdown, powerManagementAvailable);
    g_state.enabled = loaded.enabled;
    g_state.use24Hour = loaded.use24Hour;
    g_state.action = loaded.action;
    g_state.forceAppsToClose = loaded.force;
    EveningEntry first = { loaded.hour, loaded.minute, loaded.days, loaded.action };
    g_state.evenings[0] = first;
    g_state.fadeMinutes = loaded.fadeMinutes;
    g_state.finishSong = loaded.finishSong;
    g_state.notice = loaded.notice;
    g_state.idleMinutes = loaded.idleMinutes;
    MorningEntry& morning = g_state.mornings[0];
    morning.on = loaded.morning;
    morning.hour = loaded.morningHour;
    morning.minute = loaded.morningMinute;
    morning.days = loaded.morningDays;
    morning.fadeMinutes = loaded.morningFadeMinutes;
    morning.volume = loaded.morningVolume;
    copyBounded(loaded.morningPlay, morning.play, sizeof morning.play);
    g_state.eveningCount = g_state.morningCount = 1;
}

// The platform's reads of a numbered entry's keys, where the file has a
// Unicode path.
static bool hasKey(const void* file, const char* key)
{
    char value[4];
    readText((const SettingsFile*)file, key, value, sizeof value);
    return value[0] != '\0';
}

static uint32_t readNumber(const void* file, const char* key)
{
    return readInt((const SettingsFile*)file, key, 0);
}

static void readTextOf(const void* file, const char* key, char* out, size_t size)
{
    readText((const SettingsFile*)file, key, out, (DWORD)size);
}

void loadSettings(void)
{
    const SettingsFile* file = g_state.settingsFile;
    // Without a settings path (the module's name could not be had) nothing
    // is read: every value is its default.
    StoredSettings stored = { 0, STORED_MISSING, ACTION_NONE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, NULL };
    char play[MAX_PATH], timeForm[4];
    stored.regional24Hour = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ITIME, timeForm, sizeof timeForm) > 0 &&
                            timeForm[0] == '1';
    if (isNamed(file)) {
        stored.enabled = readInt(file, "Enabled", 0);
        stored.use24Hour = readInt(file, "24HourDisplay", -1);
        if (g_state.canShutdown)
            stored.action = readInt(file, "Shutdown", ACTION_NONE);
        stored.force = readInt(file, "ForceAppsToClose", 0);
        stored.hour = readInt(file, "Hour", 0);
        stored.minute = readInt(file, "Minute", 0);
        stored.fadeMinutes = readInt(file, "FadeMinutes", 0);
        stored.finishSong = readInt(file, "FinishSong", 0);
        stored.notice = readInt(file, "Notice", 0);
        stored.morning = readInt(file, "Morning", 0);
        stored.morningHour = readInt(file, "MorningHour", 0);
        stored.morningMinute = readInt(file, "MorningMinute", 0);
        stored.morningDays = readInt(file, "MorningDays", 0);
        stored.morningFadeMinutes = readInt(file, "MorningFadeMinutes", 0);
        stored.morningVolume = readInt(file, "MorningVolume", 0);
        readText(file, "MorningPlay", play, sizeof play);
        stored.morningPlay = play;
        stored.days = readInt(file, "Days", 0);
        stored.idleMinutes = readInt(file, "IdleMinutes", 30);
    }
    storeLoaded(stored);
    // The numbered keys: from the whole section in one read, or key by key
    // through the Unicode calls.
    if (!isNamed(file))
        return;
    KeyReader reader = { file, hasKey, readNumber, readTextOf };
    if (!file->widePath[0]) {
        DWORD length = GetPrivateProfileSectionA(SECTION, s_read, sizeof s_read, file->path);
        s_read[length] = s_read[length + 1 < sizeof s_read ? length + 1 : length] = '\0';
        reader = sectionKeys(s_read);
    }
    loadNumberedEntries(reader, g_state.canShutdown != FALSE, powerManagementAvailable, g_state.evenings,
                        &g_state.eveningCount, g_state.mornings, &g_state.morningCount);
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

static int fadeFromIn(const SettingsFile* file)
{
    if (!isNamed(file))
        return -1;
    UINT value = readInt(file, FADE_FROM, -1);
    return value <= 255 ? (int)value : -1;
}

static void languageKeyIn(const SettingsFile* file, char* language)
{
    language[0] = '\0';
    if (isNamed(file))
        readText(file, LANGUAGE, language, LANGUAGE_KEY_SIZE);
}

BOOL saveSettings(const ConfigValues& chosen, SaveTried* tried)
{
    // The file is chosen once for the whole save: the alarm worker may turn
    // the plugin to the player's folder meanwhile (rememberFadeFrom).
    SettingsFile* file = g_state.settingsFile;
    tried->files[0] = file;
    tried->count = 1;
    // No settings path: the module's path, or the one derived from it, did
    // not fit in MAX_PATH.
    if (!isNamed(file)) {
        tried->errors[0] = ERROR_FILENAME_EXCED_RANGE;
        return FALSE;
    }
    // The whole section in one write, which lands whole or not at all: a
    // save that fails leaves the file as it was, never the new Enabled
    // beside an old time. Keys the section held that are not written here
    // go, except a fade's volume that is still to be given back.
    char* section = s_saved;
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
    end = appendNumber(end, "IdleMinutes", (int)chosen.idleMinutes);
    // Evenings and mornings 2 to 8; more than the section holds is not saved.
    end = appendNumberedKeys(end, section + SECTION_SIZE - SECTION_TAIL, chosen.evenings, chosen.eveningCount,
                             chosen.mornings, chosen.morningCount);
    if (!end) {
        tried->errors[0] = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    int volume = fadeFromIn(file);
    if (volume >= 0)
        end = appendNumber(end, FADE_FROM, volume);
    // The language, written by hand only, stays as it is.
    char language[LANGUAGE_KEY_SIZE];
    languageKeyIn(file, language);
    if (language[0])
        end = appendText(end, LANGUAGE, language);
    *end = '\0';
    int length = (int)(end - section) + 1;
    BOOL written = writeSection(file, section, length, s_wideSaved);
    tried->errors[0] = GetLastError();
    SettingsFile* player = turnToPlayerFolder(file, written);
    if (!player)
        return written;
    written = writeSection(player, section, length, s_wideSaved);
    tried->files[1] = player;
    tried->errors[1] = GetLastError();
    tried->count = 2;
    if (written)
        g_state.settingsFile = player;
    return written;
}

void applySettings(const ConfigValues& chosen)
{
    StoredSettings stored = {
        (uint32_t)chosen.enabledForGood, (uint32_t)chosen.use24Hour, (uint32_t)chosen.action,
        (uint32_t)chosen.force,          chosen.hour,                storedMinuteOf(chosen.minuteText),
        chosen.fadeMinutes,              (uint32_t)chosen.finishSong, (uint32_t)chosen.notice,
        (uint32_t)chosen.morning,        chosen.morningHour,          storedMinuteOf(chosen.morningMinuteText),
        chosen.morningDays,              chosen.morningFadeMinutes,  chosen.morningVolume,
        chosen.morningPlay,              chosen.days,                chosen.idleMinutes,
    };
    storeLoaded(stored);
    storeEntries(chosen);
}

void rememberFadeFrom(int volume)
{
    char text[12];
    wsprintfA(text, "%d", volume);
    // A file that cannot be written does not stop the fade.
    SettingsFile* file = g_state.settingsFile;
    if (!isNamed(file) || writeKey(file, FADE_FROM, text))
        return;
    // The player's folder, read from now on, takes the whole section, then
    // the volume: never the volume alone.
    if (InterlockedExchange(&s_copying, TRUE))
        return;
    SettingsFile* player = turnToPlayerFolder(file, FALSE);
    char* section = s_copied;
    DWORD length = player ? GetPrivateProfileSectionA(SECTION, section, SECTION_SIZE, g_state.besideFile.path) : 0;
    if (player && length + 2 < SECTION_SIZE) {
        section[length] = section[length + 1] = '\0';
        if (writeSection(player, section, (int)length + 2, s_wideCopied) && writeKey(player, FADE_FROM, text))
            g_state.settingsFile = player;
    }
    s_copying = FALSE;
}

void forgetFadeFrom(void)
{
    if (isNamed(g_state.settingsFile))
        writeKey(g_state.settingsFile, FADE_FROM, NULL);
}

int readFadeFrom(void)
{
    return fadeFromIn(g_state.settingsFile);
}

void readLanguageKey(char* language)
{
    languageKeyIn(g_state.settingsFile, language);
}
