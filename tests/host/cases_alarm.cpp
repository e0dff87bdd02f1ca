// The alarm worker in the real DLL: the due time it arms, the exit command
// at that time, replacement and stopping by config, and its failures.
// The clock is faked; the real timer comes due when the host fires it.
#include "host.h"

#include "../../resources/resource.h"
#include "zone_rules.h"

#include <stdio.h>
#include <string.h>

static const char CREATE_FAILED[] =
    "Failed to create a Waitable Timer.  The plugin has been temporarily disabled.";
static const char SET_FAILED[] =
    "Failed to set the Waitable Timer.  The plugin has been temporarily disabled.";

static void settingsText(char* text, size_t size, int enabled, int hour, int minute, int action = 1012)
{
    snprintf(text, size, "[Nightfold]\r\nEnabled=%d\r\nShutdown=%d\r\nForceAppsToClose=0\r\nHour=%d\r\nMinute=%d\r\n",
             enabled, action, hour, minute);
}

static void checkDue(const char* row, LONGLONG expected)
{
    CHECK(g_log.due == expected, "%s: due time off by %lld ms", row, (g_log.due - expected) / 10000);
}

// ---- the due time, end to end (TZ=UTC) ----------------------------------------

static void testAlarmDue(const char*dllPath)
{
    static const struct {
        const char* name;
        SYSTEMTIME now;
        int hour, minute;
        LONGLONG due;
        int late;           // seconds past the due time that the clock shows when the timer comes
        LONGLONG rearmed;   // missed: the next occurrence armed instead of firing
    } rows[] = {
        { "passed_tomorrow", localTime(2024, 6, 12, 22, 15, 40, 250), 22, 15, utcValue(2024, 6, 13, 22, 15, 0, 250) },
        { "ahead_today", localTime(2024, 6, 12, 21, 0, 0, 500), 22, 15, utcValue(2024, 6, 12, 22, 15, 0, 500) },
        { "just_ahead", localTime(2024, 6, 12, 22, 14, 59, 999), 22, 15, utcValue(2024, 6, 12, 22, 15, 0, 999) },
        { "midnight", localTime(2024, 12, 31, 23, 59, 59, 999), 0, 0, utcValue(2025, 1, 1, 0, 0, 0, 999) },
        { "leap_day", localTime(2024, 2, 28, 23, 30, 0, 0), 1, 0, utcValue(2024, 2, 29, 1, 0) },
        // The computer slept through the set time, or the clock was put
        // forward: more than a minute late, the alarm waits for tomorrow.
        { "late_30s", localTime(2024, 6, 12, 21, 0, 0, 500), 22, 15, utcValue(2024, 6, 12, 22, 15, 0, 500), 30 },
        { "missed_61s", localTime(2024, 6, 12, 21, 0, 0, 500), 22, 15, utcValue(2024, 6, 12, 22, 15, 0, 500), 61,
          utcValue(2024, 6, 13, 22, 15, 0, 500) },
        { "missed_2h", localTime(2024, 6, 12, 21, 0, 0, 500), 22, 15, utcValue(2024, 6, 12, 22, 15, 0, 500), 7200,
          utcValue(2024, 6, 13, 22, 15, 0, 500) },
    };
    // The clock at the wake shows the due time's milliseconds, then .999.
    for (int wakeMs : { -1, 999 })
    for (const auto& row : rows) {
        char name[64];
        snprintf(name, sizeof name, "%s%s", row.name, wakeMs < 0 ? "" : "_999");
        resetFakes();
        g_fakes.now = row.now;
        g_fakes.wakeMs = wakeMs;
        char settings[256];
        settingsText(settings, sizeof settings, 1, row.hour, row.minute, 1013);
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, name, settings, &plugin))
            continue;
        bool fires = row.rearmed == 0;
        if (!CHECK(waitForCount(&g_log.timerSets, 1, 5000), "%s: not armed", name))
            continue;
        checkDue(name, row.due);
        if (!fireAlarm(1, row.late))
            continue;
        if (fires) {
            CHECK(waitForExitCommand(5000), "%s: no exit command", name);
            CHECK(waitForWorkerEnd(5000), "%s: the worker does not end", name);
        } else {
            CHECK(waitForCount(&g_log.timerSets, 2, 5000), "%s: not armed again", name);
            // Tomorrow's, at the milliseconds of the clock that saw it missed.
            checkDue(name, row.rearmed + (wakeMs < 0 ? 0 : (wakeMs - row.now.wMilliseconds) * 10000LL));
        }
        pumpMessagesFor(0);
        CHECK(g_hostLog.exitCommands == fires && g_hostLog.exitCommandsSent == 0,
              "%s: %d exit commands, %d sent rather than posted", name, g_hostLog.exitCommands,
              g_hostLog.exitCommandsSent);
        CHECK(g_log.messageBoxes == 0, "%s: message box %s", name, g_log.boxText);
        plugin.header->quit();
        CHECK(g_log.exitRequests == fires, "%s: %ld end actions", name, g_log.exitRequests);
    }
}

// ---- across a change of clocks (TZ=Europe/Berlin) ---------------------------------

// The bias in force at the fake clock's now is given per row: the plugin
// reads the repeated hour either way, and every row runs in any season.
static void testAlarmSummerTime(const char* dllPath)
{
    TIME_ZONE_INFORMATION zone;
    GetTimeZoneInformation(&zone);
    if (!CHECK(zone.Bias == -60 && zone.DaylightBias == -60 && zone.DaylightDate.wMonth == 3,
               "Wine does not run in Central European time (TZ=Europe/Berlin): bias %ld", zone.Bias))
        return;
    static const struct {
        const char* name;
        SYSTEMTIME now;
        LONG nowBias;      // minutes, in force at now
        int hour, minute;
        LONGLONG due;      // UTC
    } rows[] = {
        { "spring_tomorrow", localTime(2024, 3, 30, 23, 0), -60, 22, 15, utcValue(2024, 3, 31, 20, 15) },
        { "spring_today", localTime(2024, 3, 31, 1, 0), -60, 22, 15, utcValue(2024, 3, 31, 20, 15) },
        { "autumn_tomorrow", localTime(2024, 10, 26, 23, 0), -120, 22, 15, utcValue(2024, 10, 27, 21, 15) },
        { "autumn_today", localTime(2024, 10, 27, 1, 0), -120, 22, 15, utcValue(2024, 10, 27, 21, 15) },
        // 02:30 comes twice; Wine reads it as its first, summer-time, pass.
        { "repeated_hour_first", localTime(2024, 10, 27, 2, 10), -120, 2, 30, utcValue(2024, 10, 27, 0, 30) },
        { "repeated_hour_second", localTime(2024, 10, 27, 2, 10), -60, 2, 30, utcValue(2024, 10, 27, 1, 30) },
    };
    // Without TzSpecificLocalTimeToSystemTime (the 9x family, NT 4.0, 2000)
    // the plugin applies the zone's rules itself: the same due times.
    for (int family9x = 0; family9x < 2; ++family9x) {
        for (const auto& row : rows) {
            char name[64];
            snprintf(name, sizeof name, "%s%s", row.name, family9x ? "_9x" : "");
            resetFakes();
            g_fakes.now = row.now;
            g_fakes.fixedBias = TRUE;
            g_fakes.biasMinutes = row.nowBias;
            g_fakes.zoneConversion = family9x ? LOOKUP_MISSING : LOOKUP_REAL;
            char settings[256];
            settingsText(settings, sizeof settings, 1, row.hour, row.minute);
            LoadedPlugin plugin;
            if (!startPlugin(dllPath, name, settings, &plugin) || !fireAlarm(1))
                continue;
            CHECK(waitForExitCommand(5000), "%s: no exit command", name);
            checkDue(name, row.due);
            waitForWorkerEnd(5000);
            plugin.header->quit();
        }
    }
}

// ---- the zone's rules against the platform's conversion, a whole year ----------

// The zone Wine runs in (TZ) and its dates of 2025 written out as absolute
// transition dates.
struct ZoneYear {
    LONG bias;
    SYSTEMTIME summerBegins, summerEnds;
};

// Every day of 2025, at times around the changes (the skipped and the
// repeated hour among them): the zone's rules, fed with
// GetTimeZoneInformation's answer, give what TzSpecificLocalTimeToSystemTime
// gives; and the same with the year's dates in absolute form.
static void compareZoneYear(const ZoneYear& year)
{
    TIME_ZONE_INFORMATION zones[2];
    GetTimeZoneInformation(&zones[0]);
    if (!CHECK(zones[0].Bias == year.bias && zones[0].DaylightDate.wMonth != 0,
               "Wine does not run in the zone asked for: bias %ld", zones[0].Bias))
        return;
    zones[1] = zones[0];
    zones[1].DaylightDate = year.summerBegins;
    zones[1].StandardDate = year.summerEnds;
    static const WORD times[][2] = { { 0, 0 }, { 0, 30 }, { 1, 59 }, { 2, 0 }, { 2, 30 }, { 2, 59 },
                                     { 3, 0 }, { 12, 0 }, { 23, 0 }, { 23, 30 }, { 23, 59 } };
    ULONGLONG day = (ULONGLONG)utcValue(2025, 1, 1, 0, 0);
    int compared = 0, differing = 0;
    for (int days = 0; days < 365; ++days, day += 864000000000ULL) {
        FILETIME dayTime = { (DWORD)day, (DWORD)(day >> 32) };
        SYSTEMTIME local;
        FileTimeToSystemTime(&dayTime, &local);
        local.wMilliseconds = 250;
        for (const auto& time : times) {
            local.wHour = time[0];
            local.wMinute = time[1];
            for (int form = 0; form < 2; ++form) {
                SYSTEMTIME utc;
                FILETIME utcTime;
                if (!CHECK(TzSpecificLocalTimeToSystemTime(form ? &zones[1] : NULL, &local, &utc) &&
                               SystemTimeToFileTime(&utc, &utcTime),
                           "%d-%d-%d %02d:%02d: no conversion", local.wYear, local.wMonth, local.wDay,
                           local.wHour, local.wMinute))
                    return;
                ULONGLONG ours = zoneLocalToUtc(*(const ZoneInformation*)&zones[form], *(const CalendarTime*)&local);
                ++compared;
                if (ours != fileTimeValue(utcTime) && ++differing <= 5)
                    CHECK(false, "%d-%02d-%02d %02d:%02d%s: off by %lld minutes", local.wYear, local.wMonth,
                          local.wDay, local.wHour, local.wMinute, form ? " (absolute dates)" : "",
                          (LONGLONG)(ours - fileTimeValue(utcTime)) / 600000000);
            }
        }
    }
    CHECK(differing == 0, "%d of %d conversions differ", differing, compared);
}

static void testZoneRulesBerlin(const char*)
{
    compareZoneYear({ -60, localTime(2025, 3, 30, 2, 0), localTime(2025, 10, 26, 3, 0) });
}

static void testZoneRulesSydney(const char*)
{
    compareZoneYear({ -600, localTime(2025, 10, 5, 2, 0), localTime(2025, 4, 6, 3, 0) });
}

// South, and at midnight: the skipped hour begins a Sunday, the repeated
// hour ends a Saturday.
static void testZoneRulesSantiago(const char*)
{
    compareZoneYear({ 240, localTime(2025, 9, 7, 0, 0), localTime(2025, 4, 6, 0, 0) });
}

// ---- quit before the due time ---------------------------------------------------

static void testAlarmQuitEarly(const char* dllPath)
{
    resetFakes();
    char settings[256];
    settingsText(settings, sizeof settings, 1, 23, 30, 1013);
    LoadedPlugin plugin;
    if (!startPlugin(dllPath, "quit_early", settings, &plugin))
        return;
    CHECK(waitForCount(&g_log.timerSets, 1, 5000), "the worker does not arm");
    plugin.header->quit();

    // The due time comes after the player has gone: nothing answers it.
    CHECK(waitForWorkerEnd(5000), "the worker does not end");
    fireAlarm(1);
    pumpMessagesFor(0);
    CHECK(g_hostLog.exitCommands == 0, "exit command after quit");
    CHECK(g_log.exitRequests == 0 && g_log.powerRequests == 0, "end action without a fired alarm");
}

// ---- config replaces, stops and re-arms the worker ------------------------------

static void testAlarmReplaced(const char* dllPath)
{
    resetFakes();
    g_fakes.now = localTime(2024, 6, 12, 21, 0, 0, 0);
    char settings[256];
    settingsText(settings, sizeof settings, 1, 22, 15, 1013);
    LoadedPlugin plugin;
    if (!startPlugin(dllPath, "replaced", settings, &plugin))
        return;
    if (!CHECK(waitForCount(&g_log.timerSets, 1, 5000), "the first worker does not arm"))
        return;
    HANDLE timer = OpenWaitableTimerA(SYNCHRONIZE, FALSE, g_log.timerName);
    CHECK(timer != NULL, "no timer named %s: error %lu", g_log.timerName, GetLastError());

    // OK with a new time: a new worker re-arms the same timer, sooner.
    settingsText(settings, sizeof settings, 1, 23, 45, 1013);
    rewriteSettings("replaced", settings);
    plugin.header->config();
    CHECK(fireAlarm(2) && waitForExitCommand(5000), "the replacement does not fire");
    checkDue("replacement", utcValue(2024, 6, 12, 23, 45));
    CHECK(timer && WaitForSingleObject(timer, 0) == WAIT_OBJECT_0, "the replacement armed another timer");
    CHECK(g_log.timerSets == 2, "%ld armings", g_log.timerSets);
    // Both workers are gone: the replaced one never answered the timer.
    CHECK(waitForWorkerEnd(5000), "a worker does not end");
    pumpMessagesFor(0);
    CHECK(g_hostLog.exitCommands == 1, "%d exit commands: the replaced worker acted", g_hostLog.exitCommands);

    // OK again after firing: the new worker clears the alarm, so quit ends
    // the player without an end action. Then OK with the plugin disabled
    // while that worker waits: it is stopped, none replaces it, and the due
    // time moves nothing.
    plugin.header->config();
    CHECK(waitForCount(&g_log.timerSets, 3, 5000), "the third worker does not arm");
    settingsText(settings, sizeof settings, 0, 23, 45, 1013);
    rewriteSettings("replaced", settings);
    plugin.header->config();
    CHECK(waitForWorkerEnd(5000), "the third worker does not end");
    fireAlarm(3);
    pumpMessagesFor(0);
    CHECK(g_log.timerSets == 3, "%ld armings", g_log.timerSets);
    CHECK(g_hostLog.exitCommands == 1, "%d exit commands: the stopped worker acted", g_hostLog.exitCommands);
    plugin.header->quit();
    CHECK(g_log.exitRequests == 0, "end action after the alarm was re-armed");
    if (timer)
        CloseHandle(timer);
}

// ---- failures -------------------------------------------------------------------

static HANDLE takeTimerName(const char* timerName)
{
    return CreateMutexA(NULL, FALSE, timerName);
}

static HANDLE takeMorningName(const char* timerName)
{
    char name[MAX_PATH + 16];
    snprintf(name, sizeof name, "%s morning", timerName);
    return CreateMutexA(NULL, FALSE, name);
}

static void testAlarmFails(const char* dllPath)
{
    // No thread for the worker: told on the player's thread, with the reason.
    std::string noThread =
        withReason("Failed to start the alarm.  The plugin has been temporarily disabled.", ERROR_NOT_ENOUGH_MEMORY);
    // The morning alone (hour: the morning's), each failure told with the system's reason.
    static const char NOT_SET[] = "The morning alarm could not be set.";
    std::string morningTaken = withReason(NOT_SET, ERROR_INVALID_HANDLE),
                morningSet = withReason(NOT_SET, ERROR_INVALID_PARAMETER),
                morningTime = withReason(NOT_SET, ERROR_INVALID_TIME),
                morningThread = withReason(NOT_SET, ERROR_NOT_ENOUGH_MEMORY);
    static const struct {
        const char* name;
        bool nameTaken;     // a mutex holds the timer's name
        bool setFails;      // SetWaitableTimer fails
        int hour, minute;
        const char* text;
        int armings;
        bool firedBefore;   // an earlier worker fired: the end action still runs
        int threadFails;    // CreateThread fails: 1 at init, 2 at the dialog's OK
        bool morning;
    } rows[] = {
        { "morning_name_taken", true, false, 7, 0, morningTaken.c_str(), 0, false, 0, true },
        { "morning_set_fails", false, true, 7, 0, morningSet.c_str(), 1, false, 0, true },
        { "morning_hour_24", false, false, 24, 0, morningTime.c_str(), 0, false, 0, true },
        { "morning_no_thread", false, false, 7, 0, morningThread.c_str(), 0, false, 1, true },
        { "name_taken", true, false, 22, 15, CREATE_FAILED, 0, false },
        { "set_fails", false, true, 22, 15, SET_FAILED, 1, false },
        { "hour_24", false, false, 24, 0, SET_FAILED, 0, false },
        { "minute_60", false, false, 12, 60, SET_FAILED, 0, false },
        { "hour_65535", false, false, 65535, 0, SET_FAILED, 0, false },
        { "fails_after_firing", false, false, 25, 0, SET_FAILED, 1, true },
        { "no_thread_at_init", false, false, 22, 15, noThread.c_str(), 0, false, 1 },
        { "no_thread_at_ok", false, false, 22, 15, noThread.c_str(), 1, false, 2 },
    };
    for (const auto& row : rows) {
        resetFakes();
        g_fakes.setTimerFails = row.setFails;
        g_fakes.threads = row.threadFails == 1 ? THREADS_FAIL : THREADS_REAL;
        char settings[256];
        settingsText(settings, sizeof settings, 1, row.firedBefore ? 22 : row.hour, row.minute, 1013);
        if (row.morning)
            snprintf(settings, sizeof settings, "[Nightfold]\r\nMorning=1\r\nMorningHour=%d\r\n", row.hour);
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.name, settings, &plugin,
                         !row.nameTaken ? NULL : row.morning ? takeMorningName : takeTimerName))
            continue;
        if (row.firedBefore) {
            CHECK(fireAlarm(1) && waitForExitCommand(5000), "%s: the first worker does not fire", row.name);
            waitForWorkerEnd(5000);
            settingsText(settings, sizeof settings, 1, row.hour, row.minute, 1013);
            rewriteSettings(row.name, settings);
            plugin.header->config();
        }
        if (row.threadFails == 2) {
            waitForCount(&g_log.timerSets, 1, 5000);
            g_fakes.threads = THREADS_FAIL;
            plugin.header->config();
        }
        CHECK(waitForCount(&g_log.messageBoxes, 1, 5000), "%s: no message box", row.name);
        CHECK(row.threadFails == 1 || waitForWorkerEnd(5000), "%s: the worker does not end", row.name);
        pumpMessagesFor(0);
        CHECK(g_log.messageBoxes == 1 && strcmp(g_log.boxText, row.text) == 0, "%s: %ld boxes, text [%s]", row.name,
              g_log.messageBoxes, g_log.boxText);
        CHECK(strcmp(g_log.boxTitle, "Nightfold v2.0") == 0 && g_log.boxStyle == 0x40010 && g_log.boxOwner == NULL,
              "%s: box [%s] style %#x owner %p", row.name, g_log.boxTitle, g_log.boxStyle, (void*)g_log.boxOwner);
        CHECK((g_log.boxThread == GetCurrentThreadId()) == (row.threadFails != 0), "%s: box on the wrong thread",
              row.name);
        CHECK((row.morning ? g_log.morningSets : g_log.timerSets) == row.armings, "%s: %ld armings", row.name,
              row.morning ? g_log.morningSets : g_log.timerSets);
        CHECK(g_hostLog.exitCommands == (row.firedBefore ? 1 : 0), "%s: %d exit commands", row.name,
              g_hostLog.exitCommands);
        plugin.header->quit();
        CHECK(g_log.exitRequests == (row.firedBefore ? 1 : 0), "%s: %ld end actions", row.name, g_log.exitRequests);
    }
}

// ---- the evening: the fade, the song, the notice (TZ=UTC) ---------------------


static LONG s_armings;

// The worker has taken its step: armed again, asked the player to exit,
// or ended.
static bool stepTaken(void)
{
    return g_log.timerSets > s_armings || g_hostLog.exitCommands || waitForWorkerEnd(0);
}

static void testEvening(const char* dllPath)
{
    enum { NONE = -1, QUIT = 1 };
    static const FakePlayer PLAYING = { 1, 0, 0, 200 }, STREAM = { 1, 5000, -1, 200 },
                            MENU_PLAYING = { 1, 0, 0, 200, false, MENU_WITH_IDS };
    static const char SHUTS_DOWN[] = "Winamp closes in 1:00, then the computer shuts down.";
    static const struct {
        const char* name;
        const char* options;  // the keys of "At the set time"
        FakePlayer player;
        int answer;           // clicked when the notice shows, or QUIT
        int userAt;           // at this wake of the fade the user sets the volume to 150 (or quit: QUIT in answer)
        int closesAt;         // seconds after the set time of the exit command, or NONE
        int volumeAtExit;     // the player's volume then, or at quit
        int stops;
        const char* notice;   // its text as it appears
        int lastArming;       // seconds after the set time (NONE: not checked)
        const char* chosen = NULL;  // chosen in the player's menu at the start, 23:00
        bool clicked = false;       // in a window, with another on top of all, the user clicks the answer
        int sleeps = 0;             // the plugin puts the computer to sleep itself, the player left open
    } rows[] = {
        { "fade", "FadeMinutes=5", PLAYING, 0, 0, 0, 200, 1, NULL, NONE },
        { "user_moves_volume", "FadeMinutes=5", PLAYING, 0, 3, 0, 150, 0, NULL, NONE },
        { "stopped", "FadeMinutes=5", { 0, -1, 0, 200 }, 0, 0, 0, 200, 0, NULL, NONE },
        { "paused", "FadeMinutes=5", { 3, 1000, 200000, 200 }, 0, 0, 0, 200, 0, NULL, NONE },
        { "deaf_player", "FadeMinutes=5\r\nFinishSong=1", { 1, 0, 0, 200, true }, 0, 0, 0, 200, 0, NULL, NONE },
        { "song_3_minutes_left", "FinishSong=1", { 1, 60000, 240000, 200 }, 0, 0, 180, 200, 0, NULL, NONE },
        { "song_20_minutes_left", "FinishSong=1", { 1, 0, 1200000, 200 }, 0, 0, 0, 200, 0, NULL, NONE },
        { "stream", "FinishSong=1", STREAM, 0, 0, 0, 200, 0, NULL, NONE },
        { "notice", "Notice=1", PLAYING, 0, 0, 0, 200, 0, SHUTS_DOWN, NONE },
        { "snooze", "Notice=1\r\nFadeMinutes=2", PLAYING, IDC_SNOOZE, 0, 600, 200, 1, SHUTS_DOWN, NONE },
        { "snooze_clicked", "Notice=1", PLAYING, IDC_SNOOZE, 0, 600, 200, 0, SHUTS_DOWN, NONE, NULL, true },
        { "cancel", "Notice=1", PLAYING, IDC_CANCEL_TONIGHT, 0, NONE, 200, 0, SHUTS_DOWN, 86400 - 60 },
        { "cancel_run_once", "Notice=1", PLAYING, IDC_CANCEL_TONIGHT, 0, NONE, 200, 0, SHUTS_DOWN, 0 },
        { "close_now", "Notice=1", PLAYING, IDC_CLOSE_NOW, 0, -60, 200, 0, SHUTS_DOWN, NONE },
        { "quit_in_notice", "Notice=1\r\nFadeMinutes=1", PLAYING, QUIT, 0, NONE, 200, 0, SHUTS_DOWN, NONE },
        { "quit_in_fade", "FadeMinutes=5", PLAYING, QUIT, 3, NONE, 200, 0, NULL, NONE },
        { "menu_in_30_minutes", "Enabled=0", MENU_PLAYING, 0, 0, 0, 200, 0, NULL, NONE, "In 30 minutes" },
        { "menu_in_2_hours", "Notice=1\r\nFadeMinutes=2", MENU_PLAYING, 0, 0, 5400, 200, 1, SHUTS_DOWN, NONE,
          "In 2 hours" },
        { "menu_song_end", "FadeMinutes=2", { 1, 60000, 240000, 200, false, MENU_WITH_IDS }, 0, 0, 180 - 1800, 200, 1,
          NULL, NONE, "When this song ends" },
        // Looks at 0, at 62 (2 s after the first song) and 152 (the second): stopped.
        { "menu_playlist_stops", "", { 1, 0, 60000, 200, false, MENU_WITH_IDS, true, { 90000 } }, 0, 0, 152 - 1800,
          200, 0, NULL, NONE, "When playback stops" },
        // A morning follows: the player stays open for it, unless the computer is turned off.
        { "morning_sleeps", "Morning=1\r\nMorningHour=7\r\nShutdown=1015\r\nNotice=1", PLAYING, 0, 0, NONE, 200, 1,
          "Playback stops in 1:00, then the computer sleeps until 7:00 AM.", 86400 - 60, NULL, false, 1 },
        { "morning_after_shutdown", "Morning=1\r\nMorningHour=7\r\nNotice=1", PLAYING, 0, 0, 0, 200, 0, SHUTS_DOWN,
          NONE },
    };
    const LONGLONG setTime = utcValue(2024, 6, 12, 23, 30);
    // The clock at a whole second when the plugin starts and at .999 when it
    // wakes; then at .999 from the start and at .000 when it wakes, a moment
    // before the due time it armed.
    static const struct {
        int startMs, wakeMs;
        const char* suffix;
    } clocks[] = { { 0, 999, "" }, { 999, 0, "_999" } };
    for (const auto& clock : clocks)
    for (const auto& row : rows) {
        char name[64];
        snprintf(name, sizeof name, "%s%s", row.name, clock.suffix);
        resetFakes();
        g_fakes.now = localTime(2024, 6, 12, 23, 0, 0, clock.startMs);
        g_fakes.wakeMs = clock.wakeMs;
        g_fakes.chooseRunOnce = strstr(row.name, "run_once") != NULL;
        g_player = row.player;
        char settings[256];
        snprintf(settings, sizeof settings, "[Nightfold]\r\n%s\r\nEnabled=%d\r\nShutdown=1013\r\nHour=23\r\nMinute=30\r\n",
                 row.options, !g_fakes.chooseRunOnce);
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, name, settings, &plugin))
            continue;
        if (g_fakes.chooseRunOnce)
            plugin.header->config();
        LONG armed = strstr(row.options, "Enabled=0") ? 0 : 1;
        if (row.chosen && waitForCount(&g_log.timerSets, armed, 5000) && chooseFromMenu(row.chosen))
            ++armed;
        HWND onTop = NULL, inFront = NULL;
        if (row.clicked) {
            onTop = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, 0, 0, 0, 0);
            inFront = CreateWindowA("EDIT", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, 0, 0, 0, 0);
            SetForegroundWindow(inFront);
        }
        bool quit = false, noticeSeen = false;
        int wakes = 0;
        DWORD quitMs = 0;
        for (; !quit && !g_hostLog.exitCommands && !g_log.powerRequests && wakes < 600; ++wakes) {
            if (!fireAlarm(armed))
                break;
            s_armings = armed;
            CHECK(pumpMessagesUntil(stepTaken, 3000), "%s: no step after wake %d", name, wakes);
            armed = g_log.timerSets;
            HWND notice = findNotice();
            bool answerNow = notice && !noticeSeen;
            if (answerNow) {
                noticeSeen = true;
                char text[256] = "";
                GetDlgItemTextA(notice, IDC_NOTICE_TEXT, text, sizeof text);
                CHECK(row.notice && strcmp(text, row.notice) == 0 && GetForegroundWindow() != notice && !GetWindow(notice, GW_OWNER),
                      "%s: notice [%s], foreground %d", name, text, GetForegroundWindow() == notice);
            }
            if (row.userAt == wakes + 1 && row.answer != QUIT)
                g_player.volume = 150;
            if ((answerNow || row.userAt == wakes + 1) && row.answer == QUIT) {
                DWORD start = GetTickCount();
                plugin.header->quit();
                quitMs = GetTickCount() - start;
                quit = true;
                CHECK(!IsWindow(notice), "%s: the notice outlives quit", name);
            } else if (answerNow && row.answer) {
                if (inFront)
                    SetForegroundWindow(notice);
                PostMessageA(notice, WM_COMMAND, row.answer, 0);
                s_armings = armed;
                CHECK(pumpMessagesUntil(stepTaken, 3000), "%s: no step after the answer", name);
                armed = g_log.timerSets;
                if (row.lastArming != NONE)
                    break;
            }
        }
        pumpMessagesFor(0);
        CHECK(!inFront || GetForegroundWindow() == inFront, "%s: the keyboard went to %p", name, GetForegroundWindow());
        LONGLONG closedAt = (LONGLONG)utcValue(g_fakes.now.wYear, g_fakes.now.wMonth, g_fakes.now.wDay,
                                               g_fakes.now.wHour, g_fakes.now.wMinute, g_fakes.now.wSecond);
        CHECK(row.closesAt == NONE ? g_hostLog.exitCommands == 0
                                   : g_hostLog.exitCommands == 1 && closedAt == setTime + row.closesAt * 10000000LL,
              "%s: %d exit commands, %lld s after the set time", name, g_hostLog.exitCommands,
              (closedAt - setTime) / 10000000);
        int volume = g_hostLog.exitCommands ? g_hostLog.volumeAtExit : g_player.volume;
        CHECK(volume == row.volumeAtExit && g_hostLog.stops == row.stops && g_log.powerRequests == row.sleeps,
              "%s: volume %d, %d stops, %ld sleeps", name, volume, g_hostLog.stops, g_log.powerRequests);
        // One wake per level at most, down to 0 at the close moment.
        CHECK(strcmp(row.name, "fade") != 0 || (g_hostLog.volumeAtStop == 0 && wakes <= 200 + 1),
              "%s: faded to %d in %d wakes", name, g_hostLog.volumeAtStop, wakes);
        CHECK(quitMs < 1000 && !findNotice() && (row.notice != NULL) == noticeSeen, "%s: quit took %lu ms, notice %d",
              name, quitMs, noticeSeen);
        LONGLONG lastArming = (g_log.due - setTime) / 10000000;  // in whole seconds, the clock's milliseconds aside
        CHECK(row.lastArming == NONE || lastArming == row.lastArming, "%s: last armed %lld s off", name,
              lastArming - row.lastArming);
        std::string file = readWholeFile((std::string(caseFolder()) + g_caseName + "_" + name + ".ini").c_str());
        CHECK(file.find("FadeFrom") == std::string::npos, "%s: FadeFrom left in the file", name);
        CHECK(!row.chosen || strstr(row.options, "Fade") || file == settings, "%s: a choice changed the file", name);
        if (g_fakes.chooseRunOnce) {
            plugin.header->config();
            CHECK(!g_log.shownEnabled, "%s: the plugin is still shown enabled", name);
        }
        if (!quit)
            plugin.header->quit();
        DestroyWindow(inFront);
        DestroyWindow(onTop);
    }
}

// ---- "When I fall asleep" (TZ=UTC) -------------------------------------------

static char s_status[80];

// The first line of the submenu, once the worker has said what is set.
static bool statusShown(void)
{
    SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)pluginSubmenu(), 4);
    GetMenuStringA(pluginSubmenu(), 0, s_status, sizeof s_status, MF_BYPOSITION);
    return strcmp(s_status, "Nothing set for tonight") != 0;
}

// Chosen at 23:00 with the plugin disabled, the user's last input at
// 22:59:55 until a row gives one; the tick count wraps at 23:10.
static void testAsleep(const char* dllPath)
{
    enum { NONE = -1 };
    static const struct {
        const char* name;
        const char* options;
        int inputAt;     // seconds after the choice of the user's input, seen at the first wake due after it
        int closesAt;    // seconds after the choice of the exit command
        int armings;     // in all (NONE: not checked)
        int rearmedAt;   // seconds after the choice of the arming at the wake that saw the input
    } rows[] = {
        { "no_input", "", NONE, 1800, 1, NONE },
        { "input_half_time", "", 900, 2700, 2, 2700 },
        { "input_in_fade", "FadeMinutes=5\r\n", 1600, 3400, NONE, 3100 },
    };
    const LONGLONG choice = utcValue(2024, 6, 12, 23, 0);
    for (const auto& row : rows) {
        resetFakes();
        g_fakes.lastInput = LOOKUP_FAKE;
        g_fakes.now = localTime(2024, 6, 12, 23, 0);
        g_fakes.inputAt = localTime(2024, 6, 12, 22, 59, 55);
        g_player = { 1, 0, 0, 200, false, MENU_WITH_IDS };
        char settings[128];
        snprintf(settings, sizeof settings, "[Nightfold]\r\nEnabled=0\r\nShutdown=1013\r\n%s", row.options);
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.name, settings, &plugin) || !chooseFromMenu("When I fall asleep"))
            continue;
        pumpMessagesUntil(statusShown, 3000);
        CHECK(!strcmp(s_status, "Closes when you have been idle 30 minutes, then shuts down"), "%s: [%s]", row.name,
              s_status);
        LONG armed = 1;
        int rearmedAt = NONE, volumeThen = NONE;
        for (int wakes = 0; !g_hostLog.exitCommands && wakes < 600 && waitForCount(&g_log.timerSets, armed, 5000);
             ++wakes) {
            bool seesInput = rearmedAt == NONE && row.inputAt != NONE && g_log.due >= choice + row.inputAt * 10000000LL;
            if (seesInput)
                g_fakes.inputAt = localTime(2024, 6, 12, 23, row.inputAt / 60, row.inputAt % 60);
            if (!fireAlarm(armed))
                break;
            s_armings = armed;
            CHECK(pumpMessagesUntil(stepTaken, 3000), "%s: no step after wake %d", row.name, wakes);
            armed = g_log.timerSets;
            if (seesInput) {
                rearmedAt = (int)((g_log.due - choice) / 10000000);
                volumeThen = g_player.volume;
            }
        }
        LONGLONG closedAt = utcValue(2024, 6, 12, g_fakes.now.wHour, g_fakes.now.wMinute, g_fakes.now.wSecond);
        CHECK(g_hostLog.exitCommands == 1 && closedAt == choice + row.closesAt * 10000000LL,
              "%s: %d exit commands, %lld s after the choice", row.name, g_hostLog.exitCommands,
              (closedAt - choice) / 10000000);
        CHECK(row.armings == NONE || g_log.timerSets == row.armings, "%s: %ld armings", row.name, g_log.timerSets);
        // The count begins again from the input, the volume the fade took given back.
        CHECK(rearmedAt == row.rearmedAt && (row.inputAt == NONE || volumeThen == 200),
              "%s: armed for %d s after the input's wake, volume %d", row.name, rearmedAt, volumeThen);
        std::string file = readWholeFile((std::string(caseFolder()) + g_caseName + "_" + row.name + ".ini").c_str());
        CHECK(file.find("FadeFrom") == std::string::npos, "%s: FadeFrom left in the file", row.name);
        plugin.header->quit();
    }
}

// Windows 98 cannot tell the last input: the item is greyed, and its
// command arms nothing.
static void testAsleep98(const char* dllPath)
{
    if (!runsAs9x())
        return;
    resetFakes();
    g_fakes.lastInput = LOOKUP_MISSING;
    g_player.menu = MENU_WITH_IDS;
    LoadedPlugin plugin;
    if (!startPlugin(dllPath, "asleep", "[Nightfold]\r\nEnabled=0\r\n", &plugin))
        return;
    SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)pluginSubmenu(), 4);
    bool greyed = false;
    UINT id = pluginMenuItem("When I fall asleep", &greyed);
    SendMessageA(hostWindow(), WM_COMMAND, id, 0);
    pumpMessagesFor(200);
    CHECK(id && greyed && g_log.timerSets == 0, "item %u, greyed %d, %ld armings", id, greyed, g_log.timerSets);
    plugin.header->quit();
}

// ---- the morning: woken with music (TZ=UTC) -----------------------------------

static bool morningStepTaken(void)
{
    return g_log.morningSets > s_armings || waitForWorkerEnd(0);
}

static void testMorning(const char* dllPath)
{
    // STOPPED and PLAYING tell no position, as the open-source player: their music is heard once it has
    // played 10 s. STREAM plays once asked, and stays at 0.
    static const FakePlayer STOPPED = { 0, -1, 0, 200, false, MENU_NONE, false, {}, 3 },
                            PLAYING = { 1, 0, 0, 200, false, MENU_NONE, false, {}, 3 },
                            STREAM = { 0, -1, -1, 200, false, MENU_NONE, false, {}, 3 };
    static const char* const HELLO = "Good morning: it is 7:00 AM.";
    static const struct {
        const char* name;
        FakePlayer player;
        int answer, answerAfter;    // clicked in the notice when it shows, not before this many seconds
        int plays, volume, status;  // play commands; the player's volume and status at the end
        int lastDue;                // seconds after the morning of the last arming
        int executionStates;        // kept awake with the display, and given back
        DWORD lastState;
        const char* text;           // the notice's last text
        int tones;                  // the tone's steps
        const char* chosen;         // MorningPlay: added to the playlist's 3 entries once, then found
    } rows[] = {
        { "fade_in", STOPPED, 0, 0, 1, 200, 1, 86400, 2, ES_CONTINUOUS, HELLO },
        { "already_playing", PLAYING, IDC_CLOSE_NOW, 0, 0, 200, 1, 86400, 2, ES_CONTINUOUS, HELLO },
        { "snooze", { 0, -1, 0, 200, false, MENU_WITH_IDS, false, {}, 3 }, IDC_SNOOZE, 0, 1, 200, 3, 600, 2,
          ES_SYSTEM_REQUIRED | ES_CONTINUOUS, HELLO },
        { "stop", STOPPED, IDC_CANCEL_TONIGHT, 0, 1, 200, 0, 86400, 2, ES_CONTINUOUS, HELLO },
        { "keep_playing", STOPPED, IDC_CLOSE_NOW, 0, 1, 200, 1, 86400, 2, ES_CONTINUOUS, HELLO },
        { "not_heard", STREAM, IDC_CANCEL_TONIGHT, 90, 2, 200, 0, 86400, 2, ES_CONTINUOUS,
          "Good morning: it is 7:00 AM. The music did not start.", 2 },
        { "chosen_twice", STOPPED, IDC_CANCEL_TONIGHT, 0, 2, 200, 1, 172800, 4, ES_CONTINUOUS, HELLO, 0,
          "C:\\Music\\Wake Up.mp3" },
    };
    const LONGLONG morning = utcValue(2024, 6, 12, 7, 0);
    for (const auto& row : rows) {
        resetFakes();
        // Wednesday, at an untidy moment: the morning carries no milliseconds.
        g_fakes.now = localTime(2024, 6, 12, 6, 0, 0, 999);
        g_player = row.player;
        char settings[256];
        snprintf(settings, sizeof settings,
                 "[Nightfold]\r\nMorning=1\r\nMorningHour=7\r\nMorningMinute=00\r\nMorningFadeMinutes=1\r\n"
                 "MorningPlay=%s\r\n",
                 row.chosen ? row.chosen : "");
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.name, settings, &plugin) || !fireMorning(1))
            continue;
        CHECK(g_log.morningDue == morning, "%s: first armed %lld ms after 7:00", row.name,
              (g_log.morningDue - morning) / 10000);
        LONG armed = 1;
        bool answered = false, rising = true;
        int volume = 0;
        char text[256] = "";
        for (int wakes = 0; wakes < 400; ++wakes) {
            s_armings = armed;
            CHECK(pumpMessagesUntil(morningStepTaken, 3000), "%s: no step after wake %d", row.name, wakes);
            armed = g_log.morningSets;
            rising = rising && (answered || g_player.volume >= volume);
            volume = g_player.volume;
            HWND notice = findNotice();
            if (notice) {
                GetDlgItemTextA(notice, IDC_NOTICE_TEXT, text, sizeof text);
                CHECK(GetForegroundWindow() != notice, "%s: the notice took the keyboard", row.name);
                CHECK(IsWindowVisible(GetDlgItem(notice, IDC_CLOSE_NOW)) == !g_log.tones,
                      "%s: Keep playing offered with the tone", row.name);
            }
            if (notice && row.answer && !answered && g_log.morningDue - morning >= row.answerAfter * 10000000LL) {
                answered = true;
                PostMessageA(notice, WM_COMMAND, row.answer, 0);
                continue;
            }
            if (g_log.morningDue >= morning + (LONGLONG)row.lastDue * 10000000LL || !fireMorning(armed))
                break;
        }
        CHECK(g_hostLog.plays == row.plays && g_player.volume == row.volume && g_player.status == row.status &&
                  (row.plays != 1 || g_hostLog.volumeAtPlay == 0) && rising,
              "%s: %d plays at volume %d, rising %d; volume %d, status %d", row.name, g_hostLog.plays,
              g_hostLog.volumeAtPlay, rising, g_player.volume, g_player.status);
        CHECK(!strcmp(text, row.text) && (g_log.morningDue - morning) / 10000000 == row.lastDue,
              "%s: notice [%s], last armed %lld s after the morning", row.name, text,
              (g_log.morningDue - morning) / 10000000);
        CHECK(g_log.tones == row.tones && g_log.silences == (row.tones ? 1 : 0) &&
                  (!row.tones || g_log.toneFlags == (SND_MEMORY | SND_ASYNC | SND_LOOP | SND_NODEFAULT)),
              "%s: %ld tones, %ld silences, flags %#lx", row.name, g_log.tones, g_log.silences, g_log.toneFlags);
        CHECK(g_log.executionStates == row.executionStates && g_log.executionState == row.lastState,
              "%s: %ld execution states, the last %#lx", row.name, g_log.executionStates, g_log.executionState);
        // During a snooze the player's menu tells when the music comes back.
        char wakes[64] = "";
        SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)pluginSubmenu(), 4);
        GetMenuStringA(pluginSubmenu(), 1, wakes, sizeof wakes, MF_BYPOSITION);
        CHECK(row.answer != IDC_SNOOZE || !strcmp(wakes, "Snoozed until 7:10 AM"), "%s: the menu says [%s]", row.name,
              wakes);
        CHECK(!row.chosen || (g_hostLog.added == 1 && g_player.current == 3 && !strcmp(g_player.files[3], row.chosen)),
              "%s: added %d times, current entry %d [%s]", row.name, g_hostLog.added, g_player.current,
              g_player.files[3]);
        plugin.header->quit();
        CHECK(!findNotice() && g_player.volume == row.volume, "%s: after quit, volume %d", row.name, g_player.volume);
    }
}


// ---- several evenings and mornings: the nights (TZ=UTC) ------------------------

// The plugin's menu line at position, read afresh.
static void menuLine(int position, char* text, int size)
{
    text[0] = '\0';
    SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)pluginSubmenu(), 4);
    GetMenuStringA(pluginSubmenu(), position, text, size, MF_BYPOSITION);
}

// Whether the plugin's menu, read afresh, offers this item.
static const char* s_awaitedItem;

static bool awaitedItemOffered(void)
{
    SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)pluginSubmenu(), 4);
    return pluginMenuItem(s_awaitedItem) != 0;
}

// Evenings Mon-Thu, Sun 23:30 and Sat, Sun 1:00 (1:00 on Saturday is
// Friday's night): each closes the player on its own night, Saturday's
// too, and a night cancelled goes on to the next evening. Evenings every
// day at 23:00 with Standby and the notice, mornings Mon-Fri 6:30 and
// Sat-Sun 9:00 (STANDBY): the notice and the menu name the morning after
// that evening's close, not the one armed when the evening was, nor a
// morning skipped since.
static void testEveningNights(const char* dllPath)
{
    static const char STANDBY[] =
        "[Nightfold]\r\nEnabled=1\r\nShutdown=1015\r\nHour=23\r\nMinute=00\r\nNotice=1\r\nMorning=1\r\n"
        "MorningHour=6\r\nMorningMinute=30\r\nMorningDays=31\r\nMorning2=1\r\nMorningHour2=9\r\n"
        "MorningMinute2=00\r\nMorningDays2=96\r\n";
    static const char* const SLEEPS_UNTIL_9 = "Playback stops in 1:00, then the computer sleeps until 9:00 AM.";
    static const struct {
        const char* name;
        int day, hour;        // June 2024: the 13th a Thursday
        const char* chosen;   // from the menu first
        int dueDay, dueHour, dueMinute;
        const char* status;   // the menu's first line once armed
        const char* settings = NULL;  // NULL: the evenings of school nights and weekends
        const char* notice = NULL;    // its text at the first wake; NULL: no notice, the player exits
    } rows[] = {
        { "thursday", 13, 20, NULL, 13, 23, 30, "Closes at 11:30 PM, then shuts down" },
        { "thursday_cancelled", 13, 20, "Cancel tonight", 15, 1, 0, "Closes Sat at 1:00 AM, then shuts down" },
        { "saturday", 15, 20, NULL, 16, 1, 0, "Closes at 1:00 AM, then shuts down" },
        { "friday_wakes_saturday", 14, 1, NULL, 14, 22, 59, "Stops playback at 11:00 PM, then sleeps until 9:00 AM",
          STANDBY, SLEEPS_UNTIL_9 },
        { "friday_skipped", 13, 20, "Skip the next morning (Fri 6:30 AM)", 13, 22, 59,
          "Stops playback at 11:00 PM, then sleeps until 9:00 AM", STANDBY, SLEEPS_UNTIL_9 },
    };
    for (const auto& row : rows) {
        resetFakes();
        g_fakes.now = localTime(2024, 6, row.day, row.hour, 0);
        g_player = { 0, -1, 0, 200, false, MENU_WITH_IDS };
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.name,
                         row.settings ? row.settings
                                      : "[Nightfold]\r\nEnabled=1\r\nShutdown=1013\r\nHour=23\r\nMinute=30\r\n"
                                        "Days=79\r\nHour2=1\r\nMinute2=00\r\nDays2=96\r\nShutdown2=1013\r\n",
                         &plugin) ||
            !waitForCount(&g_log.timerSets, 1, 5000))
            continue;
        volatile LONG* rearmed = row.chosen && !strncmp(row.chosen, "Skip", 4) ? &g_log.morningSets : &g_log.timerSets;
        s_awaitedItem = row.chosen;
        if (row.chosen && !CHECK(pumpMessagesUntil(awaitedItemOffered, 5000) && chooseFromMenu(row.chosen) &&
                                     waitForCount(rearmed, 2, 5000),
                                 "%s: %s", row.name, row.chosen)) {
            plugin.header->quit();
            continue;
        }
        LONGLONG due = utcValue(2024, 6, row.dueDay, row.dueHour, row.dueMinute);
        char status[128], notice[128] = "";
        menuLine(0, status, sizeof status);
        CHECK(g_log.due == due && !strcmp(status, row.status), "%s: armed %lld min off, the menu says [%s]", row.name,
              (g_log.due - due) / 600000000, status);
        s_armings = g_log.timerSets;
        bool fired = fireAlarm(g_log.timerSets);
        if (row.notice && fired && pumpMessagesUntil(stepTaken, 3000) && findNotice())
            GetDlgItemTextA(findNotice(), IDC_NOTICE_TEXT, notice, sizeof notice);
        CHECK(row.notice ? !strcmp(notice, row.notice) : fired && waitForExitCommand(5000),
              "%s: no exit command at its time, or the notice says [%s]", row.name, notice);
        plugin.header->quit();
    }
}

static bool morningArmed(void)
{
    return g_log.morningSets > s_armings;
}

// The menu's second line once the worker has published its new morning.
static const char* s_awaitedLine;

static bool awaitedLineShown(void)
{
    char line[128];
    menuLine(1, line, sizeof line);
    return !strcmp(line, s_awaitedLine);
}

// Chooses the item, then waits for the menu to name the morning armed.
static bool chooseUntilShown(const char* item, const char* wakesLine)
{
    s_awaitedLine = wakesLine;
    return chooseFromMenu(item) && pumpMessagesUntil(awaitedLineShown, 5000);
}

// Mornings at 6:00 and 6:10 on Wednesday: both ring in order, the 6:10 one
// taking over from the first, and the wake timer is armed each time for the
// next. Skipped from the menu, the 6:00 one does not ring, and the menu
// names the one after it; the skip undone, both ring again.
static void testMorningNights(const char* dllPath)
{
    static const struct {
        const char* name;
        bool skip, undo;  // Undo skip from the menu after the skip
        int plays;
    } rows[] = { { "both_ring", false, false, 2 }, { "skip_the_first", true, false, 1 }, { "skip_undone", true, true, 2 } };
    const LONGLONG six = utcValue(2024, 6, 12, 6, 0), tenPast = utcValue(2024, 6, 12, 6, 10);
    for (const auto& row : rows) {
        resetFakes();
        g_fakes.now = localTime(2024, 6, 12, 5, 0);
        g_player = { 0, -1, 0, 200, false, MENU_WITH_IDS, false, {}, 3 };
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.name,
                         "[Nightfold]\r\nMorning=1\r\nMorningHour=6\r\nMorningMinute=00\r\n"
                         "Morning2=1\r\nMorningHour2=6\r\nMorningMinute2=10\r\n",
                         &plugin) ||
            !waitForCount(&g_log.morningSets, 1, 5000))
            continue;
        CHECK(g_log.morningDue == six, "%s: first armed %lld s off 6:00", row.name, (g_log.morningDue - six) / 10000000);
        if (row.skip && !CHECK(chooseUntilShown("Skip the next morning (Wed 6:00 AM)", "Wakes at 6:10 AM") &&
                                   g_log.morningDue == tenPast && pluginMenuItem("Undo skip"),
                               "%s: armed %lld s off 6:10, undo %u", row.name, (g_log.morningDue - tenPast) / 10000000,
                               pluginMenuItem("Undo skip"))) {
            plugin.header->quit();
            continue;
        }
        if (row.undo && !CHECK(chooseUntilShown("Undo skip", "Wakes at 6:00 AM") && g_log.morningDue == six,
                               "%s: the skip not undone, armed %lld s off 6:00", row.name,
                               (g_log.morningDue - six) / 10000000)) {
            plugin.header->quit();
            continue;
        }
        // Fired at every arming until the second morning's notice.
        bool armedFor610 = g_log.morningDue == tenPast;
        char text[128] = "";
        for (int wakes = 0; wakes < 200 && fireMorning(g_log.morningSets); ++wakes) {
            s_armings = g_log.morningSets;
            CHECK(pumpMessagesUntil(morningStepTaken, 3000), "%s: no step after wake %d", row.name, wakes);
            HWND notice = findNotice();
            if (notice)
                GetDlgItemTextA(notice, IDC_NOTICE_TEXT, text, sizeof text);
            armedFor610 = armedFor610 || g_log.morningDue == tenPast;
            if (notice && !strcmp(text, "Good morning: it is 6:10 AM.") && g_hostLog.plays == row.plays) {
                s_armings = g_log.morningSets;
                PostMessageA(notice, WM_COMMAND, IDC_CANCEL_TONIGHT, 0);
                pumpMessagesUntil(morningArmed, 3000);
                break;
            }
        }
        LONGLONG thursday = utcValue(2024, 6, 13, 6, 0);
        CHECK(armedFor610 && g_hostLog.plays == row.plays && !strcmp(text, "Good morning: it is 6:10 AM.") &&
                  g_log.morningDue == thursday,
              "%s: armed for 6:10 %d, %d plays, notice [%s], then armed %lld s off Thursday 6:00", row.name,
              armedFor610, g_hostLog.plays, text, (g_log.morningDue - thursday) / 10000000);
        plugin.header->quit();
    }
}

// Set by the case: the next SetEvent of the plugin (the morning worker's
// stop) first lets the morning's timer come due, and its step be taken.
static bool s_wakeAtStop;

static BOOL WINAPI wakeMorningAtStop(HANDLE event)
{
    if (s_wakeAtStop) {
        s_wakeAtStop = false;
        s_armings = g_log.morningSets;
        CHECK(fireMorning(g_log.morningSets) && pumpMessagesUntil(morningArmed, 3000), "no morning step at the stop");
    }
    return SetEvent(event);
}

// OK in the settings while the 7:00 morning sounds, with that morning
// deleted: its second play command, due as the worker is stopped, plays its
// own song still, and the 9:00 morning's song is never played.
static void testMorningReplaced(const char* dllPath)
{
    static const char OWN[] = "C:\\Music\\Wake Up.mp3";
    resetFakes();
    g_fakes.now = localTime(2024, 6, 12, 6, 0);
    g_player = { 0, -1, -1, 200, false, MENU_NONE, false, {}, 3 };  // a stream that is never heard
    LoadedPlugin plugin;
    if (!startPlugin(dllPath, "replaced",
                     "[Nightfold]\r\nMorning=1\r\nMorningHour=7\r\nMorningMinute=00\r\n"
                     "MorningPlay=C:\\Music\\Wake Up.mp3\r\nMorning2=1\r\nMorningHour2=9\r\n"
                     "MorningMinute2=00\r\nMorningPlay2=C:\\Music\\Other.mp3\r\n",
                     &plugin))
        return;
    // The first play command at 7:00, looks at 7:00:05, :10 and :15: the
    // second play command is armed for 7:00:20.
    for (LONG armed = 1; armed <= 4; ++armed) {
        s_armings = armed;
        CHECK(fireMorning(armed) && pumpMessagesUntil(morningArmed, 3000), "no step after arming %ld", armed);
    }
    patchImport(plugin.module, "KERNEL32.dll", "SetEvent", (void*)wakeMorningAtStop);
    s_wakeAtStop = true;
    rewriteSettings("replaced", "[Nightfold]\r\nMorning=1\r\nMorningHour=9\r\nMorningMinute=00\r\n"
                                "MorningPlay=C:\\Music\\Other.mp3\r\n");
    plugin.header->config();
    // Armed at the stop, then by the new worker.
    CHECK(!s_wakeAtStop && waitForCount(&g_log.morningSets, 7, 5000) && g_hostLog.added == 1 &&
              g_player.current == 3 && !strcmp(g_player.files[3], OWN) && g_log.morningDue == utcValue(2024, 6, 12, 9, 0),
          "replaced: %d added, current %d, armed %lld", g_hostLog.added, g_player.current, g_log.morningDue);
    plugin.header->quit();
}

static void testNights(const char* dllPath)
{
    testEveningNights(dllPath);
    testMorningNights(dllPath);
    testMorningReplaced(dllPath);
}

const TestCase g_alarmCases[] = {
    { "alarm_due", testAlarmDue },
    { "alarm_summer_time", testAlarmSummerTime },
    { "zone_rules_berlin", testZoneRulesBerlin },
    { "zone_rules_sydney", testZoneRulesSydney },
    { "zone_rules_santiago", testZoneRulesSantiago },
    { "alarm_quit_early", testAlarmQuitEarly },
    { "alarm_replaced", testAlarmReplaced },
    { "alarm_fails", testAlarmFails },
    { "evening", testEvening },
    { "morning", testMorning },
    { "nights", testNights },
    { "asleep", testAsleep },
    { "asleep98", testAsleep98 },
    { NULL, NULL },
};
