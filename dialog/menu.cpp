// The plugin's submenu in the player's main popup menu: what is set for
// tonight, tonight's close in two clicks, and the settings. The plugin sees
// the menu's commands by subclassing the player's main window; its
// procedure compares and passes on everything that is not its own.
#include "menu.h"

#include "../core/alarm.h"
#include "../core/player.h"
#include "../core/state.h"

// The items, in the submenu's order; separators between the groups.
enum MenuItem {
    ITEM_STATUS,
    ITEM_IN_15,
    ITEM_IN_30,
    ITEM_IN_45,
    ITEM_IN_60,
    ITEM_IN_120,
    ITEM_SONG_END,
    ITEM_STOP,
    ITEM_CANCEL,
    ITEM_SETTINGS,
    ITEM_COUNT
};
static const struct {
    const char* text;
    UINT minutes;  // "In N minutes"
    bool separatorAfter;
} ITEMS[ITEM_COUNT] = {
    { "", 0, true },
    { "In 15 minutes", 15, false },
    { "In 30 minutes", 30, false },
    { "In 45 minutes", 45, false },
    { "In 1 hour", 60, false },
    { "In 2 hours", 120, true },
    { "When this song ends", 0, false },
    { "When playback stops", 0, true },
    { "Cancel tonight", 0, false },
    { "Settings...", 0, false },
};

// Where the player hands out no command ids: this block, after its own.
static const UINT FALLBACK_FIRST_ID = 24320;
static const UINT HOST_CMD_EXIT_ITEM = 40001;

static HWND s_window;
static HMENU s_playerMenu, s_menu;
static UINT s_ids[ITEM_COUNT];
static WNDPROC s_playerProc;
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

// The status line and the greying, from what is set and what the player
// plays at this moment.
static void refreshMenu(void)
{
    bool atStop;
    CalendarTime close = {};
    bool set = readTonight(&atStop, &close);
    char text[80];
    formatTonightText(text, sizeof text, set, atStop, close.hour, close.minute, g_state.use24Hour != FALSE,
                      g_state.action, { ENDING_EXIT, 0, 0, false });
    ModifyMenuA(s_menu, s_ids[ITEM_STATUS], MF_BYCOMMAND | MF_STRING | MF_GRAYED, s_ids[ITEM_STATUS], text);
    PlayerReport player = readPlayer(NULL);
    enableItem(ITEM_SONG_END, songLeftMs(player) > 0);
    enableItem(ITEM_STOP, player.status != PLAYER_STOPPED);
    enableItem(ITEM_CANCEL, set);
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
        chooseTonight(EVENING_AT_STOP, 0);
    } else if (item == ITEM_CANCEL) {
        cancelTonight();
    } else if (item == ITEM_SETTINGS && s_openSettings) {
        s_openSettings();
    }
}

static LRESULT CALLBACK menuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    int item;
    if (s_active && message == WM_COMMAND && HIWORD(wParam) == 0 && findItem(LOWORD(wParam), &item)) {
        choose(item);
        return 0;
    }
    if (s_active && message == WM_INITMENUPOPUP && (HMENU)wParam == s_menu)
        refreshMenu();
    return CallWindowProcA(s_playerProc, window, message, wParam, lParam);
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
        if (!AppendMenuA(menu, MF_STRING | (i == ITEM_STATUS ? MF_GRAYED : 0), s_ids[i], ITEMS[i].text) ||
            (ITEMS[i].separatorAfter && !AppendMenuA(menu, MF_SEPARATOR, 0, NULL))) {
            DestroyMenu(menu);
            return NULL;
        }
    }
    return menu;
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
                     "Nightfold")) {
        DestroyMenu(menu);
        return;
    }
    s_playerMenu = playerMenu;
    s_menu = menu;
    // Still in the window's chain from an earlier run of the plugin in this
    // process: the procedure there serves again.
    if (!s_inChain) {
        s_playerProc = (WNDPROC)SetWindowLongA(s_window, GWL_WNDPROC, (LONG)menuWindowProc);
        s_inChain = s_playerProc != NULL;
    }
    s_active = s_inChain;
}

// The submenu goes; the procedure is given back while it is still the
// window's. Where another was installed on top of it, the plugin cannot
// leave the chain: it stays loaded for good and passes everything on.
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
    if ((WNDPROC)GetWindowLongA(s_window, GWL_WNDPROC) == menuWindowProc) {
        SetWindowLongA(s_window, GWL_WNDPROC, (LONG)s_playerProc);
        s_inChain = false;
        return;
    }
    static bool pinned;
    char path[MAX_PATH];
    if (!pinned && readModulePath(g_state.instance, path))
        pinned = LoadLibraryA(path) != NULL;
}
