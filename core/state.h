// The plugin's one process-wide state record.
// Everything below the export (core/plugin.cpp) builds on this; nothing here
// calls back up.
#ifndef NIGHTFOLD_STATE_H
#define NIGHTFOLD_STATE_H

#include <windows.h>

#include <stdint.h>

#include "../logic/actions.h"
#include "../logic/schedule.h"

// A settings file: its path in ANSI, and where the ANSI code page cannot
// hold it (a folder in the user's profile, on the NT family) in Unicode,
// which the calls then take instead. Empty: no such file.
struct SettingsFile {
    char path[MAX_PATH];
    WCHAR widePath[MAX_PATH];
};

// Fields marked volatile are shared with the alarm worker thread: each is an
// aligned 32-bit word, always read and written whole.
struct PluginState {
    HWND hostWindow;       // the player's main window, as the player gave it before init
    HINSTANCE instance;    // the plugin module, as the player gave it before init
    SettingsFile besideFile;   // beside the module
    SettingsFile playerFile;   // in the player's settings folder, where it names one
    SettingsFile* volatile settingsFile;  // the one of the two read last and written to
    char timerName[MAX_PATH];
    char description[64];
    HANDLE workerThread;
    DWORD workerThreadId;
    BOOL use24Hour;
    BOOL forceAppsToClose;
    BOOL volatile enabled;
    BOOL runOnce;
    BOOL canShutdown;
    BOOL volatile fired;
    EndAction volatile action;  // what follows the evening set next (the first evening's before one is)
    UINT fadeMinutes;   // 0, or 1 to 60
    BOOL finishSong;
    BOOL notice;
    // The evenings, each with its time, days and action; the first is the
    // one of the unnumbered keys. Written on the player's thread while no
    // worker runs.
    EveningEntry evenings[MAX_ENTRIES];
    int eveningCount;   // 1 to MAX_ENTRIES
    // The mornings, each with its own switch, time, days, fade-in, volume
    // and what plays.
    MorningEntry mornings[MAX_ENTRIES];
    int morningCount;   // 1 to MAX_ENTRIES
    // Functions that not every supported Windows has, found by init
    // (before any worker starts); NULL where missing.
    FARPROC getSystemPowerStatus;  // not on NT 4.0
    FARPROC setSystemPowerState;   // not on NT 4.0
    FARPROC zoneLocalToUtc;        // TzSpecificLocalTimeToSystemTime: XP and later
    FARPROC setThreadExecutionState;  // 98 and 2000 and later
    FARPROC getLastInputInfo;      // USER32: 2000 and later
    UINT idleMinutes;   // "When I fall asleep": 1 to 240
};

extern PluginState g_state;

// Reads the module's full path into path (MAX_PATH bytes). Fails when the
// name cannot be had or would not fit whole.
bool readModulePath(HINSTANCE instance, char* path);
// A 64-bit moment one thread writes and another reads whole, without
// locks: each value goes into the slot the generation does not name, which
// then moves to it.
struct SharedMoment {
    uint64_t volatile slots[2];
    LONG volatile generation;
};
void publishMoment(SharedMoment* shared, uint64_t value);
uint64_t readMoment(const SharedMoment* shared);

// A worker's own reference to the plugin, by the module's own path, so
// that it ends outside the plugin's code (FreeLibraryAndExitThread); NULL
// when the path cannot be had whole.
HMODULE referencePlugin(void);
// On the player's thread: waits up to timeoutMs for a worker to end,
// answering meanwhile the messages it sends to the player's window.
bool waitForThread(HANDLE worker, DWORD timeoutMs);

#endif
