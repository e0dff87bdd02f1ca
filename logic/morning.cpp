// The morning's plan, step by step from the wake to the end of the morning.
#include "morning.h"

// The DLL links no libgcc: nothing here divides a 64-bit value. Spans of
// time are brought down to 32-bit milliseconds first, and the fade-in's
// curve is found by comparing products, as the evening's is.

static const uint64_t ONE_MS = 10000ull;
static const uint64_t ONE_MINUTE = 60ull * 10000000ull;
static const uint64_t SNOOZE = 10 * ONE_MINUTE;
static const unsigned LONGEST_FADE = 60;  // minutes
static const int32_t LOUDEST = 255;

// The evening's rule on the morning's days, at :00.000: today while the
// time is ahead by whole seconds, which that makes exact.
CalendarTime nextMorning(const CalendarTime& now, const CalendarTime* spent, uint16_t hour, uint16_t minute,
                         unsigned days)
{
    CalendarTime day = nextListedDay(now, spent, hour, minute, 0, days);
    day.milliseconds = 0;
    return day;
}

void morningBegin(Morning* morning, uint64_t setTime)
{
    Morning fresh = {};
    fresh.setTime = setTime;
    fresh.comesAt = setTime;
    fresh.endsAt = setTime + MORNING_LONGEST;
    fresh.volumeBefore = -1;
    fresh.volumeTop = -1;
    fresh.volumeSet = -1;
    *morning = fresh;
}

static uint64_t earlier(uint64_t a, uint64_t b)
{
    return a < b ? a : b;
}

static uint64_t fadeSpan(const MorningOptions& options)
{
    unsigned minutes = options.fadeMinutes < LONGEST_FADE ? options.fadeMinutes : LONGEST_FADE;
    return minutes * ONE_MINUTE;
}

// Whole milliseconds in a span, rounded down; at most about 114 minutes,
// longer than any fade.
static uint32_t floorMs(uint64_t ticks)
{
    uint64_t sixteenths = ticks >> 4;
    uint32_t s = sixteenths > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)sixteenths;
    return s / 625;
}

// The evening's curve the other way in time: the amplitude rises with the
// square of the time gone, top * (gone / span)^2, which sounds close to an
// even rise. The level is the largest one at or below it, rounded down where
// the evening's rounds up, so that it is 0 at the start and first reaches top
// at the end.
int32_t fadeInVolume(int32_t top, uint64_t start, uint64_t end, uint64_t now)
{
    top = top < LOUDEST ? top : LOUDEST;
    if (top <= 0 || now <= start)
        return 0;
    if (now >= end)
        return top;
    uint64_t span = floorMs(end - start), gone = floorMs(now - start);
    uint64_t reached = (uint64_t)top * gone * gone, whole = span * span;
    int32_t low = 0, high = top;  // low * whole <= reached
    while (low < high) {
        int32_t mid = low + (high - low + 1) / 2;
        if ((uint64_t)mid * whole <= reached)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

// The level rises above volume at the first whole millisecond gone, g, with
// (volume + 1) * span^2 <= top * g^2.
uint64_t fadeInNextChange(int32_t top, uint64_t start, uint64_t end, int32_t volume)
{
    top = top < LOUDEST ? top : LOUDEST;
    if (volume >= top || end <= start)
        return end;
    uint32_t span = floorMs(end - start);
    uint64_t needed = (uint64_t)(volume < 0 ? 0 : volume + 1) * span * span;
    uint32_t low = 0, high = span;  // top * high^2 >= needed
    while (low < high) {
        uint32_t mid = low + (high - low) / 2;
        if ((uint64_t)top * mid * mid >= needed)
            high = mid;
        else
            low = mid + 1;
    }
    return start + high * ONE_MS;
}

int32_t morningVolume(unsigned volumePercent, int32_t playerVolume)
{
    if (volumePercent >= 10 && volumePercent <= 100)
        return (int32_t)((volumePercent * LOUDEST + 50) / 100);
    if (playerVolume < 0)
        return -1;
    if (playerVolume * 10 < LOUDEST)
        return (LOUDEST + 1) / 2;
    return playerVolume < LOUDEST ? playerVolume : LOUDEST;
}

static char foldCase(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

bool sameEntry(const char* listed, const char* chosen)
{
    while (*listed && foldCase(*listed) == foldCase(*chosen))
        ++listed, ++chosen;
    return foldCase(*listed) == foldCase(*chosen);
}

static bool answers(const PlayerReport& player)
{
    return player.status == PLAYER_PLAYING || player.status == PLAYER_PAUSED;
}

// Gives the volume back where the plugin holds it, ending a fade-in.
static void giveVolumeBack(Morning* morning, MorningStep* step)
{
    if (morning->volumeBefore >= 0) {
        step->setVolume = morning->volumeBefore;
        step->forgetVolume = true;
    }
    morning->volumeBefore = -1;
    morning->volumeSet = -1;
    morning->fadeStart = 0;
}

// The volume is the user's from now: moved by hand, or kept by Keep playing.
static void leaveVolume(Morning* morning, MorningStep* step)
{
    step->forgetVolume = morning->volumeBefore >= 0;
    morning->volumeBefore = -1;
    morning->volumeSet = -1;
    morning->fadeStart = 0;
}

// The volume rises to the morning's: over the fade-in from silence, or at
// once; the volume before is held (FadeFrom) for Stop, Snooze and the hour's
// end to give back.
static void raiseVolume(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                        bool fade, MorningStep* step)
{
    int32_t top = morningVolume(options.volumePercent, player.volume);
    int32_t from = fade ? 0 : top;
    if (top < 0 || (!fade && top == player.volume && morning->volumeBefore < 0))
        return;
    if (morning->volumeBefore < 0) {
        morning->volumeBefore = player.volume;
        step->rememberVolume = player.volume >= 0;
    }
    morning->volumeTop = top;
    morning->volumeSet = from;
    morning->fadeStart = fade ? now : 0;
    step->setVolume = from;
}

static MorningStep finalStep(Morning* morning, MorningStep step, MorningOutcome outcome)
{
    giveVolumeBack(morning, &step);
    step.hideNotice = step.hideNotice || morning->noticeShown;
    step.silence = morning->toneStep > 0;
    morning->toneStep = 0;
    morning->noticeShown = false;
    morning->playing = false;
    step.keepAwake = false;
    step.outcome = outcome;
    return step;
}

// The plugin's own tone, at the morning's volume, from its softest step.
static void soundTone(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                      MorningNews news, MorningStep* step)
{
    step->stop = answers(player);  // music that did not start may yet, over the tone
    morning->playing = false;
    morning->playedAt = 0;
    morning->toneStep = 1;
    morning->toneStart = now;
    step->toneStep = 1;
    step->news = news;
    if (morning->fadeStart) {
        morning->fadeStart = 0;
        morning->volumeSet = morning->volumeTop;
        step->setVolume = morning->volumeTop;
    } else {
        raiseVolume(morning, options, now, player, false, step);
    }
}

// The play command, first or again: the chosen entry, or what the player
// has; the music is heard once the position moves on from where it starts.
static void play(Morning* morning, const MorningOptions& options, const PlayerReport& player, MorningStep* step)
{
    bool resume = player.status == PLAYER_PAUSED && !options.chosenEntry;
    step->play = resume ? MORNING_PLAY_RESUME : MORNING_PLAY_START;
    step->chooseEntry = options.chosenEntry;
    morning->fromPosition = resume && player.positionMs > 0 ? player.positionMs : 0;
    morning->playingSince = 0;
}

// The music comes: the chosen entry or what the player has, from silence
// where a fade-in rises to the morning's volume; music already playing is
// left as it is. The tone where there is nothing to play, or no player.
static void comeIn(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                   int32_t entries, MorningStep* step)
{
    morning->noticeShown = true;
    morning->greetedAt = now;
    step->showNotice = true;
    step->news = MORNING_NEWS_GREETING;
    if (player.status == PLAYER_PLAYING) {
        morning->playing = true;
        morning->heard = true;
        return;
    }
    if (!answers(player) && player.status != PLAYER_STOPPED)
        return soundTone(morning, options, now, player, MORNING_NOT_STARTED, step);
    if (player.status == PLAYER_STOPPED && entries == 0 && !options.chosenEntry)
        return soundTone(morning, options, now, player, MORNING_NOTHING_TO_PLAY, step);
    morning->playing = true;
    morning->heard = false;
    morning->playedAgain = false;
    morning->playedAt = now;
    play(morning, options, player, step);
    raiseVolume(morning, options, now, player, options.fadeMinutes > 0, step);
}

// Heard: playing, and the position past where it started; for a player that
// tells no position (it answers 0 to the length), playing long enough.
static bool heard(Morning* morning, uint64_t now, const PlayerReport& player)
{
    if (player.status != PLAYER_PLAYING) {
        morning->playingSince = 0;
        return false;
    }
    if (!morning->playingSince)
        morning->playingSince = now;
    if (player.lengthMs == 0)
        return now - morning->playingSince >= MORNING_PLAYED_FOR;
    return player.positionMs > morning->fromPosition;
}

// Until the music is heard: played again once, then the tone. The next
// look, the fade-in's levels taken at the looks meanwhile.
static void checkHeard(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                       MorningStep* step)
{
    if (heard(morning, now, player)) {
        morning->heard = true;
        morning->playedAt = 0;
        return;
    }
    if (now >= morning->playedAt + MORNING_TONE_AFTER) {
        soundTone(morning, options, now, player, MORNING_NOT_STARTED, step);
        step->wakeAt = earlier(step->wakeAt, now + MORNING_TONE_STEP);
        return;
    }
    uint64_t next = morning->playedAt + MORNING_TONE_AFTER;
    if (!morning->playedAgain && now >= morning->playedAt + MORNING_PLAY_AGAIN_AFTER) {
        morning->playedAgain = true;
        play(morning, options, player, step);
    } else if (!morning->playedAgain) {
        next = morning->playedAt + MORNING_PLAY_AGAIN_AFTER;
    }
    step->wakeAt = earlier(step->wakeAt, earlier(next, now + MORNING_CHECK_EVERY));
}

// The fade-in's next level, unless the user moved the volume (a report other
// than the level set; no answer is no reading): the volume is the user's
// then. At the top the fade-in ends; the volume before is still given back.
static uint64_t riseIn(Morning* morning, const MorningOptions& options, uint64_t now, MorningStep* step)
{
    uint64_t end = morning->fadeStart + fadeSpan(options);
    int32_t level = fadeInVolume(morning->volumeTop, morning->fadeStart, end, now);
    if (level > morning->volumeSet) {
        step->setVolume = level;
        morning->volumeSet = level;
    }
    if (level < morning->volumeTop)
        return fadeInNextChange(morning->volumeTop, morning->fadeStart, end, level);
    // Risen to the volume it had: there is nothing to give back.
    if (morning->volumeTop == morning->volumeBefore)
        leaveVolume(morning, step);
    morning->fadeStart = 0;
    return step->wakeAt;
}

// The hour's end is fixed at morningBegin, an hour after the morning's
// moment, so that neither a late first wake nor a snooze keeps the computer
// awake longer.
MorningStep planMorning(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                        int32_t entries, NoticeAnswer answer)
{
    MorningStep step = {};
    step.outcome = MORNING_GOES_ON;
    step.setVolume = -1;
    if (!morning->begun) {
        step.wakeAt = morning->comesAt;
        if (now < morning->comesAt)
            return step;
        if (now > morning->setTime + MORNING_MISSED_AFTER)
            return finalStep(morning, step, MORNING_MISSED);
        morning->begun = true;
    } else if (answer == ANSWER_CANCEL) {
        step.stop = player.status != PLAYER_STOPPED;
        return finalStep(morning, step, MORNING_OVER);
    } else if (answer == ANSWER_CLOSE_NOW) {
        // Keep playing: at the morning's full volume.
        if (morning->fadeStart)
            step.setVolume = morning->volumeTop;
        leaveVolume(morning, &step);
        return finalStep(morning, step, MORNING_OVER);
    } else if (answer == ANSWER_SNOOZE) {
        step.pause = player.status == PLAYER_PLAYING;
        step.hideNotice = morning->noticeShown;
        step.silence = morning->toneStep > 0;
        giveVolumeBack(morning, &step);
        morning->toneStep = 0;
        morning->noticeShown = false;
        morning->playing = false;
        morning->comesAt = now + SNOOZE;
    }
    if (now >= morning->endsAt)
        return finalStep(morning, step, MORNING_OVER);
    step.keepAwake = true;
    step.wakeAt = morning->endsAt;
    bool moved = morning->volumeSet >= 0 && player.volume >= 0 && player.volume != morning->volumeSet;
    if (!morning->noticeShown) {
        if (now < morning->comesAt) {
            step.wakeAt = earlier(step.wakeAt, morning->comesAt);
            return step;
        }
        comeIn(morning, options, now, player, entries, &step);
        uint64_t look = morning->toneStep ? morning->toneStart + MORNING_TONE_STEP
                        : morning->heard  ? now + MORNING_LOOK_EVERY
                                          : now + MORNING_CHECK_EVERY;
        step.wakeAt = earlier(step.wakeAt, look);
        return step;
    }
    if (moved)
        leaveVolume(morning, &step);
    if (morning->toneStep) {
        uint64_t louder = morning->toneStart + morning->toneStep * MORNING_TONE_STEP;
        if (morning->toneStep < MORNING_TONE_STEPS && now >= louder) {
            step.toneStep = ++morning->toneStep;
            louder += MORNING_TONE_STEP;
        }
        if (morning->toneStep < MORNING_TONE_STEPS)
            step.wakeAt = earlier(step.wakeAt, louder);
        return step;
    }
    if (!morning->playing)
        return step;
    uint64_t rises = morning->fadeStart ? riseIn(morning, options, now, &step) : step.wakeAt;
    if (!morning->heard) {
        checkHeard(morning, options, now, player, &step);
        if (!morning->heard)
            return step;
    } else if (!answers(player)) {
        // Stopped or closed (no answer) once heard: the morning is over.
        return finalStep(morning, step, MORNING_OVER);
    }
    // The player is asked at least this often while the music plays, the
    // fade-in's slow first levels included.
    step.wakeAt = earlier(step.wakeAt, earlier(rises, now + MORNING_LOOK_EVERY));
    return step;
}

TextId morningText(MorningNews news)
{
    static const TextId said[] = { T_GOOD_MORNING, T_GOOD_MORNING, T_GOOD_MORNING_NOTHING_TO_PLAY,
                                   T_GOOD_MORNING_NOT_STARTED, T_GOOD_MORNING_CANNOT_SOUND };
    return said[news];
}

TextId wakesText(bool tomorrow, bool dayNamed, bool snoozed)
{
    if (snoozed)
        return T_SNOOZED_UNTIL;
    return tomorrow ? T_WAKES_TOMORROW : dayNamed ? T_WAKES_DAY : T_WAKES_AT;
}
