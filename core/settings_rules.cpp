// How values read from the settings file become plugin state.
#include "settings_rules.h"

#include "duetime.h"
#include "morning.h"
#include "paths.h"

int storedFlag(uint32_t value)
{
    return value != 0;
}

uint16_t storedTimeField(uint32_t value)
{
    return (uint16_t)(value & 0xFFFF);
}

// The stored fade: 0 (none) or 1 to 60 minutes stay, anything else is no
// fade.
static uint32_t storedFadeMinutes(uint32_t value)
{
    return value <= 60 ? value : 0;
}

// The morning's volume: 10 to 100 percent stay, anything else is the
// player's own (0).
static uint32_t storedMorningVolume(uint32_t value)
{
    return value >= 10 && value <= 100 ? value : 0;
}

static bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The text as a read of the key gives it back: blanks around it trimmed,
// then a pair of quotes ('"' or "'") around the whole taken off.
static void storedTextOf(const char* text, char* out, size_t size)
{
    out[0] = '\0';
    if (!text)
        return;
    while (isBlank(*text))
        ++text;
    size_t length = 0;  // up to the last character that is not a blank
    for (size_t i = 0; text[i]; ++i) {
        if (!isBlank(text[i]))
            length = i + 1;
    }
    if (length >= 2 && (text[0] == '"' || text[0] == '\'') && text[length - 1] == text[0]) {
        ++text;
        length -= 2;
    }
    copyBounded(text, out, length + 1 < size ? length + 1 : size);
}

EndAction validateStoredAction(uint32_t stored, bool powerAvailable)
{
    switch (stored) {
    case ACTION_NONE:
    case ACTION_SHUTDOWN:
    case ACTION_REBOOT:
        return (EndAction)stored;
    case ACTION_STANDBY:
        return powerAvailable ? ACTION_STANDBY : ACTION_NONE;
    default:
        return ACTION_NONE;
    }
}

LoadedSettings loadStoredSettings(const StoredSettings& stored, bool runOnce, bool canShutdown,
                                  int (*powerAvailable)(void))
{
    LoadedSettings loaded;
    loaded.enabled = runOnce ? 1 : storedFlag(stored.enabled);
    loaded.use24Hour = stored.use24Hour == STORED_MISSING ? stored.regional24Hour : storedFlag(stored.use24Hour);
    loaded.action = ACTION_NONE;
    if (canShutdown) {
        bool power = stored.action == ACTION_STANDBY && powerAvailable();
        loaded.action = validateStoredAction(stored.action, power);
    }
    loaded.force = storedFlag(stored.force);
    loaded.hour = storedTimeField(stored.hour);
    loaded.minute = storedTimeField(stored.minute);
    loaded.fadeMinutes = storedFadeMinutes(stored.fadeMinutes);
    loaded.finishSong = storedFlag(stored.finishSong);
    loaded.notice = storedFlag(stored.notice);
    loaded.morning = storedFlag(stored.morning);
    loaded.morningHour = storedTimeField(stored.morningHour);
    loaded.morningMinute = storedTimeField(stored.morningMinute);
    loaded.morningDays = listedDaysOf(stored.morningDays);
    loaded.morningFadeMinutes = storedFadeMinutes(stored.morningFadeMinutes);
    loaded.morningVolume = storedMorningVolume(stored.morningVolume);
    storedTextOf(stored.morningPlay, loaded.morningPlay, sizeof loaded.morningPlay);
    loaded.days = listedDaysOf(stored.days);
    return loaded;
}

uint32_t storedMinuteOf(const char* minuteText)
{
    uint32_t value = 0;
    for (; *minuteText >= '0' && *minuteText <= '9'; ++minuteText)
        value = value * 10 + (uint32_t)(*minuteText - '0');
    return value;
}
