// make bench: the firing latency, the calls made while armed, the wakes of
// a fade, of a morning's fade-in and of the menu's choices, the cost of the
// plugin's procedure in the player's window, the time init takes and the
// DLL's size. Not part of make check.
#include "host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "schedule.h"

static const char SETTINGS[] = "[Nightfold]\r\nEnabled=1\r\nHour=23\r\nMinute=30\r\n";

// Today's file with an evening and a morning; and with eight of each, each
// morning with the longest song.
static const char ONE_OF_EACH[] = "[Nightfold]\r\nEnabled=1\r\nHour=23\r\nMinute=30\r\nMorning=1\r\nMorningHour=6\r\n";
static std::string eightOfEach(void)
{
    std::string text = ONE_OF_EACH;
    char keys[512];
    for (int n = 2; n <= 8; ++n) {
        snprintf(keys, sizeof keys,
                 "Hour%d=%d\r\nMinute%d=15\r\nDays%d=%d\r\nShutdown%d=1013\r\nMorning%d=1\r\nMorningHour%d=%d\r\n"
                 "MorningMinute%d=%d\r\nMorningDays%d=31\r\nMorningFadeMinutes%d=5\r\nMorningVolume%d=50\r\n"
                 "MorningPlay%d=C:\\",
                 n, 14 + n, n, n, 1 << (n - 2), n, n, n, 5 + n / 4, n, n * 5, n, n, n, n);
        text += keys + std::string(259 - 3, 'a') + "\r\n";
    }
    return text;
}

// Every local time one hour ahead of UTC.
static bool oneHourEast(const CalendarTime* local, uint64_t* utc)
{
    FILETIME file;
    if (!SystemTimeToFileTime((const SYSTEMTIME*)local, &file))
        return false;
    *utc = fileTimeValue(file) - 36000000000ull;
    return true;
}

static double milliseconds(LONGLONG hundredNanoseconds)
{
    return hundredNanoseconds / 10000.0;
}

static int compareDoubles(const void* a, const void* b)
{
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

static double median(double* values, int count)
{
    qsort(values, count, sizeof *values, compareDoubles);
    return values[count / 2];
}

static void bench(const char* dllPath)
{
    enum { RUNS = 15 };
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    // init, each on a fresh copy (it starts the worker and returns); every
    // other one with a language of its own
    double initTimes[4][RUNS];
    LoadedPlugin plugin;
    for (int i = 0; i < 4 * RUNS; ++i) {
        resetFakes();  // never fired: these wait
        char name[32], path[MAX_PATH * 2], ini[MAX_PATH * 2];
        snprintf(name, sizeof name, "init%d", i);
        snprintf(ini, sizeof ini, "%s%s.ini", caseFolder(), name);
        char file[40];
        snprintf(file, sizeof file, "%s.dll", name);
        static const std::string kinds[] = { SETTINGS, std::string(SETTINGS) + "Language=ja\r\n", ONE_OF_EACH,
                                             eightOfEach() };
        const std::string& settings = kinds[i % 4];
        if (!copyDllTo(dllPath, file, path) || !writeWholeFile(ini, settings) || !loadPlugin(path, hostWindow(), &plugin))
            return;
        fakePlatform(plugin.module);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        plugin.header->init();
        QueryPerformanceCounter(&end);
        initTimes[i % 4][i / 4] = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
        waitForCount(&g_log.timerSets, 1, 2000);
        plugin.header->quit();
    }

    // latency: the timer coming due to 40001 at the player's window; each
    // run a worker started by config's OK
    resetFakes();
    if (!startPlugin(dllPath, "latency", SETTINGS, &plugin))
        return;
    double latencies[RUNS];
    int fired = 0;
    for (int i = 0; i < RUNS; ++i) {
        if (i > 0) {
            waitForWorkerEnd(2000);
            plugin.header->config();
        }
        g_hostLog.exitCommands = 0;
        if (!CHECK(fireAlarm(i + 1) && waitForExitCommand(3000), "run %d: no exit command", i))
            break;
        latencies[fired++] = milliseconds((LONGLONG)(fileTimeValue(g_hostLog.lastExitTime) - fileTimeValue(g_log.firedAt)));
    }

    // calls while armed for 5 s
    LONG readsBefore = g_log.localTimeReads, setsBefore = g_log.timerSets;
    waitForWorkerEnd(2000);
    plugin.header->config();
    pumpMessagesFor(5000);
    LONG reads = g_log.localTimeReads - readsBefore, sets = g_log.timerSets - setsBefore;
    plugin.header->quit();

    // Eight evenings and eight mornings armed for 5 s: one clock read and
    // one arming for each worker.
    resetFakes();
    g_fakes.now = localTime(2024, 6, 12, 12, 0);
    if (!startPlugin(dllPath, "eight", eightOfEach().c_str(), &plugin))
        return;
    pumpMessagesFor(5000);
    LONG eightReads = g_log.localTimeReads, eightSets = g_log.timerSets, eightMornings = g_log.morningSets;
    plugin.header->quit();

    // The choice of the next among eight evenings and eight mornings, pure
    // code, from a clock that moves a minute at each choice.
    EveningEntry evenings[MAX_ENTRIES];
    static MorningEntry mornings[MAX_ENTRIES];
    for (int i = 0; i < MAX_ENTRIES; ++i) {
        evenings[i] = { (uint16_t)(16 + i), 15, 1u << (i % 7), ACTION_NONE };
        mornings[i].on = 1;
        mornings[i].hour = (uint16_t)(5 + i / 4);
        mornings[i].minute = (uint16_t)(i * 5);
        mornings[i].days = 31;
    }
    const int CHOICES = 20000;
    LARGE_INTEGER start, end;
    int found = 0;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < CHOICES; ++i) {
        SYSTEMTIME now = localTime(2024, 6, 12, i / 60 % 24, i % 60);
        found += nextEveningDue(*(CalendarTime*)&now, evenings, MAX_ENTRIES, NULL, false, oneHourEast, oneHourEast).entry;
        found += nextMorningDue(*(CalendarTime*)&now, mornings, MAX_ENTRIES, NULL, 0, oneHourEast, oneHourEast).entry;
    }
    QueryPerformanceCounter(&end);
    double perChoice = (end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart / CHOICES;

    // a 5-minute fade from 200: the wakes it takes, each fired by the host
    resetFakes();
    g_fakes.now = localTime(2024, 6, 12, 23, 0);
    g_player = { 1, 0, 0, 200 };
    if (!startPlugin(dllPath, "fade", "[Nightfold]\r\nEnabled=1\r\nHour=23\r\nMinute=30\r\nFadeMinutes=5\r\n", &plugin))
        return;
    int fadeWakes = 0;
    while (!g_hostLog.exitCommands && fireAlarm(fadeWakes + 1)) {
        ++fadeWakes;
        waitForCount(&g_log.timerSets, fadeWakes + 1, 3000);  // or the exit command comes
    }
    plugin.header->quit();

    // A morning armed for 5 s, and its 5-minute fade-in to 200 of music
    // heard at once: the wakes until the volume is the player's again.
    resetFakes();
    g_fakes.now = localTime(2024, 6, 12, 6, 0);
    g_player = { 0, -1, 600000, 200, false, MENU_NONE, true, {}, 3 };
    if (!startPlugin(dllPath, "morning", "[Nightfold]\r\nMorning=1\r\nMorningHour=7\r\nMorningFadeMinutes=5\r\n",
                     &plugin))
        return;
    pumpMessagesFor(5000);
    LONG morningReads = g_log.localTimeReads, morningSets = g_log.morningSets;
    int fadeInWakes = 0;
    while ((!fadeInWakes || g_player.volume < 200) && fireMorning(fadeInWakes + 1)) {
        ++fadeInWakes;
        waitForCount(&g_log.morningSets, fadeInWakes + 1, 3000);
    }
    plugin.header->quit();

    // A stream that never starts: the wakes of the morning's first minute,
    // which ends in the tone.
    resetFakes();
    g_fakes.now = localTime(2024, 6, 12, 6, 59);
    g_player = { 0, -1, -1, 200, false, MENU_NONE, false, {}, 3 };
    if (!startPlugin(dllPath, "tone", "[Nightfold]\r\nMorning=1\r\nMorningHour=7\r\n", &plugin))
        return;
    int toneWakes = 0;
    for (LONGLONG minuteEnd = utcValue(2024, 6, 12, 7, 1); fireMorning(toneWakes + 1); ++toneWakes)
        if (!waitForCount(&g_log.morningSets, toneWakes + 2, 3000) || g_log.morningDue > minuteEnd)
            break;
    LONG tones = g_log.tones;
    plugin.header->quit();

    // The player's own messages through its window, without the plugin and
    // with the plugin's procedure in the window's chain.
    double perMessage[2];
    for (int withPlugin = 0; withPlugin < 2; ++withPlugin) {
        resetFakes();
        g_player.menu = MENU_WITH_IDS;
        if (withPlugin && !startPlugin(dllPath, "messages", SETTINGS, &plugin))
            return;
        const int MESSAGES = 200000;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < MESSAGES; ++i)
            SendMessageA(hostWindow(), WM_USER, 0, 104);
        QueryPerformanceCounter(&end);
        perMessage[withPlugin] = (end.QuadPart - start.QuadPart) * 1e9 / frequency.QuadPart / MESSAGES;
        if (withPlugin)
            plugin.header->quit();
    }

    // Tonight from the menu: the wakes of "In 30 minutes" and "When this
    // song ends" (one each, as the set time), and the looks of "When
    // playback stops" over three songs and the stop.
    static const struct {
        const char* item;
        int songs;
    } choices[] = { { "In 30 minutes", 1 }, { "When this song ends", 1 }, { "When playback stops", 3 } };
    int choiceWakes[3];
    for (int i = 0; i < 3; ++i) {
        resetFakes();
        g_fakes.now = localTime(2024, 6, 12, 23, 0);
        g_player = { 1, 0, 180000, 200, false, MENU_WITH_IDS, true, { 200000, 150000 } };
        char name[16];
        snprintf(name, sizeof name, "choice%d", i);
        if (!startPlugin(dllPath, name, "[Nightfold]\r\nEnabled=0\r\n", &plugin) || !chooseFromMenu(choices[i].item))
            return;
        for (choiceWakes[i] = 0; !g_hostLog.exitCommands && fireAlarm(choiceWakes[i] + 1); ++choiceWakes[i])
            waitForCount(&g_log.timerSets, choiceWakes[i] + 2, 3000);  // or the exit command comes
        plugin.header->quit();
    }

    // "When I fall asleep" (30 minutes) over an hour of input every five
    // minutes: the wakes within the hour, the user's last input at the last
    // five minutes' mark before each.
    resetFakes();
    g_fakes.lastInput = LOOKUP_FAKE;
    g_fakes.now = g_fakes.inputAt = localTime(2024, 6, 12, 23, 0);
    g_player.menu = MENU_WITH_IDS;
    if (!startPlugin(dllPath, "asleep", "[Nightfold]\r\nEnabled=0\r\n", &plugin) ||
        !chooseFromMenu("When I fall asleep"))
        return;
    int asleepWakes = 0;
    for (const LONGLONG choice = utcValue(2024, 6, 12, 23, 0), fiveMinutes = 3000000000LL;
         waitForCount(&g_log.timerSets, asleepWakes + 1, 3000) && g_log.due <= choice + 12 * fiveMinutes; ++asleepWakes) {
        int minutes = (int)((g_log.due - choice) / fiveMinutes) * 5;
        g_fakes.inputAt = minutes < 60 ? localTime(2024, 6, 12, 23, minutes) : localTime(2024, 6, 13, 0, 0);
        fireAlarm(asleepWakes + 1);
    }
    plugin.header->quit();

    // ... idle 10 minutes with a 15-minute fade, playing at volume 200, over
    // an hour of input every 2 s: the wakes, and the settings written.
    resetFakes();
    g_fakes.lastInput = LOOKUP_FAKE;
    g_fakes.now = g_fakes.inputAt = localTime(2024, 6, 12, 23, 0);
    g_player = { 1, 0, 0, 200, false, MENU_WITH_IDS };
    if (!startPlugin(dllPath, "asleepfade", "[Nightfold]\r\nEnabled=0\r\nIdleMinutes=10\r\nFadeMinutes=15\r\n",
                     &plugin) ||
        !chooseFromMenu("When I fall asleep"))
        return;
    int fadeIdleWakes = 0, fadeIdleWrites = g_log.writes;
    for (const LONGLONG choice = utcValue(2024, 6, 12, 23, 0);
         waitForCount(&g_log.timerSets, fadeIdleWakes + 1, 3000) && g_log.due < choice + 36000000000LL;
         ++fadeIdleWakes) {
        // The first wake is due before the choice, at the fade's lead.
        int second = g_log.due > choice ? (int)((g_log.due - choice) / 10000000) / 2 * 2 : 0;
        g_fakes.inputAt = localTime(2024, 6, 12, 23, second / 60, second % 60);
        fireAlarm(fadeIdleWakes + 1);
    }
    fadeIdleWrites = g_log.writes - fadeIdleWrites;
    plugin.header->quit();

    HANDLE file = CreateFileA(dllPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    DWORD size = GetFileSize(file, NULL);
    CloseHandle(file);

    double latency = fired ? median(latencies, fired) : -1;
    printf("firing latency, timer signalled to 40001 at the window: median %.2f ms of %d runs (min %.2f, max %.2f; target < 20)\n",
           latency, fired, fired ? latencies[0] : -1, fired ? latencies[fired - 1] : -1);
    printf("armed for 5 s: %ld clock reads, %ld armings (target 1 each)\n", reads, sets);
    double init = median(initTimes[0], RUNS), initJapanese = median(initTimes[1], RUNS),
           initOne = median(initTimes[2], RUNS), initEight = median(initTimes[3], RUNS);
    printf("5-minute fade from volume 200: %d wakes, the first at its start, the last at the close (at most one per level)\n",
           fadeWakes);
    printf("a morning armed for 5 s: %ld clock reads, %ld armings (target 1 each); its 5-minute fade-in to 200: %d "
           "wakes (the music's, the look that hears it, at most one per level)\n",
           morningReads, morningSets, fadeInWakes);
    printf("a morning whose stream never starts: %d wakes in its first minute, the tone at the last (target at most "
           "14)\n",
           toneWakes + 1);
    printf("init: median %.3f ms of %d (min %.3f, max %.3f); with Language=ja %.3f ms (min %.3f, max %.3f)\n", init,
           RUNS, initTimes[0][0], initTimes[0][RUNS - 1], initJapanese, initTimes[1][0], initTimes[1][RUNS - 1]);
    printf("eight evenings and eight mornings: init median %.3f ms (target within 10%% of today's file with one of each, %.3f); armed for 5 s: %ld "
           "clock reads, %ld evening and %ld morning armings (target 1 each per worker); the next of 16 entries in "
           "%.2f us (target < 5; %d)\n",
           initEight, initOne, eightReads, eightSets, eightMornings, perChoice, found);
    printf("a player's message through its window: %.0f ns alone, %.0f ns with the plugin's procedure\n",
           perMessage[0], perMessage[1]);
    printf("from the menu: In 30 minutes %d wake, When this song ends %d wake, When playback stops over three songs "
           "%d looks (one per song and the stop)\n",
           choiceWakes[0], choiceWakes[1], choiceWakes[2]);
    printf("When I fall asleep, 30 minutes, over an hour of input every 5 minutes: %d wakes (at most one per 30 "
           "minutes: 2)\n",
           asleepWakes);
    printf("When I fall asleep, 10 minutes with a 15-minute fade, over an hour of input every 2 s: %d wakes (at most "
           "one a minute: 60), %d settings written (target 0)\n",
           fadeIdleWakes, fadeIdleWrites);
    printf("%s: %lu bytes (limit 163840)\n", dllPath, size);
    CHECK(fired == RUNS && latency < 20, "latency over target");
    CHECK(reads == 1 && sets == 1, "more than one clock read or arming");
    CHECK(eightReads == 2 && eightSets == 1 && eightMornings == 1, "eight of each: %ld reads, %ld and %ld armings",
          eightReads, eightSets, eightMornings);
    CHECK(perChoice < 5, "the next of 16 entries took %.2f us", perChoice);
    CHECK(initEight <= initOne * 1.1, "init with eight of each %.3f ms, %.3f ms with one", initEight, initOne);
    CHECK(fadeWakes <= 201, "the fade took %d wakes", fadeWakes);
    // The music's wake, the look that hears it, then a wake at most per level.
    CHECK(morningReads == 1 && morningSets == 1 && fadeInWakes <= 202, "the morning: %ld reads, %ld armings, %d wakes",
          morningReads, morningSets, fadeInWakes);
    CHECK(toneWakes + 1 <= 14 && tones == 1, "the tone: %d wakes in the first minute, %ld tones", toneWakes + 1, tones);
    CHECK(choiceWakes[0] == 1 && choiceWakes[1] == 1 && choiceWakes[2] == 4, "the menu's choices took %d, %d, %d wakes",
          choiceWakes[0], choiceWakes[1], choiceWakes[2]);
    CHECK(asleepWakes <= 2, "When I fall asleep took %d wakes in an hour", asleepWakes);
    CHECK(fadeIdleWakes <= 60 && fadeIdleWrites == 0, "When I fall asleep with the fade: %d wakes, %d writes in an hour",
          fadeIdleWakes, fadeIdleWrites);
}

const TestCase g_benchCases[] = {
    { "bench", bench },
    { NULL, NULL },
};
