// The morning worker: waits on its own timer for the next morning and
// carries out the morning's plan (core/morning.cpp) step by step.
#include "wakeup.h"

#include "chime.h"
#include "clock.h"
#include "morning.h"
#include "paths.h"
#include "player.h"
#include "settings.h"
#include "state.h"
#include "words.h"
#include "../dialog/dialog.h"
#include "../power/power.h"
#include "../resources/resource.h"

typedef EXECUTION_STATE(WINAPI* ExecutionStateRequest)(EXECUTION_STATE);
typedef BOOL(WINAPI* SoundRequest)(LPCSTR, HMODULE, DWORD);
typedef UINT(WINAPI* WaveOutputCount)(void);

static HANDLE s_worker;
static HANDLE s_stopEvent;
static bool s_workerHoldsPlugin;
// The morning spent last: the next one comes on a later day.
static bool s_spentKnown;
static CalendarTime s_spent;
// The next morning's due time, 0 while none is armed; during a snooze, the
// moment the music comes back, 0 otherwise. Written by the worker, read by
// the player's thread.
static SharedMoment s_due;
static SharedMoment s_snoozed;
// The volume the morning took from the player, for the player's thread to
// give back when it stops the worker; -1 while none is held.
static LONG volatile s_volumeBefore = -1;
// The user's answer in the morning's notice.
static LONG volatile s_answer;
// The morning could not be armed or waited for, and the user was told;
// its message box holds the worker meanwhile.
static LONG volatile s_notArmed;
static LONG volatile s_telling;

// Armed with the resume flag: Windows wakes the computer for the morning,
// and for each of its later steps (a lid closed meanwhile), where it can.
static bool armToWake(HANDLE timer, uint64_t due)
{
    LARGE_INTEGER dueTime;
    dueTime.QuadPart = (LONGLONG)due;
    return SetWaitableTimer(timer, &dueTime, 0, NULL, NULL, TRUE) != 0;
}

// Tells the user, once, that no morning is armed: the dialog then says so.
static void tellNotSet(DWORD error)
{
    s_notArmed = TRUE;
    s_telling = TRUE;
    showFailure(T_MORNING_NOT_SET, error, NO_TEXT, MB_TOPMOST | MB_ICONERROR);
    s_telling = FALSE;
}

// From the worker: the menu shows no morning, and the user is told unless
// the worker was stopped meanwhile.
static void tellNotArmed(DWORD error)
{
    publishMoment(&s_due, 0);
    publishMoment(&s_snoozed, 0);
    if (WaitForSingleObject(s_stopEvent, 0) != WAIT_OBJECT_0)
        tellNotSet(error);
}

// Keeps the computer awake (a computer that a timer woke goes back to
// sleep after a couple of minutes without it), and the display on while the
// notice is up (Windows leaves it off after a timer woke it); 0 lets both
// go. Asked only when the flags change. Where the call is missing (NT 4.0,
// which does not wake anyway) nothing.
static void keepAwake(EXECUTION_STATE flags, EXECUTION_STATE* kept)
{
    ExecutionStateRequest request = (ExecutionStateRequest)(void*)g_state.setThreadExecutionState;
    if (flags == *kept)
        return;
    *kept = flags;
    if (request)
        request(flags | ES_CONTINUOUS);
}

// The tone: winmm from the system directory, loaded while the tone sounds;
// the image the sound plays is never the one written next.
static HMODULE s_soundLibrary;
static SoundRequest s_playSound;
static uint8_t s_chimes[2][CHIME_BYTES];
static int s_chimeShown;

static bool loadSound(void)
{
    if (s_playSound)
        return true;
    HMODULE library = loadSystemLibrary("winmm.dll");
    if (!library)
        return false;
    WaveOutputCount outputs = (WaveOutputCount)(void*)GetProcAddress(library, "waveOutGetNumDevs");
    SoundRequest play = (SoundRequest)(void*)GetProcAddress(library, "PlaySoundA");
    if (!outputs || !play || !outputs()) {
        FreeLibrary(library);
        return false;
    }
    s_soundLibrary = library;
    s_playSound = play;
    return true;
}

static bool soundTone(int step)
{
    if (!loadSound())
        return false;
    s_chimeShown ^= 1;
    buildChime(s_chimes[s_chimeShown], CHIME_BYTES, step);
    return s_playSound((LPCSTR)s_chimes[s_chimeShown], NULL, SND_MEMORY | SND_ASYNC | SND_LOOP | SND_NODEFAULT) != 0;
}

static void silenceTone(void)
{
    if (!s_playSound)
        return;
    s_playSound(NULL, NULL, 0);
    FreeLibrary(s_soundLibrary);
    s_soundLibrary = NULL;
    s_playSound = NULL;
}

enum Woken { WOKEN_TIMER, WOKEN_ANSWER, WOKEN_STOP, WOKEN_FAILED };

// Waits for the timer, the stop, or an answer in the notice.
static Woken waitForWake(HANDLE timer, HWND notice)
{
    HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0)
            return WOKEN_STOP;
        if (woken == WAIT_OBJECT_0 + 1)
            return WOKEN_TIMER;
        if (woken != WAIT_OBJECT_0 + 2)
            return WOKEN_FAILED;
        dispatchMessages(notice);
        if (s_answer != ANSWER_NONE)
            return WOKEN_ANSWER;
    }
}

// "Good morning: it is 7:00 AM." and its news, at the moment the notice
// showed; while the tone sounds the notice offers Snooze and Stop only.
static void showMorningText(HWND notice, uint64_t greetedAt, MorningNews news, bool tone)
{
    CalendarTime now;
    if (!toLocalTime(greetedAt, &now))
        return;
    WCHAR time[WORDS_SIZE], text[WORDS_SIZE];
    sayTimeOfDay(now.hour, now.minute, g_state.use24Hour != FALSE, time);
    const WCHAR* values[] = { time };
    sayText(morningText(news), values, 1, text);
    setNoticeText(notice, text);
    ShowWindow(GetDlgItem(notice, IDC_CLOSE_NOW), tone ? SW_HIDE : SW_SHOWNA);
}

static void carryOut(const MorningStep& step, const Morning& morning, HWND* notice)
{
    if (step.pause)
        togglePause();
    if (step.stop)
        stopPlayback();
    if (step.silence)
        silenceTone();
    // A volume that cannot be given back (the player is gone) stays in the
    // settings file for the next start to give back.
    bool volumeSet = step.setVolume < 0 || setPlayerVolume(step.setVolume);
    if (step.chooseEntry)
        playChosenEntry(g_state.morningPlay);
    else if (step.play == MORNING_PLAY_START)
        startPlayback();
    else if (step.play == MORNING_PLAY_RESUME)
        togglePause();
    MorningNews news = step.news;
    if (step.toneStep && !soundTone(step.toneStep))
        news = MORNING_CANNOT_SOUND;
    if (step.rememberVolume) {
        s_volumeBefore = morning.volumeBefore;
        rememberFadeFrom(morning.volumeBefore);
    }
    if (step.forgetVolume) {
        s_volumeBefore = -1;
        if (volumeSet)
            forgetFadeFrom();
    }
    if ((step.hideNotice || step.outcome != MORNING_GOES_ON) && *notice) {
        closeNotice(*notice);
        *notice = NULL;
    }
    if (step.showNotice && !*notice)
        *notice = showMorningNotice(g_state.instance, &s_answer);
    if (*notice && news != MORNING_NEWS_NONE)
        showMorningText(*notice, morning.greetedAt, news, morning.toneStep > 0);
    publishMoment(&s_snoozed, morning.begun && !morning.noticeShown && step.outcome == MORNING_GOES_ON
                                  ? morning.comesAt : 0);
}

// The morning, from its first wake to its end: WOKEN_TIMER when it was
// spent, WOKEN_STOP when the worker was stopped meanwhile, WOKEN_FAILED
// when its timer could not be armed or waited for.
static Woken spendMorning(HANDLE timer, uint64_t setTime, const MorningOptions& options)
{
    Morning morning;
    morningBegin(&morning, setTime);
    HWND notice = NULL;
    s_answer = ANSWER_NONE;
    uint64_t due = setTime;
    EXECUTION_STATE kept = 0;
    Woken woken = WOKEN_TIMER;
    for (bool goesOn = true; goesOn && woken != WOKEN_STOP && woken != WOKEN_FAILED;) {
        CalendarTime now;
        uint64_t nowUtc;
        if (!readClock(&now, &nowUtc)) {
            woken = WOKEN_FAILED;
            break;
        }
        // The timer came due at least: a clock read a moment behind it does
        // not make the step wait again.
        if (nowUtc < due)
            nowUtc = due;
        PlayerReport player = readPlayer(s_stopEvent);
        int32_t entries = readPlaylistLength();
        NoticeAnswer answer = (NoticeAnswer)InterlockedExchange(&s_answer, ANSWER_NONE);
        MorningStep step = planMorning(&morning, options, nowUtc, player, entries, answer);
        carryOut(step, morning, &notice);
        keepAwake(step.keepAwake ? ES_SYSTEM_REQUIRED | (notice ? ES_DISPLAY_REQUIRED : 0) : 0, &kept);
        goesOn = step.outcome == MORNING_GOES_ON;
        if (goesOn) {
            woken = armToWake(timer, step.wakeAt) ? waitForWake(timer, notice) : WOKEN_FAILED;
            due = woken == WOKEN_TIMER ? step.wakeAt : nowUtc;
        }
    }
    DWORD error = GetLastError();
    if (notice)
        closeNotice(notice);
    silenceTone();
    keepAwake(0, &kept);
    SetLastError(error);
    return woken == WOKEN_STOP || woken == WOKEN_FAILED ? woken : WOKEN_TIMER;
}

// The next morning after the one spent, and its due time; a time of day
// that is none fails as an invalid time.
static bool nextMorningDue(CalendarTime* day, uint64_t* due)
{
    CalendarTime now;
    GetLocalTime((SYSTEMTIME*)&now);
    *day = nextMorning(now, s_spentKnown ? &s_spent : NULL, g_state.morningHour, g_state.morningMinute,
                       g_state.morningDays);
    SetLastError(ERROR_INVALID_TIME);
    return dueTimeOf(now, *day, due);
}

// Every morning from the next one on, until the worker is stopped or its
// timer fails; a failure is told.
static void runMorning(void)
{
    char name[MAX_PATH + 16];
    wsprintfA(name, "%s morning", g_state.timerName);
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, name);
    MorningOptions options = { g_state.morningFadeMinutes, g_state.morningVolume, g_state.morningPlay[0] != 0 };
    Woken woken = timer ? WOKEN_TIMER : WOKEN_FAILED;
    while (woken == WOKEN_TIMER) {
        CalendarTime day;
        uint64_t due;
        if (!nextMorningDue(&day, &due) || !armToWake(timer, due)) {
            woken = WOKEN_FAILED;
            break;
        }
        publishMoment(&s_due, due);
        HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
        DWORD waited = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        woken = waited == WAIT_OBJECT_0 + 1 ? WOKEN_TIMER : waited == WAIT_OBJECT_0 ? WOKEN_STOP : WOKEN_FAILED;
        if (woken != WOKEN_TIMER)
            break;
        publishMoment(&s_due, 0);
        woken = spendMorning(timer, due, options);
        s_spent = day;
        s_spentKnown = woken == WOKEN_TIMER;
    }
    if (woken == WOKEN_FAILED)
        tellNotArmed(GetLastError());
    publishMoment(&s_due, 0);
    publishMoment(&s_snoozed, 0);
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

// How long the player's thread waits for the worker: longer while it
// carries a step out, briefly while its failure message waits for the user.
static const DWORD STOP_TIMEOUT_MS = 5000;
static const DWORD STOP_TELLING_TIMEOUT_MS = 500;

void stopMorning(void)
{
    if (!s_worker)
        return;
    SetEvent(s_stopEvent);
    DWORD timeout = s_telling ? STOP_TELLING_TIMEOUT_MS : STOP_TIMEOUT_MS;
    if (!waitForThread(s_worker, timeout) && !s_workerHoldsPlugin)
        TerminateThread(s_worker, 0);
    CloseHandle(s_worker);
    s_worker = NULL;
    LONG volume = InterlockedExchange(&s_volumeBefore, -1);
    if (volume >= 0 && setPlayerVolume(volume))
        forgetFadeFrom();
    publishMoment(&s_due, 0);
    publishMoment(&s_snoozed, 0);
}

void rearmMorning(void)
{
    stopMorning();
    s_spentKnown = false;
    s_notArmed = FALSE;
    if (!g_state.morning)
        return;
    if (!s_stopEvent)
        s_stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!s_stopEvent || !ResetEvent(s_stopEvent)) {
        tellNotSet(GetLastError());
        return;
    }
    HMODULE self = referencePlugin();
    s_workerHoldsPlugin = self != NULL;
    DWORD id;
    s_worker = CreateThread(NULL, 0, morningWorker, self, 0, &id);
    if (s_worker)
        return;
    DWORD error = GetLastError();
    if (self)
        FreeLibrary(self);
    tellNotSet(error);
}

bool readMorning(CalendarTime* local, bool* snoozed)
{
    uint64_t until = readMoment(&s_snoozed);
    *snoozed = until != 0;
    uint64_t due = until ? until : readMoment(&s_due);
    return due && toLocalTime(due, local);
}

bool morningNotArmed(void)
{
    return g_state.morning && s_notArmed;
}
