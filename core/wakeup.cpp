// The morning worker: waits on its own timer for the next morning and
// carries out the morning's plan (core/morning.cpp) step by step.
#include "wakeup.h"

#include "clock.h"
#include "morning.h"
#include "player.h"
#include "settings.h"
#include "state.h"
#include "../dialog/dialog.h"

typedef EXECUTION_STATE(WINAPI* ExecutionStateRequest)(EXECUTION_STATE);

static HANDLE s_worker;
static HANDLE s_stopEvent;
static bool s_workerHoldsPlugin;
// The morning spent last: the next one comes on a later day.
static bool s_spentKnown;
static CalendarTime s_spent;
// The next morning's due time, 0 while none is armed; written by the
// worker, read by the player's thread.
static SharedMoment s_due;
// The volume a fade-in took from the player, for the player's thread to
// give back when it stops the worker; -1 while none is held.
static LONG volatile s_fadeTo = -1;
// The user's answer in the morning's notice.
static LONG volatile s_answer;

// Armed with the resume flag: Windows wakes the computer for the morning,
// and for each of its later steps (a lid closed meanwhile), where it can.
static bool armToWake(HANDLE timer, uint64_t due)
{
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = (LONGLONG)due;
    return SetWaitableTimer(timer, &dueTime, 0, NULL, NULL, TRUE) != 0;
}

// Keeps the computer awake (a computer that a timer woke goes back to
// sleep after a couple of minutes without it), or lets it sleep again.
// Where the call is missing (NT 4.0, which does not wake anyway) nothing.
static void keepAwake(bool on)
{
    ExecutionStateRequest request = (ExecutionStateRequest)(void*)g_state.setThreadExecutionState;
    if (request)
        request(on ? ES_SYSTEM_REQUIRED | ES_CONTINUOUS : ES_CONTINUOUS);
}

enum Woken { WOKEN_TIMER, WOKEN_ANSWER, WOKEN_STOP };

// Waits for the timer, the stop, or an answer in the notice.
static Woken waitForWake(HANDLE timer, HWND notice)
{
    HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 + 1)
            return WOKEN_TIMER;
        if (woken != WAIT_OBJECT_0 + 2)
            return WOKEN_STOP;
        dispatchMessages(notice);
        if (s_answer != ANSWER_NONE)
            return WOKEN_ANSWER;
    }
}

// "Good morning: it is 7:00 AM.", at the moment the music comes.
static void showMorningText(HWND notice, uint64_t nowUtc, bool nothingToPlay)
{
    CalendarTime now;
    char text[96];
    if (!toLocalTime(nowUtc, &now))
        return;
    formatMorningText(text, sizeof text, now.hour, now.minute, g_state.use24Hour != FALSE, nothingToPlay);
    setNoticeText(notice, text);
}

static void carryOut(const MorningStep& step, const Morning& morning, uint64_t now, bool awake, HWND* notice)
{
    if (step.keepAwake && !awake)
        keepAwake(true);
    if (step.pause)
        togglePause();
    if (step.stop)
        stopPlayback();
    // A volume that cannot be given back (the player is gone) stays in the
    // settings file for the next start to give back.
    bool volumeSet = step.setVolume < 0 || setPlayerVolume(step.setVolume);
    if (step.play == MORNING_PLAY_START)
        startPlayback();
    else if (step.play == MORNING_PLAY_RESUME)
        togglePause();
    if (step.rememberVolume) {
        s_fadeTo = morning.fadeTo;
        rememberFadeFrom(g_state.iniPath, morning.fadeTo);
    }
    if (step.forgetVolume) {
        s_fadeTo = -1;
        if (volumeSet)
            forgetFadeFrom(g_state.iniPath);
    }
    if ((step.hideNotice || step.outcome != MORNING_GOES_ON) && *notice) {
        closeNotice(*notice);
        *notice = NULL;
    }
    if (step.showNotice && !*notice)
        *notice = showMorningNotice(g_state.instance, &s_answer);
    if (*notice && (step.showNotice || step.nothingToPlay))
        showMorningText(*notice, now, step.nothingToPlay);
}

// The morning, from its first wake to its end; false when the worker was
// stopped meanwhile.
static bool spendMorning(HANDLE timer, uint64_t setTime, const MorningOptions& options)
{
    Morning morning;
    morningBegin(&morning, setTime);
    HWND notice = NULL;
    s_answer = ANSWER_NONE;
    uint64_t due = setTime;
    bool goesOn = true, awake = false;
    Woken woken = WOKEN_TIMER;
    while (goesOn && woken != WOKEN_STOP) {
        CalendarTime now;
        uint64_t nowUtc;
        if (!readClock(&now, &nowUtc))
            break;
        // The timer came due at least: a clock read a moment behind it does
        // not make the step wait again.
        if (nowUtc < due)
            nowUtc = due;
        PlayerReport player = readPlayer(s_stopEvent);
        int32_t entries = readPlaylistLength();
        NoticeAnswer answer = (NoticeAnswer)InterlockedExchange(&s_answer, ANSWER_NONE);
        MorningStep step = planMorning(&morning, options, nowUtc, player, entries, answer);
        carryOut(step, morning, nowUtc, awake, &notice);
        awake = awake || step.keepAwake;
        goesOn = step.outcome == MORNING_GOES_ON;
        if (goesOn) {
            woken = armToWake(timer, step.wakeAt) ? waitForWake(timer, notice) : WOKEN_STOP;
            due = woken == WOKEN_TIMER ? step.wakeAt : nowUtc;
        }
    }
    if (notice)
        closeNotice(notice);
    if (awake)
        keepAwake(false);
    return woken != WOKEN_STOP;
}

// The next morning after the one spent, and its due time.
static bool nextMorningDue(CalendarTime* day, uint64_t* due)
{
    CalendarTime now;
    GetLocalTime((SYSTEMTIME*)&now);
    *day = nextMorning(now, s_spentKnown ? &s_spent : NULL, g_state.morningHour, g_state.morningMinute,
                       g_state.morningDays);
    return dueTimeOf(now, *day, due);
}

static void runMorning(void)
{
    char name[MAX_PATH + 16];
    wsprintfA(name, "%s morning", g_state.timerName);
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, name);
    MorningOptions options = { g_state.morningFadeMinutes };
    for (bool running = timer != NULL; running;) {
        CalendarTime day;
        uint64_t due;
        if (!nextMorningDue(&day, &due) || !armToWake(timer, due))
            break;
        publishMoment(&s_due, due);
        HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
        running = WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1 &&
                  spendMorning(timer, due, options);
        s_spent = day;
        s_spentKnown = running;
    }
    publishMoment(&s_due, 0);
    if (timer)
        CloseHandle(timer);
}

// module: the worker's own reference to the plugin, or NULL.
static DWORD WINAPI morningWorker(LPVOID module)
{
    runMorning();
    if (module)
        FreeLibraryAndExitThread((HMODULE)module, 0);
    return 0;
}

static const DWORD STOP_TIMEOUT_MS = 5000;

void stopMorning(void)
{
    if (!s_worker)
        return;
    SetEvent(s_stopEvent);
    if (!waitForThread(s_worker, STOP_TIMEOUT_MS) && !s_workerHoldsPlugin)
        TerminateThread(s_worker, 0);
    CloseHandle(s_worker);
    s_worker = NULL;
    LONG volume = InterlockedExchange(&s_fadeTo, -1);
    if (volume >= 0 && setPlayerVolume(volume))
        forgetFadeFrom(g_state.iniPath);
    publishMoment(&s_due, 0);
}

void rearmMorning(void)
{
    stopMorning();
    s_spentKnown = false;
    if (!g_state.morning)
        return;
    if (!s_stopEvent)
        s_stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!s_stopEvent)
        return;
    ResetEvent(s_stopEvent);
    HMODULE self = referencePlugin();
    s_workerHoldsPlugin = self != NULL;
    DWORD id;
    s_worker = CreateThread(NULL, 0, morningWorker, self, 0, &id);
    if (!s_worker && self)
        FreeLibrary(self);
}

bool readMorning(CalendarTime* local)
{
    uint64_t due = readMoment(&s_due);
    return due && toLocalTime(due, local);
}
