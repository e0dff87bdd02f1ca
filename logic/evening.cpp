// The evening's plan, step by step from the set time to the close, and the
// texts of its notice and of the menu's status line.
#include "evening.h"

// The DLL links no libgcc: nothing here divides a 64-bit value. Spans of
// time are brought down to 32 bits first, and the fade's curve is found by
// comparing products rather than by dividing them.

static const uint64_t ONE_MS = 10000ull;
static const uint64_t ONE_MINUTE = 60ull * 10000000ull;
static const uint64_t SONG_CAP = 10 * ONE_MINUTE;  // the longest song the evening waits for
static const uint64_t SNOOZE = 10 * ONE_MINUTE;
static const uint64_t NOTICE_LEAD = ONE_MINUTE;
static const unsigned LONGEST_FADE = 60;  // minutes
static const int32_t LOUDEST = 255;

static uint64_t earlier(uint64_t a, uint64_t b)
{
    return a < b ? a : b;
}

static uint64_t before(uint64_t time, uint64_t span)
{
    return time > span ? time - span : 0;
}

static uint64_t fadeSpan(const EveningOptions& options)
{
    unsigned minutes = options.fadeMinutes < LONGEST_FADE ? options.fadeMinutes : LONGEST_FADE;
    return minutes * ONE_MINUTE;
}

// Milliseconds in a span, rounded up; at most about 114 minutes, longer
// than any fade.
static uint32_t ceilMs(uint64_t ticks)
{
    uint64_t sixteenths = (ticks >> 4) + ((ticks & 15) != 0);
    uint32_t s = sixteenths > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)sixteenths;
    return s / 625 + (s % 625 != 0);
}

static int32_t audibleVolume(int32_t volume)
{
    return volume < LOUDEST ? volume : LOUDEST;
}

int32_t songLengthMs(int32_t answeredMs, int32_t answeredSeconds)
{
    if (answeredSeconds < 0 || answeredSeconds > 0x7FFFFFFF / 1000)
        return -1;
    if (answeredSeconds == 0)
        return 0;
    int32_t fromSeconds = answeredSeconds * 1000;
    return answeredMs >= fromSeconds && answeredMs < fromSeconds + 1000 ? answeredMs : fromSeconds;
}

uint64_t eveningLead(const EveningOptions& options)
{
    uint64_t fade = fadeSpan(options);
    uint64_t notice = options.notice ? NOTICE_LEAD : 0;
    return fade > notice ? fade : notice;
}

void eveningBegin(Evening* evening, EveningKind kind, uint64_t setTime)
{
    Evening fresh = {};
    fresh.kind = kind;
    fresh.setTime = setTime;
    fresh.lookAt = setTime;
    fresh.closeAt = setTime;
    fresh.closeFixed = kind == EVENING_AT_SONG_END;
    fresh.fadeFrom = -1;
    fresh.volumeSet = -1;
    *evening = fresh;
}

uint64_t eveningFirstWake(const Evening& evening, const EveningOptions& options)
{
    return evening.kind == EVENING_AT_STOP ? evening.setTime : before(evening.setTime, eveningLead(options));
}

bool waitsForStop(const Evening& evening)
{
    return evening.kind == EVENING_AT_STOP && !evening.closeFixed;
}

bool asksPlayer(const Evening& evening, const EveningOptions& options)
{
    return options.fadeMinutes > 0 || options.finishSong || evening.kind == EVENING_AT_STOP;
}

// Loudness follows the amplitude to about the power 0.6, so an amplitude
// falling with the square of the time left sounds close to an even fade.
// The level is the smallest one at or above v0 * (left / span)^2, so that
// it is v0 at the start and first reaches 0 at the close moment.
int32_t fadeVolume(int32_t v0, uint64_t fadeStart, uint64_t closeAt, uint64_t now)
{
    v0 = audibleVolume(v0);
    if (v0 <= 0 || now >= closeAt)
        return 0;
    uint64_t span = ceilMs(closeAt - fadeStart), left = ceilMs(closeAt - now);
    uint64_t wanted = (uint64_t)v0 * left * left, whole = span * span;
    int32_t low = 0, high = v0;  // high * whole >= wanted
    while (low < high) {
        int32_t mid = (low + high) / 2;
        if ((uint64_t)mid * whole >= wanted)
            high = mid;
        else
            low = mid + 1;
    }
    return high;
}

// The level drops below volume once the time left is at most the largest r
// with v0 * r^2 <= (volume - 1) * span^2, both in milliseconds.
uint64_t fadeNextChange(int32_t v0, uint64_t fadeStart, uint64_t closeAt, int32_t volume)
{
    v0 = audibleVolume(v0);
    if (volume <= 1 || v0 <= 0 || closeAt <= fadeStart)
        return closeAt;
    uint32_t span = ceilMs(closeAt - fadeStart);
    uint64_t allowed = (uint64_t)(audibleVolume(volume) - 1) * span * span;
    uint32_t low = 0, high = span;  // v0 * low^2 <= allowed
    while (low < high) {
        uint32_t mid = low + (high - low + 1) / 2;
        if ((uint64_t)v0 * mid * mid <= allowed)
            low = mid;
        else
            high = mid - 1;
    }
    return closeAt - low * ONE_MS;
}

static bool isPlaying(const PlayerReport& player)
{
    return player.status == PLAYER_PLAYING;
}

// When the song that plays now ends, if it ends within the cap; 0 when it
// does not, or the player cannot tell (a stream, no answer).
static uint64_t songEnd(const PlayerReport& player, uint64_t now)
{
    if (!isPlaying(player) || player.positionMs < 0 || player.lengthMs <= 0)
        return 0;
    int64_t leftMs = (int64_t)player.lengthMs - player.positionMs;
    if (leftMs <= 0 || (uint64_t)leftMs * ONE_MS > SONG_CAP)
        return 0;
    return now + (uint64_t)leftMs * ONE_MS;
}

// Ends the fade; the volume as it was before it, unless the user took it
// (fadeFrom is -1 then).
static void giveVolumeBack(Evening* evening, EveningStep* step)
{
    if (evening->fadeFrom >= 0) {
        step->setVolume = evening->fadeFrom;
        step->forgetVolume = true;
    }
    evening->fadeFrom = -1;
    evening->volumeSet = -1;
    evening->fadeStart = 0;
}

static EveningStep finalStep(Evening* evening, EveningStep step, EveningOutcome outcome)
{
    giveVolumeBack(evening, &step);
    step.hideNotice = step.hideNotice || evening->noticeShown;
    step.outcome = outcome;
    step.closeAt = evening->closeAt;
    return step;
}

static void answer(Evening* evening, NoticeAnswer given, uint64_t now, EveningStep* step)
{
    if (given == ANSWER_SNOOZE) {
        evening->closeAt += SNOOZE;
        evening->closeFixed = true;
        evening->closeAtSongEnd = false;
        giveVolumeBack(evening, step);
        evening->noticeShown = false;
        step->hideNotice = true;
    } else if (given == ANSWER_CLOSE_NOW) {
        evening->closeAt = now;
        evening->closeFixed = true;
    }
}

// Before the set time a song that ends after it only predicts the close
// moment; at the set time the song that plays decides it.
static void decideCloseMoment(Evening* evening, const EveningOptions& options, uint64_t now,
                              const PlayerReport& player)
{
    uint64_t end = options.finishSong ? songEnd(player, now) : 0;
    if (now < evening->setTime) {
        if (end <= evening->setTime)
            end = 0;
    } else {
        evening->closeFixed = true;
    }
    evening->closeAt = end ? end : evening->setTime;
    evening->closeAtSongEnd = end != 0;
}

// Waiting for a stop: once it is seen the close moment is fixed, a minute
// away for the notice; until then the player is asked again a moment after
// the song's predicted end, or a minute later while nothing predicts it (a
// stream, paused, a player that does not tell).
static void watchForStop(Evening* evening, const EveningOptions& options, uint64_t now, const PlayerReport& player)
{
    if (player.status == PLAYER_STOPPED) {
        evening->closeFixed = true;
        evening->closeAt = now + (options.notice ? NOTICE_LEAD : 0);
        return;
    }
    uint64_t look = now + STOP_LOOK_EVERY;
    if (isPlaying(player) && player.positionMs >= 0 && player.lengthMs > player.positionMs)
        look = now + (uint64_t)(player.lengthMs - player.positionMs) * ONE_MS + STOP_LOOK_AFTER;
    evening->lookAt = look;
    evening->closeAt = look;
}

// Starts the fade when its time has come and the player plays, or follows
// the curve; a volume read back other than the one set means the user took
// it. A missing answer (-1) is no reading: the fade goes on.
static void fade(Evening* evening, uint64_t now, const PlayerReport& player, uint64_t fadeBegin, EveningStep* step)
{
    if (!evening->fadeStart) {
        if (now < fadeBegin || !isPlaying(player) || player.volume <= 0 || player.volume > LOUDEST)
            return;
        evening->fadeStart = now;
        evening->fadeFrom = player.volume;
        evening->volumeSet = player.volume;
        step->rememberVolume = true;
    } else if (player.volume >= 0 && player.volume != evening->volumeSet) {
        evening->userTookVolume = true;
        evening->fadeFrom = -1;
        step->forgetVolume = true;
        return;
    }
    int32_t level = fadeVolume(evening->fadeFrom, evening->fadeStart, evening->closeAt, now);
    if (level < evening->volumeSet) {
        step->setVolume = level;
        evening->volumeSet = level;
    }
}

EveningStep planEvening(Evening* evening, const EveningOptions& options, uint64_t now, const PlayerReport& player,
                        NoticeAnswer given)
{
    EveningStep step = {};
    step.outcome = EVENING_GOES_ON;
    step.setVolume = -1;
    step.askPlayer = asksPlayer(*evening, options);

    answer(evening, given, now, &step);
    if (given == ANSWER_CANCEL)
        return finalStep(evening, step, EVENING_CANCELLED);
    if (now > (waitsForStop(*evening) ? evening->lookAt : evening->closeAt) + MISSED_AFTER)
        return finalStep(evening, step, EVENING_MISSED);
    if (waitsForStop(*evening))
        watchForStop(evening, options, now, player);
    else if (!evening->closeFixed)
        decideCloseMoment(evening, options, now, player);
    if (evening->closeFixed && now >= evening->closeAt)
        return finalStep(evening, step, EVENING_CLOSE);

    uint64_t wake = evening->closeAt;
    // A stopped player has nothing to fade.
    if (options.fadeMinutes > 0 && !evening->userTookVolume && evening->kind != EVENING_AT_STOP) {
        uint64_t fadeBegin = before(evening->closeAt, fadeSpan(options));
        if (evening->closeAtSongEnd && fadeBegin < evening->setTime)
            fadeBegin = evening->setTime;
        // When idle, no sooner than a minute after the input the count
        // runs from: a user awake wakes the worker at most once a minute.
        if (evening->kind == EVENING_WHEN_IDLE && fadeBegin < evening->countFrom + ONE_MINUTE)
            fadeBegin = evening->countFrom + ONE_MINUTE;
        fade(evening, now, player, fadeBegin, &step);
        if (!evening->fadeStart && fadeBegin > now)
            wake = earlier(wake, fadeBegin);
        if (evening->fadeStart && !evening->userTookVolume && evening->volumeSet > 0)
            wake = earlier(wake, fadeNextChange(evening->fadeFrom, evening->fadeStart, evening->closeAt,
                                                evening->volumeSet));
    }
    // With a song to finish the notice waits until the set time decides
    // the close moment; for a stop, until the stop is seen.
    if (options.notice && !evening->noticeShown && !(evening->closeAtSongEnd && !evening->closeFixed) &&
        !waitsForStop(*evening)) {
        uint64_t noticeAt = before(evening->closeAt, NOTICE_LEAD);
        if (now >= noticeAt) {
            step.showNotice = true;
            evening->noticeShown = true;
        } else {
            wake = earlier(wake, noticeAt);
        }
    }
    if (!evening->closeFixed && evening->setTime > now)
        wake = earlier(wake, evening->setTime);
    step.closeAt = evening->closeAt;
    step.wakeAt = wake;
    return step;
}

uint32_t secondsUntil(uint64_t now, uint64_t moment)
{
    if (moment <= now)
        return 0;
    uint64_t ticks = moment - now;
    uint64_t units = (ticks >> 7) + ((ticks & 127) != 0);  // of 128 ticks; 10^7 = 128 * 78125
    uint32_t u = units > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)units;
    return u / 78125 + (u % 78125 != 0);
}

EveningEnding eveningEnding(bool morningOn, EndAction action)
{
    if (morningOn && action == ACTION_STANDBY)
        return ENDING_STOP_AND_SLEEP;
    return morningOn && action == ACTION_NONE ? ENDING_STOP : ENDING_EXIT;
}

// What follows the close moment, as the texts tell it.
static int followsIndex(EndAction action, const EveningFollows& follows)
{
    if (follows.ending != ENDING_EXIT)
        return follows.ending == ENDING_STOP_AND_SLEEP ? 1 : 0;
    return action == ACTION_SHUTDOWN ? 1 : action == ACTION_REBOOT ? 2 : action == ACTION_STANDBY ? 3 : 0;
}

// Where a morning follows, the player stays open: playback stops, and the
// computer may sleep until the morning; no force applies.
TextId noticeText(EndAction action, bool force, const EveningFollows& follows)
{
    static const TextId closes[] = { T_CLOSES_IN, T_CLOSES_IN_SHUTDOWN, T_CLOSES_IN_RESTART, T_CLOSES_IN_STANDBY };
    static const TextId forced[] = { T_CLOSES_IN, T_CLOSES_IN_SHUTDOWN_FORCED, T_CLOSES_IN_RESTART_FORCED,
                                     T_CLOSES_IN_STANDBY };
    static const TextId stops[] = { T_STOPS_IN, T_STOPS_IN_SLEEP };
    int follow = followsIndex(action, follows);
    if (follows.ending != ENDING_EXIT)
        return stops[follow];
    return force ? forced[follow] : closes[follow];
}

TextId closeNowText(EveningEnding ending)
{
    return ending == ENDING_EXIT ? T_CLOSE_NOW : T_STOP_NOW;
}

TextId tonightText(bool set, EveningKind kind, EndAction action, const EveningFollows& follows, bool tomorrow,
                   bool dayNamed)
{
    // By when (at the time, tomorrow, on a named day, at the stop, when
    // idle), then by what follows.
    static const TextId closes[5][4] = {
        { T_CLOSES_AT, T_CLOSES_AT_SHUTDOWN, T_CLOSES_AT_RESTART, T_CLOSES_AT_STANDBY },
        { T_CLOSES_TOMORROW, T_CLOSES_TOMORROW_SHUTDOWN, T_CLOSES_TOMORROW_RESTART, T_CLOSES_TOMORROW_STANDBY },
        { T_CLOSES_DAY, T_CLOSES_DAY_SHUTDOWN, T_CLOSES_DAY_RESTART, T_CLOSES_DAY_STANDBY },
        { T_CLOSES_AT_STOP, T_CLOSES_AT_STOP_SHUTDOWN, T_CLOSES_AT_STOP_RESTART, T_CLOSES_AT_STOP_STANDBY },
        { T_CLOSES_WHEN_IDLE, T_CLOSES_WHEN_IDLE_SHUTDOWN, T_CLOSES_WHEN_IDLE_RESTART, T_CLOSES_WHEN_IDLE_STANDBY },
    };
    static const TextId stops[5][2] = {
        { T_STOPS_AT, T_STOPS_AT_SLEEP },
        { T_STOPS_TOMORROW, T_STOPS_TOMORROW_SLEEP },
        { T_STOPS_DAY, T_STOPS_DAY_SLEEP },
        { T_ENDS_AT_STOP, T_ENDS_AT_STOP_SLEEP },
        { T_STOPS_WHEN_IDLE, T_STOPS_WHEN_IDLE_SLEEP },
    };
    if (!set)
        return T_NOTHING_SET;
    int when = kind == EVENING_AT_STOP ? 3 : kind == EVENING_WHEN_IDLE ? 4 : tomorrow ? 1 : dayNamed ? 2 : 0;
    int follow = followsIndex(action, follows);
    return follows.ending == ENDING_EXIT ? closes[when][follow] : stops[when][follow];
}

// ---- "When I fall asleep" ----------------------------------------------------

// The player's commands for play, pause, stop, next and previous.
static const uint32_t PLAYBACK_FIRST = 40044, PLAYBACK_LAST = 40048;
// A tick read this little ahead of now (read just after it) is now.
static const uint32_t AHEAD_IS_NOW = 60000;

bool isPlaybackCommand(uint32_t command)
{
    return command >= PLAYBACK_FIRST && command <= PLAYBACK_LAST;
}

uint32_t idleMinutesOf(uint32_t stored)
{
    return stored >= 1 && stored <= 240 ? stored : 30;
}

static uint32_t msBefore(uint32_t now, uint32_t tick)
{
    return tick - now < AHEAD_IS_NOW ? 0 : now - tick;
}

void idleEveningBegin(Evening* evening, const EveningOptions& options, uint64_t activeAt, uint32_t activeTick)
{
    eveningBegin(evening, EVENING_WHEN_IDLE, activeAt + idleMinutesOf(options.idleMinutes) * ONE_MINUTE);
    evening->countFrom = activeAt;
    evening->countTick = activeTick;
}

// The evening begun again from the newer activity at tick, and planned as
// any: the volume the fade took is given back and plays at once, so a fade
// due already starts from it. A volume the user moved during the fade is
// theirs: nothing is given back.
static EveningStep countAgain(Evening* evening, const EveningOptions& options, uint64_t now, uint32_t nowTick,
                              uint32_t tick, PlayerReport player)
{
    EveningStep back = {};
    back.setVolume = -1;
    bool noticeShown = evening->noticeShown;
    if (evening->fadeFrom >= 0 && player.volume >= 0 && player.volume != evening->volumeSet) {
        evening->fadeFrom = -1;
        back.forgetVolume = true;
    }
    giveVolumeBack(evening, &back);
    if (back.setVolume >= 0)
        player.volume = back.setVolume;
    idleEveningBegin(evening, options, now - msBefore(nowTick, tick) * ONE_MS, tick);
    EveningStep step = planEvening(evening, options, now, player, ANSWER_NONE);
    if (step.setVolume < 0)
        step.setVolume = back.setVolume;
    // A fade begun again from the volume given back keeps FadeFrom as
    // stored: nothing is written.
    bool kept = step.rememberVolume && back.setVolume >= 0 && evening->fadeFrom == back.setVolume;
    step.rememberVolume = step.rememberVolume && !kept;
    step.forgetVolume = (step.forgetVolume || back.forgetVolume) && !step.rememberVolume && !kept;
    step.hideNotice = step.hideNotice || (noticeShown && !step.showNotice);
    return step;
}

EveningStep planIdleEvening(Evening* evening, const EveningOptions& options, uint64_t now, const IdleTicks& ticks,
                            const PlayerReport& player, NoticeAnswer answer)
{
    // The click that answered the notice is no newer sign of the user
    // awake than the answer itself; a wake long after the close moment
    // (the computer slept) is missed, as any evening's.
    if (answer != ANSWER_NONE) {
        evening->countFrom = now;
        evening->countTick = ticks.now;
    } else if (now <= evening->closeAt + MISSED_AFTER) {
        bool inputLater = msBefore(ticks.now, ticks.lastInput) < msBefore(ticks.now, ticks.lastCommand);
        uint32_t latest = inputLater ? ticks.lastInput : ticks.lastCommand;
        if (msBefore(ticks.now, latest) < msBefore(ticks.now, evening->countTick))
            return countAgain(evening, options, now, ticks.now, latest, player);
    }
    return planEvening(evening, options, now, player, answer);
}
