#include <gtest/gtest.h>

#include "dialog_rules.h"
#include "morning.h"
#include "resource.h"
#include "english.h"

TEST(HourShown, InBothForms)
{
    static const struct {
        unsigned hour24;
        bool show24;
        unsigned value;
        DayHalf half;
    } rows[] = {
        { 0, false, 12, HALF_AM },   { 1, false, 1, HALF_AM },    { 11, false, 11, HALF_AM },
        { 12, false, 12, HALF_PM },  { 13, false, 1, HALF_PM },   { 23, false, 11, HALF_PM },
        // hand-edited hours: 24 still finds "12", larger ones find nothing
        { 24, false, 12, HALF_PM },  { 25, false, 13, HALF_PM },  { 65535, false, 65523, HALF_PM },
        { 0, true, 0, HALF_NONE },   { 12, true, 12, HALF_NONE }, { 23, true, 23, HALF_NONE },
        { 24, true, 24, HALF_NONE }, { 65535, true, 65535, HALF_NONE },
    };
    for (const auto& row : rows) {
        HourShown shown = hourToShow(row.hour24, row.show24);
        EXPECT_EQ(shown.value, row.value) << row.hour24 << (row.show24 ? " 24h" : " 12h");
        EXPECT_EQ(shown.half, row.half) << row.hour24 << (row.show24 ? " 24h" : " 12h");
    }
}

TEST(TwelveToTwentyFour, NoonAndMidnight)
{
    static const struct {
        unsigned shown;
        unsigned am, pm;
    } rows[] = {
        { 12, 0, 12 }, { 1, 1, 13 }, { 7, 7, 19 }, { 11, 11, 23 }, { 0, 0, 12 },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(twelveToTwentyFour(row.shown, false), row.am) << row.shown << " AM";
        EXPECT_EQ(twelveToTwentyFour(row.shown, true), row.pm) << row.shown << " PM";
    }
}

TEST(HourSwitch, BothWays)
{
    static const struct {
        unsigned shown;  // what the list shows before the switch
        bool now24;
        bool pm;
        unsigned value;  // what it shows after
        DayHalf half;
    } rows[] = {
        { 12, true, false, 0, HALF_NONE },   // 12 AM
        { 12, true, true, 12, HALF_NONE },   // 12 PM
        { 7, true, true, 19, HALF_NONE },
        { 7, true, false, 7, HALF_NONE },
        { 0, true, false, 0, HALF_NONE },    // nothing selected, AM
        { 0, true, true, 12, HALF_NONE },    // nothing selected, PM
        { 0, false, false, 12, HALF_AM },
        { 0, false, true, 12, HALF_AM },     // PM plays no part going back
        { 12, false, false, 12, HALF_PM },
        { 19, false, false, 7, HALF_PM },
        { 11, false, true, 11, HALF_AM },
        { 23, false, false, 11, HALF_PM },
    };
    for (const auto& row : rows) {
        HourShown after = hourToShow(hourAfterSwitch(row.shown, row.now24, row.pm), row.now24);
        EXPECT_EQ(after.value, row.value) << row.shown << " to " << (row.now24 ? "24h" : "12h");
        EXPECT_EQ(after.half, row.half) << row.shown << " to " << (row.now24 ? "24h" : "12h");
    }
}

static int s_powerQueries;
static int powerYes(void) { return ++s_powerQueries, 1; }
static int powerNo(void) { return ++s_powerQueries, 0; }

TEST(ScheduleEnabling, ByPluginStateRightAndPower)
{
    static const struct {
        bool on, canShutdown, power;
        bool time, group, standby, shutdownReboot;
        int queries;
    } rows[] = {
        { true, true, true, true, true, true, true, 1 },
        { true, true, false, true, true, false, true, 1 },
        { true, false, true, true, false, false, false, 0 },
        { true, false, false, true, false, false, false, 0 },
        { false, true, true, false, false, false, false, 0 },
        { false, true, false, false, false, false, false, 0 },
        { false, false, true, false, false, false, false, 0 },
    };
    for (const auto& row : rows) {
        s_powerQueries = 0;
        ScheduleEnabling e = scheduleEnabling(row.on, row.canShutdown, row.power ? powerYes : powerNo);
        const char* which = row.on ? (row.canShutdown ? "on, right" : "on, no right")
                                   : (row.canShutdown ? "off, right" : "off, no right");
        EXPECT_EQ(e.timeControls, row.time) << which << " power " << row.power;
        EXPECT_EQ(e.actionGroup, row.group) << which << " power " << row.power;
        EXPECT_EQ(e.standby, row.standby) << which << " power " << row.power;
        EXPECT_EQ(e.shutdownReboot, row.shutdownReboot) << which << " power " << row.power;
        EXPECT_EQ(s_powerQueries, row.queries) << which << " power " << row.power;
    }
}

TEST(ForceEnabling, AfterAClick)
{
    static const struct {
        int control;
        bool clickedChecked, shutdownOrReboot;
        ForceChange change;
    } rows[] = {
        { IDC_PLUGIN_ENABLED, true, true, FORCE_ENABLE },
        { IDC_PLUGIN_ENABLED, true, false, FORCE_DISABLE },
        { IDC_RUN_ONCE, true, true, FORCE_ENABLE },
        { IDC_RUN_ONCE, true, false, FORCE_DISABLE },
        { IDC_PLUGIN_DISABLED, true, true, FORCE_DISABLE },
        { IDC_PLUGIN_DISABLED, true, false, FORCE_DISABLE },
        { IDC_ACTION_SHUTDOWN, true, true, FORCE_ENABLE },
        { IDC_ACTION_SHUTDOWN, false, false, FORCE_KEEP },
        { IDC_ACTION_REBOOT, true, true, FORCE_ENABLE },
        { IDC_ACTION_REBOOT, false, true, FORCE_KEEP },
        { IDC_ACTION_STANDBY, true, false, FORCE_DISABLE },
        { IDC_ACTION_STANDBY, false, true, FORCE_KEEP },
        { IDC_ACTION_NONE, true, false, FORCE_DISABLE },
        { IDC_ACTION_NONE, false, true, FORCE_DISABLE },  // whatever the button says
        { IDC_FORCE, true, true, FORCE_KEEP },
        { IDC_24HOUR, true, true, FORCE_KEEP },
        { IDC_HOUR, false, true, FORCE_KEEP },
        { 1 /* OK */, false, true, FORCE_KEEP },
    };
    for (const auto& row : rows)
        EXPECT_EQ(forceAfterCommand(row.control, row.clickedChecked, row.shutdownOrReboot), row.change)
            << row.control << " checked " << row.clickedChecked << " shutdown/reboot " << row.shutdownOrReboot;
}

TEST(FadeMinutes, ShownAndHandedBack)
{
    // The list: 1, 2, 5, 10, 15, 30. item: the one shown for `shown`;
    // then OK with the box checked and `chosen` selected (-1: none).
    static const struct {
        unsigned shown;
        int item;
        int chosen;
        unsigned saved;
    } rows[] = {
        { 0, 2, 2, 5 },     // off: "5" waits in the list
        { 1, 0, 0, 1 },     { 10, 3, 3, 10 },  { 30, 5, 5, 30 },
        { 10, 3, 1, 2 },    // another item chosen
        { 7, -1, -1, 7 },   // hand-edited: nothing selected, kept
        { 60, -1, -1, 60 }, { 7, -1, 4, 15 },  // ... unless another is chosen
        { 0, 2, -1, 5 },    { 61, -1, -1, 5 }, // nothing to keep: the default
        { 10, 3, 6, 10 },   // an index beyond the list counts as none
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fadeItemToShow(row.shown), row.item) << row.shown;
        EXPECT_EQ(fadeToSave(true, row.chosen, row.shown), row.saved) << row.shown << " item " << row.chosen;
        EXPECT_EQ(fadeToSave(false, row.chosen, row.shown), 0u) << row.shown << " item " << row.chosen;
    }
}

TEST(FadeMinutes, TheMorningsShownAndHandedBack)
{
    // The list: No fade, 1, 2, 5, 10, 15, 30.
    static const struct {
        unsigned shown;
        int item, chosen;
        unsigned saved;
    } rows[] = { { 0, 0, 0, 0 },  { 0, 0, 4, 10 },  { 10, 4, 0, 0 },  // hand-edited: kept; beyond the list: none
                 { 7, -1, -1, 7 }, { 7, -1, 3, 5 }, { 10, 4, 7, 10 } };
    for (const auto& row : rows) {
        EXPECT_EQ(morningFadeItemToShow(row.shown), row.item) << row.shown;
        EXPECT_EQ(morningFadeToSave(row.chosen, row.shown), row.saved) << row.shown << " item " << row.chosen;
    }
}

TEST(MorningChoice, NoDayIsNoMorning)
{
    static const struct {
        bool checked;
        unsigned ticked;
        bool on;
        unsigned days;
    } rows[] = { { true, 31, true, 31 }, { false, 96, false, 96 }, { true, 0, false, 127 } };
    for (const auto& row : rows) {
        DaysChoice choice = daysToSave(row.checked, row.ticked);
        EXPECT_TRUE(choice.on == row.on && choice.days == row.days) << row.checked << " " << row.ticked;
    }
}

TEST(MorningNote, AnOffComputerWins)
{
    EXPECT_EQ(morningNoteText(WAKE_ALLOWED, ACTION_STANDBY, false, true), NO_TEXT);
    EXPECT_EQ(english(morningNoteText(WAKE_TIMERS_OFF, ACTION_REBOOT, true, false)),
              "A computer that is off cannot be woken.");
}

TEST(NightLine, TheNightTheFirstDayTickedStandsFor)
{
    static const struct {
        unsigned hour, days;
        const char* line;  // with the time on the hour; NULL for none
    } rows[] = {
        { 1, 32 + 64, "1:00 AM on Saturday is Friday night" },
        { 12, 32, NULL },
        { 0, 0, "12:00 AM on a day ticked is the night before it" },
    };
    for (const auto& row : rows) {
        TextId line = nightLineText(row.hour, row.days);
        EXPECT_EQ(line == NO_TEXT ? std::string("(none)") : english(line, { timeOfDay(row.hour, 0, false) }),
                  row.line ? row.line : "(none)")
            << row.hour << " " << row.days;
    }
}

TEST(NoticeAnswer, ByButton)
{
    static const struct {
        int control;
        NoticeAnswer answer;
    } rows[] = {
        { IDC_SNOOZE, ANSWER_SNOOZE }, { IDC_CANCEL_TONIGHT, ANSWER_CANCEL }, { IDC_CLOSE_NOW, ANSWER_CLOSE_NOW },
        { 1 /* Enter */, ANSWER_NONE }, { 2 /* Escape */, ANSWER_NONE },      { IDC_NOTICE_TEXT, ANSWER_NONE },
    };
    for (const auto& row : rows)
        EXPECT_EQ(noticeAnswerFor(row.control), row.answer) << row.control;
}
