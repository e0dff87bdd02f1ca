// The test host: loads the plugin DLL the way the player does and drives
// its callbacks. Each case runs in a process of its own.
#ifndef NIGHTFOLD_TEST_HOST_H
#define NIGHTFOLD_TEST_HOST_H

#include <windows.h>

#include <string>

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

// Loads the DLL (a path of any length), takes its header through the export and fills the two
// fields the player fills. Does not call init.
bool loadPlugin(const char* dllPath, HWND hostWindow, LoadedPlugin* out);
void unloadPlugin(LoadedPlugin* plugin);

// The player's main window, in this thread; records what it receives.
struct HostWindowLog {
    int exitCommands;          // WM_COMMAND 40001 received
    int exitCommandsSent;      // ... of which sent from another thread
    FILETIME lastExitTime;     // GetSystemTimeAsFileTime when it arrived
    int volumeSets;            // WM_USER 122 (set the volume) received
    WPARAM lastVolume;         // ... the volume it set last
    int stops;                 // WM_COMMAND 40047 (stop) received
    int volumeAtStop;          // the player's volume then
    int volumeAtExit;          // the player's volume when 40001 arrived
    int plays;                 // WM_COMMAND 40045 (play) and 40046 resuming
    int volumeAtPlay;          // the player's volume then
    int added;                 // WM_COPYDATA 100: a file added to the playlist
    // The entries posted to its Global Hotkeys, kept where the plugin keeps
    // them, as the player does.
    const void* hotkeys[32];
    int hotkeyCount;
};
// What the host window answers as the player: playback (104: 1 playing,
// 3 paused, 0 stopped), the song (105), the volume (122). A deaf player,
// like the open-source one, answers 104 only: 0 to the others, and its
// volume never changes.
// The main popup menu (281): none (1 to 281 and 3019, as a player before
// 2.9); Play, Options >, Playback >, Exit, with a fresh command id for each
// 3019; or that menu and 0 to 3019, as the open-source player.
enum PlayerMenu { MENU_NONE, MENU_WITH_IDS, MENU_WITHOUT_IDS };
struct FakePlayer {
    int status;
    int positionMs, lengthMs;  // length -1: a stream
    int volume;
    bool deaf;
    PlayerMenu menu;
    // Plays on as the host moves the clock: at the song's end the next of
    // nextSongs (lengths in ms, up to a 0) follows, after the last it stops.
    bool playsOn;
    int nextSongs[3];
    int entries;  // in the playlist (124); 40045 plays only with one
    // The files of the first entries (211; the others have names of their
    // own), the ones added at the end (WM_COPYDATA 100) too; the current
    // entry (121).
    char files[4][MAX_PATH];
    int current;
    // Where it keeps its settings (335 in ANSI, 1335 in Unicode): a folder
    // in its memory, or 0 as a player that does not know the question, or 1
    // as one that answers so every message it does not handle.
    LRESULT folder, wideFolder;
    // Its language pack (621): wParam 1 answers 0 with a pack in use, 1
    // without (noPack); wParam 5 this, the pack's language. 0 as a player
    // before 5.51, which answers 0 to both.
    LRESULT pack;
    bool noPack;
    // Its Global Hotkeys: the number it answers to "GenHotkeysAdd" (65536),
    // of the message that adds an entry; 0 as a player without them.
    LRESULT hotkeys;
};
extern FakePlayer g_player;
extern HostWindowLog g_hostLog;
// Called while the window handles 40001, as a player that quits at once.
extern void (*g_onExitCommand)(void);
// Called while the window handles WM_APP.
extern void (*g_onAppMessage)(void);
// An ANSI window, or a Unicode one, as a player that shows titles in any
// script registers it.
HWND createHostWindow(bool unicode);
// The menu the host window answers 281 with, and its two submenus.
extern HMENU g_playerMenu, g_optionsMenu, g_playbackMenu;
// The plugin's submenu in the player's menu (NULL when there is none), and
// its item with the given text (its access key unmarked): its id, 0 when
// there is none; greyed or not.
HMENU pluginSubmenu(void);
UINT pluginMenuItem(const char* text, bool* greyed = NULL);
// Opens the submenu as the player's menu does, then chooses the item.
bool chooseFromMenu(const char* text);
// Plays on for ms of the clock: the song's position moves, the next song
// follows at its end, the player stops after the last.
void playOn(int ms);
// The visible dialog of the thread, if any.
HWND findThreadDialog(DWORD threadId);
// A notice of the plugin in this process, not one of a case running beside
// it on the same display; NULL when none is shown.
HWND findNotice(void);
// Dispatches messages until done() is true or timeoutMs passed; returns done().
// Once done, what was posted before it became true is dispatched too.
bool pumpMessagesUntil(bool (*done)(void), DWORD timeoutMs);
void pumpMessagesFor(DWORD ms);

// Replaces the DLL's import of function from dll with replacement; returns
// the original address, or NULL when the DLL does not import it.
void* patchImport(HMODULE module, const char* dll, const char* function, void* replacement);
// What the DLL's import of function from dll calls now; NULL where none.
void* importedFunction(HMODULE module, const char* dll, const char* function);
// The same, silent when the DLL does not import it.
void* patchImportIfAny(HMODULE module, const char* dll, const char* function, void* replacement);

// Files and folders for a case, under a fresh folder in the temp directory.
// Returns the folder's path with a trailing backslash.
const char* caseFolder(void);
bool copyDllTo(const char* dllPath, const char* relativePath, char* fullPath);
// Any length of path; an empty string when the file cannot be read.
std::string readWholeFile(const char* path);
bool writeWholeFile(const char* path, const std::string& bytes);
// Checks that the host runs as the 9x family, or as Windows NT 4.0.
bool runsAs9x(void);
bool runsAsNt4(void);

// text, a blank line, and the system's words for error: how the plugin
// reports a failure.
std::string withReason(const char* text, DWORD error);

// A FILETIME as one 64-bit count of 100-nanosecond units.
ULONGLONG fileTimeValue(const FILETIME& time);
// Whether a check box or radio button of the dialog is checked.
bool buttonChecked(HWND dialog, int id);

// ---- fakes of the plugin's platform calls (fakes.cpp) ----------------------

struct ProfileRead {
    char key[32];
    int fallback;
    UINT result;  // what the platform's reading of the file gave
    char file[MAX_PATH * 2];
};

// What the plugin asked of the platform. Written by whichever thread calls.
struct PlatformLog {
    ProfileRead reads[32];
    int readCount;
    int writes;  // WritePrivateProfileStringA and WritePrivateProfileSectionA
    volatile LONG threadsCreated;
    LPTHREAD_START_ROUTINE workerStart;  // of the last worker asked for
    volatile LONG powerStatusQueries;
    char timerName[MAX_PATH];     // as handed to CreateWaitableTimerA
    volatile LONG localTimeReads;
    volatile LONG timerSets;      // counted once the real timer is armed
    LONGLONG due;                 // as handed to SetWaitableTimer
    FILETIME firedAt;             // when fireAlarm signalled the timer
    volatile LONG exitRequests;
    UINT exitFlags;
    DWORD exitReason;
    volatile LONG powerRequests;
    BOOL powerSuspend;
    BOOL powerForce;
    volatile LONG messageBoxes;
    char boxText[1024];
    char boxTitle[64];
    UINT boxStyle;
    HWND boxOwner;
    DWORD boxThread;
    volatile LONG threadsTerminated;
    BOOL shownEnabled;               // what the last dialog showed of the plugin
    volatile LONG pluginReferences;  // LoadLibraryA of a plugin, not counted below
    volatile LONG tokensOpened;
    volatile LONG libraryLoads;
    volatile LONG libraryFrees;
    char libraryAsked[MAX_PATH];   // the name or path handed to LoadLibraryA
    char libraryLoaded[MAX_PATH];  // the file the loaded module came from
    int procedureSets;             // SetWindowLongA of GWL_WNDPROC
    char morningTimerName[MAX_PATH];  // the morning's timer, armed with the resume flag
    volatile LONG morningSets;
    LONGLONG morningDue;
    volatile LONG executionStates;    // SetThreadExecutionState calls
    DWORD executionState;             // ... the last one's flags
    volatile LONG tones;              // PlaySoundA of an image, as the plugin's tone
    volatile LONG silences;           // PlaySoundA(NULL): the tone ended
    DWORD toneFlags;                  // ... the flags of the last tone
};
extern PlatformLog g_log;

enum LookupFake { LOOKUP_REAL, LOOKUP_MISSING, LOOKUP_FAKE };
// CreateThread: starts the worker; starts none, handing out a token that
// only the fake TerminateThread sees; or fails.
enum ThreadFake { THREADS_REAL, THREADS_NONE, THREADS_FAIL };

// How the fakes answer.
struct PlatformFakes {
    SYSTEMTIME now;               // GetLocalTime's answer
    int wakeMs;                   // fireAlarm: the clock's milliseconds at a wake; -1 those of the due time
    BOOL fixedBias;               // LocalFileTimeToFileTime adds biasMinutes, the bias in force at now
    LONG biasMinutes;
    BOOL armAsAsked;              // the real timer is armed for the due time asked; else it waits for fireAlarm
    BOOL setTimerFails;
    BOOL powerStateResult;
    BOOL libraryMissing;          // LoadLibraryA fails
    LookupFake hibernateQuery;    // IsPwrHibernateAllowed
    DWORD hibernateAnswer;        // the whole register the fake returns
    LookupFake zoneConversion;    // TzSpecificLocalTimeToSystemTime (REAL or MISSING)
    LookupFake powerStatus;       // GetSystemPowerStatus: its recorder (REAL) or MISSING
    LookupFake powerState;        // SetSystemPowerState: its recorder (REAL) or MISSING
    BOOL giveBackFails;           // the plugin's second SetWindowLongA of the procedure fails
    DWORD resumeError;            // the last error a resume request leaves: 0, as a computer that wakes on timers
    LookupFake wakeTimerPlan;     // the power plan's functions (PowerGetActiveScheme, PowerRead?CValueIndex)
    DWORD wakeTimers;             // ... FAKE: its "Allow wake timers", on mains and battery alike
    LookupFake executionState;    // SetThreadExecutionState: its recorder (REAL) or MISSING
    LookupFake sound;             // PlaySoundA and waveOutGetNumDevs: the recorder and one output (REAL) or MISSING
    ThreadFake threads;
    BOOL noPowerStatus;           // GetSystemPowerStatus fails
    BOOL exitFails;               // ExitWindowsEx fails
    BOOL postFails;               // PostMessageA fails, as with a full queue
    BOOL chooseRunOnce;           // the dialog's OK chooses Run Once
    int failingWrite;             // the settings write with this number (log's writes) fails, writing nothing
    UINT missingCodePage;         // IsValidCodePage: not installed, as East Asian support left out
    LookupFake lastInput;         // GetLastInputInfo; FAKE: it answers inputAt, and GetTickCount follows the
    SYSTEMTIME inputAt;           // ... fake clock, wrapping at 23:10 on 12 June 2024
};
// Set once the plugin's exit command has left for the player's window,
// before the player can have handled it.
extern HANDLE g_exitCommandLeft;
extern PlatformFakes g_fakes;

void resetFakes(void);
void resetLog(void);
const ProfileRead* findRead(const PlatformLog* log, const char* key);
// The keys init reads and their defaults: the six of the time and the end
// action first.
enum { KEY_COUNT = 17 };
extern const char* const KEYS[KEY_COUNT];
extern const int FALLBACKS[KEY_COUNT];
// Every key read with its default, from iniPath only.
void checkAllKeysRead(const PlatformLog* log, const char* iniPath, const char* what);
// Patched into every plugin as it is loaded, before anything could call
// them: ExitWindowsEx, SetSystemPowerState and MessageBoxA only record; on
// the NT family the first two check that SeShutdownPrivilege is enabled,
// then disable it again. The run-time lookups (GetProcAddress) are answered
// as g_fakes says.
void guardPlugin(HMODULE module);
// Fakes the clock and records the timer: GetLocalTime, the bias in force,
// SetWaitableTimer; also workers, settings reads and writes, token opening
// and library loading.
void fakePlatform(HMODULE module);
// loadPlugin with the host window, then fakePlatform; init unless told not.
bool loadFaked(const char* path, LoadedPlugin* plugin, bool init = true);

// The player's main window, created once: the Unicode one while
// g_unicodeWindow is set.
extern bool g_unicodeWindow;
HWND hostWindow(void);
// The case this process runs: plugin file names start with it, so that no
// two cases running at once in the prefix share a timer name.
extern const char* g_caseName;
// Copies the DLL to <case>_<name>.dll in the case folder with settings as its
// settings file, loads it, fakes the platform (config's dialog ends with OK
// at once, choosing what that file then holds), runs beforeInit with the
// timer's name, and calls init.
bool startPlugin(const char* dllPath, const char* name, const char* settings, LoadedPlugin* plugin,
                 HANDLE (*beforeInit)(const char* timerName) = NULL);
bool rewriteSettings(const char* name, const char* settings);
// Pumps the host window's messages until 40001 arrives or time is up.
bool waitForExitCommand(DWORD timeoutMs);
bool waitForCount(volatile LONG* counter, LONG target, DWORD timeoutMs);
// Once the timer has been armed `armings` times in all, signals the last
// plugin timer created, by its name, as its due time would, and moves the
// fake clock to the due time asked, or lateSeconds past it.
bool fireAlarm(LONG armings, int lateSeconds = 0);
// The same for the morning's timer.
bool fireMorning(LONG armings, int lateSeconds = 0);
// Signals the named timer at once.
void signalTimer(const char* name);
// Waits until every worker the plugins started has ended.
bool waitForWorkerEnd(DWORD timeoutMs);
// The handles the process holds, less the host's own copies of the workers'
// threads.
DWORD pluginHandleCount(void);

// A FILETIME value of a UTC date and time.
LONGLONG utcValue(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0);
SYSTEMTIME localTime(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0);

// Removes SeShutdownPrivilege from this process's token for good.
bool removeShutdownPrivilege(void);
// Sets the privilege's attributes in this process's token (NT family).
bool setShutdownPrivilege(DWORD attributes);

extern const TestCase g_spineCases[];
extern const TestCase g_dialogCases[];
extern const TestCase g_alarmCases[];
extern const TestCase g_endActionCases[];
extern const TestCase g_benchCases[];
extern const TestCase g_hardeningCases[];
extern const TestCase g_exitCases[];
extern const TestCase g_menuCases[];
extern const TestCase g_languageCases[];

#endif
