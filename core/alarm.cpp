// The alarm worker: waits for the set time of day, then asks the player to
// exit.
#include "plugin.h"

#include "duetime.h"
#include "paths.h"
#include "zone_rules.h"

static_assert(sizeof(CalendarTime) == sizeof(SYSTEMTIME), "CalendarTime is laid out as SYSTEMTIME");
static_assert(sizeof(ZoneInformation) == sizeof(TIME_ZONE_INFORMATION) &&
                  offsetof(ZoneInformation, daylightBias) == offsetof(TIME_ZONE_INFORMATION, DaylightBias),
              "ZoneInformation is laid out as TIME_ZONE_INFORMATION");

static const char CREATE_FAILED[] =
    "Failed to create a Waitable Timer.  The plugin has been temporarily disabled.";
static const char SET_FAILED[] =
    "Failed to set the Waitable Timer.  The plugin has been temporarily disabled.";
static const char WAIT_FAILED_TEXT[] =
    "Failed to wait for the Waitable Timer.  The plugin has been temporarily disabled.";

typedef BOOL(WINAPI* ZoneLocalToUtc)(LPTIME_ZONE_INFORMATION, const SYSTEMTIME*, LPSYSTEMTIME);

static uint64_t fileTimeValue(const FILETIME& time)
{
    return ((uint64_t)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

// With the time-zone bias in force at this moment, whatever day local is on.
static bool toUtcWithCurrentBias(const CalendarTime* local, uint64_t* utc)
{
    FILETIME localTime, utcTime;
    if (!SystemTimeToFileTime((const SYSTEMTIME*)local, &localTime) ||
        !LocalFileTimeToFileTime(&localTime, &utcTime))
        return false;
    *utc = fileTimeValue(utcTime);
    return true;
}

// With the bias in force on local's own day, where the platform converts
// per day (XP and later).
static bool toUtcWithBiasOfTheDay(const CalendarTime* local, uint64_t* utc)
{
    SYSTEMTIME utcDate;
    FILETIME utcTime;
    if (!((ZoneLocalToUtc)(void*)g_state.zoneLocalToUtc)(NULL, (const SYSTEMTIME*)local, &utcDate) ||
        !SystemTimeToFileTime(&utcDate, &utcTime))
        return false;
    *utc = fileTimeValue(utcTime);
    return true;
}

// The same, from the zone's rules, where the platform cannot convert by the
// day itself.
static bool toUtcWithRulesOfTheDay(const CalendarTime* local, uint64_t* utc)
{
    ZoneInformation zone;
    if (GetTimeZoneInformation((LPTIME_ZONE_INFORMATION)&zone) == TIME_ZONE_ID_INVALID)
        return false;
    *utc = zoneLocalToUtc(zone, *local);
    return true;
}

// Where the current worker stands, for the player's thread to stop it
// safely. Each step is claimed with one atomic exchange by whichever side
// comes first, so a stopped worker never clears the alarm, fires or shows a
// message, and a firing one is never stopped.
enum WorkerPhase {
    WORKER_ARMING,   // creating and arming its timer
    WORKER_WAITING,  // armed: the stop event ends its wait
    WORKER_FIRING,   // its alarm came: it posts the exit command and ends
    WORKER_SHOWING,  // its failure message holds it until the user answers
    WORKER_STOPPED,  // the player's thread stopped it
};
static LONG volatile s_phase;
// Ends a worker's wait; set by the player's thread, reset for each worker.
static HANDLE s_stopEvent;

// Takes the phase from one step to the next; false when the player's thread
// stopped the worker first.
static bool claimPhase(LONG from, LONG to)
{
    return InterlockedCompareExchange(&s_phase, to, from) == from;
}

// A stopped worker leaves the plugin's state alone: a new worker may own it.
static void disable(LONG phase, const char* text)
{
    if (!claimPhase(phase, WORKER_SHOWING))
        return;
    g_state.enabled = FALSE;
    MessageBoxA(NULL, text, PRODUCT_TEXT, MB_TOPMOST | MB_ICONERROR);
}

// The current moment as a UTC FILETIME value, from the local clock.
static bool readClock(CalendarTime* now, uint64_t* nowUtc)
{
    GetLocalTime((SYSTEMTIME*)now);
    return toUtcWithCurrentBias(now, nowUtc);
}

// Arms the timer for the next occurrence of the set time, read afresh from
// the clock.
static bool armTimer(HANDLE timer, uint64_t* due)
{
    CalendarTime now;
    uint64_t nowUtc;
    if (!readClock(&now, &nowUtc) ||
        !computeDueTime(now, g_state.hour, g_state.minute, g_state.second, toUtcWithCurrentBias,
                        g_state.zoneLocalToUtc ? toUtcWithBiasOfTheDay : toUtcWithRulesOfTheDay, due))
        return false;
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = (LONGLONG)*due;
    return SetWaitableTimer(timer, &dueTime, 0, NULL, NULL, FALSE) != 0;
}

// A wait that ends this long after its due time was slept through, or the
// clock was put forward past it.
static const uint64_t MISSED_AFTER = 60 * ONE_SECOND;

static bool alarmMissed(uint64_t due)
{
    CalendarTime now;
    uint64_t nowUtc;
    return readClock(&now, &nowUtc) && nowUtc > due + MISSED_AFTER;
}

// The exit command is posted: the worker never waits for the player's
// thread, which may be inside quit. A full queue is tried again for a while,
// then reported: the player would otherwise stay open with nobody knowing.
static const DWORD POST_RETRY_MS = 100;
static const int POST_TRIES = 50;
static const char NOT_POSTED[] =
    "Nightfold could not ask Winamp to close at the set time.  Close Winamp yourself; "
    "the chosen system shutdown follows.";

static void askPlayerToExit(void)
{
    for (int tries = 0; tries < POST_TRIES; ++tries) {
        if (PostMessageA(g_header.hostWindow, WM_COMMAND, HOST_CMD_EXIT, 0))
            return;
        DWORD error = GetLastError();
        if (WaitForSingleObject(s_stopEvent, POST_RETRY_MS) != WAIT_TIMEOUT)
            return;  // the player is leaving anyway
        if (tries + 1 == POST_TRIES)
            showFailure(NOT_POSTED, error, PRODUCT_TEXT, MB_TOPMOST | MB_ICONERROR);
    }
}

static void runAlarm(void)
{
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, g_state.timerName);
    g_state.timer = timer;
    if (!timer || !s_stopEvent) {
        disable(WORKER_ARMING, CREATE_FAILED);
        return;
    }
    uint64_t due;
    if (!armTimer(timer, &due)) {
        disable(WORKER_ARMING, SET_FAILED);
        return;
    }
    if (!claimPhase(WORKER_ARMING, WORKER_WAITING))
        return;
    g_state.fired = FALSE;
    HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
    for (;;) {
        DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0)
            return;
        if (woken != WAIT_OBJECT_0 + 1) {
            disable(WORKER_WAITING, WAIT_FAILED_TEXT);
            return;
        }
        if (!alarmMissed(due))
            break;
        // Woken long after the set time: wait for its next occurrence
        // rather than close the player under a user who just sat down.
        if (!armTimer(timer, &due)) {
            disable(WORKER_WAITING, SET_FAILED);
            return;
        }
    }
    if (!claimPhase(WORKER_WAITING, WORKER_FIRING))
        return;
    // Before the command: the player may call quit while it handles it.
    g_state.fired = TRUE;
    askPlayerToExit();
}

// module is the worker's own reference to the plugin, taken for it by the
// player's thread, or NULL where none could be had: with it the worker
// ends outside the plugin's code, so the player may free the plugin at
// any moment.
DWORD WINAPI alarmWorker(LPVOID module)
{
    runAlarm();
    if (module)
        FreeLibraryAndExitThread((HMODULE)module, 0);
    return 0;
}

static const char START_FAILED[] = "Failed to start the alarm.  The plugin has been temporarily disabled.";

// The worker's reference to the plugin, by the module's own path; NULL
// when the path cannot be had whole.
static HMODULE referencePlugin(void)
{
    char path[MAX_PATH];
    return readModulePath(g_header.instance, path) ? LoadLibraryA(path) : NULL;
}

// Whether the current worker holds a reference to the plugin.
static bool s_workerHoldsPlugin;

void startAlarmWorker(void)
{
    if (!s_stopEvent)
        s_stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (s_stopEvent)
        ResetEvent(s_stopEvent);
    s_phase = WORKER_ARMING;
    HMODULE self = referencePlugin();
    s_workerHoldsPlugin = self != NULL;
    g_state.workerThread = CreateThread(NULL, 0, alarmWorker, self, 0, &g_state.workerThreadId);
    if (g_state.workerThread)
        return;
    // No alarm: say so, as a timer that fails does.
    DWORD error = GetLastError();
    if (self)
        FreeLibrary(self);
    g_state.enabled = FALSE;
    showFailure(START_FAILED, error, PRODUCT_TEXT, MB_TOPMOST | MB_ICONERROR);
}

// How long the player's thread waits for a worker that fired or shows its
// failure message, which may take the user's time; a worker that is
// arming or waiting ends within milliseconds of the stop.
static const DWORD STOP_TIMEOUT_MS = 500;
static const DWORD STOP_RUNNING_TIMEOUT_MS = 5000;

// Stops the current worker, if any, and waits for it to end. A worker that
// holds its own reference to the plugin may outlive the wait (its failure
// message waits for the user): it no longer touches the plugin's state,
// and ends outside the plugin's code. One without a reference must not
// outlive quit: it is terminated, once it had time to settle in its
// message box. A thread terminated anywhere else may hold a platform lock
// for good (the loader's while it starts or ends), and the player would
// hang at its next thread or library load.
void stopAlarmWorker(void)
{
    HANDLE worker = g_state.workerThread;
    if (!worker)
        return;
    LONG phase = InterlockedExchange(&s_phase, WORKER_STOPPED);
    if (s_stopEvent)
        SetEvent(s_stopEvent);
    bool bounded = phase == WORKER_FIRING || phase == WORKER_SHOWING;
    if (WaitForSingleObject(worker, bounded ? STOP_TIMEOUT_MS : STOP_RUNNING_TIMEOUT_MS) == WAIT_TIMEOUT &&
        !s_workerHoldsPlugin)
        TerminateThread(worker, 0);
}
