#include <gtest/gtest.h>

#include <string.h>

#include "settings_rules.h"

TEST(StoredAction, LoadsAsTheActionOrNone)
{
    static const struct {
        uint32_t stored;
        bool powerAvailable;
        EndAction loaded;
    } rows[] = {
        { 1012, true, ACTION_NONE },       { 1013, true, ACTION_SHUTDOWN },
        { 1018, true, ACTION_REBOOT },     { 1015, true, ACTION_STANDBY },
        { 1015, false, ACTION_NONE },      { 1013, false, ACTION_SHUTDOWN },
        { 1018, false, ACTION_REBOOT },    { 1014, true, ACTION_NONE },
        { 1016, true, ACTION_NONE },       { 1017, true, ACTION_NONE },
        { 1011, true, ACTION_NONE },       { 1019, true, ACTION_NONE },
        { 0, true, ACTION_NONE },          { 0xFFFFFFFFu, true, ACTION_NONE },
        // only the whole value counts, not its low bits
        { 0x10000u + 1013, true, ACTION_NONE },
    };
    for (const auto& row : rows)
        EXPECT_EQ(validateStoredAction(row.stored, row.powerAvailable), row.loaded)
            << row.stored << " power " << row.powerAvailable;
}

TEST(StoredFlag, AnyNonZeroIsTrue)
{
    static const struct {
        uint32_t stored;
        int flag;
    } rows[] = {
        { 0, 0 }, { 1, 1 }, { 5, 1 }, { 0xFFFFFFFFu, 1 }, { 0x80000000u, 1 }, { 0x10000u, 1 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(storedFlag(row.stored), row.flag) << row.stored;
}

TEST(StoredTime, KeepsTheLow16Bits)
{
    static const struct {
        uint32_t stored;
        uint16_t field;
    } rows[] = {
        { 0, 0 }, { 23, 23 }, { 59, 59 }, { 65535, 65535 }, { 65536, 0 },
        { 65536 + 22, 22 }, { 0xFFFFFFFFu, 0xFFFF }, { 100000, 100000 - 65536 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(storedTimeField(row.stored), row.field) << row.stored;
}

static int s_powerAnswer;
static int s_powerAsked;

static int fakePowerAvailable(void)
{
    ++s_powerAsked;
    return s_powerAnswer;
}

// The same rules for the file read back and for a choice that could not be
// saved.
TEST(StoredSettings, LoadAsTheState)
{
    static const struct {
        const char* name;
        StoredSettings stored;
        bool runOnce, canShutdown;
        int power;
        LoadedSettings loaded;
        int powerAsked;
    } rows[] = {
        { "defaults", { 0, 0, 1012, 0, 0, 0 }, false, true, 1, { 0, 0, ACTION_NONE, 0, 0, 0 }, 0 },
        { "a typical evening", { 1, 1, 1013, 1, 23, 30 }, false, true, 1, { 1, 1, ACTION_SHUTDOWN, 1, 23, 30 }, 0 },
        { "flags any non-zero", { 7, 0x80000000u, 1018, 2, 6, 5 }, false, true, 0,
          { 1, 1, ACTION_REBOOT, 1, 6, 5 }, 0 },
        { "run once, stored disabled", { 0, 0, 1012, 0, 7, 15 }, true, true, 1, { 1, 0, ACTION_NONE, 0, 7, 15 }, 0 },
        { "run once, stored enabled", { 1, 0, 1012, 0, 7, 15 }, true, true, 1, { 1, 0, ACTION_NONE, 0, 7, 15 }, 0 },
        { "standby with power management", { 1, 0, 1015, 0, 1, 0 }, false, true, 1,
          { 1, 0, ACTION_STANDBY, 0, 1, 0 }, 1 },
        { "standby without", { 1, 0, 1015, 1, 1, 0 }, false, true, 0, { 1, 0, ACTION_NONE, 1, 1, 0 }, 1 },
        { "standby without the right", { 1, 0, 1015, 0, 1, 0 }, false, false, 1, { 1, 0, ACTION_NONE, 0, 1, 0 }, 0 },
        { "shutdown without the right, force kept", { 1, 0, 1013, 1, 1, 0 }, false, false, 1,
          { 1, 0, ACTION_NONE, 1, 1, 0 }, 0 },
        { "unknown action", { 1, 0, 1014, 0, 1, 0 }, false, true, 1, { 1, 0, ACTION_NONE, 0, 1, 0 }, 0 },
        { "times keep their low 16 bits", { 0, 0, 1012, 0, 65536 + 22, 0x1FFFF }, false, true, 1,
          { 0, 0, ACTION_NONE, 0, 22, 0xFFFF }, 0 },
        // The options of "At the set time": a fade of 1 to 60 minutes, or none.
        { "a minute's fade", { 1, 0, 1012, 0, 7, 15, 1, 1, 1 }, false, true, 1,
          { 1, 0, ACTION_NONE, 0, 7, 15, 1, 1, 1 }, 0 },
        { "an hour's fade", { 1, 0, 1012, 0, 7, 15, 60, 5, 0x80000000u }, false, true, 1,
          { 1, 0, ACTION_NONE, 0, 7, 15, 60, 1, 1 }, 0 },
        { "fade too long", { 1, 0, 1012, 0, 7, 15, 61, 0, 1 }, false, true, 1,
          { 1, 0, ACTION_NONE, 0, 7, 15, 0, 0, 1 }, 0 },
        { "fade of -1", { 1, 0, 1012, 0, 7, 15, 4294967295u, 1, 0 }, false, true, 1,
          { 1, 0, ACTION_NONE, 0, 7, 15, 0, 1, 0 }, 0 },
        // The clock form: the user's regional format's until one is stored.
        { "first start, a 24-hour format", { .use24Hour = STORED_MISSING, .action = 1012, .regional24Hour = true },
          false, true, 1, { 0, 1, ACTION_NONE }, 0 },
        { "first start, a 12-hour format", { .use24Hour = STORED_MISSING, .action = 1012 }, false, true, 1,
          { 0, 0, ACTION_NONE }, 0 },
        { "a stored 0 under a 24-hour format", { .use24Hour = 0, .action = 1012, .regional24Hour = true }, false,
          true, 1, { 0, 0, ACTION_NONE }, 0 },
        { "a stored 1 under a 12-hour format", { .use24Hour = 1, .action = 1012 }, false, true, 1,
          { 0, 1, ACTION_NONE }, 0 },
    };
    for (const auto& row : rows) {
        s_powerAnswer = row.power;
        s_powerAsked = 0;
        LoadedSettings loaded = loadStoredSettings(row.stored, row.runOnce, row.canShutdown, fakePowerAvailable);
        EXPECT_EQ(loaded.enabled, row.loaded.enabled) << row.name;
        EXPECT_EQ(loaded.use24Hour, row.loaded.use24Hour) << row.name;
        EXPECT_EQ(loaded.action, row.loaded.action) << row.name;
        EXPECT_EQ(loaded.force, row.loaded.force) << row.name;
        EXPECT_EQ(loaded.hour, row.loaded.hour) << row.name;
        EXPECT_EQ(loaded.minute, row.loaded.minute) << row.name;
        EXPECT_EQ(loaded.fadeMinutes, row.loaded.fadeMinutes) << row.name;
        EXPECT_EQ(loaded.finishSong, row.loaded.finishSong) << row.name;
        EXPECT_EQ(loaded.notice, row.loaded.notice) << row.name;
        EXPECT_EQ(loaded.days, 127u) << row.name << ": a file without Days, every evening as before";
        EXPECT_EQ(s_powerAsked, row.powerAsked) << row.name;
    }
}

// The morning's days and the evening's: unset or outside 1 to 127, every
// day; the morning's volume 10 to 100, else 0; its song as a read gives it
// back; the rest as the evening's.
TEST(StoredSettings, LoadTheMorning)
{
    static const struct {
        uint32_t stored, days, volume, loudness;
        const char *play, *song;
    } rows[] = {
        { 0, 127, 0, 0, NULL, "" }, { 1, 1, 10, 10, "C:\\a.mp3", "C:\\a.mp3" }, { 128, 127, 5, 0, "\"x'", "\"x'" },
        { 31, 31, 15, 15, " \t\"C:\\My Music\\a b.mp3\"  ", "C:\\My Music\\a b.mp3" },
        { 127, 127, 100, 100, "'http://radio.example/a'", "http://radio.example/a" }, { 0xFFFFFFFFu, 127, 101, 0, "\"", "\"" },
    };
    for (const auto& row : rows) {
        StoredSettings stored = { .morning = 2, .morningHour = 65536 + 6, .morningMinute = 45,
                                  .morningDays = row.stored, .morningFadeMinutes = 61,
                                  .morningVolume = row.volume, .morningPlay = row.play, .days = row.stored };
        LoadedSettings loaded = loadStoredSettings(stored, false, true, fakePowerAvailable);
        EXPECT_EQ(loaded.morningDays, row.days) << row.stored;
        EXPECT_EQ(loaded.days, row.days) << row.stored;
        EXPECT_EQ(loaded.morningVolume, row.loudness) << row.volume;
        EXPECT_STREQ(loaded.morningPlay, row.song) << row.song;
        EXPECT_TRUE(loaded.morning == 1 && loaded.morningHour == 6 && loaded.morningMinute == 45 &&
                    loaded.morningFadeMinutes == 0);
    }
}

// The minute list's text as the Minute key reads it once written.
TEST(StoredMinute, ReadsAsThePlatformReadsTheKey)
{
    static const struct {
        const char* text;
        uint32_t value;
    } rows[] = {
        { "", 0 }, { "00", 0 }, { "05", 5 }, { "09", 9 }, { "30", 30 }, { "59", 59 }, { "7", 7 },
        { "100", 100 }, { "5x", 5 }, { "x5", 0 }, { "0000059", 59 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(storedMinuteOf(row.text), row.value) << "[" << row.text << "]";
}

// ---- several evenings and mornings under numbered keys ---------------------

struct Entries {
    EveningEntry evenings[MAX_ENTRIES];
    int eveningCount;
    MorningEntry mornings[MAX_ENTRIES];
    int morningCount;
};

// Loads a section's numbered entries after a first of each.
static Entries loadSection(const char* section)
{
    Entries loaded = {};
    loaded.eveningCount = loaded.morningCount = 1;
    loadNumberedEntries(sectionKeys(section), true, fakePowerAvailable, loaded.evenings, &loaded.eveningCount, loaded.mornings,
                        &loaded.morningCount);
    return loaded;
}

// Eight of each, every field set, each MorningPlay of the longest length.
static Entries eightOfEach(void)
{
    Entries full = {};
    full.eveningCount = full.morningCount = MAX_ENTRIES;
    for (int i = 0; i < MAX_ENTRIES; ++i) {
        full.evenings[i] = { (uint16_t)(16 + i), (uint16_t)(50 + i), (uint32_t)(120 + i),
                             i % 2 ? ACTION_REBOOT : ACTION_SHUTDOWN };
        MorningEntry& m = full.mornings[i];
        m = { i % 2, (uint16_t)(5 + i), (uint16_t)(i * 7), (uint32_t)(1 + i), 60, 100 };
        memset(m.play, 'a' + i, MORNING_PLAY_SIZE - 1);
    }
    return full;
}

TEST(NumberedEntries, LoadAsTheFirstEntrysKeys)
{
    static const struct {
        const char* name;
        const char* section;  // '|' for each NUL
        int evenings, mornings;
        int hour, minute, days, action;                 // the last evening loaded
        int on, morningDays, volume, fade, morningHour;  // the last morning loaded
    } rows[] = {
        { "today's file: one of each", "Hour=23|Minute=30|Morning=1|MorningHour=7|Days=5|", 1, 1 },
        { "Hour5=99: no entry", "Hour5=99|Minute5=0|", 1, 1 },
        { "Minute2 with no Hour2: no entry", "Minute2=30|Days2=3|", 1, 1 },
        { "a number 9 or higher: no entry", "Hour9=23|Hour10=1|MorningHour9=6|Morning9=1|", 1, 1 },
        { "Days3=0: every day", "Hour3=22|Days3=0|Shutdown3=1015|", 2, 1, 22, 0, 127, ACTION_STANDBY },
        { "MorningVolume7=abc: the player's own", "MorningHour7=6|Morning7=1|MorningVolume7=abc|MorningDays7=3|",
          1, 2, 0, 0, 0, 0, 1, 3, 0, 0, 6 },
        { "hostile values as the first's", "Hour2=65559|minute2 = 0x5|Shutdown2=7|MorningHour2=30|MorningHour3=' 6'|"
          "MorningMinute3=5 ; note|MorningFadeMinutes3=-61|MorningVolume3=101|MorningDays3=128|Morning3=\"9\"|",
          2, 2, 23, 5, 127, ACTION_NONE, 1, 127, 0, 0, 6 },
        { "gaps: numbers 2 and 4", "Hour2=21|Hour4=1|Minute4=15|Days4=48|Shutdown4=1013|", 3, 1, 1, 15, 48,
          ACTION_SHUTDOWN },
    };
    for (const auto& row : rows) {
        char section[512] = "";
        snprintf(section, sizeof section, "%s", row.section);
        for (char* c = section; *c; ++c)
            *c = *c == '|' ? '\0' : *c;
        s_powerAnswer = 1;
        Entries loaded = loadSection(section);
        SCOPED_TRACE(row.name);
        ASSERT_EQ(loaded.eveningCount, row.evenings);
        ASSERT_EQ(loaded.morningCount, row.mornings);
        const EveningEntry& e = loaded.evenings[row.evenings - 1];
        if (row.evenings > 1) {
            EXPECT_TRUE(e.hour == row.hour && e.minute == row.minute && e.days == (uint32_t)row.days &&
                        e.action == row.action);
        }
        const MorningEntry& m = loaded.mornings[row.mornings - 1];
        if (row.mornings > 1) {
            EXPECT_TRUE(m.on == row.on && m.days == (uint32_t)row.morningDays && m.volume == (uint32_t)row.volume &&
                        m.fadeMinutes == (uint32_t)row.fade && m.hour == row.morningHour);
        }
    }
}

// Written and read back: the same entries; eight of each with the longest
// songs fit the one section beside the first entry's keys (576 bytes at
// most), FadeFrom and the Language key; where they would not, nothing is.
TEST(NumberedEntries, RoundTripInOneSection)
{
    static char section[SECTION_SIZE];
    Entries full = eightOfEach();
    const char* limit = section + SECTION_SIZE - 576 - sizeof "FadeFrom=255" - sizeof "Language=" - 64;
    char* end = appendNumberedKeys(section, limit, full.evenings, MAX_ENTRIES, full.mornings, MAX_ENTRIES);
    ASSERT_TRUE(end != NULL);
    *end = '\0';
    Entries loaded = loadSection(section);
    ASSERT_EQ(loaded.eveningCount, MAX_ENTRIES);
    ASSERT_EQ(loaded.morningCount, MAX_ENTRIES);
    for (int i = 1; i < MAX_ENTRIES; ++i) {
        EXPECT_EQ(memcmp(&loaded.evenings[i], &full.evenings[i], sizeof full.evenings[i]), 0) << i;
        EXPECT_EQ(memcmp(&loaded.mornings[i], &full.mornings[i], sizeof full.mornings[i]), 0) << i;
    }
    EXPECT_TRUE(appendNumberedKeys(section, section + 2000, full.evenings, MAX_ENTRIES, full.mornings,
                                   MAX_ENTRIES) == NULL);
}
