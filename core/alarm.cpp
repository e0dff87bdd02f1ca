// The alarm worker: waits for the set time of day, then asks the player to
// exit.
#include "plugin.h"

#include "duetime.h"
#include "paths.h"

static_assert(sizeof(CalendarTime) == sizeof(SYSTEMTIME), "CalendarTime is laid out as SYSTEMTIME");

static const char CREATE_FAILED[] =
    "Failed to create a Waitable Timer.  The plugin has been temporarily disabled.";
static const char SET_FAILED[] =
    "Failed to set the Waitable Timer.  The plugin has been temporarily disabled.";

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

static DWORD disable(const char* text)
{
    g_state.enabled = FALSE;
    MessageBoxA(NULL, text, PRODUCT_TEXT, MB_TOPMOST | MB_ICONERROR);
    return 0;
}

DWORD WINAPI alarmWorker(LPVOID)
{
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, g_state.timerName);
    g_state.timer = timer;
    if (!timer)
        return disable(CREATE_FAILED);

    union {
        SYSTEMTIME system;
        CalendarTime calendar;
    } now;
    GetLocalTime(&now.system);
    uint64_t due;
    if (!computeDueTime(now.calendar, g_state.hour, g_state.minute, g_state.second,
                        toUtcWithCurrentBias,
                        g_state.zoneLocalToUtc ? toUtcWithBiasOfTheDay : toUtcWithCurrentBias, &due))
        return disable(SET_FAILED);
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = (LONGLONG)due;
    if (!SetWaitableTimer(timer, &dueTime, 0, NULL, NULL, FALSE))
        return disable(SET_FAILED);

    g_state.fired = FALSE;
    markWorkerSettled(TRUE);
    WaitForSingleObject(timer, INFINITE);
    // Before the command: the player may call quit while it handles it.
    g_state.fired = TRUE;
    SendMessageA(g_header.hostWindow, WM_COMMAND, HOST_CMD_EXIT, 0);
    // The thread's end runs under the loader's lock again.
    markWorkerSettled(FALSE);
    return 0;
}
