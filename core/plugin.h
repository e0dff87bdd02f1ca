// The plugin's header record, which the player reads and fills, and its one
// process-wide state record.
#ifndef NIGHTFOLD_PLUGIN_H
#define NIGHTFOLD_PLUGIN_H

#include <windows.h>

#include "actions.h"

#define PLUGIN_HEADER_VERSION 16
#define HOST_CMD_EXIT 40001
// WM_USER with this lParam sets the player's volume to wParam (0 to 255).

struct ConfigValues;

struct PluginHeader {
    int version;
    const char* description;
    int (*init)(void);
    void (*config)(void);
    void (*quit)(void);
    HWND hostWindow;       // written by the player before init
    HINSTANCE instance;    // written by the player before init
};

// Fields marked volatile are shared with the alarm worker thread: each is an
// aligned 32-bit word, always read and written whole.
struct PluginState {
    char iniPath[MAX_PATH];
    char timerName[MAX_PATH];
    char description[64];
    HANDLE workerThread;
    DWORD workerThreadId;
    HANDLE volatile timer;
    WORD hour;
    WORD minute;
    WORD second;
    BOOL use24Hour;
    BOOL forceAppsToClose;
    BOOL volatile enabled;
    BOOL runOnce;
    BOOL canShutdown;
    BOOL volatile fired;
    EndAction action;
    UINT fadeMinutes;   // 0, or 1 to 60
    BOOL finishSong;
    BOOL notice;
    // KERNEL32 functions that not every supported Windows has, found by init
    // (before any worker starts); NULL where missing.
    FARPROC getSystemPowerStatus;  // not on NT 4.0
    FARPROC setSystemPowerState;   // not on NT 4.0
    FARPROC zoneLocalToUtc;        // TzSpecificLocalTimeToSystemTime: XP and later
};

extern PluginHeader g_header;
extern PluginState g_state;

int pluginInit(void);
void pluginConfig(void);
void pluginQuit(void);

// plugin.cpp
// Reads the module's full path into path (MAX_PATH bytes). Fails when the
// name cannot be had or would not fit whole.
bool readModulePath(HINSTANCE instance, char* path);
// The system's words for error, or "Error <n>." where it has none, into
// reason (REASON_SIZE bytes).
#define REASON_SIZE 256
void systemReason(DWORD error, char* reason);
// A message box without owner: text, then the system's words for error.
void showFailure(const char* text, DWORD error, const char* title, UINT style);

// alarm.cpp
DWORD WINAPI alarmWorker(LPVOID param);
// Starts a new alarm worker; its handle and identifier go to g_state. When
// no thread can be started the plugin is disabled for this run, with a
// message.
void startAlarmWorker(void);
// Stops the current worker, if any, and waits for it to end (a worker that
// holds its own reference to the plugin may go on showing its failure
// message); its handle stays in g_state.
void stopAlarmWorker(void);

// player.cpp: messages to the player's window
struct PlayerReport;
PlayerReport readPlayer(HANDLE stopEvent);
// Sets the player's volume (0 to 255); a direct call on the player's own
// thread, a bounded wait from another.
bool setPlayerVolume(int volume);
void stopPlayback(void);
// Posts the exit command, trying again while the player's queue is full,
// until stopEvent; then tells the user.
void askPlayerToExit(HANDLE stopEvent);

// settings.cpp
void loadSettings(const char* path);
// Writes the chosen settings as the whole section; FALSE, with
// GetLastError's reason, when the write failed (the file is then as it
// was) or there is no settings path.
BOOL saveSettings(const char* path, const ConfigValues& chosen);
// Puts the chosen values into the state as saveSettings and then
// loadSettings would have, for settings that could not be saved.
void applySettings(const ConfigValues& chosen);
// The player's volume when a fade began (0 to 255), kept in the settings
// file until it is given back, so that a start after an exit during the
// fade can give it back. Remembering may fail unnoticed; reading gives -1
// when no volume is kept.
void rememberFadeFrom(const char* path, int volume);
void forgetFadeFrom(const char* path);
int readFadeFrom(const char* path);

#endif
