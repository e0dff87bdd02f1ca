// Fakes and recorders of the plugin's platform calls, patched into its
// import address table.
#include "host.h"

#include "../../dialog/dialog.h"

#include <stdio.h>
#include <string.h>

static const LONGLONG ONE_DAY_TICKS = 864000000000LL;

PlatformLog g_log;
PlatformFakes g_fakes;

void resetLog(void)
{
    memset(&g_log, 0, sizeof g_log);
}

void resetFakes(void)
{
    resetLog();
    memset(&g_fakes, 0, sizeof g_fakes);
    g_fakes.powerStateResult = TRUE;
    g_fakes.wakeMs = -1;
    GetLocalTime(&g_fakes.now);
    g_player = FakePlayer();
    if (!g_exitCommandLeft)
        g_exitCommandLeft = CreateEventA(NULL, TRUE, FALSE, NULL);
    ResetEvent(g_exitCommandLeft);
    // As Wine's token has it: held, not enabled. The plugin enables it.
    if (GetVersion() < 0x80000000)
        setShutdownPrivilege(0);
}

// ---- never the real thing ---------------------------------------------------

// On the NT family shutting down needs SeShutdownPrivilege enabled in the
// process token at the moment of the call. Disabled again afterwards, so
// that each request proves its own enabling.
static void checkShutdownPrivilege(const char* call)
{
    if (GetVersion() >= 0x80000000)
        return;
    HANDLE token;
    LUID id;
    BYTE buffer[1024];
    DWORD size = 0;
    bool enabled = false;
    if (LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &id) &&
        OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES* list = (TOKEN_PRIVILEGES*)buffer;
        if (GetTokenInformation(token, TokenPrivileges, list, sizeof buffer, &size)) {
            for (DWORD i = 0; i < list->PrivilegeCount; ++i) {
                const LUID_AND_ATTRIBUTES& entry = list->Privileges[i];
                if (entry.Luid.LowPart == id.LowPart && entry.Luid.HighPart == id.HighPart)
                    enabled = (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
            }
        }
        CloseHandle(token);
    }
    CHECK(enabled, "%s without SeShutdownPrivilege enabled", call);
    setShutdownPrivilege(0);
}

static BOOL WINAPI recordExitWindowsEx(UINT flags, DWORD reason)
{
    checkShutdownPrivilege("ExitWindowsEx");
    g_log.exitFlags = flags;
    g_log.exitReason = reason;
    InterlockedIncrement(&g_log.exitRequests);
    if (g_fakes.exitFails)
        SetLastError(ERROR_SHUTDOWN_IN_PROGRESS);
    return !g_fakes.exitFails;
}

HANDLE g_exitCommandLeft;

static void exitCommandLeaves(UINT message, WPARAM wParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == 40001 && g_exitCommandLeft)
        SetEvent(g_exitCommandLeft);
}

static BOOL WINAPI recordPostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_fakes.postFails) {
        SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    BOOL ok = PostMessageA(window, message, wParam, lParam);
    exitCommandLeaves(message, wParam);
    return ok;
}

static LRESULT WINAPI recordSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    exitCommandLeaves(message, wParam);
    return SendMessageA(window, message, wParam, lParam);
}

static BOOL WINAPI recordSetSystemPowerState(BOOL suspend, BOOL force)
{
    checkShutdownPrivilege("SetSystemPowerState");
    g_log.powerSuspend = suspend;
    g_log.powerForce = force;
    InterlockedIncrement(&g_log.powerRequests);
    return g_fakes.powerStateResult;
}

static int WINAPI recordMessageBox(HWND owner, LPCSTR text, LPCSTR title, UINT style);

// The plugin's Unicode message boxes, recorded as UTF-8.
static int WINAPI recordMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR title, UINT style)
{
    char utf8Text[sizeof g_log.boxText], utf8Title[sizeof g_log.boxTitle];
    WideCharToMultiByte(CP_UTF8, 0, text ? text : L"(null)", -1, utf8Text, sizeof utf8Text, NULL, NULL);
    WideCharToMultiByte(CP_UTF8, 0, title ? title : L"(null)", -1, utf8Title, sizeof utf8Title, NULL, NULL);
    utf8Text[sizeof utf8Text - 1] = utf8Title[sizeof utf8Title - 1] = '\0';
    return recordMessageBox(owner, utf8Text, utf8Title, style);
}

// The plugin's Unicode dialogs go where the case sent its ANSI ones (the
// same call for a template by number), else to the system.
typedef INT_PTR(WINAPI* DialogBoxA)(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM);
static INT_PTR WINAPI forwardDialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    HMODULE caller = NULL;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCSTR)__builtin_return_address(0), &caller);
    DialogBoxA twin = caller ? (DialogBoxA)importedFunction(caller, "USER32.dll", "DialogBoxParamA") : NULL;
    if (twin && twin != DialogBoxParamA)
        return twin(instance, (LPCSTR)name, owner, proc, param);
    return DialogBoxParamW(instance, name, owner, proc, param);
}

static int WINAPI recordMessageBox(HWND owner, LPCSTR text, LPCSTR title, UINT style)
{
    snprintf(g_log.boxText, sizeof g_log.boxText, "%s", text ? text : "(null)");
    snprintf(g_log.boxTitle, sizeof g_log.boxTitle, "%s", title ? title : "(null)");
    g_log.boxStyle = style;
    g_log.boxOwner = owner;
    g_log.boxThread = GetCurrentThreadId();
    InterlockedIncrement(&g_log.messageBoxes);
    return IDOK;
}

// ---- the clock and the timer ------------------------------------------------

static void WINAPI fakeGetLocalTime(LPSYSTEMTIME time)
{
    InterlockedIncrement(&g_log.localTimeReads);
    *time = g_fakes.now;
}

static BOOL WINAPI fakeLocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc)
{
    if (!g_fakes.fixedBias)
        return LocalFileTimeToFileTime(local, utc);
    ULONGLONG value = fileTimeValue(*local) + (LONGLONG)g_fakes.biasMinutes * 600000000LL;
    utc->dwLowDateTime = (DWORD)value;
    utc->dwHighDateTime = (DWORD)(value >> 32);
    return TRUE;
}

static HANDLE s_morningTimer, s_probeTimer;
static BOOL(WINAPI* s_realSetWaitableTimer)(HANDLE, const LARGE_INTEGER*, LONG, PTIMERAPCROUTINE, LPVOID, BOOL);

// Records the due time. The real timer is armed a day ahead instead, so
// that it comes due only when the host fires it (fireAlarm), or as asked.
static BOOL WINAPI fakeSetWaitableTimer(HANDLE timer, const LARGE_INTEGER* due, LONG period,
                                        PTIMERAPCROUTINE routine, LPVOID argument, BOOL resume)
{
    CHECK(period == 0 && routine == NULL && argument == NULL, "SetWaitableTimer period %ld routine %p argument %p",
          period, (void*)routine, argument);
    if (timer == s_probeTimer) {  // whether the computer wakes for the morning
        SetLastError(g_fakes.resumeError);
        return TRUE;
    }
    bool morning = timer == s_morningTimer;
    CHECK(resume == morning, "SetWaitableTimer resume %d for %s", resume, morning ? "the morning" : "the evening");
    (morning ? g_log.morningDue : g_log.due) = due->QuadPart;
    volatile LONG* sets = morning ? &g_log.morningSets : &g_log.timerSets;
    if (g_fakes.setTimerFails) {
        InterlockedIncrement(sets);
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    LARGE_INTEGER realDue = *due;
    if (!g_fakes.armAsAsked)
        realDue.QuadPart = -ONE_DAY_TICKS;
    BOOL ok = s_realSetWaitableTimer(timer, &realDue, 0, NULL, NULL, FALSE);
    InterlockedIncrement(sets);
    if (ok && resume)
        SetLastError(g_fakes.resumeError);
    return ok;
}

void signalTimer(const char* name)
{
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, name);
    LARGE_INTEGER now;
    now.QuadPart = -1;  // relative: at once
    GetSystemTimeAsFileTime(&g_log.firedAt);
    CHECK(timer && SetWaitableTimer(timer, &now, 0, NULL, NULL, FALSE), "cannot signal %s", name);
    if (timer)
        CloseHandle(timer);
}

static bool fireTimer(volatile LONG* sets, LONG armings, const LONGLONG* armedDue, const char* name, int lateSeconds)
{
    if (!CHECK(waitForCount(sets, armings, 5000), "%ld of %ld armings of %s", *sets, armings, name))
        return false;
    // The clock then shows the due time, or lateSeconds past it; at the
    // milliseconds asked, as a clock that ticks in steps may, even a moment
    // before the due time.
    FILETIME dueTime, localTime;
    SYSTEMTIME utc, local;
    ULONGLONG late = (ULONGLONG)*armedDue + lateSeconds * 10000000ULL;
    if (g_fakes.wakeMs >= 0)
        late += (g_fakes.wakeMs - (LONGLONG)(late / 10000 % 1000)) * 10000;
    dueTime.dwLowDateTime = (DWORD)late;
    dueTime.dwHighDateTime = (DWORD)(late >> 32);
    FILETIME before;
    if (FileTimeToSystemTime(&dueTime, &utc) && SystemTimeToTzSpecificLocalTime(NULL, &utc, &local) &&
        SystemTimeToFileTime(&local, &localTime) && SystemTimeToFileTime(&g_fakes.now, &before)) {
        playOn((int)(((LONGLONG)fileTimeValue(localTime) - (LONGLONG)fileTimeValue(before)) / 10000));
        g_fakes.now = local;
        // The clock has moved: so has the bias in force, across a change.
        g_fakes.biasMinutes = (LONG)(((LONGLONG)late - (LONGLONG)fileTimeValue(localTime)) / 600000000LL);
    }
    signalTimer(name);
    return true;
}

bool fireAlarm(LONG armings, int lateSeconds)
{
    return fireTimer(&g_log.timerSets, armings, &g_log.due, g_log.timerName, lateSeconds);
}

bool fireMorning(LONG armings, int lateSeconds)
{
    return fireTimer(&g_log.morningSets, armings, &g_log.morningDue, g_log.morningTimerName, lateSeconds);
}

// ---- the worker thread ------------------------------------------------------

// The last workers started, as many as can be waited for.
static HANDLE s_workers[MAXIMUM_WAIT_OBJECTS];
static DWORD s_workerCount;
static HANDLE s_token;

static HANDLE WINAPI recordCreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start,
                                        LPVOID argument, DWORD flags, LPDWORD id)
{
    LONG count = InterlockedIncrement(&g_log.threadsCreated);
    g_log.workerStart = start;
    if (g_fakes.threads == THREADS_FAIL) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    if (g_fakes.threads == THREADS_NONE) {
        // A worker that never runs gives back the reference to the plugin
        // it was handed, so that the plugin can be unloaded.
        if (argument)
            FreeLibrary((HMODULE)argument);
        if (id)
            *id = 0;
        s_token = (HANDLE)(ULONG_PTR)(0x7000 + 4 * count);
        return s_token;
    }
    HANDLE thread = CreateThread(security, stack, start, argument, flags, id);
    if (thread && s_workerCount == MAXIMUM_WAIT_OBJECTS) {
        CloseHandle(s_workers[0]);
        memmove(s_workers, s_workers + 1, sizeof s_workers - sizeof *s_workers);
        --s_workerCount;
    }
    if (thread)
        DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &s_workers[s_workerCount++], SYNCHRONIZE,
                        FALSE, 0);
    return thread;
}

static BOOL WINAPI recordTerminateThread(HANDLE thread, DWORD exitCode)
{
    InterlockedIncrement(&g_log.threadsTerminated);
    if (g_fakes.threads == THREADS_REAL)
        return TerminateThread(thread, exitCode);
    CHECK(thread == s_token && exitCode == 0, "terminated %p with %lu, the current worker is %p", thread, exitCode,
          s_token);
    return TRUE;
}

// Each handle found by its flags: Wine's GetProcessHandleCount answers 0.
DWORD pluginHandleCount(void)
{
    DWORD handles = 0, flags;
    for (ULONG_PTR value = 4; value < 0x2000; value += 4)
        handles += GetHandleInformation((HANDLE)value, &flags) ? 1 : 0;
    return handles - s_workerCount;
}

bool waitForWorkerEnd(DWORD timeoutMs)
{
    return s_workerCount && WaitForMultipleObjects(s_workerCount, s_workers, TRUE, timeoutMs) < WAIT_OBJECT_0 + s_workerCount;
}

// ---- settings, the power status, tokens, the power library, lookups ---------

static UINT(WINAPI* s_realGetProfileInt)(LPCSTR, LPCSTR, INT, LPCSTR);
static BOOL(WINAPI* s_realWriteProfileString)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
static BOOL(WINAPI* s_realWriteProfileSection)(LPCSTR, LPCSTR, LPCSTR);
static HANDLE(WINAPI* s_realCreateWaitableTimer)(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR);

static UINT WINAPI recordGetProfileInt(LPCSTR section, LPCSTR key, INT fallback, LPCSTR file)
{
    UINT result = s_realGetProfileInt(section, key, fallback, file);
    if (g_log.readCount < 32) {
        ProfileRead* read = &g_log.reads[g_log.readCount++];
        snprintf(read->key, sizeof read->key, "%s", key);
        snprintf(read->file, sizeof read->file, "%s", file);
        read->fallback = fallback;
        read->result = result;
        CHECK(strcmp(section, "Nightfold") == 0, "read from section [%s]", section);
    }
    return result;
}

const ProfileRead* findRead(const PlatformLog* log, const char* key)
{
    for (int i = 0; i < log->readCount; ++i) {
        if (strcmp(log->reads[i].key, key) == 0)
            return &log->reads[i];
    }
    return NULL;
}

const char* const KEYS[KEY_COUNT] = {
    "Enabled",    "24HourDisplay", "Shutdown", "ForceAppsToClose", "Hour",        "Minute",
    "FadeMinutes", "FinishSong",   "Notice",   "Morning",          "MorningHour", "MorningMinute",
    "MorningDays", "MorningFadeMinutes", "MorningVolume", "Days", "IdleMinutes",
};
const int FALLBACKS[KEY_COUNT] = { 0, -1, 1012, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30 };

void checkAllKeysRead(const PlatformLog* log, const char* iniPath, const char* what)
{
    for (int i = 0; i < KEY_COUNT; ++i) {
        const ProfileRead* read = findRead(log, KEYS[i]);
        CHECK(read && read->fallback == FALLBACKS[i], "%s: %s not read with default %d", what, KEYS[i], FALLBACKS[i]);
    }
    for (int i = 0; i < log->readCount; ++i)
        CHECK(strcmp(log->reads[i].file, iniPath) == 0, "%s: %s read from [%s], expected [%s]", what,
              log->reads[i].key, log->reads[i].file, iniPath);
}

// A write that fails does so as for a file another program holds open.
static bool writeFails(void)
{
    if (++g_log.writes != g_fakes.failingWrite)
        return false;
    SetLastError(ERROR_SHARING_VIOLATION);
    return true;
}

static BOOL WINAPI recordWriteProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    return !writeFails() && s_realWriteProfileString(section, key, value, file);
}

static BOOL WINAPI recordWriteProfileSection(LPCSTR section, LPCSTR keys, LPCSTR file)
{
    return !writeFails() && s_realWriteProfileSection(section, keys, file);
}

static BOOL WINAPI recordGetSystemPowerStatus(LPSYSTEM_POWER_STATUS status)
{
    InterlockedIncrement(&g_log.powerStatusQueries);
    if (g_fakes.noPowerStatus) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return GetSystemPowerStatus(status);
}

// The morning's timer is the one whose name ends so; a probe's has none.
static HANDLE WINAPI recordCreateWaitableTimer(LPSECURITY_ATTRIBUTES security, BOOL manual, LPCSTR name)
{
    HANDLE timer = s_realCreateWaitableTimer(security, manual, name);
    size_t length = name ? strlen(name) : 0;
    bool morning = length > 8 && !strcmp(name + length - 8, " morning");
    // A handle closed and handed out again names the new timer; cleared only
    // where it is that handle, so that another thread's new probe stays known.
    for (HANDLE* known : { &s_morningTimer, &s_probeTimer })
        InterlockedCompareExchangePointer((PVOID*)known, NULL, timer);
    if (morning || !name)
        (morning ? s_morningTimer : s_probeTimer) = timer;
    if (name)
        snprintf(morning ? g_log.morningTimerName : g_log.timerName, sizeof g_log.timerName, "%s", name);
    return timer;
}

static BOOL(WINAPI* s_realOpenProcessToken)(HANDLE, DWORD, PHANDLE);

static BOOL WINAPI countOpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    InterlockedIncrement(&g_log.tokensOpened);
    return s_realOpenProcessToken(process, access, token);
}

// A plugin's reference to itself for its worker is counted apart.
static HMODULE WINAPI recordLoadLibrary(LPCSTR name)
{
    HMODULE module = GetModuleHandleA(name);
    if (module && GetProcAddress(module, "winampGetGeneralPurposePlugin")) {
        InterlockedIncrement(&g_log.pluginReferences);
        return LoadLibraryA(name);
    }
    InterlockedIncrement(&g_log.libraryLoads);
    snprintf(g_log.libraryAsked, sizeof g_log.libraryAsked, "%s", name);
    if (g_fakes.libraryMissing) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    module = LoadLibraryA(name);
    if (module)
        GetModuleFileNameA(module, g_log.libraryLoaded, sizeof g_log.libraryLoaded);
    return module;
}

static BOOL WINAPI countFreeLibrary(HMODULE module)
{
    InterlockedIncrement(&g_log.libraryFrees);
    return FreeLibrary(module);
}

// The window's procedure set: the plugin's second setting, its give-back at
// quit, fails where the case asks, as for a window the process may not
// change.
static LONG WINAPI recordSetWindowLongA(HWND window, int index, LONG value)
{
    if (index == GWL_WNDPROC && ++g_log.procedureSets > 1 && g_fakes.giveBackFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return SetWindowLongA(window, index, value);
}

static EXECUTION_STATE WINAPI recordExecutionState(EXECUTION_STATE flags)
{
    g_log.executionState = flags;
    InterlockedIncrement(&g_log.executionStates);
    return ES_CONTINUOUS;
}

static BOOL WINAPI recordPlaySound(LPCSTR sound, HMODULE, DWORD flags)
{
    if (!sound) {
        InterlockedIncrement(&g_log.silences);
        return TRUE;
    }
    g_log.toneFlags = flags;
    CHECK(!memcmp(sound, "RIFF", 4), "the tone is no WAVE image");
    InterlockedIncrement(&g_log.tones);
    return TRUE;
}

// One wave output, as a computer with a sound card has.
static UINT WINAPI oneWaveOutput(void)
{
    return 1;
}

static DWORD WINAPI fakeHibernateAllowed(void)
{
    return g_fakes.hibernateAnswer;
}

static DWORD WINAPI fakeActiveScheme(HKEY, GUID** scheme)
{
    return (*scheme = (GUID*)LocalAlloc(LPTR, sizeof **scheme)) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

// "Allow wake timers" as the case sets it; the plan has no other setting.
static DWORD WINAPI fakeReadPlanValue(HKEY, const GUID*, const GUID*, const GUID* setting, LPDWORD value)
{
    if (!setting || setting->Data1 != 0xBD3B718A)
        return ERROR_FILE_NOT_FOUND;
    *value = g_fakes.wakeTimers;
    return ERROR_SUCCESS;
}

// The tick count of a moment of the fake clock: it wraps at 23:10 on the
// cases' day.
static DWORD tickAt(const SYSTEMTIME& time)
{
    FILETIME value;
    SystemTimeToFileTime(&time, &value);
    return (DWORD)(((LONGLONG)fileTimeValue(value) - utcValue(2024, 6, 12, 23, 10)) / 10000);
}

static DWORD WINAPI fakeGetTickCount(void)
{
    return g_fakes.lastInput == LOOKUP_FAKE ? tickAt(g_fakes.now) : GetTickCount();
}

static BOOL WINAPI fakeGetLastInputInfo(PLASTINPUTINFO input)
{
    if (input->cbSize != sizeof *input) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    input->dwTime = tickAt(g_fakes.inputAt);
    return TRUE;
}

// The plugin's run-time lookups, answered as the case asks. The power
// functions are always the recorders: the real SetSystemPowerState never
// runs.
static FARPROC WINAPI fakeGetProcAddress(HMODULE module, LPCSTR name)
{
    static const struct {
        const char* name;
        LookupFake PlatformFakes::*fake;
        FARPROC standIn;  // the answer to LOOKUP_FAKE; where always, to LOOKUP_REAL too
        bool always;
    } lookups[] = {
        { "IsPwrHibernateAllowed", &PlatformFakes::hibernateQuery, (FARPROC)(void*)fakeHibernateAllowed, false },
        { "TzSpecificLocalTimeToSystemTime", &PlatformFakes::zoneConversion, NULL, false },
        { "GetSystemPowerStatus", &PlatformFakes::powerStatus, (FARPROC)(void*)recordGetSystemPowerStatus, true },
        { "SetSystemPowerState", &PlatformFakes::powerState, (FARPROC)(void*)recordSetSystemPowerState, true },
        { "SetThreadExecutionState", &PlatformFakes::executionState, (FARPROC)(void*)recordExecutionState, true },
        { "PlaySoundA", &PlatformFakes::sound, (FARPROC)(void*)recordPlaySound, true },
        { "waveOutGetNumDevs", &PlatformFakes::sound, (FARPROC)(void*)oneWaveOutput, true },
        { "PowerGetActiveScheme", &PlatformFakes::wakeTimerPlan, (FARPROC)(void*)fakeActiveScheme, false },
        { "PowerReadACValueIndex", &PlatformFakes::wakeTimerPlan, (FARPROC)(void*)fakeReadPlanValue, false },
        { "PowerReadDCValueIndex", &PlatformFakes::wakeTimerPlan, (FARPROC)(void*)fakeReadPlanValue, false },
        { "GetLastInputInfo", &PlatformFakes::lastInput, (FARPROC)(void*)fakeGetLastInputInfo, false },
    };
    if (HIWORD(name) && strcmp(name, "MessageBoxW") == 0)
        return (FARPROC)(void*)recordMessageBoxW;
    if (HIWORD(name) && strcmp(name, "DialogBoxParamW") == 0)
        return (FARPROC)(void*)forwardDialogBoxParamW;
    for (const auto& lookup : lookups) {
        if (!HIWORD(name) || strcmp(name, lookup.name) != 0)
            continue;
        LookupFake fake = g_fakes.*lookup.fake;
        if (fake == LOOKUP_MISSING) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return NULL;
        }
        if (fake == LOOKUP_FAKE || lookup.always)
            return lookup.standIn;
    }
    return GetProcAddress(module, name);
}

static BOOL WINAPI fakeIsValidCodePage(UINT codePage)
{
    return codePage != g_fakes.missingCodePage && IsValidCodePage(codePage);
}

void guardPlugin(HMODULE module)
{
    patchImport(module, "USER32.dll", "ExitWindowsEx", (void*)recordExitWindowsEx);
    patchImport(module, "KERNEL32.dll", "GetProcAddress", (void*)fakeGetProcAddress);
    patchImport(module, "USER32.dll", "MessageBoxA", (void*)recordMessageBox);
}

void fakePlatform(HMODULE module)
{
    patchImport(module, "KERNEL32.dll", "GetLocalTime", (void*)fakeGetLocalTime);
    patchImport(module, "KERNEL32.dll", "GetTickCount", (void*)fakeGetTickCount);
    patchImport(module, "KERNEL32.dll", "CreateThread", (void*)recordCreateThread);
    patchImportIfAny(module, "KERNEL32.dll", "TerminateThread", (void*)recordTerminateThread);
    s_realGetProfileInt = (UINT(WINAPI*)(LPCSTR, LPCSTR, INT, LPCSTR))patchImport(
        module, "KERNEL32.dll", "GetPrivateProfileIntA", (void*)recordGetProfileInt);
    s_realWriteProfileString = (BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR))patchImport(
        module, "KERNEL32.dll", "WritePrivateProfileStringA", (void*)recordWriteProfileString);
    s_realWriteProfileSection = (BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR))patchImport(
        module, "KERNEL32.dll", "WritePrivateProfileSectionA", (void*)recordWriteProfileSection);
    s_realCreateWaitableTimer = (HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR))patchImport(
        module, "KERNEL32.dll", "CreateWaitableTimerA", (void*)recordCreateWaitableTimer);
    s_realSetWaitableTimer = (BOOL(WINAPI*)(HANDLE, const LARGE_INTEGER*, LONG, PTIMERAPCROUTINE, LPVOID, BOOL))
        patchImport(module, "KERNEL32.dll", "SetWaitableTimer", (void*)fakeSetWaitableTimer);
    patchImport(module, "KERNEL32.dll", "LocalFileTimeToFileTime", (void*)fakeLocalFileTimeToFileTime);
    s_realOpenProcessToken = (BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE))patchImport(
        module, "ADVAPI32.dll", "OpenProcessToken", (void*)countOpenProcessToken);
    patchImport(module, "KERNEL32.dll", "LoadLibraryA", (void*)recordLoadLibrary);
    patchImport(module, "KERNEL32.dll", "FreeLibrary", (void*)countFreeLibrary);
    patchImport(module, "KERNEL32.dll", "IsValidCodePage", (void*)fakeIsValidCodePage);
    patchImportIfAny(module, "USER32.dll", "PostMessageA", (void*)recordPostMessage);
    patchImportIfAny(module, "USER32.dll", "SendMessageA", (void*)recordSendMessage);
    patchImportIfAny(module, "USER32.dll", "SetWindowLongA", (void*)recordSetWindowLongA);
}

SYSTEMTIME localTime(int year, int month, int day, int hour, int minute, int second, int ms)
{
    SYSTEMTIME time = {};
    time.wYear = (WORD)year;
    time.wMonth = (WORD)month;
    time.wDay = (WORD)day;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    time.wSecond = (WORD)second;
    time.wMilliseconds = (WORD)ms;
    return time;
}

LONGLONG utcValue(int year, int month, int day, int hour, int minute, int second, int ms)
{
    SYSTEMTIME time = localTime(year, month, day, hour, minute, second, ms);
    FILETIME value;
    SystemTimeToFileTime(&time, &value);
    return (LONGLONG)fileTimeValue(value);
}

// ---- a plugin under test ------------------------------------------------------

bool g_unicodeWindow;

HWND hostWindow(void)
{
    static HWND windows[2];
    HWND& window = windows[g_unicodeWindow];
    if (!window)
        window = createHostWindow(g_unicodeWindow);
    return window;
}

static char s_startedIniPath[MAX_PATH * 2];

// OK at once, as a user who chose what the settings file of the plugin
// started last now holds (run once as it was).
static INT_PTR WINAPI acceptDialog(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM param)
{
    ConfigValues* chosen = (ConfigValues*)param;
    const char* file = s_startedIniPath;
    g_log.shownEnabled = chosen->enabled;
    chosen->runOnce = chosen->runOnce || g_fakes.chooseRunOnce;
    chosen->enabledForGood = GetPrivateProfileIntA("Nightfold", "Enabled", 0, file) != 0;
    chosen->action = GetPrivateProfileIntA("Nightfold", "Shutdown", 1012, file);
    chosen->force = GetPrivateProfileIntA("Nightfold", "ForceAppsToClose", 0, file) != 0;
    chosen->use24Hour = GetPrivateProfileIntA("Nightfold", "24HourDisplay", 0, file) != 0;
    chosen->hour = GetPrivateProfileIntA("Nightfold", "Hour", 0, file);
    GetPrivateProfileStringA("Nightfold", "Minute", "", chosen->minuteText, sizeof chosen->minuteText, file);
    chosen->fadeMinutes = GetPrivateProfileIntA("Nightfold", "FadeMinutes", 0, file);
    chosen->finishSong = GetPrivateProfileIntA("Nightfold", "FinishSong", 0, file) != 0;
    chosen->notice = GetPrivateProfileIntA("Nightfold", "Notice", 0, file) != 0;
    chosen->idleMinutes = GetPrivateProfileIntA("Nightfold", "IdleMinutes", 30, file);
    chosen->morning = GetPrivateProfileIntA("Nightfold", "Morning", 0, file) != 0;
    chosen->morningHour = GetPrivateProfileIntA("Nightfold", "MorningHour", 0, file);
    GetPrivateProfileStringA("Nightfold", "MorningMinute", "", chosen->morningMinuteText,
                             sizeof chosen->morningMinuteText, file);
    chosen->morningDays = GetPrivateProfileIntA("Nightfold", "MorningDays", 127, file);
    chosen->morningFadeMinutes = GetPrivateProfileIntA("Nightfold", "MorningFadeMinutes", 0, file);
    chosen->morningVolume = GetPrivateProfileIntA("Nightfold", "MorningVolume", 0, file);
    GetPrivateProfileStringA("Nightfold", "MorningPlay", "", chosen->morningPlay, sizeof chosen->morningPlay, file);
    return IDOK;
}

bool loadFaked(const char* path, LoadedPlugin* plugin, bool init)
{
    if (!loadPlugin(path, hostWindow(), plugin))
        return false;
    fakePlatform(plugin->module);
    if (!init)
        return true;
    int result = plugin->header->init();
    return CHECK(result == 0, "init returned %d", result);
}

bool startPlugin(const char* dllPath, const char* name, const char* settings, LoadedPlugin* plugin,
                 HANDLE (*beforeInit)(const char* timerName))
{
    char path[MAX_PATH * 2], iniPath[MAX_PATH * 2], file[MAX_PATH];
    snprintf(file, sizeof file, "%s_%s.dll", g_caseName, name);
    snprintf(iniPath, sizeof iniPath, "%s%s_%s.ini", caseFolder(), g_caseName, name);
    memset(&g_hostLog, 0, sizeof g_hostLog);
    if (!copyDllTo(dllPath, file, path) || !CHECK(writeWholeFile(iniPath, settings), "cannot write %s", iniPath))
        return false;
    if (!loadFaked(path, plugin, false))
        return false;
    snprintf(s_startedIniPath, sizeof s_startedIniPath, "%s", iniPath);
    patchImport(plugin->module, "USER32.dll", "DialogBoxParamA", (void*)acceptDialog);
    if (beforeInit)
        beforeInit(file);
    return CHECK(plugin->header->init() == 0, "init");
}

bool rewriteSettings(const char* name, const char* settings)
{
    char iniPath[MAX_PATH * 2];
    snprintf(iniPath, sizeof iniPath, "%s%s_%s.ini", caseFolder(), g_caseName, name);
    return CHECK(writeWholeFile(iniPath, settings), "cannot write %s", iniPath);
}

static bool exitCommandArrived(void)
{
    return g_hostLog.exitCommands > 0;
}

bool waitForExitCommand(DWORD timeoutMs)
{
    return pumpMessagesUntil(exitCommandArrived, timeoutMs);
}

static volatile LONG* s_counter;
static LONG s_target;

static bool counterReached(void)
{
    return *s_counter >= s_target;
}

bool waitForCount(volatile LONG* counter, LONG target, DWORD timeoutMs)
{
    s_counter = counter;
    s_target = target;
    return pumpMessagesUntil(counterReached, timeoutMs);
}
