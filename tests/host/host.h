// The test host: loads the plugin DLL the way the player does and drives
// its callbacks. Each case runs in a process of its own.
#ifndef NIGHTFOLD_TEST_HOST_H
#define NIGHTFOLD_TEST_HOST_H

#include <windows.h>

// The player's view of the plugin's header record.
struct HostPluginHeader {
    int version;
    const char* description;
    int (*init)(void);
    void (*config)(void);
    void (*quit)(void);
    HWND hostWindow;
    HINSTANCE instance;
};

struct LoadedPlugin {
    HMODULE module;
    HostPluginHeader* header;
};

struct TestCase {
    const char* name;
    void (*run)(const char* dllPath);
};

// Failure reporting: each failed check prints a line and counts.
extern int g_failures;
bool checkThat(bool ok, const char* file, int line, const char* format, ...);
#define CHECK(cond, ...) checkThat((cond), __FILE__, __LINE__, __VA_ARGS__)

// Loads the DLL, takes its header through the export and fills the two
// fields the player fills. Does not call init.
bool loadPlugin(const char* dllPath, HWND hostWindow, LoadedPlugin* out);
void unloadPlugin(LoadedPlugin* plugin);

// The player's main window, in this thread; records what it receives.
struct HostWindowLog {
    int exitCommands;          // WM_COMMAND 40001 received
    int exitCommandsSent;      // ... of which sent from another thread
    DWORD lastExitTick;        // GetTickCount when the last one arrived
};
extern HostWindowLog g_hostLog;
HWND createHostWindow(void);
// Dispatches messages until done() is true or timeoutMs passed; returns done().
bool pumpMessagesUntil(bool (*done)(void), DWORD timeoutMs);
void pumpMessagesFor(DWORD ms);

// Replaces the DLL's import of function from dll with replacement; returns
// the original address, or NULL when the DLL does not import it.
void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement);
// Whether the DLL imports the function at all.
bool importsFunction(HMODULE module, const char* dll, const char* function);

// Files and folders for a case, under a fresh folder in the temp directory.
// Returns the folder's path with a trailing backslash.
const char* caseFolder(void);
bool copyDllTo(const char* dllPath, const char* relativePath, char* fullPath);
bool readWholeFile(const char* path, char* text, DWORD size);
bool writeWholeFile(const char* path, const char* text);

// Removes SeShutdownPrivilege from this process's token for good.
bool removeShutdownPrivilege(void);

extern const TestCase g_spineCases[];
extern const TestCase g_dialogCases[];

#endif
