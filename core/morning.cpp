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
    fresh.fadeTo = -1;
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

static bool answers(const PlayerReport& player)
{
    return player.status == PLAYER_PLAYING || player.status == PLAYER_PAUSED;
}

// Ends the fade-in, giving the volume back where the plugin holds it.
static void giveVolumeBack(Morning* morning, MorningStep* step)
{
    if (morning->fadeTo >= 0) {
        step->setVolume = morning->fadeTo;
        step->forgetVolume = true;
    }
    morning->fadeTo = -1;
    morning->volumeSet = -1;
    morning->fadeStart = 0;
}

static MorningStep finalStep(Morning* morning, MorningStep step, MorningOutcome outcome)
{
    giveVolumeBack(morning, &step);
    step.hideNotice = step.hideNotice || morning->noticeShown;
    morning->noticeShown = false;
    morning->playing = false;
    step.keepAwake = false;
    step.outcome = outcome;
    return step;
}

// The music comes: what the player has starts, from silence where a
// fade-in can rise to the volume the player reports; music already playing
// is left as it is. The notice shows, saying so when there is nothing to play.
static void comeIn(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                   int32_t entries, MorningStep* step)
{
    morning->noticeShown = true;
    step->showNotice = true;
    if (player.status == PLAYER_PLAYING) {
        morning->playing = true;
        return;
    }
    if (player.status != PLAYER_PAUSED && entries == 0) {
        step->nothingToPlay = true;
        return;
    }
    morning->playing = true;
    step->play = player.status == PLAYER_PAUSED ? MORNING_PLAY_RESUME : MORNING_PLAY_START;
    if (options.fadeMinutes > 0 && player.volume > 0 && player.volume <= LOUDEST) {
        morning->fadeStart = now;
        morning->fadeTo = player.volume;
        morning->volumeSet = 0;
        step->setVolume = 0;
        step->rememberVolume = true;
    }
}

// The fade-in's next level, unless the user moved the volume (a report other
// than the level set; no answer is no reading): the volume is the user's
// then, as it is at the end.
static void riseIn(Morning* morning, const MorningOptions& options, uint64_t now, const PlayerReport& player,
                   MorningStep* step)
{
    if (player.volume >= 0 && player.volume != morning->volumeSet) {
        morning->fadeTo = -1;
        step->forgetVolume = true;
    } else {
        uint64_t end = morning->fadeStart + fadeSpan(options);
        int32_t level = fadeInVolume(morning->fadeTo, morning->fadeStart, end, now);
        if (level > morning->volumeSet) {
            step->setVolume = level;
            morning->volumeSet = level;
        }
        if (level < morning->fadeTo) {
            step->wakeAt = earlier(step->wakeAt, fadeInNextChange(morning->fadeTo, morning->fadeStart, end, level));
            return;
        }
        morning->fadeTo = -1;
        step->forgetVolume = true;
    }
    morning->volumeSet = -1;
    morning->fadeStart = 0;
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
        return finalStep(morning, step, MORNING_OVER);
    } else if (answer == ANSWER_SNOOZE) {
        step.pause = player.status == PLAYER_PLAYING;
        step.hideNotice = morning->noticeShown;
        giveVolumeBack(morning, &step);
        morning->noticeShown = false;
        morning->playing = false;
        morning->comesAt = now + SNOOZE;
    }
    if (now >= morning->endsAt)
        return finalStep(morning, step, MORNING_OVER);
    step.keepAwake = true;
    step.wakeAt = morning->endsAt;
    if (!morning->noticeShown) {
        if (now < morning->comesAt) {
            step.wakeAt = earlier(step.wakeAt, morning->comesAt);
            return step;
        }
        comeIn(morning, options, now, player, entries, &step);
        if (morning->fadeStart)
            step.wakeAt = earlier(step.wakeAt, fadeInNextChange(morning->fadeTo, now, now + fadeSpan(options), 0));
    } else if (morning->playing) {
        // Stopped or closed (no answer): the morning is over.
        if (!answers(player))
            return finalStep(morning, step, MORNING_OVER);
        if (morning->fadeStart)
            riseIn(morning, options, now, player, &step);
    }
    // The player is asked at least this often while the music plays, the
    // fade-in's slow first levels included.
    if (morning->playing)
        step.wakeAt = earlier(step.wakeAt, now + MORNING_LOOK_EVERY);
    return step;
}

void formatMorningText(char* text, size_t size, unsigned hour, unsigned minute, bool use24, bool nothingToPlay)
{
    if (!size)
        return;
    size_t length = 0;
    text[0] = 0;
    appendText(text, size, &length, "Good morning: it is ");
    appendTimeOfDay(text, size, &length, hour, minute, use24);
    appendText(text, size, &length, nothingToPlay ? ". Winamp has nothing to play." : ".");
}

void formatWakesText(char* text, size_t size, unsigned hour, unsigned minute, bool use24, bool tomorrow,
                     const char* dayName)
{
    if (!size)
        return;
    size_t length = 0;
    text[0] = 0;
    appendText(text, size, &length, "Wakes at ");
    appendTimeOfDay(text, size, &length, hour, minute, use24);
    if (tomorrow)
        dayName = "tomorrow";
    if (dayName && *dayName) {
        appendText(text, size, &length, " ");
        appendText(text, size, &length, dayName);
    }
}
