// The plugin in every language, as a user sees it: in the dialog, the
// player's menu and both notices, every text fits its control in the
// control's font, comes through whole (no '?' of a code page) and, beyond
// the ANSI code page, is drawn in a face that can link other scripts' glyphs
// (not a raster one); the day names are the language's. The same in the
// prefix's locale and in the locales of other languages, where a first
// start speaks the display language in the regional format's clock form;
// and a Japanese user on a Western code page sees Japanese.
#include "host.h"

#include <stdio.h>
#include <string.h>

#include "../../logic/language.h"
#include "../../resources/resource.h"

static DWORD s_hostThreadId;
static const char* s_language;

static void toUtf8(const WCHAR* text, char* out, int size)
{
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, out, size, NULL, NULL))
        out[0] = 0;
    out[size - 1] = 0;
}

// Whether text, drawn in the control's font, fits room pixels wide and
// height high: on one line, or wrapped.
static bool fitsRoom(HWND control, const WCHAR* text, int room, int height, UINT format, SIZE* needed)
{
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(control, WM_GETFONT, 0, 0));
    RECT rect = { 0, 0, room, 0 };
    DrawTextW(dc, text, -1, &rect, DT_CALCRECT | format);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    *needed = { rect.right, rect.bottom };
    return rect.right <= room && rect.bottom <= height;
}

// Whether the control's font, the face the dialog asked for, is a raster
// one, which shows the ANSI code page's letters only; its face into face.
static bool drawnInRaster(HWND control, char* face, int size)
{
    HFONT font = (HFONT)SendMessageW(control, WM_GETFONT, 0, 0);
    LOGFONTA asked = {};
    if (!font || !GetObjectA(font, sizeof asked, &asked))
        snprintf(asked.lfFaceName, sizeof asked.lfFaceName, "(the system font)");
    snprintf(face, size, "%s", asked.lfFaceName);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return !(metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE));
}

static bool beyondAnsi(const WCHAR* text)
{
    char ansi[1024];
    BOOL lost = FALSE;
    return !WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, NULL, &lost) || lost;
}

static void checkText(HWND control, const char* where, const WCHAR* text, int room, int height, UINT format)
{
    SIZE needed;
    char utf8[512], face[LF_FACESIZE + 32];
    toUtf8(text, utf8, sizeof utf8);
    bool fits = fitsRoom(control, text, room, height, format, &needed);
    CHECK(fits && !wcschr(text, L'?'),
          "%s %s: [%s] needs %ldx%ld, has %dx%d", s_language, where, utf8, needed.cx, needed.cy, room, height);
    CHECK(!beyondAnsi(text) || !drawnInRaster(control, face, sizeof face), "%s %s: [%s] drawn in the raster face %s",
          s_language, where, utf8, face);
}

// Every visible control of the window (or only the one given): buttons
// less their box or frame, static texts wrapped where they wrap, and every
// item of a list.
static void checkFits(HWND window, const char* where, HWND only = NULL)
{
    for (HWND control = GetWindow(window, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control) || (only && control != only))
            continue;
        char className[16];
        GetClassNameA(control, className, sizeof className);
        LONG style = GetWindowLongA(control, GWL_STYLE);
        RECT box;
        GetClientRect(control, &box);
        WCHAR text[512];
        if (!_stricmp(className, "ComboBox")) {
            int room = box.right - GetSystemMetrics(SM_CXVSCROLL) - 6;
            LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                if (SendMessageW(control, CB_GETLBTEXTLEN, i, 0) < 512 &&
                    SendMessageW(control, CB_GETLBTEXT, i, (LPARAM)text) > 0)
                    checkText(control, where, text, room, box.bottom, DT_SINGLELINE | DT_NOPREFIX);
            }
            continue;
        }
        if (!_stricmp(className, "ListBox")) {
            int room = box.right - 4;
            LRESULT count = SendMessageW(control, LB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                if (SendMessageW(control, LB_GETTEXTLEN, i, 0) < 512 && SendMessageW(control, LB_GETTEXT, i, (LPARAM)text) > 0)
                    checkText(control, where, text, room, box.bottom, DT_SINGLELINE | DT_NOPREFIX);
            }
            continue;
        }
        if (!GetWindowTextW(control, text, 512) || !text[0])
            continue;
        UINT type = style & 0xF;
        if (!_stricmp(className, "Static")) {
            UINT noPrefix = style & SS_NOPREFIX ? DT_NOPREFIX : 0;
            checkText(control, where, text, box.right, box.bottom,
                      (type == SS_SIMPLE ? DT_SINGLELINE : DT_WORDBREAK) | noPrefix);
        } else if (type == BS_GROUPBOX) {
            checkText(control, where, text, box.right - 12, box.bottom, DT_SINGLELINE);
        } else if (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON) {
            int room = box.right - GetSystemMetrics(SM_CXMENUCHECK) - 4;
            checkText(control, where, text, room, box.bottom, style & BS_MULTILINE ? DT_WORDBREAK : DT_SINGLELINE);
        } else {
            checkText(control, where, text, box.right - 6, box.bottom, DT_SINGLELINE);
        }
    }
}

static HWND waitForDialog(void)
{
    for (int i = 0; i < 500; ++i) {
        if (HWND dialog = findThreadDialog(s_hostThreadId))
            return dialog;
        Sleep(10);
    }
    return NULL;
}

// What the dialog shows, read by the case's own check before it is closed.
static void (*s_readDialog)(HWND dialog);

static DWORD WINAPI readAndCancel(LPVOID)
{
    HWND dialog = waitForDialog();
    if (!CHECK(dialog != NULL, "%s: no dialog", s_language))
        return 0;
    s_readDialog(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

// Opens the plugin's dialog as the system makes it, reads it, cancels it.
static void readDialog(LoadedPlugin* plugin, void (*read)(HWND dialog))
{
    s_hostThreadId = GetCurrentThreadId();
    s_readDialog = read;
    patchImport(plugin->module, "USER32.dll", "DialogBoxParamA", (void*)DialogBoxParamA);
    HANDLE reader = CreateThread(NULL, 0, readAndCancel, NULL, 0, NULL);
    plugin->header->config();
    CHECK(WaitForSingleObject(reader, 10000) == WAIT_OBJECT_0, "%s: the dialog's reader hangs", s_language);
    CloseHandle(reader);
}

// The language of the dialog shown (its index in LANGUAGES).
static int s_shownLanguage;

// The day boxes named in the language's own locale, whatever the user's.
static void checkDays(HWND dialog)
{
    LCID locale = MAKELCID(LANGUAGES[s_shownLanguage]->langId, SORT_DEFAULT);
    for (int day = 0; day < 7; ++day) {
        WCHAR shown[32], named[32];
        char utf8[64];
        GetDlgItemTextW(dialog, IDC_DAY_FIRST + day, shown, 32);
        GetLocaleInfoW(locale, LOCALE_SABBREVDAYNAME1 + day, named, 32);
        toUtf8(shown, utf8, sizeof utf8);
        CHECK(!wcscmp(shown, named), "%s: day %d shown as [%s]", s_language, day, utf8);
    }
}

// The whole window within the smallest screen the plugin supports, 800 x
// 600 less a taskbar, and every control within the window's client area.
static void checkBounds(HWND dialog)
{
    RECT window, client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    CHECK(window.right - window.left <= 800 && window.bottom - window.top <= 560, "%s: the dialog is %ldx%ld",
          s_language, window.right - window.left, window.bottom - window.top);
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(control, &rect);
        MapWindowPoints(NULL, dialog, (POINT*)&rect, 2);
        CHECK(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom,
              "%s: control %d reaches %ld,%ld in %ldx%ld", s_language, GetDlgCtrlID(control), rect.right,
              rect.bottom, client.right, client.bottom);
    }
}

// The line under the evening's days (its time is 1:30) with each day ticked
// alone, then with none.
static void checkNightLines(HWND dialog)
{
    HWND line = GetDlgItem(dialog, IDC_NIGHT_LINE);
    for (int ticked = 0; ticked <= 7; ++ticked) {
        for (int day = 0; day < 7; ++day)
            SendDlgItemMessageW(dialog, IDC_DAY_FIRST + day, BM_SETCHECK, day == ticked, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DAY_FIRST + ticked % 7, BN_CLICKED), 0);
        CHECK(GetWindowTextLengthW(line) > 0, "%s: no line under the days with day %d ticked", s_language, ticked);
        checkFits(dialog, "night line", line);
    }
}

static void checkDialog(HWND dialog)
{
    checkBounds(dialog);
    checkFits(dialog, "dialog");
    checkDays(dialog);
    checkNightLines(dialog);
}

static void checkMenu(void)
{
    HMENU menu = pluginSubmenu();
    if (!CHECK(menu != NULL, "%s: no menu", s_language))
        return;
    SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)menu, 4);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        WCHAR text[256];
        char utf8[512];
        if (GetMenuItemID(menu, i) == 0)
            continue;  // a separator
        GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
        toUtf8(text, utf8, sizeof utf8);
        CHECK(text[0] && !wcschr(text, L'?'), "%s: menu item %d [%s]", s_language, i, utf8);
    }
}


// The morning's notice, then the evening's with its longest text, each
// shown by the worker at its moment.
static void checkNotices(LoadedPlugin* plugin)
{
    HWND notice = NULL;
    if (fireMorning(1)) {
        for (int i = 0; i < 300 && !(notice = findNotice()); ++i)
            pumpMessagesFor(10);
        if (CHECK(notice != NULL, "%s: no morning notice", s_language)) {
            checkFits(notice, "morning notice");
            PostMessageA(notice, WM_COMMAND, IDC_CANCEL_TONIGHT, 0);
            for (int i = 0; i < 300 && findNotice(); ++i)
                pumpMessagesFor(10);
        }
    }
    notice = NULL;
    if (waitForCount(&g_log.timerSets, 1, 5000) && fireAlarm(g_log.timerSets)) {
        for (int i = 0; i < 300 && !(notice = findNotice()); ++i)
            pumpMessagesFor(10);
        if (CHECK(notice != NULL, "%s: no evening notice", s_language))
            checkFits(notice, "evening notice");
    }
    plugin->header->quit();
}

// The locales the case runs in (ctest sets LC_CTYPE and LC_MESSAGES): the
// display language and the ANSI code page each gives, and whether its
// regional format writes 24-hour times.
static const struct {
    const char* name;
    WORD language;
    UINT codePage;
    bool use24Hour;
} LOCALES[] = {
    { "languages", LANG_ENGLISH, 1252, false },    { "languages_de", LANG_GERMAN, 1252, true },
    { "languages_ru", LANG_RUSSIAN, 1252, true },  { "languages_pl", LANG_POLISH, 1252, true },
    { "languages_zh", LANG_CHINESE, 1252, true },  { "languages_ja", LANG_JAPANESE, 932, true },
};

// A first start's dialog: the display language's words, whatever the
// player without a language pack answers, and the regional format's clock.
static bool s_firstStart24Hour;

static void checkFirstStart(HWND dialog)
{
    WCHAR shown[128];
    char16_t expected[128];
    GetDlgItemTextW(dialog, IDC_FORCE, shown, 128);
    widenUtf8(textIn((unsigned)s_shownLanguage, T_FORCE), expected, 128);
    CHECK(!wcscmp(shown, (const WCHAR*)expected), "%s: the first start is not in %s", s_language,
          LANGUAGES[s_shownLanguage]->code);
    CHECK(buttonChecked(dialog, IDC_24HOUR) == s_firstStart24Hour &&
              SendDlgItemMessageA(dialog, IDC_HOUR, CB_GETCOUNT, 0, 0) == (s_firstStart24Hour ? 24 : 12),
          "%s: the first start is not in the %s form", s_language, s_firstStart24Hour ? "24-hour" : "12-hour");
}

static void testFirstStart(const char* dllPath, bool use24Hour)
{
    resetFakes();
    g_player.pack = (LRESULT)L"en-US";
    g_player.noPack = true;
    LoadedPlugin plugin;
    if (!startPlugin(dllPath, "first", "[Nightfold]\r\n", &plugin))
        return;
    s_shownLanguage = languageOfId(GetUserDefaultUILanguage());
    s_shownLanguage = s_shownLanguage < 0 ? 0 : s_shownLanguage;
    s_firstStart24Hour = use24Hour;
    readDialog(&plugin, checkFirstStart);
    plugin.header->quit();
    unloadPlugin(&plugin);
    g_player = {};
}

// Every language with the longest texts each window can show: an evening
// after midnight that shuts down forcing programs, with its notice; a
// morning.
static void testLanguages(const char* dllPath)
{
    static const char* const codes[] = { "en", "de", "fr", "es", "it", "nl", "pl", "pt-BR", "ru", "ja", "zh-CN" };
    for (const auto& locale : LOCALES) {
        if (strcmp(locale.name, g_caseName))
            continue;
        s_language = locale.name;
        if (!CHECK(GetACP() == locale.codePage && PRIMARYLANGID(GetUserDefaultUILanguage()) == locale.language,
                   "%s: code page %u, display language %#x", locale.name, GetACP(), GetUserDefaultUILanguage()))
            return;
        testFirstStart(dllPath, locale.use24Hour);
    }
    for (const char* code : codes) {
        s_language = code;
        resetFakes();
        g_fakes.now = localTime(2024, 6, 12, 6, 0);
        g_player = { 0, -1, 0, 200 };
        g_player.menu = MENU_WITH_IDS;
        g_player.entries = 1;
        char settings[512];
        snprintf(settings, sizeof settings,
                 "[Nightfold]\r\nLanguage=%s\r\nEnabled=1\r\nShutdown=1013\r\nForceAppsToClose=1\r\nHour=1\r\n"
                 "Minute=30\r\nNotice=1\r\nMorning=1\r\nMorningHour=7\r\nMorningMinute=00\r\n",
                 code);
        char name[32];
        snprintf(name, sizeof name, "lang_%s", code);
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, name, settings, &plugin))
            continue;
        s_shownLanguage = languageOfCode(code);
        readDialog(&plugin, checkDialog);
        checkMenu();
        checkNotices(&plugin);
        waitForWorkerEnd(2000);
        unloadPlugin(&plugin);
    }
}

// Run with a Japanese display language on a Western code page: the day
// boxes hold the chosen language's names and a caption its text, as
// Unicode. Japanese where its code page is installed, else English.
static int s_expectedLanguage;
static LCID s_expectedLocale;

static void checkJapanese(HWND dialog)
{
    for (int day = 0; day < 7; ++day) {
        WCHAR shown[32], named[32];
        GetDlgItemTextW(dialog, IDC_DAY_FIRST + day, shown, 32);
        GetLocaleInfoW(s_expectedLocale, LOCALE_SABBREVDAYNAME1 + day, named, 32);
        CHECK(!wcscmp(shown, named) && !wcschr(shown, L'?'), "%s: day %d differs from the locale's", s_language, day);
    }
    WCHAR shown[128];
    char16_t expected[128];
    GetDlgItemTextW(dialog, IDC_FORCE, shown, 128);
    widenUtf8(textIn((unsigned)s_expectedLanguage, T_FORCE), expected, 128);
    CHECK(!wcscmp(shown, (const WCHAR*)expected), "%s: the force box is not in %s", s_language,
          LANGUAGES[s_expectedLanguage]->code);
}

static void testJapaneseOnWestern(const char* dllPath)
{
    static const struct {
        const char* name;
        UINT missingCodePage;
        const char* shown;
        LCID days;  // whose day names the boxes hold
    } rows[] = {
        { "ja (Western code page)", 0, "ja", 0x0411 },
        { "ja without East Asian support", 932, "en", 0x0409 },
    };
    CHECK(GetACP() == 1252 && PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE,
          "code page %u, display language %#x", GetACP(), GetUserDefaultUILanguage());
    for (const auto& row : rows) {
        s_language = row.name;
        s_expectedLanguage = languageOfCode(row.shown);
        s_expectedLocale = row.days;
        resetFakes();
        g_fakes.missingCodePage = row.missingCodePage;
        LoadedPlugin plugin;
        if (!startPlugin(dllPath, row.missingCodePage ? "japanese_missing" : "japanese", "[Nightfold]\r\n", &plugin))
            continue;
        readDialog(&plugin, checkJapanese);
        plugin.header->quit();
        unloadPlugin(&plugin);
    }
}

const TestCase g_languageCases[] = {
    { "languages", testLanguages },
    { "languages_de", testLanguages },
    { "languages_ru", testLanguages },
    { "languages_pl", testLanguages },
    { "languages_zh", testLanguages },
    { "languages_ja", testLanguages },
    { "japanese_on_western", testJapaneseOnWestern },
    { NULL, NULL },
};
