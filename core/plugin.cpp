// The module's export, its entry point and the player's three callbacks:
// the top of the plugin, which nothing else includes.
#include "../dialog/dialog.h"
#include "../dialog/menu.h"
#include "../logic/paths.h"
#include "../power/power.h"
#include "evening_worker.h"
#include "morning_worker.h"
#include "player.h"
#include "settings.h"
#include "state.h"
#include "words.h"

// The record the player reads and fills; its layout is the player's.
struct PluginHeader {
    int version;
    const char* description;
    int (*init)(void);
    void (*config)(void);
    void (*quit)(void);
    HWND hostWindow;       // written by the player before init
    HINSTANCE instance;    // written by the player before init
};

static int pluginInit(void);
static void pluginConfig(void);
static void pluginQuit(void);

static PluginHeader g_header = {
    16, NULL, pluginInit, pluginConfig, pluginQuit, NULL, NULL,
};

extern "C" BOOL WINAPI DllEntryPoint(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

extern "C" PluginHeader* winampGetGeneralPurposePlugin(void)
{
    return &g_header;
}

// Derives the timer name, the description and the settings path from the
// module's file name. Without a usable name the names stay empty and the
// settings are neither read nor written.
static void deriveNames(void)
{
    char path[MAX_PATH];
    const char* baseName = "";
    if (readModulePath(g_state.instance, path)) {
        baseName = findBaseName(path, isAnsiLeadByte);
        copyBounded(baseName, g_state.timerName, sizeof g_state.timerName);
        deriveIniPath(path, g_state.besideFile.path, sizeof g_state.besideFile.path);
    }
    formatDescription(baseName, g_state.description, sizeof g_state.description);
    g_header.description = g_state.description;
}

// Every function the plugin calls that some supported Windows lacks; the
// DLL does not import them, so that it loads everywhere. Looked up once, by
// init on the player's thread, before any worker starts.
static const struct {
    const char* module;
    const char* name;
    FARPROC* address;
} LATE_IMPORTS[] = {
    { "KERNEL32.DLL", "GetSystemPowerStatus", &g_state.getSystemPowerStatus },
    { "KERNEL32.DLL", "SetSystemPowerState", &g_state.setSystemPowerState },
    { "KERNEL32.DLL", "TzSpecificLocalTimeToSystemTime", &g_state.zoneLocalToUtc },
    { "KERNEL32.DLL", "SetThreadExecutionState", &g_state.setThreadExecutionState },
    { "USER32.DLL", "GetLastInputInfo", &g_state.getLastInputInfo },
};

static void resolveLateImports(void)
{
    for (const auto& import : LATE_IMPORTS) {
        HMODULE module = GetModuleHandleA(import.module);
        *import.address = module ? GetProcAddress(module, import.name) : NULL;
    }
}

static int pluginInit(void)
{
    g_state.hostWindow = g_header.hostWindow;
    g_state.instance = g_header.instance;
    deriveNames();
    resolveLateImports();
    g_state.canShutdown = probeShutdownRight();
    chooseSettingsFile(readPlayerFolder(false), readPlayerFolder(true));
    loadSettings();
    char language[LANGUAGE_KEY_SIZE], pack[20];
    readLanguageKey(language);
    chooseWords(language, readPlayerLanguage(pack, sizeof pack) ? pack : NULL);
    // The player left during a fade and may have kept the faded volume: it
    // gets the volume the fade began at.
    int volume = readFadeFrom();
    if (volume >= 0) {
        setPlayerVolume(volume);
        forgetFadeFrom();
    }
    if (g_state.enabled)
        startAlarmWorker();
    else
        g_state.workerThread = NULL;
    rearmMorning();
    installMenu(pluginConfig);
    return 0;
}

// The warning's text made from its values and shown. Never inlined into
// its caller: each frame stays within 3 KiB (the plugin has no stack
// probes, see cmake/plugin.cmake).
static __attribute__((noinline)) void showNotSaved(TextId id, const WCHAR* const* values, unsigned count)
{
    WCHAR text[WORDS_SIZE * 4], title[32];
    widenAnsi(PRODUCT_TEXT, title, 32);
    sayLongText(id, values, count, text, WORDS_SIZE * 4);
    showWords(readOwnerWindow(), text, title, MB_ICONWARNING);
}

// Shows the warning that the settings could not be saved, naming each file
// the save tried (the one read, then the one in the player's folder where it
// turned there) with the reason it failed.
static void warnNotSaved(const SaveTried& tried)
{
    WCHAR paths[2][MAX_PATH], reasons[2][WORDS_SIZE];
    for (int i = 0; i < tried.count; ++i) {
        const SettingsFile* file = tried.files[i];
        widenAnsi(file->path, paths[i], MAX_PATH);
        for (int at = 0; file->widePath[0] && at < MAX_PATH; ++at)
            paths[i][at] = file->widePath[at];
        sayReason(tried.errors[i], reasons[i], WORDS_SIZE);
    }
    if (tried.count > 1) {
        const WCHAR* values[] = { paths[0], paths[1], reasons[0], reasons[1] };
        showNotSaved(T_NOT_SAVED_EITHER, values, 4);
    } else {
        const WCHAR* values[] = { paths[0], reasons[0] };
        showNotSaved(T_NOT_SAVED, values, 2);
    }
}

static void pluginConfig(void)
{
    // One dialog at a time; the record, a few KiB with every entry, is kept
    // out of the thread's frame.
    static ConfigValues values;
    const EveningEntry& evening = g_state.evenings[0];
    const MorningEntry& morning = g_state.mornings[0];
    ZeroMemory(&values, sizeof values);
    values.enabled = g_state.enabled;
    values.runOnce = g_state.runOnce;
    values.action = evening.action;
    values.force = g_state.forceAppsToClose;
    values.use24Hour = g_state.use24Hour;
    values.hour = evening.hour;
    values.minute = evening.minute;
    values.canShutdown = g_state.canShutdown;
    values.fadeMinutes = g_state.fadeMinutes;
    values.finishSong = g_state.finishSong;
    values.notice = g_state.notice;
    values.idleMinutes = g_state.idleMinutes;
    values.days = evening.days;
    values.morning = morning.on;
    values.morningHour = morning.hour;
    values.morningMinute = morning.minute;
    values.morningDays = morning.days;
    values.morningFadeMinutes = morning.fadeMinutes;
    values.wakeLimit = readWakeLimit();
    values.morningVolume = morning.volume;
    values.morningNotArmed = morningNotArmed();
    values.eveningCount = g_state.eveningCount;
    values.morningCount = g_state.morningCount;
    copyBounded(morning.play, values.morningPlay, sizeof values.morningPlay);
    for (int i = 0; i < MAX_ENTRIES; ++i) {
        values.evenings[i] = g_state.evenings[i];
        values.mornings[i] = g_state.mornings[i];
    }
    if (runConfigDialog(g_state.instance, &values) != IDOK)
        return;
    // The workers read the entries: they stop before the new ones are
    // loaded, and start again after.
    stopAlarmWorker();
    stopMorning();
    g_state.runOnce = values.runOnce;
    // Saved: read back, so the file stays what counts. Not saved: the same
    // values, through the same rules, for this run of the player.
    SaveTried tried;
    BOOL saved = saveSettings(values, &tried);
    if (saved)
        loadSettings();
    else
        applySettings(values);
    // As chosen: a new worker that fails to arm clears enabled too, at a
    // moment of its own, and must not take back an end action already due.
    bool disabled = !g_state.enabled;
    rearmAlarm();
    rearmMorning();
    if (disabled) {
        g_state.runOnce = FALSE;
        // Disabled: an alarm that has fired ends nothing at quit.
        g_state.fired = FALSE;
    }
    if (!saved)
        warnNotSaved(tried);
}

static void pluginQuit(void)
{
    removeMenu();
    stopAlarmWorker();
    stopMorning();
    if (g_state.fired && g_state.action != ACTION_NONE)
        runEndAction(g_state.action, g_state.forceAppsToClose);
}
