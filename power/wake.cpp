// Whether a morning can wake this computer from standby or hibernation:
// power management at all, the system's answer to a resume request, and on
// Windows Vista and later the power plan's "Allow wake timers" (on Windows
// 10 and later, also for Windows' own timers only).
#include "power.h"

#include "../core/state.h"
#include "../logic/morning.h"

// A resume request the system will not honour: documented, and as Wine
// answers it.
#ifndef ERROR_TIMER_RESUME_IGNORED
#define ERROR_TIMER_RESUME_IGNORED 722
#endif

typedef DWORD(WINAPI* ActiveSchemeQuery)(HKEY, GUID**);
typedef DWORD(WINAPI* PlanValueRead)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);
typedef BOOL(WINAPI* PowerStatusQuery)(LPSYSTEM_POWER_STATUS);

// The sleep subgroup of a power plan, and its "Allow wake timers" setting
// (the SDK's GUID_SLEEP_SUBGROUP and GUID_ALLOW_RTC_WAKE).
static const GUID SLEEP_SUBGROUP = { 0x238C9FA8, 0x0AAD, 0x41ED, { 0x83, 0xF4, 0x97, 0xBE, 0x24, 0x2C, 0x8F, 0x20 } };
static const GUID WAKE_ON_TIMER = { 0xBD3B718A, 0x0680, 0x4D9D, { 0x8A, 0xB2, 0xE1, 0xD2, 0xB4, 0xAC, 0x80, 0x6D } };

// The system's answer to a resume request, from a timer of the probe's own
// armed a day ahead and cancelled at once. It succeeds either way; only
// the last error tells.
static bool resumeRefused(void)
{
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, NULL);
    if (!timer)
        return false;
    LARGE_INTEGER inADay;
    inADay.QuadPart = -864000000000LL;
    SetLastError(0);
    DWORD error = SetWaitableTimer(timer, &inADay, 0, NULL, NULL, TRUE) ? GetLastError() : 0;
    CancelWaitableTimer(timer);
    CloseHandle(timer);
    return error == ERROR_NOT_SUPPORTED || error == ERROR_TIMER_RESUME_IGNORED;
}

static bool onBattery(void)
{
    PowerStatusQuery query = (PowerStatusQuery)(void*)g_state.getSystemPowerStatus;
    SYSTEM_POWER_STATUS status;
    return query && query(&status) && status.ACLineStatus == 0;
}

// The plan's "Allow wake timers" for one power source: 0 off, 1 on, 2
// (Windows 10 and later) for Windows' own timers only; a value that cannot
// be read counts as on.
static DWORD wakeTimerSetting(HMODULE library, const char* reader, const GUID* scheme)
{
    PlanValueRead readValue = (PlanValueRead)(void*)GetProcAddress(library, reader);
    DWORD value = 1;
    if (!readValue || readValue(NULL, scheme, &SLEEP_SUBGROUP, &WAKE_ON_TIMER, &value) != ERROR_SUCCESS)
        return 1;
    return value;
}

// The active plan's setting for the power source in use (asked only where
// the plan sets mains and battery apart); on where the plan cannot be read
// (before Vista there is none).
static DWORD wakeTimersAllowed(void)
{
    HMODULE library = loadSystemLibrary("POWRPROF.DLL");
    if (!library)
        return 1;
    ActiveSchemeQuery activeScheme = (ActiveSchemeQuery)(void*)GetProcAddress(library, "PowerGetActiveScheme");
    GUID* scheme = NULL;
    DWORD allowed = 1;
    if (activeScheme && activeScheme(NULL, &scheme) == ERROR_SUCCESS && scheme) {
        DWORD mains = wakeTimerSetting(library, "PowerReadACValueIndex", scheme);
        DWORD battery = wakeTimerSetting(library, "PowerReadDCValueIndex", scheme);
        allowed = mains != battery && onBattery() ? battery : mains;
    }
    if (scheme)
        LocalFree(scheme);
    FreeLibrary(library);
    return allowed;
}

// NT 4.0, which has no power management, lacks SetSystemPowerState.
int readWakeLimit(void)
{
    if (!g_state.setSystemPowerState)
        return WAKE_NO_POWER_MANAGEMENT;
    if (resumeRefused())
        return WAKE_REFUSED;
    switch (wakeTimersAllowed()) {
    case 0:
        return WAKE_TIMERS_OFF;
    case 2:
        return WAKE_IMPORTANT_ONLY;
    default:
        return WAKE_ALLOWED;
    }
}
