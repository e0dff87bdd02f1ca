// The plugin's submenu in the player's main popup menu: what is set for
// tonight, tonight's close in two clicks, and the settings. The plugin sees
// the menu's commands by subclassing the player's main window; its
// procedure compares and passes on everything that is not its own.
#include "menu.h"

#include "../core/evening_worker.h"
#include "../core/morning_worker.h"
#include "../core/player.h"
#include "../core/state.h"
#include "../core/words.h"
#include "../logic/morning.h"
#include "../logic/paths.h"
#include "../resources/resource.h"
#include "dialog.h"

// The items, in the submenu's order; separators between the groups. Each
// action is also a key in the player's Global Hotkeys, in this order; the
// notice's Snooze and Stop are keys only.
enum MenuItem {
    ITEM_STATUS,
    ITEM_WAKES,  // only while a morning is armed
    ITEM_IN_15,
    ITEM_IN_30,
    ITEM_IN_45,
    ITEM_IN_60,
    ITEM_IN_120,
    ITEM_SONG_END,
    ITEM_STOP,
    ITEM_ASLEEP,  // greyed where Windows cannot tell the last input
    ITEM_CANCEL,
    ITEM_SKIP,  // only while a morning is armed, or one skipped is still to come
    ITEM_SNOOZE,
    ITEM_STOP_MORNING,
    ITEM_SETTINGS,
    ITEM_COUNT
};
static const struct {
    TextId text;   // NO_TEXT: a status line
    UINT minutes;  // "In N minutes"
    bool separatorAfter;
    const char* hotkey;  // the action's id among the player's hotkeys, never translated; NULL: none
    bool hotkeyOnly;     // never in the submenu
} ITEMS[ITEM_COUNT] = {
    { NO_TEXT, 0, false, NULL },
    { NO_TEXT, 0, true, NULL },
    { T_MENU_IN_15, 15, false, "nightfold.in15" },
    { T_MENU_IN_30, 30, false, "nightfold.in30" },
    { T_MENU_IN_45, 45, false, "nightfold.in45" },
    { T_MENU_IN_60, 60, false, "nightfold.in60" },
    { T_MENU_IN_120, 120, true, "nightfold.in120" },
    { T_MENU_SONG_END, 0, false, "nightfold.songend" },
    { T_MENU_STOP, 0, false, "nightfold.playbackstops" },
    { T_MENU_ASLEEP, 0, true, "nightfold.asleep" },
    { T_MENU_CANCEL, 0, false, "nightfold.cancel" },
    { T_MENU_SKIP, 0, false, "nightfold.skipmorning" },
    { T_MORNING_SNOOZE, 0, false, "nightfold.snooze", true },
    { T_STOP, 0, false, "nightfold.stopmorning", true },
    { T_MENU_SETTINGS, 0, false, "nightfold.settings" },
};

// Where the player hands out no command ids: this block, after its own.
static const UINT FALLBACK_FIRST_ID = 24320;
static const UINT HOST_CMD_EXIT_ITEM = 40001;

static HWND s_window;
static HMENU s_playerMenu, s_menu;
static UINT s_ids[ITEM_COUNT];
static WNDPROC s_playerProc;
// The window's procedure is set, read and called in the window's own
// character set: an ANSI procedure on a Unicode window would squeeze every
// text through the ANSI code page. The W calls are looked up (the 9x
// family has no Unicode windows).
typedef LONG(WINAPI* WindowLongSet)(HWND, int, LONG);
typedef LONG(WINAPI* WindowLongGet)(HWND, int);
typedef LRESULT(WINAPI* WindowProcCall)(WNDPROC, HWND, UINT, WPARAM, LPARAM);
static WindowLongSet s_setLong;
static WindowLongGet s_getLong;
static WindowProcCall s_callProc;
// Between init and quit: the procedure handles the plugin's commands.
// Afterwards, while another procedure installed later holds it in the
// window's chain, it only passes messages on.
static bool s_active;
static bool s_inChain;
static void (*s_openSettings)(void);

static bool findItem(UINT id, int* item)
{
    for (int i = 0; i < ITEM_COUNT; ++i) {
        if (s_ids[i] == id) {
            *item = i;
            return true;
        }
    }
    return false;
}

static void enableItem(int item, bool on)
{
    EnableMenuItem(s_menu, s_ids[item], MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

// The time left in the song playing, where its length is known; 0 otherwise.
static uint32_t songLeftMs(const PlayerReport& player)
{
    bool known = player.status == PLAYER_PLAYING && player.positionMs >= 0 && player.lengthMs > player.positionMs;
    return known ? (uint32_t)(player.lengthMs - player.positionMs) : 0;
}

static bool isSameDay(const CalendarTime& a, const CalendarTime& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

// The day's short name in the user's language; false where there is none.
static bool readShortName(const CalendarTime& day, WCHAR* name)
{
    return readDayName((day.dayOfWeek + 6) % 7, name, WORDS_SIZE);
}

// The second status line, while a morning is armed: "Wakes at 7:00 AM
// tomorrow", later today with no day, or on the day's short name in the
// user's language; during a snooze "Snoozed until 7:10 AM".
static void refreshWakesLine(void)
{
    RemoveMenu(s_menu, s_ids[ITEM_WAKES], MF_BYCOMMAND);
    CalendarTime morning, today;
    bool snoozed;
    if (!readMorning(&morning, &snoozed))
        return;
    GetLocalTime((SYSTEMTIME*)&today);
    WCHAR day[WORDS_SIZE] = { 0 }, time[WORDS_SIZE], text[WORDS_SIZE];
    bool tomorrow = isSameDay(morning, nextDay(today));
    bool later = !snoozed && !tomorrow && !isSameDay(morning, today);
    if (later && !readShortName(morning, day))
        return;
    sayTimeOfDay(morning.hour, morning.minute, g_state.use24Hour != FALSE, time);
    const WCHAR* values[] = { time, day };
    sayText(wakesText(tomorrow, later, snoozed), values, 2, text);
    insertMenuWords(s_menu, 1, MF_BYPOSITION | MF_STRING | MF_GRAYED, s_ids[ITEM_WAKES], text);
}

// "Skip the next morning (Tue 6:30 AM)" while a morning is armed, "Undo
// skip" while the one skipped is still to come.
static void refreshSkipItem(void)
{
    RemoveMenu(s_menu, s_ids[ITEM_SKIP], MF_BYCOMMAND);
    CalendarTime morning;
    bool skipped;
    WCHAR day[WORDS_SIZE], time[WORDS_SIZE], text[WORDS_SIZE];
    if (!readSkip(&morning, &skipped) || !readShortName(morning, day))
        return;
    sayTimeOfDay(morning.hour, morning.minute, g_state.use24Hour != FALSE, time);
    const WCHAR* values[] = { day, time };
    sayText(skipped ? T_MENU_UNDO_SKIP : T_MENU_SKIP, values, 2, text);
    insertMenuWords(s_menu, s_ids[ITEM_SETTINGS], MF_BYCOMMAND | MF_STRING, s_ids[ITEM_SKIP], text);
}

// The status lines and the greying, from what is set and what the player
// plays at this moment. Only tonight's evening can be cancelled; a later
// one is named by its day.
static void refreshMenu(void)
{
    EveningKind kind;
    CalendarTime close = {};
    EveningDay day;
    bool set = readNextEvening(&kind, &close, &day);
    bool use24 = g_state.use24Hour != FALSE;
    EveningFollows follows = nextEveningFollows();
    {
        // The texts of the first line, gone before the second's are made:
        // the frame stays within 3 KiB.
        WCHAR time[WORDS_SIZE], name[WORDS_SIZE] = { 0 }, wake[WORDS_SIZE], text[WORDS_SIZE];
        bool named = set && day == EVENING_LATER && readShortName(close, name);
        if (kind == EVENING_WHEN_IDLE)
            sayMinutes(g_state.idleMinutes, time);
        else
            sayTimeOfDay(close.hour, close.minute, use24, time);
        sayTimeOfDay(follows.wakeHour, follows.wakeMinute, use24, wake);
        const WCHAR* values[] = { time, name, wake };
        sayText(tonightText(set, kind, g_state.action, follows, set && day == EVENING_TOMORROW, named), values, 3,
                text);
        modifyMenuWords(s_menu, s_ids[ITEM_STATUS], MF_BYCOMMAND | MF_STRING | MF_GRAYED, s_ids[ITEM_STATUS], text);
    }
    refreshWakesLine();
    refreshSkipItem();
    PlayerReport player = readPlayer(NULL);
    enableItem(ITEM_SONG_END, songLeftMs(player) > 0);
    enableItem(ITEM_STOP, player.status != PLAYER_STOPPED);
    enableItem(ITEM_ASLEEP, g_state.getLastInputInfo != NULL);
    enableItem(ITEM_CANCEL, set && day == EVENING_TONIGHT);
}

static void choose(int item)
{
    if (ITEMS[item].minutes) {
        chooseTonight(EVENING_AT_TIME, ITEMS[item].minutes * 60000u);
    } else if (item == ITEM_SONG_END) {
        uint32_t left = songLeftMs(readPlayer(NULL));
        if (left)
            chooseTonight(EVENING_AT_SONG_END, left);
    } else if (item == ITEM_STOP) {
        // Greyed while the player is stopped: a key then does nothing.
        if (readPlayer(NULL).status != PLAYER_STOPPED)
            chooseTonight(EVENING_AT_STOP, 0);
    } else if (item == ITEM_ASLEEP && g_state.getLastInputInfo) {
        chooseTonight(EVENING_WHEN_IDLE, 0);
    } else if (item == ITEM_CANCEL) {
        cancelTonight();
    } else if (item == ITEM_SKIP) {
        skipNextMorning();
    } else if (item == ITEM_SNOOZE || item == ITEM_STOP_MORNING) {
        pressNoticeButton(item == ITEM_SNOOZE ? IDC_SNOOZE : IDC_CANCEL_TONIGHT);
    } else if (item == ITEM_SETTINGS && s_openSettings) {
        s_openSettings();
    }
}

// The player's own commands pass on; play, pause, stop, next and previous
// from a remote or another program, not the plugin, show the user awake.
static LRESULT CALLBACK menuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    int item;
    if (s_active && message == WM_COMMAND && HIWORD(wParam) == 0 && findItem(LOWORD(wParam), &item)) {
        choose(item);
        return 0;
    }
    if (s_active && message == WM_COMMAND && isPlaybackCommand(LOWORD(wParam)) && !sendingOwnCommand())
        notePlaybackCommand();
    if (s_active && message == WM_INITMENUPOPUP && (HMENU)wParam == s_menu)
        refreshMenu();
    return s_callProc(s_playerProc, window, message, wParam, lParam);
}

static void takeCharacterSet(HWND window)
{
    s_setLong = SetWindowLongA;
    s_getLong = GetWindowLongA;
    s_callProc = CallWindowProcA;
    HMODULE user = GetModuleHandleA("USER32.DLL");
    if (!user || !IsWindowUnicode(window))
        return;
    WindowLongSet setLong = (WindowLongSet)(void*)GetProcAddress(user, "SetWindowLongW");
    WindowLongGet getLong = (WindowLongGet)(void*)GetProcAddress(user, "GetWindowLongW");
    WindowProcCall callProc = (WindowProcCall)(void*)GetProcAddress(user, "CallWindowProcW");
    if (setLong && getLong && callProc) {
        s_setLong = setLong;
        s_getLong = getLong;
        s_callProc = callProc;
    }
}

// Ids from the player, one per item; a fixed block where it gives none.
static void takeCommandIds(void)
{
    for (int i = 0; i < ITEM_COUNT; ++i) {
        s_ids[i] = newPlayerCommand();
        if (!s_ids[i]) {
            for (int j = 0; j < ITEM_COUNT; ++j)
                s_ids[j] = FALLBACK_FIRST_ID + j;
            return;
        }
    }
}

// Just above the player's Exit item, or at the end where it has none: the
// player finds its own submenus by their position.
static UINT insertPosition(HMENU menu)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuItemID(menu, i) == HOST_CMD_EXIT_ITEM)
            return (UINT)i;
    }
    return count > 0 ? (UINT)count : 0;
}

static HMENU buildMenu(void)
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return NULL;
    for (int i = 0; i < ITEM_COUNT; ++i) {
        if (i == ITEM_WAKES || i == ITEM_SKIP || ITEMS[i].hotkeyOnly)
            continue;
        WCHAR text[WORDS_SIZE] = { 0 };
        if (ITEMS[i].text != NO_TEXT)
            sayText(ITEMS[i].text, NULL, 0, text);
        if (!insertMenuWords(menu, (UINT)-1, MF_BYPOSITION | MF_STRING | (i == ITEM_STATUS ? MF_GRAYED : 0), s_ids[i],
                             text) ||
            (ITEMS[i].separatorAfter && !AppendMenuA(menu, MF_SEPARATOR, 0, NULL))) {
            DestroyMenu(menu);
            return NULL;
        }
    }
    return menu;
}

// An entry of the player's Global Hotkeys, laid out as the player reads
// it: when the key is pressed the player sends message, wParam and lParam
// to window (NULL: its main window).
struct HotkeyEntry {
    const void* name;  // char*, or WCHAR* with HOTKEY_UNICODE_NAME
    DWORD flags;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* id;
    HWND window;
    int extended[6];
};
#define HOTKEY_UNICODE_NAME 0x100

// Posted: the player reads them after init has returned and keeps them for
// as long as it runs, with no way to take them back.
static HotkeyEntry s_keys[ITEM_COUNT];
static WCHAR s_keyNames[ITEM_COUNT][64];
static bool s_keysPosted;

// The plugin stays loaded until the process ends, once the player holds
// pointers into it: true when it does.
static bool pinModule(void)
{
    static bool pinned;
    char path[MAX_PATH];
    if (!pinned && readModulePath(g_state.instance, path))
        pinned = LoadLibraryA(path) != NULL;
    return pinned;
}

// One entry per action, a menu command to the player's main window: the key
// acts as the item or the notice's button does. Posted once in a process: a
// later run of the plugin there gives the same entries its command ids and
// names, and the player's keys act on them.
static void addHotkeys(void)
{
    UINT add = s_keysPosted ? 0 : readHotkeysMessage();
    if (!s_keysPosted && (!add || !pinModule()))
        return;
    for (int i = 0; i < ITEM_COUNT; ++i) {
        if (!ITEMS[i].hotkey)
            continue;
        bool unicode = sayKeyName(ITEMS[i].text, s_keyNames[i], sizeof s_keyNames[i]);
        s_keys[i] = { s_keyNames[i], unicode ? HOTKEY_UNICODE_NAME : 0u, WM_COMMAND, s_ids[i], 0, ITEMS[i].hotkey };
        if (add)
            postHotkey(add, &s_keys[i]);
    }
    s_keysPosted = true;
}

void installMenu(void (*openSettings)(void))
{
    s_openSettings = openSettings;
    // Still in the chain of another window: it cannot serve this one too.
    if (s_inChain && s_window != g_state.hostWindow)
        return;
    s_window = g_state.hostWindow;
    HMENU playerMenu = readPlayerMenu();
    if (!playerMenu)
        return;
    takeCommandIds();
    HMENU menu = buildMenu();
    if (!menu)
        return;
    if (!InsertMenuA(playerMenu, insertPosition(playerMenu), MF_BYPOSITION | MF_POPUP | MF_STRING, (UINT_PTR)menu,
                     PRODUCT_NAME)) {
        DestroyMenu(menu);
        return;
    }
    s_playerMenu = playerMenu;
    s_menu = menu;
    // Still in the window's chain from an earlier run of the plugin in this
    // process: the procedure there serves again.
    if (!s_inChain) {
        takeCharacterSet(s_window);
        s_playerProc = (WNDPROC)s_setLong(s_window, GWL_WNDPROC, (LONG)menuWindowProc);
        s_inChain = s_playerProc != NULL;
    }
    s_active = s_inChain;
    if (s_active)
        addHotkeys();
}

// The procedure goes back to the window; false when the window refuses it.
static bool giveProcedureBack(void)
{
    SetLastError(0);
    return s_setLong(s_window, GWL_WNDPROC, (LONG)s_playerProc) || GetLastError() == 0;
}

// The submenu goes; the procedure is given back while it is still the
// window's. Where another was installed on top of it, or the give-back
// fails, the plugin cannot leave the chain: it stays loaded for good and
// passes everything on.
void removeMenu(void)
{
    if (!s_menu)
        return;
    s_active = false;
    int count = IsMenu(s_playerMenu) ? GetMenuItemCount(s_playerMenu) : 0;
    for (int i = 0; i < count; ++i) {
        if (GetSubMenu(s_playerMenu, i) == s_menu) {
            RemoveMenu(s_playerMenu, i, MF_BYPOSITION);
            break;
        }
    }
    if (IsMenu(s_menu))
        DestroyMenu(s_menu);
    s_menu = NULL;
    if (!s_inChain || !IsWindow(s_window)) {
        s_inChain = false;
        return;
    }
    if ((WNDPROC)s_getLong(s_window, GWL_WNDPROC) == menuWindowProc && giveProcedureBack()) {
        s_inChain = false;
        return;
    }
    pinModule();
}
