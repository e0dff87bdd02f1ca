// How values read from the settings file become plugin state.
#include "settings_rules.h"

#include "duetime.h"
#include "evening.h"
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
    loaded.idleMinutes = idleMinutesOf(stored.idleMinutes);
    return loaded;
}

uint32_t storedMinuteOf(const char* minuteText)
{
    uint32_t value = 0;
    for (; *minuteText >= '0' && *minuteText <= '9'; ++minuteText)
        value = value * 10 + (uint32_t)(*minuteText - '0');
    return value;
}

// The value of key in a section's text, past the blanks after its '=';
// NULL where the key is missing.
static const char* sectionValue(const void* section, const char* key)
{
    for (const char* entry = (const char*)section; *entry;) {
        const char* name = key;
        const char* at = entry;
        while (*name && (*at | 0x20) == (*name | 0x20)) {
            ++at;
            ++name;
        }
        while (isBlank(*at))
            ++at;
        if (!*name && *at == '=') {
            for (++at; isBlank(*at);)
                ++at;
            return at;
        }
        while (*entry)
            ++entry;
        ++entry;
    }
    return NULL;
}

static bool sectionHas(const void* section, const char* key)
{
    const char* value = sectionValue(section, key);
    return value && *value;
}

static int digitOf(char c, uint32_t base)
{
    char letter = (char)(c | 0x20);
    uint32_t digit = c >= '0' && c <= '9'           ? (uint32_t)(c - '0')
                     : letter >= 'a' && letter <= 'f' ? (uint32_t)(letter - 'a' + 10)
                                                      : 99;
    return digit < base ? (int)digit : -1;
}

static void sectionText(const void* section, const char* key, char* out, size_t size);

// As the platform converts the text: after blanks and a sign, "0x", "0o" or "0b"
// choose the base; digits are taken up to the first other character, the
// value wrapping at 32 bits.
static uint32_t sectionNumber(const void* section, const char* key)
{
    char read[64], value[64];
    sectionText(section, key, read, sizeof read);
    storedTextOf(read, value, sizeof value);
    const char* at = value;
    while (*at && (unsigned char)*at <= ' ')
        ++at;
    bool negative = *at == '-';
    if (*at == '-' || *at == '+')
        ++at;
    uint32_t base = 10;
    if (at[0] == '0' && ((at[1] | 0x20) == 'x' || (at[1] | 0x20) == 'o' || (at[1] | 0x20) == 'b')) {
        base = (at[1] | 0x20) == 'x' ? 16 : (at[1] | 0x20) == 'o' ? 8 : 2;
        at += 2;
    }
    uint32_t number = 0;
    for (int digit; (digit = digitOf(*at, base)) >= 0; ++at)
        number = number * base + (uint32_t)digit;
    return negative ? 0u - number : number;
}

static void sectionText(const void* section, const char* key, char* out, size_t size)
{
    const char* value = sectionValue(section, key);
    size_t length = 0;
    for (size_t i = 0; value && value[i]; ++i) {
        if (!isBlank(value[i]))
            length = i + 1;
    }
    copyBounded(value ? value : "", out, length + 1 < size ? length + 1 : size);
}

KeyReader sectionKeys(const char* section)
{
    KeyReader reader = { section, sectionHas, sectionNumber, sectionText };
    return reader;
}

// A key's name with its number, 2 to 8.
static const char* numbered(const char* key, int number, char* name)
{
    size_t length = 0;
    for (; key[length]; ++length)
        name[length] = key[length];
    name[length] = (char)('0' + number);
    name[length + 1] = '\0';
    return name;
}

void loadNumberedEntries(const KeyReader& reader, bool canShutdown, int (*powerAvailable)(void), EveningEntry* evenings,
                         int* eveningCount, MorningEntry* mornings, int* morningCount)
{
    char name[32], play[MORNING_PLAY_SIZE];
    const void* file = reader.file;
    for (int number = 2; number <= MAX_ENTRIES; ++number) {
        if (!reader.has(file, numbered("Hour", number, name)))
            continue;
        EveningEntry& e = evenings[*eveningCount];
        e.hour = storedTimeField(reader.number(file, numbered("Hour", number, name)));
        e.minute = storedTimeField(reader.number(file, numbered("Minute", number, name)));
        e.days = listedDaysOf(reader.number(file, numbered("Days", number, name)));
        uint32_t action = canShutdown ? reader.number(file, numbered("Shutdown", number, name)) : (uint32_t)ACTION_NONE;
        e.action = validateStoredAction(action, action == ACTION_STANDBY && powerAvailable());
        if (isTimeOfDay(e.hour, e.minute, 0))
            ++*eveningCount;
    }
    for (int number = 2; number <= MAX_ENTRIES; ++number) {
        if (!reader.has(file, numbered("MorningHour", number, name)))
            continue;
        MorningEntry& m = mornings[*morningCount];
        m.on = storedFlag(reader.number(file, numbered("Morning", number, name)));
        m.hour = storedTimeField(reader.number(file, numbered("MorningHour", number, name)));
        m.minute = storedTimeField(reader.number(file, numbered("MorningMinute", number, name)));
        m.days = listedDaysOf(reader.number(file, numbered("MorningDays", number, name)));
        m.fadeMinutes = storedFadeMinutes(reader.number(file, numbered("MorningFadeMinutes", number, name)));
        m.volume = storedMorningVolume(reader.number(file, numbered("MorningVolume", number, name)));
        reader.text(file, numbered("MorningPlay", number, name), play, sizeof play);
        storedTextOf(play, m.play, sizeof m.play);
        if (isTimeOfDay(m.hour, m.minute, 0))
            ++*morningCount;
    }
}

// Appends "<key><number>=<value>" and its NUL where it fits before limit;
// NULL when it does not (or end is NULL already).
static char* appendKey(char* end, const char* limit, const char* key, int number, const char* value)
{
    char digits[2] = { (char)('0' + number), '\0' };
    const char* parts[] = { key, digits, "=", value };
    for (const char* part : parts) {
        for (; end && *part; ++part) {
            if (end >= limit)
                return NULL;
            *end++ = *part;
        }
    }
    if (!end || end >= limit)
        return NULL;
    *end++ = '\0';
    return end;
}

// value in decimal, at least two digits where minutes are written.
static const char* decimal(uint32_t value, bool twoDigits, char* text)
{
    char* end = text + 11;
    *end = '\0';
    do {
        *--end = (char)('0' + value % 10);
        value /= 10;
    } while (value || (twoDigits && end > text + 9));
    return end;
}

char* appendNumberedKeys(char* end, const char* limit, const EveningEntry* evenings, int eveningCount,
                         const MorningEntry* mornings, int morningCount)
{
    char a[12];
    for (int i = 1; i < eveningCount && i < MAX_ENTRIES; ++i) {
        const EveningEntry& e = evenings[i];
        end = appendKey(end, limit, "Hour", i + 1, decimal(e.hour, false, a));
        end = appendKey(end, limit, "Minute", i + 1, decimal(e.minute, true, a));
        end = appendKey(end, limit, "Days", i + 1, decimal(e.days, false, a));
        end = appendKey(end, limit, "Shutdown", i + 1, decimal((uint32_t)e.action, false, a));
    }
    for (int i = 1; i < morningCount && i < MAX_ENTRIES; ++i) {
        const MorningEntry& m = mornings[i];
        end = appendKey(end, limit, "Morning", i + 1, m.on ? "1" : "0");
        end = appendKey(end, limit, "MorningHour", i + 1, decimal(m.hour, false, a));
        end = appendKey(end, limit, "MorningMinute", i + 1, decimal(m.minute, true, a));
        end = appendKey(end, limit, "MorningDays", i + 1, decimal(m.days, false, a));
        end = appendKey(end, limit, "MorningFadeMinutes", i + 1, decimal(m.fadeMinutes, false, a));
        end = appendKey(end, limit, "MorningVolume", i + 1, decimal(m.volume, false, a));
        end = appendKey(end, limit, "MorningPlay", i + 1, m.play);
    }
    return end;
}
