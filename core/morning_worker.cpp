// The morning worker: waits on its own timer for the next morning and
// carries out the morning's plan (logic/morning.cpp) step by step.
#include "morning_worker.h"

#include "../dialog/dialog.h"
#include "../logic/chime.h"
#include "../logic/morning.h"
#include "../logic/paths.h"
#include "../power/power.h"
#include "../resources/resource.h"
#include "clock.h"
#include "player.h"
#include "settings.h"
#include "state.h"
#include "words.h"

typedef EXECUTION_STATE(WINAPI* ExecutionStateRequest)(EXECUTION_STATE);
typedef BOOL(WINAPI* SoundRequest)(LPCSTR, HMODULE, DWORD);
typedef UINT(WINAPI* WaveOutputCount)(void);

static HANDLE s_worker;
static HANDLE s_stopEvent;
static bool s_workerHoldsPlugin;
// Where the current worker stands, for the player's thread to stop it
// safely, as the evening worker's: a stopped worker publishes nothing more,
// and a worker that shows its failure message is waited for briefly.
enum WorkerPhase {
    WORKER_RUNNING,  // arming, waiting, or carrying a morning out
    WORKER_SHOWING,  // its failure message holds it until the user answers
    WORKER_STOPPED,  // the player's thread stopped it
};
static LONG volatile s_phase;
// Each morning's day spent last (rung, missed or skipped), known where its
// bit is set: it comes next on a later day. Written and read by one thread
// at a time (the worker, or the player's thread while no worker runs), which
// publishes each change for any thread to read whole (readSpent): into the
// slot the generation does not name, which then moves to it.
struct SpentMornings {
    CalendarTime days[MAX_ENTRIES];
    uint32_t known;
};
static SpentMornings s_spent;
static SpentMornings s_spentSlots[2];
static LONG volatile s_spentGeneration;
// The morning armed, or the one under way, as the worker chose it.
static DueEntry s_next = { -1 };
// A morning skipped from the player's menu: the entry, its moment, and what
// it had spent before, to undo the skip until its moment.
static struct {
    bool on;
    int entry;
    uint64_t due;
    CalendarTime spentBefore;
    bool knownBefore;
} s_skip;
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
// The morning could not be armed or waited for, and the user was told.
static LONG volatile s_notArmed;

static void publishSpent(void)
{
    s_spentSlots[(s_spentGeneration + 1) & 1] = s_spent;
    InterlockedIncrement(&s_spentGeneration);
}

// The generation, read with a barrier: a compare that never changes it.
static LONG spentGeneration(void)
{
    return InterlockedCompareExchange(&s_spentGeneration, 0, 0);
}

// The mornings spent as published last; taken again where two changes were
// published meanwhile, the second into the slot being read.
static SpentMornings readSpent(void)
{
    for (;;) {
        LONG generation = spentGeneration();
        SpentMornings copy = s_spentSlots[generation & 1];
        if (spentGeneration() == generation)
            return copy;
    }
}

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
    showFailure(T_MORNING_NOT_SET, error, NO_TEXT, MB_TOPMOST | MB_ICONERROR);
}

// From the worker, unless the player's thread stopped it first: the menu
// shows no morning, and the user is told.
static void tellNotArmed(DWORD error)
{
    if (InterlockedCompareExchange(&s_phase, WORKER_SHOWING, WORKER_RUNNING) != WORKER_RUNNING)
        return;
    publishMoment(&s_due, 0);
    publishMoment(&s_snoozed, 0);
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

static void carryOut(const MorningStep& step, const Morning& morning, const char* play, HWND* notice)
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
        playChosenEntry(play);
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

// The morning of entry, from its first wake to its end: WOKEN_TIMER when it
// was spent, WOKEN_STOP when the worker was stopped meanwhile, WOKEN_FAILED
// when its timer could not be armed or waited for. A morning that comes at
// takeOver (0: none) ends this one as Stop does, and the function returns.
static Woken spendMorning(HANDLE timer, uint64_t setTime, const MorningEntry& entry, uint64_t takeOver)
{
    MorningOptions options = { entry.fadeMinutes, entry.volume, entry.play[0] != 0 };
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
        if (takeOver && nowUtc >= takeOver && morning.begun)
            answer = ANSWER_CANCEL;
        MorningStep step = planMorning(&morning, options, nowUtc, player, entries, answer);
        carryOut(step, morning, entry.play, &notice);
        keepAwake(step.keepAwake ? ES_SYSTEM_REQUIRED | (notice ? ES_DISPLAY_REQUIRED : 0) : 0, &kept);
        goesOn = step.outcome == MORNING_GOES_ON;
        if (goesOn) {
            uint64_t wakeAt = takeOver && takeOver < step.wakeAt ? takeOver : step.wakeAt;
            woken = armToWake(timer, wakeAt) ? waitForWake(timer, notice) : WOKEN_FAILED;
            due = woken == WOKEN_TIMER ? wakeAt : nowUtc;
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

// The next morning of all after the ones spent, from one read of the
// clock; a time of day that is none fails as an invalid time.
static bool nextMorningDue(DueEntry* next)
{
    CalendarTime now;
    GetLocalTime((SYSTEMTIME*)&now);
    LocalToUtc nowToUtc, targetToUtc;
    dueConversions(&nowToUtc, &targetToUtc);
    *next = nextMorningDue(now, g_state.mornings, g_state.morningCount, s_spent.days, s_spent.known, nowToUtc,
                           targetToUtc);
    SetLastError(ERROR_INVALID_TIME);
    return next->entry >= 0;
}

// The mornings of next are spent: each comes again on a later day.
static void spend(const DueEntry& next)
{
    spendMornings(next, s_spent.days, &s_spent.known);
    publishSpent();
}

// Woken for the morning armed: the one that sounds now, the latest of those
// whose moments have come (the computer may have slept through some), all
// of them spent. The timer came due at least: a clock read a moment behind
// it weighs none after it.
static DueEntry spendUntilNow(const DueEntry& armed)
{
    CalendarTime now;
    uint64_t nowUtc;
    if (!readClock(&now, &nowUtc) || nowUtc < armed.due)
        nowUtc = armed.due;
    LocalToUtc nowToUtc, targetToUtc;
    dueConversions(&nowToUtc, &targetToUtc);
    DueEntry latest = latestMorningDue(armed, nowUtc, g_state.mornings, g_state.morningCount, s_spent.days,
                                       &s_spent.known, targetToUtc);
    publishSpent();
    return latest;
}

// Every morning from the next one on, until the worker is stopped or its
// timer fails; a failure is told. A morning that comes while another is
// under way takes over from it.
static void runMorning(void)
{
    char name[MAX_PATH + 16];
    wsprintfA(name, "%s morning", g_state.timerName);
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, name);
    Woken woken = timer ? WOKEN_TIMER : WOKEN_FAILED;
    bool due = false;  // the next morning's moment has come: no wait
    while (woken == WOKEN_TIMER) {
        if (!due && (!nextMorningDue(&s_next) || !armToWake(timer, s_next.due))) {
            woken = WOKEN_FAILED;
            break;
        }
        if (!due) {
            publishMoment(&s_due, s_next.due);
            HANDLE events[2] = { s_stopEvent, timer };  // the stop wins a tie
            DWORD waited = WaitForMultipleObjects(2, events, FALSE, INFINITE);
            woken = waited == WAIT_OBJECT_0 + 1 ? WOKEN_TIMER : waited == WAIT_OBJECT_0 ? WOKEN_STOP : WOKEN_FAILED;
            if (woken != WOKEN_TIMER)
                break;
        }
        publishMoment(&s_due, 0);
        // Spent before it sounds: the one after it may take over.
        DueEntry current = spendUntilNow(s_next);
        DueEntry following;
        bool follows = nextMorningDue(&following);
        woken = spendMorning(timer, current.due, g_state.mornings[current.entry], follows ? following.due : 0);
        // Taken over: the following morning's moment has come.
        CalendarTime now;
        uint64_t nowUtc;
        due = woken == WOKEN_TIMER && follows && readClock(&now, &nowUtc) && nowUtc >= following.due;
        if (due)
            s_next = following;
    }
    // Stopped: the player's thread clears the menu's moments.
    if (woken == WOKEN_FAILED)
        tellNotArmed(GetLastError());
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
    LONG phase = InterlockedExchange(&s_phase, WORKER_STOPPED);
    SetEvent(s_stopEvent);
    DWORD timeout = phase == WORKER_SHOWING ? STOP_TELLING_TIMEOUT_MS : STOP_TIMEOUT_MS;
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

// Whether any morning is on.
static bool anyMorning(void)
{
    for (int i = 0; i < g_state.morningCount; ++i) {
        if (g_state.mornings[i].on)
            return true;
    }
    return false;
}

// Starts a worker for the mornings that are on, keeping what was spent.
static void startMorning(void)
{
    s_notArmed = FALSE;
    if (!anyMorning())
        return;
    if (!s_stopEvent)
        s_stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!s_stopEvent || !ResetEvent(s_stopEvent)) {
        tellNotSet(GetLastError());
        return;
    }
    HMODULE self = referencePlugin();
    s_workerHoldsPlugin = self != NULL;
    s_phase = WORKER_RUNNING;
    DWORD id;
    s_worker = CreateThread(NULL, 0, morningWorker, self, 0, &id);
    if (s_worker)
        return;
    DWORD error = GetLastError();
    if (self)
        FreeLibrary(self);
    tellNotSet(error);
}

void rearmMorning(void)
{
    stopMorning();
    s_spent.known = 0;
    publishSpent();
    s_skip.on = false;
    startMorning();
}

// A skip lasts until its morning's moment.
static bool skipHolds(void)
{
    CalendarTime now;
    uint64_t nowUtc;
    return s_skip.on && readClock(&now, &nowUtc) && nowUtc < s_skip.due;
}

bool readSkip(CalendarTime* local, bool* skipped)
{
    *skipped = skipHolds();
    if (*skipped)
        return toLocalTime(s_skip.due, local);
    bool snoozed;
    return readMorning(local, &snoozed) && !snoozed;
}

void skipNextMorning(void)
{
    bool undo = skipHolds();
    CalendarTime local;
    bool skipped;
    if (!undo && !readSkip(&local, &skipped))
        return;
    stopMorning();
    if (undo) {
        uint32_t bit = 1u << s_skip.entry;
        s_spent.days[s_skip.entry] = s_skip.spentBefore;
        s_spent.known = s_skip.knownBefore ? s_spent.known | bit : s_spent.known & ~bit;
        publishSpent();
        s_skip.on = false;
    } else if (s_next.entry >= 0) {
        int entry = s_next.entry;
        s_skip = { true, entry, s_next.due, s_spent.days[entry], (s_spent.known & 1u << entry) != 0 };
        spend(s_next);
    }
    startMorning();
}

bool readMorning(CalendarTime* local, bool* snoozed)
{
    uint64_t until = readMoment(&s_snoozed);
    *snoozed = until != 0;
    uint64_t due = until ? until : readMoment(&s_due);
    return due && toLocalTime(due, local);
}

bool readMorningAfter(uint64_t moment, CalendarTime* local)
{
    CalendarTime from;
    if (!toLocalTime(moment, &from))
        return false;
    LocalToUtc nowToUtc, targetToUtc;
    dueConversions(&nowToUtc, &targetToUtc);
    SpentMornings spent = readSpent();
    DueEntry next =
        nextMorningDue(from, g_state.mornings, g_state.morningCount, spent.days, spent.known, targetToUtc, targetToUtc);
    *local = next.local;
    return next.entry >= 0;
}

bool morningNotArmed(void)
{
    return anyMorning() && s_notArmed;
}
