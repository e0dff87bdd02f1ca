// The evening worker: waits for the set time of day, carries out the
// evening's plan (logic/evening.cpp) step by step, then asks the player to
// exit.
#include "evening_worker.h"

#include "../dialog/dialog.h"
#include "../logic/duetime.h"
#include "../logic/evening.h"
#include "../logic/paths.h"
#include "../power/power.h"
#include "clock.h"
#include "morning_worker.h"
#include "player.h"
#include "settings.h"
#include "state.h"
#include "words.h"

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
static void publishTonight(const Evening* evening);

static void disable(LONG phase, TextId text)
{
    if (!claimPhase(phase, WORKER_SHOWING))
        return;
    g_state.enabled = FALSE;
    publishTonight(NULL);
    showMessage(text, NO_TEXT, MB_TOPMOST | MB_ICONERROR);
}

// What is set for tonight, shared by the player's thread and the worker.
// The player's thread writes the choice and reads the days only while no
// worker runs (before one starts, after it ended); the worker reads the
// choice when it starts and writes the rest.
struct Day {
    bool known;
    CalendarTime day;  // a local date and the time of day set
    EndAction action;  // the evening's own
};
static struct {
    bool chosen;       // a choice in the player's menu replaces the set time tonight
    EveningKind kind;
    uint64_t at;
    EndAction action;  // tonight's evening's, taken when chosen
    uint32_t tick;     // the tick count at the choice
} s_choice;
static Day s_spent;     // the night of the last evening spent: cancelled, missed, or replaced by a choice
static bool s_onceSpent;  // ... and it was a Run Once's, cancelled or closed
static Day s_armed;     // the set time's evening the worker armed
static uint64_t s_armedAt;
// What the menu shows: TONIGHT_NOTHING, TONIGHT_AT_STOP,
// TONIGHT_WHEN_IDLE, or the close moment; written by the worker, read by
// the player's thread.
static const uint64_t TONIGHT_NOTHING = 0, TONIGHT_AT_STOP = 1, TONIGHT_WHEN_IDLE = 2;
static SharedMoment s_tonight;

static void publishTonight(const Evening* evening)
{
    publishMoment(&s_tonight, !evening                                ? TONIGHT_NOTHING
                              : waitsForStop(*evening)                ? TONIGHT_AT_STOP
                              : evening->kind == EVENING_WHEN_IDLE    ? TONIGHT_WHEN_IDLE
                                                                      : evening->closeAt);
}

// What follows an evening with action that closes at closeAt: the player
// exits, or where a morning is on, playback stops (and the computer sleeps
// until the first morning due after the close, the skip and the mornings
// spent counted). Worked out when it is shown: the mornings may change
// meanwhile.
static EveningFollows followsOf(EndAction action, uint64_t closeAt)
{
    EveningFollows follows = { eveningEnding(false, action), 0, 0, g_state.use24Hour != FALSE };
    CalendarTime wake;
    if (readMorningAfter(closeAt, &wake))
        follows = { eveningEnding(true, action), wake.hour, wake.minute, follows.use24 };
    return follows;
}

EveningFollows nextEveningFollows(void)
{
    // Closed at the player's stop, when idle, or nothing set: after now.
    CalendarTime now;
    uint64_t closeAt = readMoment(&s_tonight), nowUtc;
    if (closeAt <= TONIGHT_WHEN_IDLE && readClock(&now, &nowUtc))
        closeAt = nowUtc;
    return followsOf(g_state.action, closeAt);
}

// The first evening of all due by the clock, on a night later than the one
// spent; its action becomes the one that follows. False when there is none:
// over is then true for a Run Once spent.
static bool nextSetTime(CalendarTime* evening, uint64_t* setTime, bool* over)
{
    CalendarTime now;
    GetLocalTime((SYSTEMTIME*)&now);
    LocalToUtc nowToUtc, targetToUtc;
    dueConversions(&nowToUtc, &targetToUtc);
    bool onceSpent = s_onceSpent && g_state.runOnce;
    DueEntry next = nextEveningDue(now, g_state.evenings, g_state.eveningCount, s_spent.known ? &s_spent.day : NULL,
                                   onceSpent, nowToUtc, targetToUtc);
    *over = onceSpent;
    if (next.entry < 0)
        return false;
    *evening = next.local;
    *setTime = next.due;
    g_state.action = s_armed.action = g_state.evenings[next.entry].action;
    return true;
}

static bool armAt(HANDLE timer, uint64_t due)
{
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = (LONGLONG)due;
    return SetWaitableTimer(timer, &dueTime, 0, NULL, NULL, FALSE) != 0;
}

// How the close ends: the player exits, or where a morning follows,
// playback stops (and the computer sleeps). Set where the evening is armed.
static EveningEnding s_ending;

// Shows the time left until closeAt in the notice, counted from the clock,
// or from the moment the step was planned for while the clock, which ticks
// in steps, still reads before it.
static void showCountdown(HWND notice, uint64_t closeAt, uint64_t planned)
{
    CalendarTime now;
    uint64_t nowUtc;
    if (!readClock(&now, &nowUtc))
        return;
    if (nowUtc < planned)
        nowUtc = planned;
    WCHAR left[WORDS_SIZE], wake[WORDS_SIZE], text[WORDS_SIZE];
    EveningFollows follows = followsOf(g_state.action, closeAt);
    sayMinutesSeconds(secondsUntil(nowUtc, closeAt), left);
    sayTimeOfDay(follows.wakeHour, follows.wakeMinute, follows.use24, wake);
    const WCHAR* values[] = { left, wake };
    sayText(noticeText(g_state.action, g_state.forceAppsToClose, follows), values, 2, text);
    setNoticeText(notice, text);
}

// The volume the worker's fade took from the player, for the player's
// thread to give back when it stops the worker; -1 while none is taken.
static LONG volatile s_fadeFrom = -1;
// The user's answer in the notice (NoticeAnswer), taken by the worker.
static LONG volatile s_answer;

enum Woken { WOKEN_TIMER, WOKEN_ANSWER, WOKEN_STOP, WOKEN_FAILED };

// Waits for the timer, the stop or an answer in the notice; counts the
// notice down once a second meanwhile.
static Woken waitForStep(HANDLE timer, HWND notice, uint64_t closeAt, uint64_t planned)
{
    HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, notice ? 1000 : INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            return WOKEN_STOP;
        if (woken == WAIT_OBJECT_0 + 1)
            return WOKEN_TIMER;
        if (woken == WAIT_FAILED)
            return WOKEN_FAILED;
        dispatchMessages(notice);
        if (s_answer != ANSWER_NONE)
            return WOKEN_ANSWER;
        if (notice)
            showCountdown(notice, closeAt, planned);
    }
}

// Carries out a step of the evening: the volume, the settings' FadeFrom,
// the notice.
static void carryOut(const EveningStep& step, const Evening& evening, uint64_t planned, HWND* notice)
{
    if (step.outcome == EVENING_CLOSE && step.setVolume >= 0) {
        // Silent at the close moment, stopped before the volume comes
        // back: the music never blares.
        setPlayerVolume(0);
        stopPlayback();
    }
    if (step.setVolume >= 0)
        setPlayerVolume(step.setVolume);
    if (step.rememberVolume) {
        s_fadeFrom = evening.fadeFrom;
        rememberFadeFrom(evening.fadeFrom);
    }
    if (step.forgetVolume) {
        s_fadeFrom = -1;
        forgetFadeFrom();
    }
    if ((step.hideNotice || step.outcome != EVENING_GOES_ON) && *notice) {
        closeNotice(*notice);
        *notice = NULL;
    }
    if (step.showNotice && !*notice)
        *notice = showNotice(g_state.instance, &s_answer, closeNowText(s_ending));
    if (*notice)
        showCountdown(*notice, step.closeAt, planned);
}

// The tick of the last playback command the player's window saw that was
// not the plugin's own (the choice's while none came since); written by
// the player's thread.
static DWORD volatile s_lastCommand;

void notePlaybackCommand(void)
{
    s_lastCommand = GetTickCount();
}

// The tick counts at a wake of an evening that comes when idle, the last
// input's read before now's, so that it is not after it. Where the platform
// cannot tell, no input came since the count began.
static IdleTicks readIdleTicks(const Evening& evening)
{
    typedef BOOL(WINAPI * LastInputQuery)(LASTINPUTINFO*);
    LastInputQuery lastInput = (LastInputQuery)(void*)g_state.getLastInputInfo;
    LASTINPUTINFO input = { sizeof input, evening.countTick };
    if (!lastInput || !lastInput(&input))
        input.dwTime = evening.countTick;
    IdleTicks ticks = { 0, input.dwTime, s_lastCommand };
    ticks.now = GetTickCount();
    return ticks;
}

// Where a worker started after this one (at OK in the settings) takes
// tonight's choice up: at the next look for a stop, from the count as it
// stands when idle. Not once the player's thread stopped the worker: the
// choice is its own again.
static void keepChoice(const Evening& evening)
{
    if (!s_choice.chosen || s_phase != WORKER_WAITING)
        return;
    if (evening.kind == EVENING_AT_STOP)
        s_choice.at = evening.lookAt;
    if (evening.kind == EVENING_WHEN_IDLE) {
        s_choice.at = evening.countFrom;
        s_choice.tick = evening.countTick;
    }
}

enum EveningEnd { ENDS_CLOSING, ENDS_TONIGHT, ENDS_MISSED, ENDS_STOPPED, ENDS_FAILED };

// The evening, from the first wake to its end: each step is planned from
// the clock and the answers of the player and of the notice, carried out,
// and the timer armed for the next.
static EveningEnd spendEvening(HANDLE timer, Evening& evening, const EveningOptions& options)
{
    PlayerReport player = { -1, -1, -1, -1 };
    HWND notice = NULL;
    s_answer = ANSWER_NONE;
    // The timer came due at least: a clock read a moment behind it does
    // not make the step wait again.
    uint64_t due = eveningFirstWake(evening, options);
    for (bool ask = asksPlayer(evening, options);;) {
        CalendarTime now;
        uint64_t nowUtc;
        if (!readClock(&now, &nowUtc))
            return ENDS_FAILED;
        if (nowUtc < due)
            nowUtc = due;
        if (ask)
            player = readPlayer(s_stopEvent);
        NoticeAnswer answer = (NoticeAnswer)InterlockedExchange(&s_answer, ANSWER_NONE);
        EveningStep step = evening.kind == EVENING_WHEN_IDLE
                               ? planIdleEvening(&evening, options, nowUtc, readIdleTicks(evening), player, answer)
                               : planEvening(&evening, options, nowUtc, player, answer);
        // The close is claimed before it is carried out: a worker stopped
        // first leaves the volume to the player's thread.
        Woken woken = WOKEN_STOP;
        if (step.outcome != EVENING_CLOSE || claimPhase(WORKER_WAITING, WORKER_FIRING)) {
            carryOut(step, evening, nowUtc, &notice);
            publishTonight(step.outcome == EVENING_GOES_ON ? &evening : NULL);
            if (step.outcome == EVENING_CLOSE)
                return ENDS_CLOSING;
            if (step.outcome != EVENING_GOES_ON)
                return step.outcome == EVENING_CANCELLED ? ENDS_TONIGHT : ENDS_MISSED;
            ask = step.askPlayer;
            keepChoice(evening);
            woken = armAt(timer, step.wakeAt) ? waitForStep(timer, notice, step.closeAt, nowUtc) : WOKEN_FAILED;
            // Answered: at least the moment just planned for, so that the
            // plan never sees the clock go back.
            due = woken == WOKEN_TIMER ? step.wakeAt : nowUtc;
        }
        if (woken == WOKEN_STOP || woken == WOKEN_FAILED) {
            if (notice)
                closeNotice(notice);
            return woken == WOKEN_STOP ? ENDS_STOPPED : ENDS_FAILED;
        }
    }
}

// The night of the evening armed is spent: nothing else of it acts.
static void spendArmed(void)
{
    s_spent = s_armed;
    s_spent.day = nightOf(s_armed.day);
}

// Tonight's evening: the choice made in the player's menu, with tonight's
// action, else the set time's next evening after the night spent.
static bool beginNextEvening(Evening* evening, const EveningOptions& options, bool* over)
{
    *over = false;
    if (s_choice.chosen) {
        g_state.action = s_choice.action;
        if (s_choice.kind == EVENING_WHEN_IDLE)
            idleEveningBegin(evening, options, s_choice.at, s_choice.tick);
        else
            eveningBegin(evening, s_choice.kind, s_choice.at);
        return true;
    }
    if (!nextSetTime(&s_armed.day, &s_armedAt, over))
        return false;
    s_armed.known = true;
    eveningBegin(evening, EVENING_AT_TIME, s_armedAt);
    return true;
}

// Every evening from the next one on, on the worker's own timer, until the
// worker is stopped, its timer fails, or the player is asked to exit.
static void runEvenings(HANDLE timer)
{
    EveningOptions options = { g_state.fadeMinutes, g_state.finishSong != FALSE, g_state.notice != FALSE,
                               g_state.idleMinutes };
    LONG phase = WORKER_ARMING;
    for (;;) {
        // Woken first when the fade or the notice begins, else at the set
        // time itself: nothing runs before.
        Evening evening;
        bool over;
        if (!beginNextEvening(&evening, options, &over) || !armAt(timer, eveningFirstWake(evening, options))) {
            // A Run Once spent is over.
            if (!over)
                disable(phase, T_TIMER_SET_FAILED);
            else if (claimPhase(phase, WORKER_STOPPED))
                g_state.enabled = FALSE;
            return;
        }
        s_ending = followsOf(g_state.action, evening.closeAt).ending;
        if (phase == WORKER_ARMING) {
            if (!claimPhase(WORKER_ARMING, WORKER_WAITING))
                return;
            phase = WORKER_WAITING;
            g_state.fired = FALSE;
        }
        publishTonight(&evening);
        HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
        DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0)
            return;
        EveningEnd end = woken == WAIT_OBJECT_0 + 1 ? spendEvening(timer, evening, options) : ENDS_FAILED;
        switch (end) {
        case ENDS_STOPPED:
            return;
        case ENDS_FAILED:
            disable(WORKER_WAITING, T_TIMER_WAIT_FAILED);
            return;
        case ENDS_CLOSING:
            if (s_ending == ENDING_EXIT) {
                // Before the command: the player may call quit while it handles it.
                g_state.fired = TRUE;
                DWORD error;
                if (!askPlayerToExit(s_stopEvent, &error))
                    showFailure(T_EXIT_NOT_ASKED, error, NO_TEXT, MB_TOPMOST | MB_ICONERROR);
                return;
            }
            // The player stays open for the morning: playback stops, and
            // for Standby/Hibernate the computer sleeps until the morning's
            // timer wakes it. Then the evening is spent.
            stopPlayback();
            if (s_ending == ENDING_STOP_AND_SLEEP)
                runEndAction(ACTION_STANDBY, g_state.forceAppsToClose);
            if (!claimPhase(WORKER_FIRING, WORKER_WAITING))
                return;
            [[fallthrough]];
        case ENDS_TONIGHT:
        case ENDS_MISSED:
            // Cancelled, or slept through (the computer was asleep, or the
            // clock was put forward past it: better than closing the player
            // under a user who just sat down). The set time comes again on
            // a later day; a choice made for a plugin that is not armed
            // leaves nothing, and a Run Once cancelled or spent is over.
            if (s_choice.chosen)
                s_choice.chosen = false;
            else
                spendArmed();
            if (!g_state.enabled)
                return;
            if (end != ENDS_MISSED)
                s_onceSpent = true;
            phase = WORKER_WAITING;
            break;
        }
    }
}

static void runAlarm(void)
{
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, g_state.timerName);
    if (timer && s_stopEvent)
        runEvenings(timer);
    else
        disable(WORKER_ARMING, T_TIMER_CREATE_FAILED);
    if (timer)
        CloseHandle(timer);
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
    showFailure(T_START_FAILED, error, NO_TEXT, MB_TOPMOST | MB_ICONERROR);
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
    if (!waitForThread(worker, bounded ? STOP_TIMEOUT_MS : STOP_RUNNING_TIMEOUT_MS) && !s_workerHoldsPlugin)
        TerminateThread(worker, 0);
    CloseHandle(worker);
    g_state.workerThread = NULL;
    // A fade cut short: the volume as it was, at once. Where the window is
    // gone already, init gives it back at the next start.
    LONG volume = InterlockedExchange(&s_fadeFrom, -1);
    if (volume >= 0 && setPlayerVolume(volume))
        forgetFadeFrom();
    publishTonight(NULL);
}

void rearmAlarm(void)
{
    stopAlarmWorker();
    // A choice made in the menu stays, and so does the evening it replaced.
    if (!g_state.enabled)
        s_choice.chosen = false;
    if (!s_choice.chosen) {
        s_spent.known = false;
        s_onceSpent = false;
    }
    if (g_state.enabled)
        startAlarmWorker();
}

bool readNextEvening(EveningKind* kind, CalendarTime* closeLocal, EveningDay* day)
{
    uint64_t closeAt = readMoment(&s_tonight), nowUtc;
    *kind = closeAt == TONIGHT_AT_STOP ? EVENING_AT_STOP
            : closeAt == TONIGHT_WHEN_IDLE ? EVENING_WHEN_IDLE
                                           : EVENING_AT_TIME;
    *day = EVENING_TONIGHT;
    if (closeAt == TONIGHT_NOTHING || *kind != EVENING_AT_TIME)
        return closeAt != TONIGHT_NOTHING;
    CalendarTime now;
    if (!readClock(&now, &nowUtc) || !toLocalTime(closeAt, closeLocal))
        return false;
    *day = eveningDayOf(now, nowUtc, *closeLocal, closeAt);
    return true;
}

// What is set, when it is tonight's: a choice or a cancel spends it; a
// later day's (tomorrow's, after tonight's was spent) is left alone. Asked
// before the worker is stopped.
static bool setTonight(EveningKind* kind)
{
    CalendarTime close;
    EveningDay day;
    return readNextEvening(kind, &close, &day) && day == EVENING_TONIGHT;
}

// The set time's evening the worker armed, when it is tonight's.
static bool armedTonight(void)
{
    EveningKind kind;
    return setTonight(&kind) && kind == EVENING_AT_TIME;
}

void chooseTonight(EveningKind kind, uint32_t msFromNow)
{
    CalendarTime now;
    uint64_t nowUtc;
    if (!readClock(&now, &nowUtc))
        return;
    bool replacing = armedTonight();
    stopAlarmWorker();
    if (replacing && !s_choice.chosen && s_armed.known)
        spendArmed();
    // Tonight's evening's action: the one replaced or cancelled, else the
    // first evening's. A choice that replaces a choice keeps it.
    if (!s_choice.chosen) {
        bool spentTonight = s_spent.known && isTonightsNight(now, s_spent.day);
        s_choice.action = spentTonight ? s_spent.action : g_state.evenings[0].action;
    }
    s_choice.chosen = true;
    s_choice.kind = kind;
    s_choice.at = nowUtc + msFromNow * 10000ull;
    s_choice.tick = GetTickCount();
    s_lastCommand = s_choice.tick;
    startAlarmWorker();
}

void cancelTonight(void)
{
    EveningKind kind;
    if (!setTonight(&kind))
        return;
    stopAlarmWorker();
    if (s_choice.chosen)
        s_choice.chosen = false;
    else if (s_armed.known)
        spendArmed();
    // As the notice's: Enabled comes again on a later day, a Run Once is over.
    if (g_state.enabled && g_state.runOnce)
        g_state.enabled = FALSE;
    if (g_state.enabled)
        startAlarmWorker();
}
