// The plugin's submenu in the player's main menu: where it stands, what it
// shows and greys, what its choices arm, and how the plugin leaves the
// player's window at quit. The clock stands at 23:00; the set time is 23:30,
// unless a row says otherwise.
#include "host.h"

#include "../../resources/resource.h"

#include <stdio.h>
#include <string.h>

static WNDPROC s_beneathForeign;

// Another plugin that subclasses the player's window after this one.
static LRESULT CALLBACK foreignProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcA(s_beneathForeign, window, message, wParam, lParam);
}

static int positionOf(HMENU menu, HMENU submenu, UINT id)
{
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        if (submenu ? GetSubMenu(menu, i) == submenu : GetMenuItemID(menu, i) == id)
            return i;
    }
    return -1;
}

static void testMenu(const char* dllPath)
{
    enum { NONE = -1 };
    static const FakePlayer SONG = { 1, 60000, 240000, 200 }, STREAM = { 1, 5000, -1, 200 }, STOPPED = { 0, -1, 0, 200 };
    static const struct {
        const char* name;
        PlayerMenu menu;
        int enabled;
        FakePlayer player;
        const char* chosen[2];  // in this order
        const char* status;     // the status line then
        bool songGreyed, stopGreyed, cancelGreyed;
        int due;                // seconds after 23:00 of the last arming; NONE: no worker left
        bool foreign;           // another procedure subclasses the window after the plugin
        bool unicode;           // the player's window is a Unicode one
        bool giveBackFails;     // the plugin cannot give the window's procedure back at quit
        const char* days = "";  // the Days key, if any, and further evenings
        int hour = 23, clock = 23;  // the set hour (at minute 30), and the clock's hour
        int repeats = 1;            // the choices made this often: the process's handles stay as many
        bool looksFirst = false;    // the worker takes its first step after the first choice
    } rows[] = {
        { "set_time", MENU_WITH_IDS, 1, SONG, {}, "Closes at 11:30 PM, then shuts down", false, false, false, 1800 },
        { "fallback_ids", MENU_WITHOUT_IDS, 0, STOPPED, {}, "Nothing set for tonight", true, true, true, NONE },
        { "second_replaces", MENU_WITH_IDS, 1, SONG, { "In 15 minutes", "In 45 minutes" },
          "Closes at 11:45 PM, then shuts down", false, false, false, 2700 },
        { "at_stop", MENU_WITH_IDS, 0, STREAM, { "When playback stops" }, "Closes when playback stops, then shuts down",
          true, false, false, 0 },
        { "cancel_enabled", MENU_WITH_IDS, 1, SONG, { "Cancel tonight" }, "Closes tomorrow at 11:30 PM, then shuts down",
          false, false, true, 1800 + 86400 },
        { "cancel_disabled", MENU_WITH_IDS, 0, SONG, { "In 30 minutes", "Cancel tonight" }, "Nothing set for tonight",
          false, false, true, NONE },
        { "ok_keeps_choice", MENU_WITH_IDS, 1, SONG, { "In 15 minutes", "Settings..." },
          "Closes at 11:15 PM, then shuts down", false, false, false, 900 },
        { "ok_disabled_drops_it", MENU_WITH_IDS, 0, SONG, { "In 15 minutes", "Settings..." },
          "Nothing set for tonight", false, false, true, NONE },
        { "player_answers_1", MENU_NONE, 1, SONG, {}, NULL, false, false, false, 1800 },
        { "another_procedure", MENU_WITH_IDS, 1, SONG, {}, "Closes at 11:30 PM, then shuts down", false, false, false,
          1800, true },
        { "choice_then_cancel", MENU_WITH_IDS, 1, SONG, { "In 15 minutes", "Cancel tonight" },
          "Closes tomorrow at 11:30 PM, then shuts down", false, false, true, 1800 + 86400 },
        { "unicode_window", MENU_WITH_IDS, 1, SONG, { "In 15 minutes" }, "Closes at 11:15 PM, then shuts down", false,
          false, false, 900, false, true },
        { "give_back_fails", MENU_WITH_IDS, 1, SONG, {}, "Closes at 11:30 PM, then shuts down", false, false, false,
          1800, false, false, true },
        { "unlisted_day", MENU_WITH_IDS, 1, SONG, {}, "Closes Sun at 11:30 PM, then shuts down", false, false, true,
          1800 + 4 * 86400, false, false, false, "Days=64\r\n" },
        { "after_midnight_at_6_pm", MENU_WITH_IDS, 1, SONG, {}, "Closes at 12:30 AM, then shuts down", false, false,
          false, 5400, false, false, false, "", 0, 18 },
        // OK goes on with the next look, a minute after the stream's first.
        { "ok_keeps_stop", MENU_WITH_IDS, 1, STREAM, { "When playback stops", "Settings..." },
          "Closes when playback stops, then shuts down", true, false, false, 60, false, false, false, "", 23, 23, 1,
          true },
        // Tonight's evening has no action, the next one shuts down.
        { "cancel_then_in_15", MENU_WITH_IDS, 1, SONG, { "Cancel tonight", "In 15 minutes" }, "Closes at 11:15 PM",
          false, false, false, 900, false, false, false,
          "Days=8\r\nHour2=23\r\nMinute2=30\r\nDays2=4\r\nShutdown2=1012\r\n" },
        { "fifty_choices", MENU_WITH_IDS, 1, SONG, { "In 15 minutes" }, "Closes at 11:15 PM, then shuts down", false,
          false, false, 900, false, false, false, "", 23, 23, 50 },
    };
    static const WCHAR TITLE[] = L"1. \x0414\x043e\x0436\x0434\x044c \x96e8 caf\x00e9 - Winamp";
    for (const auto& row : rows) {
        g_unicodeWindow = row.unicode;
        HWND window = hostWindow();
        // The title keeps every character, and the window stays Unicode.
        auto keepsTitle = [&]() {
            WCHAR title[64] = L"";
            SetWindowTextW(window, TITLE);
            GetWindowTextW(window, title, 64);
            return !row.unicode || (IsWindowUnicode(window) && !wcscmp(title, TITLE));
        };
        auto procedure = [&]() {
            return (WNDPROC)(row.unicode ? GetWindowLongW(window, GWL_WNDPROC) : GetWindowLongA(window, GWL_WNDPROC));
        };
        resetFakes();
        g_fakes.giveBackFails = row.giveBackFails;
        g_fakes.now = localTime(2024, 6, 12, row.clock, 0);
        g_player = row.player;
        g_player.menu = row.menu;
        char settings[256];
        snprintf(settings, sizeof settings, "[Nightfold]\r\nEnabled=%d\r\nShutdown=1013\r\nHour=%d\r\nMinute=30\r\n%s",
                 row.enabled, row.hour, row.days);
        WNDPROC before = procedure();
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.name, settings, &plugin))
            continue;
        HMENU submenu = pluginSubmenu();
        if (row.menu == MENU_NONE) {
            CHECK(!submenu && procedure() == before, "%s: a menu or a subclass",
                  row.name);
        } else {
            // Just above Exit; the player's submenus where they were.
            int exit = positionOf(g_playerMenu, NULL, 40001);
            CHECK(submenu && positionOf(g_playerMenu, submenu, 0) == exit - 1 &&
                      positionOf(g_playerMenu, g_optionsMenu, 0) == 1 && positionOf(g_playerMenu, g_playbackMenu, 0) == 2,
                  "%s: the submenu at %d, Exit at %d", row.name, positionOf(g_playerMenu, submenu, 0), exit);
            UINT id = pluginMenuItem("Settings...");
            CHECK(row.menu == MENU_WITH_IDS ? id >= 50000 : id >= 24320 && id <= 24334, "%s: id %u", row.name, id);
        }
        // A choice arms; so do Cancel and OK while the plugin is enabled.
        LONG armings = row.enabled;
        bool saved = false;
        waitForCount(&g_log.timerSets, armings, 5000);
        DWORD handles = pluginHandleCount();
        for (int i = 0; i < row.repeats; ++i)
        for (const char* item : row.chosen) {
            saved = saved || (item && !strcmp(item, "Settings..."));
            if (item && chooseFromMenu(item) && (row.enabled || !strncmp(item, "In ", 3) || !strncmp(item, "When", 4)))
                CHECK(waitForCount(&g_log.timerSets, ++armings, 5000), "%s: %s arms nothing", row.name, item);
            if (row.looksFirst && item == row.chosen[0] && fireAlarm(armings))
                CHECK(waitForCount(&g_log.timerSets, ++armings, 5000), "%s: no look after %s", row.name, item);
        }
        CHECK(row.repeats == 1 || pluginHandleCount() == handles, "%s: %lu handles, then %lu", row.name,
              handles, pluginHandleCount());
        CHECK(keepsTitle(), "%s: the title loses characters while the plugin is loaded", row.name);
        if (submenu) {
            SendMessageA(window, WM_INITMENUPOPUP, (WPARAM)submenu, 4);
            char status[80] = "";
            GetMenuStringA(submenu, 0, status, sizeof status, MF_BYPOSITION);
            bool song, stop, cancel;
            pluginMenuItem("When this song ends", &song);
            pluginMenuItem("When playback stops", &stop);
            pluginMenuItem("Cancel tonight", &cancel);
            CHECK(!strcmp(status, row.status) && song == row.songGreyed && stop == row.stopGreyed &&
                      cancel == row.cancelGreyed,
                  "%s: [%s], greyed: song %d, stop %d, cancel %d", row.name, status, song, stop, cancel);
        }
        LONGLONG due = (g_log.due - utcValue(2024, 6, 12, 23, 0)) / 10000000;
        CHECK(row.due == NONE ? waitForWorkerEnd(2000) : due == row.due, "%s: due %lld s after 23:00", row.name, due);
        std::string iniPath = std::string(caseFolder()) + g_caseName + "_" + row.name + ".ini";
        CHECK(saved || readWholeFile(iniPath.c_str()) == settings, "%s: the settings file changed", row.name);
        if (row.foreign)
            s_beneathForeign = (WNDPROC)SetWindowLongA(window, GWL_WNDPROC, (LONG)foreignProc);
        plugin.header->quit();
        CHECK(!pluginSubmenu(), "%s: the submenu outlives quit", row.name);
        waitForWorkerEnd(2000);
        unloadPlugin(&plugin);
        // The window still works, through whatever procedures remain.
        g_player.status = 3;
        CHECK(SendMessageA(window, WM_USER, 0, 104) == 3 && SendMessageA(window, WM_COMMAND, 24321, 0) == 0,
              "%s: the player's window no longer answers", row.name);
        CHECK(row.foreign || row.giveBackFails || procedure() == before, "%s: the procedure is not given back",
              row.name);
        CHECK(keepsTitle(), "%s: the title loses characters after quit", row.name);
        CHECK(!g_hostLog.exitCommands && !g_log.exitRequests && !g_log.powerRequests, "%s: the evening came", row.name);
    }
}

// An entry of the player's Global Hotkeys, as the player reads it: its name
// a WCHAR* with flag 0x100, else a char*.
struct Hotkey {
    const void* name; DWORD flags; UINT message; WPARAM wParam; LPARAM lParam; const char* id; HWND window;
    int extended[6];
};

// The stack that init ran on, overwritten as the player's later calls do.
static void __attribute__((noinline)) reuseStack(void)
{
    volatile char junk[64 * 1024];
    for (size_t i = 0; i < sizeof junk; ++i)
        junk[i] = (char)0xA5;
}

// Whether the submenu's line at position comes to say text, read afresh as
// the player's menu opens.
static bool menuSays(const char* row, int position, const char* text)
{
    char shown[80] = "";
    for (int i = 0; i < 500 && strcmp(shown, text); ++i) {
        pumpMessagesFor(10);
        SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)pluginSubmenu(), 4);
        GetMenuStringA(pluginSubmenu(), position, shown, sizeof shown, MF_BYPOSITION);
    }
    return CHECK(!strcmp(shown, text), "%s: [%s], not [%s]", row, shown, text);
}

// The morning's notice is up, its words in place.
static bool morningGreets(void)
{
    char text[128] = "";
    GetDlgItemTextA(FindWindowA("#32770", "Nightfold"), IDC_NOTICE_TEXT, text, sizeof text);
    return !strncmp(text, "Good morning", 12);
}

// The player's Global Hotkeys: an entry per action, named in the user's
// language, each a key that acts as its menu item or notice button. The
// clock stands at 23:00, or 6:00 before a morning at 7:00; the set time is
// 23:30.
static void testHotkeys(const char* dllPath)
{
    static const char* const IDS[] = {
        "nightfold.in15",   "nightfold.in30",          "nightfold.in45",   "nightfold.in60",
        "nightfold.in120",  "nightfold.songend",       "nightfold.playbackstops", "nightfold.asleep", "nightfold.cancel",
        "nightfold.skipmorning", "nightfold.snooze",   "nightfold.stopmorning",   "nightfold.settings",
    };
    static const char* const MORNING = "Morning=1\r\nMorningHour=7\r\nMorningMinute=00\r\n";
    static const char* const ENGLISH[] = { "Nightfold: In 30 minutes", "Nightfold: Skip the next morning" };
    static const char* const GERMAN[] = { "Nightfold: In 30 Minuten", "Nightfold: N\xc3\xa4" "chsten Morgen auslassen" };
    static const struct {
        const char* name;
        bool ansi;             // in the host that reports Windows 98
        LRESULT hotkeys;       // the player's answer to "GenHotkeysAdd"
        const char* settings;
        const char* const* names;  // of nightfold.in30 and nightfold.skipmorning
        const char* pressed;
        int line;              // the submenu's line then, and what it says
        const char* says;
        bool again;            // quit and init again in the process: the same entries, posted once
    } rows[] = {
        { "english", false, 70001, "Enabled=0\r\n", ENGLISH },
        { "german", false, 70001, "Language=de\r\n", GERMAN },
        { "in30", false, 70001, "Enabled=0\r\n", NULL, "nightfold.in30", 0, "Closes at 11:30 PM" },
        { "cancel", false, 70001, "Enabled=1\r\n", NULL, "nightfold.cancel", 0, "Closes tomorrow at 11:30 PM" },
        { "snooze", false, 70001, MORNING, NULL, "nightfold.snooze", 1, "Snoozed until 7:10 AM" },
        { "no_hotkeys", false, 0, "Enabled=0\r\n" },
        { "init_again", false, 70001, "Enabled=0\r\n", ENGLISH, NULL, 0, NULL, true },
        { "ansi98", true, 70001, "Enabled=0\r\n", ENGLISH },
    };
    for (const auto& row : rows) {
        if (row.ansi != (strstr(g_caseName, "98") != NULL))
            continue;
        resetFakes();
        g_fakes.now = localTime(2024, 6, 12, row.settings == MORNING ? 6 : 23, 0);
        g_player = { 0, -1, 0, 200 };
        g_player.menu = MENU_WITH_IDS;
        g_player.entries = 1;
        g_player.hotkeys = row.hotkeys;
        char settings[256];
        snprintf(settings, sizeof settings, "[Nightfold]\r\nHour=23\r\nMinute=30\r\n%s", row.settings);
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.name, settings, &plugin))
            continue;
        if (row.again) {
            plugin.header->quit();
            plugin.header->init();
        }
        pumpMessagesFor(20);
        reuseStack();
        int count = g_hostLog.hotkeyCount;
        bool readable = CHECK(count == (row.hotkeys ? 13 : 0), "%s: %d entries", row.name, count);
        const Hotkey* pressed = NULL;
        for (int i = 0; readable && i < count; ++i) {
            const Hotkey* key = (const Hotkey*)g_hostLog.hotkeys[i];
            readable = CHECK(!IsBadReadPtr(key, sizeof *key) && !IsBadStringPtrA(key->id, 64) &&
                                 (row.ansi ? !IsBadStringPtrA((LPCSTR)key->name, 256)
                                           : !IsBadStringPtrW((LPCWSTR)key->name, 256)),
                             "%s: entry %d unreadable after init", row.name, i);
            if (!readable)
                break;
            WCHAR name[128] = L"";
            char utf8[256] = "";
            if (row.ansi)
                MultiByteToWideChar(CP_ACP, 0, (LPCSTR)key->name, -1, name, 128);
            else
                lstrcpynW(name, (LPCWSTR)key->name, 128);
            WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8, NULL, NULL);
            int extended = 0;
            for (int value : key->extended)
                extended |= value;
            CHECK(!strcmp(key->id, IDS[i]) && !strncmp(utf8, "Nightfold: ", 11) && utf8[11] &&
                      key->flags == (row.ansi ? 0u : 0x100u) && key->message == WM_COMMAND && !key->lParam &&
                      !key->window && !extended,
                  "%s: entry %d [%s] [%s] flags %#lx", row.name, i, key->id, utf8, key->flags);
            bool skip = !strcmp(key->id, "nightfold.skipmorning");
            CHECK(!row.names || (strcmp(key->id, "nightfold.in30") && !skip) || !strcmp(utf8, row.names[skip]),
                  "%s: [%s]", row.name, utf8);
            pressed = row.pressed && !strcmp(key->id, row.pressed) ? key : pressed;
        }
        if (strstr(row.settings, "Enabled=1"))
            menuSays(row.name, 0, "Closes at 11:30 PM");
        bool sounds = row.settings != MORNING || (fireMorning(1) && pumpMessagesUntil(morningGreets, 5000));
        if (CHECK(!row.pressed || (pressed && sounds), "%s: no key, or no morning to snooze", row.name) && pressed)
            SendMessageA(hostWindow(), pressed->message, pressed->wParam, pressed->lParam);
        if (row.says)
            menuSays(row.name, row.line, row.says);
        plugin.header->quit();
        waitForWorkerEnd(2000);
        unloadPlugin(&plugin);
    }
}

const TestCase g_menuCases[] = {
    { "menu", testMenu },
    { "hotkeys", testHotkeys },
    { "hotkeys98", testHotkeys },
    { NULL, NULL },
};
