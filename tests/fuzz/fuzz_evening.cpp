// Evenings from arbitrary options, clocks, player reports and answers: the
// worker is never told to wake at or before now (it would spin), nor after
// the close moment; the plugin's volume stays a volume and never rises while
// it fades; the notice's text, in any language, always ends within its
// buffer.
#include <stdint.h>
#include <string.h>

#include "evening.h"
#include "language.h"
#include "require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    struct {
        uint8_t fadeMinutes, flags;
        uint16_t bufferSize;
    } head;
    struct {
        uint32_t advanceMs;  // how late the worker wakes; an answer comes before the wake
        PlayerReport player;
        uint8_t answer;
    } wake;
    if (size < sizeof head)
        return 0;
    memcpy(&head, data, sizeof head);
    EveningOptions options = { head.fadeMinutes % 62u, (head.flags & 1) != 0, (head.flags & 2) != 0 };
    const uint64_t setTime = 133600000000000000ull;
    Evening e;
    eveningBegin(&e, (EveningKind)((head.flags >> 2) % 3), setTime);
    uint64_t now = eveningFirstWake(e, options);
    for (size_t at = sizeof head; at + sizeof wake <= size; at += sizeof wake) {
        memcpy(&wake, data + at, sizeof wake);
        int32_t before = e.volumeSet;
        bool fading = e.fadeStart && !e.userTookVolume;
        EveningStep step = planEvening(&e, options, now, wake.player, (NoticeAnswer)(wake.answer % 4));
        REQUIRE(step.setVolume >= -1 && step.setVolume <= 255);
        REQUIRE(step.closeAt == e.closeAt);
        if (!options.fadeMinutes && !options.finishSong && e.kind != EVENING_AT_STOP)
            REQUIRE(!step.askPlayer && step.setVolume == -1);
        if (step.outcome != EVENING_GOES_ON)
            break;
        REQUIRE(step.wakeAt > now && step.wakeAt <= step.closeAt);
        if (fading && wake.answer % 4 == ANSWER_NONE && step.setVolume >= 0)
            REQUIRE(step.setVolume < before);
        uint64_t late = (wake.advanceMs % 120000) * 10000ull;
        now = wake.advanceMs & 0x80000000u ? now + late % (step.wakeAt - now) : step.wakeAt + late;
    }
    char16_t text[128], left[16], morning[32];
    size_t bufferSize = 1 + head.bufferSize % (sizeof text / sizeof *text - 1);
    for (auto& unit : text)
        unit = u'x';
    EveningFollows follows = { (EveningEnding)(head.flags % 3), head.flags, head.bufferSize, (head.flags & 8) != 0 };
    formatMinutesSeconds(secondsUntil(0, ((uint64_t)head.bufferSize << 24) | head.flags), left, 16);
    formatTimeOfDay(head.flags % LANGUAGE_COUNT, follows.wakeHour % 24, follows.wakeMinute % 60, follows.use24,
                    morning, 32);
    const char16_t* values[] = { left, morning };
    size_t length = formatText(textIn(head.flags % LANGUAGE_COUNT, noticeText(ACTION_SHUTDOWN, true, follows)), values,
                               2, text, bufferSize);
    REQUIRE(length < bufferSize && text[length] == 0 && text[bufferSize] == u'x');
    return 0;
}
