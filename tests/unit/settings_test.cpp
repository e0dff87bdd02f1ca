#include <gtest/gtest.h>

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
