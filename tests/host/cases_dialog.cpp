// The configuration dialog as a person uses it. The host calls config on
// its main thread; a driver thread finds the modal dialog, reads it and
// clicks it, and ends it. Each walk is a table of steps: opening the
// dialog, what to do in it and what to find there, and what the settings
// file, the alarm workers and the power-status probe show afterwards.
#include "host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../../dialog/dialog.h"
#include "../../logic/morning.h"
#include "../../resources/resource.h"

// No real alarm worker ever starts here (THREADS_NONE).

static char s_dllPath[MAX_PATH * 2];
static char s_iniPath[MAX_PATH * 2];
static HWND s_hostWindow;
static LoadedPlugin s_plugin;

static INT_PTR WINAPI failingDialogBox(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM)
{
    return -1;
}

static LONG WINAPI noWindowData(HWND, int)
{
    return 0;
}

static void stopPlugin(void)
{
    if (s_plugin.module)
        s_plugin.header->quit();
    unloadPlugin(&s_plugin);
}

// ---- reading the dialog --------------------------------------------------------

static bool enabledState(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

static bool visibleState(HWND dialog, int id)
{
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

// Enabled and checked states, in groups separated by blanks:
//   "Close Winamp at" box, hour list, minute list, AM, PM, 24-hour box;
//   "System Shutdown" box, no action, standby, shutdown, reboot, force;
//   plugin disabled, run once, enabled.
// Boxes and lists: 'E' enabled, 'e' greyed. Buttons: 'X' checked, 'O' not
// checked, in lower case when greyed.
static void describeStates(HWND dialog, char* out)
{
    static const int ids[] = {
        IDC_GROUP_CLOSE_AT, IDC_HOUR, IDC_MINUTE, IDC_AM, IDC_PM, IDC_24HOUR, 0,
        IDC_GROUP_SHUTDOWN, IDC_ACTION_NONE, IDC_ACTION_STANDBY, IDC_ACTION_SHUTDOWN, IDC_ACTION_REBOOT,
        IDC_FORCE, 0, IDC_PLUGIN_DISABLED, IDC_RUN_ONCE, IDC_PLUGIN_ENABLED,
    };
    for (int id : ids) {
        char c;
        if (id == 0)
            c = ' ';
        else if (id == IDC_GROUP_CLOSE_AT || id == IDC_GROUP_SHUTDOWN || id == IDC_HOUR || id == IDC_MINUTE)
            c = 'E';
        else
            c = buttonChecked(dialog, id) ? 'X' : 'O';
        if (id && !enabledState(dialog, id))
            c += 'a' - 'A';
        *out++ = c;
    }
    *out = '\0';
}

// The items of a list, joined by commas.
static void listItems(HWND dialog, int id, char* out, size_t size)
{
    out[0] = '\0';
    int count = (int)SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
    size_t used = 0;
    for (int i = 0; i < count && used + 16 < size; ++i) {
        char item[64] = "";
        if (SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof item)
            SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, (LPARAM)item);
        used += snprintf(out + used, size - used, "%s%s", i ? "," : "", item);
    }
}

static void selectedItem(HWND dialog, int id, char* out, size_t size)
{
    LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
    snprintf(out, size, "-");
    if (index >= 0 && SendDlgItemMessageA(dialog, id, CB_GETLBTEXTLEN, index, 0) < (LRESULT)size)
        SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, index, (LPARAM)out);
}

// "At the set time", in the same letters: box, fade, its minutes, song,
// notice; then the minutes selected, "-" for none.
static void describeEvening(HWND dialog, char* out, size_t size)
{
    static const int ids[] = {
        IDC_GROUP_EVENING, IDC_FADE, IDC_FADE_MINUTES, IDC_FINISH_SONG, IDC_NOTICE,
    };
    char states[8] = "";
    for (int i = 0; i < 5; ++i) {
        bool button = ids[i] == IDC_FADE || ids[i] == IDC_FINISH_SONG || ids[i] == IDC_NOTICE;
        char c = !button ? 'E' : buttonChecked(dialog, ids[i]) ? 'X' : 'O';
        states[i] = enabledState(dialog, ids[i]) ? c : c + ('a' - 'A');
    }
    char minutes[96];
    listItems(dialog, IDC_FADE_MINUTES, minutes, sizeof minutes);
    CHECK(strcmp(minutes, "1 minute,2 minutes,5 minutes,10 minutes,15 minutes,30 minutes") == 0, "fade list [%s]",
          minutes);
    selectedItem(dialog, IDC_FADE_MINUTES, minutes, sizeof minutes);
    snprintf(out, size, "%s %s", states, minutes);
}

struct TimeControls {
    int hour, minute, am, pm;
};
static const TimeControls EVENING_TIME = { IDC_HOUR, IDC_MINUTE, IDC_AM, IDC_PM };
static const TimeControls MORNING_TIME = { IDC_MORNING_HOUR, IDC_MORNING_MINUTE, IDC_MORNING_AM, IDC_MORNING_PM };

// The time as shown: "hour:minute form", where form is AM or PM for the
// 12-hour list with the AM/PM buttons visible (the checked one), and 24h
// for the 24-hour list with them hidden; "-" where nothing is selected.
static void describeTime(HWND dialog, char* out, size_t size, const TimeControls& time = EVENING_TIME)
{
    static char twelve[128], twentyFour[128], minutes[256];
    if (!twelve[0]) {
        for (unsigned h = 1; h <= 12; ++h)
            snprintf(twelve + strlen(twelve), sizeof twelve - strlen(twelve), "%s%u", h > 1 ? "," : "", h);
        for (unsigned h = 0; h <= 23; ++h)
            snprintf(twentyFour + strlen(twentyFour), sizeof twentyFour - strlen(twentyFour), "%s%u",
                     h ? "," : "", h);
        for (unsigned m = 0; m <= 59; ++m)
            snprintf(minutes + strlen(minutes), sizeof minutes - strlen(minutes), "%s%02u", m ? "," : "", m);
    }
    char items[512];
    listItems(dialog, time.minute, items, sizeof items);
    CHECK(strcmp(items, minutes) == 0, "minute list [%s]", items);
    listItems(dialog, time.hour, items, sizeof items);
    bool halves = visibleState(dialog, time.am) && visibleState(dialog, time.pm);
    const char* form = "mismatched";
    if (strcmp(items, twentyFour) == 0 && !visibleState(dialog, time.am) && !visibleState(dialog, time.pm))
        form = "24h";
    else if (strcmp(items, twelve) == 0 && halves)
        form = buttonChecked(dialog, time.am) == buttonChecked(dialog, time.pm) ? "AM/PM?"
               : buttonChecked(dialog, time.pm)                                ? "PM"
                                                                              : "AM";
    else
        printf("hour list [%s], AM/PM %s\n", items, halves ? "shown" : "hidden");
    char hour[16], minute[16];
    selectedItem(dialog, time.hour, hour, sizeof hour);
    selectedItem(dialog, time.minute, minute, sizeof minute);
    snprintf(out, size, "%s:%s %s", hour, minute, form);
}

// "Morning": its box ('X' or 'O'); 'E' when its time, days and fade are
// all enabled, 'e' when all greyed; the time as describeTime shows it; the
// days ticked, Monday first; the fade selected, "-" for none; the line
// under them in brackets.
static void describeMorning(HWND dialog, char* out, size_t size)
{
    static const char* const names[] = { "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun" };
    int enabled = 0;  // of the 14 controls from the hour list to the fade's
    for (int id = IDC_MORNING_HOUR; id <= IDC_MORNING_FADE_MINUTES; ++id)
        enabled += enabledState(dialog, id);
    char time[32], days[8] = "", fade[96], note[128], name[16];
    describeTime(dialog, time, sizeof time, MORNING_TIME);
    for (int day = 0; day < 7; ++day) {
        GetDlgItemTextA(dialog, IDC_MORNING_DAY_FIRST + day, name, sizeof name);
        CHECK(strcmp(name, names[day]) == 0, "day %d named [%s]", day, name);
        days[day] = buttonChecked(dialog, IDC_MORNING_DAY_FIRST + day) ? 'X' : 'O';
    }
    listItems(dialog, IDC_MORNING_FADE_MINUTES, fade, sizeof fade);
    CHECK(strcmp(fade, "No fade,1 minute,2 minutes,5 minutes,10 minutes,15 minutes,30 minutes") == 0,
          "morning fade list [%s]", fade);
    selectedItem(dialog, IDC_MORNING_FADE_MINUTES, fade, sizeof fade);
    GetDlgItemTextA(dialog, IDC_MORNING_NOTE, note, sizeof note);
    CHECK(enabledState(dialog, IDC_MORNING) && enabledState(dialog, IDC_MORNING_NOTE),
          "the morning's box or line greyed");
    char greyed = enabled == 14 ? 'E' : enabled == 0 ? 'e' : '?';
    snprintf(out, size, "%c%c %s %s %s [%s]", buttonChecked(dialog, IDC_MORNING) ? 'X' : 'O', greyed, time, days,
             fade, note);
}

// ---- walks -------------------------------------------------------------------

enum Action {
    // on the host thread
    OPEN,          // calls config; the steps up to the next host step run in the dialog
    OPEN_FAILS,    // calls config while the dialog cannot be created
    FILE_IS,       // the settings file's text, byte for byte; null: no file
    WORKERS,       // workers started (id) so far
    RELOAD,        // the player quits and starts again
    ARMING_FAILS,  // the worker started last runs, and arming its timer fails
    NO_WINDOW_DATA,  // from here on the plugin's GetWindowLongA gives 0
    RESUME_ERROR,  // a resume request leaves this error, as where the computer does not wake
    WAKE_TIMERS,   // the power plan's "Allow wake timers" is id
    END,
    // in the dialog, on the driver thread
    CLICK,         // a click on the button id
    CHOOSE,        // picks text in the list id
    KEY,           // presses the key id
    CLOSE_BOX,     // the caption's close box
    TIME,          // the time shown: see describeTime
    STATES,        // the controls' states: see describeStates
    EVENING,       // "At the set time": see describeEvening
    MORNING,       // "Morning": see describeMorning
    POWER,         // times the power status has been asked so far
    FADE_BEGINS,   // the alarm worker keeps the volume id as FadeFrom
    ASKED_AGAIN,   // the player, in front, asks for the dialog again: the open one comes to the front
    PICK,          // chooses item count in the list box id
    ENTRIES,       // the list box id's items, in UTF-8, each followed by '|'
    GREYED,        // the control id is greyed (count 1) or not (0)
};

struct Step {
    Action action;
    int id = 0;
    const char* text = nullptr;
    int count = 0;
};

struct Walk {
    const char* name;
    const char* settings;  // the file the player starts with; null: none
    const Step* steps;
};

static const char* s_walkName;
static const Step* s_dialogSteps;
static volatile LONG s_configReturned;
static HWND s_expectedOwner;
static DWORD s_hostThreadId;

static bool isHostStep(Action action)
{
    return action <= END;
}

static HWND waitForDialog(void)
{
    for (int i = 0; i < 1000 && !s_configReturned; ++i) {
        if (HWND dialog = findThreadDialog(s_hostThreadId))
            return dialog;
        Sleep(10);
    }
    return NULL;
}

static void runDialogStep(HWND dialog, const Step& step)
{
    const char* walk = s_walkName;
    char text[256];
    switch (step.action) {
    case CLICK:
        if (!CHECK(enabledState(dialog, step.id) && visibleState(dialog, step.id),
                   "%s: button %d cannot be clicked", walk, step.id))
            return;
        SetForegroundWindow(dialog);
        SendDlgItemMessageA(dialog, step.id, BM_CLICK, 0, 0);
        break;
    case CHOOSE: {
        LRESULT index = SendDlgItemMessageA(dialog, step.id, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)step.text);
        if (!CHECK(index >= 0 && enabledState(dialog, step.id), "%s: cannot choose %s in %d", walk, step.text,
                   step.id))
            return;
        SendDlgItemMessageA(dialog, step.id, CB_SETCURSEL, index, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dialog, step.id));
        break;
    }
    case KEY: {
        SetForegroundWindow(dialog);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(s_hostThreadId, &info);
        HWND target = info.hwndFocus ? info.hwndFocus : dialog;
        PostMessageA(target, WM_KEYDOWN, step.id, 1);
        PostMessageA(target, WM_KEYUP, step.id, 0xC0000001);
        break;
    }
    case CLOSE_BOX:
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    case TIME:
        describeTime(dialog, text, sizeof text);
        CHECK(strcmp(text, step.text) == 0, "%s: time shown [%s], expected [%s]", walk, text, step.text);
        break;
    case STATES:
        describeStates(dialog, text);
        CHECK(strcmp(text, step.text) == 0, "%s: states [%s], expected [%s]", walk, text, step.text);
        break;
    case FADE_BEGINS:
        snprintf(text, sizeof text, "%d", step.id);
        WritePrivateProfileStringA("Nightfold", "FadeFrom", text, s_iniPath);
        break;
    case EVENING:
        describeEvening(dialog, text, sizeof text);
        CHECK(strcmp(text, step.text) == 0, "%s: at the set time [%s], expected [%s]", walk, text, step.text);
        break;
    case MORNING:
        describeMorning(dialog, text, sizeof text);
        CHECK(strcmp(text, step.text) == 0, "%s: morning [%s], expected [%s]", walk, text, step.text);
        break;
    case ASKED_AGAIN: {
        SetForegroundWindow(s_hostWindow);
        DWORD_PTR answer;
        bool returned = SendMessageTimeoutA(s_hostWindow, WM_APP, 0, 0, SMTO_NORMAL, 3000, &answer) != 0;
        CHECK(returned && GetForegroundWindow() == dialog, "%s: asked again, config returned %d, the dialog in front %d",
              walk, returned, GetForegroundWindow() == dialog);
        break;
    }
    case PICK:
        SendDlgItemMessageA(dialog, step.id, LB_SETCURSEL, step.count, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(step.id, LBN_SELCHANGE), (LPARAM)GetDlgItem(dialog, step.id));
        break;
    case ENTRIES: {
        text[0] = '\0';
        LRESULT count = SendDlgItemMessageW(dialog, step.id, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            WCHAR item[128];
            SendDlgItemMessageW(dialog, step.id, LB_GETTEXT, i, (LPARAM)item);
            size_t at = strlen(text);
            WideCharToMultiByte(CP_UTF8, 0, item, -1, text + at, (int)(sizeof text - at - 2), NULL, NULL);
            strcat(text, "|");
        }
        CHECK(strcmp(text, step.text) == 0, "%s: list %d [%s], expected [%s]", walk, step.id, text, step.text);
        break;
    }
    case GREYED:
        CHECK(enabledState(dialog, step.id) != (step.count != 0), "%s: control %d greyed %d, expected %d", walk,
              step.id, !enabledState(dialog, step.id), step.count);
        break;
    case POWER:
        CHECK(g_log.powerStatusQueries == step.count, "%s: power status asked %ld times, expected %d", walk,
              g_log.powerStatusQueries, step.count);
        break;
    default:
        break;
    }
}

// Drives one dialog: checks what every opening shows, runs the steps, and
// waits for the dialog to go.
static DWORD WINAPI driveDialog(LPVOID)
{
    const char* walk = s_walkName;
    HWND dialog = waitForDialog();
    if (!CHECK(dialog != NULL, "%s: no dialog appeared", walk))
        return 0;
    char text[128];
    GetWindowTextA(dialog, text, sizeof text);
    CHECK(strcmp(text, "Nightfold") == 0, "%s: title [%s]", walk, text);
    GetDlgItemTextA(dialog, IDC_GROUP_CONFIG, text, sizeof text);
    CHECK(strcmp(text, "Nightfold v2.0 Configuration") == 0, "%s: label [%s]", walk, text);
    CHECK(GetWindow(dialog, GW_OWNER) == s_expectedOwner, "%s: owner %p, the foreground window was %p", walk,
          GetWindow(dialog, GW_OWNER), s_expectedOwner);

    const Step* step = s_dialogSteps;
    for (; !isHostStep(step->action); ++step)
        runDialogStep(dialog, *step);
    for (int i = 0; i < 500 && IsWindow(dialog); ++i)
        Sleep(10);
    if (!CHECK(!IsWindow(dialog), "%s: the dialog is still open", walk))
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    return 0;
}

static void openDialog(const Step* dialogSteps)
{
    s_dialogSteps = dialogSteps;
    s_configReturned = 0;
    // Another test's window in the foreground gives way to the player's.
    HWND front = GetForegroundWindow();
    DWORD process = 0;
    GetWindowThreadProcessId(front, &process);
    s_expectedOwner = process == GetCurrentProcessId() ? front : s_hostWindow;
    HANDLE driver = CreateThread(NULL, 0, driveDialog, NULL, 0, NULL);
    s_plugin.header->config();
    s_configReturned = 1;
    CHECK(WaitForSingleObject(driver, 15000) == WAIT_OBJECT_0, "%s: the driver hangs", s_walkName);
    CloseHandle(driver);
}

static void checkFile(const char* expected)
{
    std::string text = readWholeFile(s_iniPath);
    bool exists = GetFileAttributesA(s_iniPath) != INVALID_FILE_ATTRIBUTES;
    CHECK(expected ? exists && text == expected : !exists, "%s: settings file\n[%s]\nexpected\n[%s]", s_walkName,
          text.c_str(), expected ? expected : "(none)");
}

static void runWalk(const Walk& walk)
{
    s_walkName = walk.name;
    resetLog();
    DeleteFileA(s_iniPath);
    if (walk.settings && !CHECK(writeWholeFile(s_iniPath, walk.settings), "cannot write %s", s_iniPath))
        return;
    if (!loadFaked(s_dllPath, &s_plugin))
        return;
    for (const Step* step = walk.steps; step->action != END; ++step) {
        switch (step->action) {
        case OPEN:
            SetForegroundWindow(s_hostWindow);
            openDialog(step + 1);
            while (!isHostStep(step[1].action))
                ++step;
            break;
        case OPEN_FAILS: {
            void* real = patchImport(s_plugin.module, "USER32.dll", "DialogBoxParamA", (void*)failingDialogBox);
            s_plugin.header->config();
            patchImport(s_plugin.module, "USER32.dll", "DialogBoxParamA", real);
            break;
        }
        case FILE_IS:
            checkFile(step->text);
            break;
        case WORKERS:
            CHECK(g_log.threadsCreated == step->id, "%s: %ld workers started, expected %d", walk.name,
                  g_log.threadsCreated, step->id);
            break;
        case ARMING_FAILS: {
            LONG boxes = g_log.messageBoxes;
            g_fakes.setTimerFails = TRUE;
            // Without the plugin's reference: the fake gave it back.
            HANDLE worker = CreateThread(NULL, 0, g_log.workerStart, NULL, 0, NULL);
            CHECK(worker && WaitForSingleObject(worker, 5000) == WAIT_OBJECT_0 && g_log.messageBoxes == boxes + 1,
                  "%s: the worker does not fail", walk.name);
            CloseHandle(worker);
            g_fakes.setTimerFails = FALSE;
            break;
        }
        case NO_WINDOW_DATA:
            patchImport(s_plugin.module, "USER32.dll", "GetWindowLongA", (void*)noWindowData);
            break;
        case RESUME_ERROR:
            g_fakes.resumeError = step->id;
            break;
        case WAKE_TIMERS:
            g_fakes.wakeTimerPlan = LOOKUP_FAKE;
            g_fakes.wakeTimers = step->id;
            break;
        case RELOAD:
            stopPlugin();
            if (!loadFaked(s_dllPath, &s_plugin))
                return;
            break;
        default:
            break;
        }
    }
    stopPlugin();
}

// Resets the fakes: set them after this.
static bool prepareCase(const char* dllPath)
{
    resetFakes();
    g_fakes.threads = THREADS_NONE;
    s_hostThreadId = GetCurrentThreadId();
    snprintf(s_iniPath, sizeof s_iniPath, "%sgen_nightfold.ini", caseFolder());
    s_hostWindow = hostWindow();
    ShowWindow(s_hostWindow, SW_SHOW);
    return copyDllTo(dllPath, "gen_nightfold.dll", s_dllPath);
}

// The player's Preferences asking for the dialog (WM_APP to the host window).
static void configAgain(void)
{
    s_plugin.header->config();
}

static void runWalks(const char* dllPath, const Walk* walks, size_t count)
{
    if (!prepareCase(dllPath))
        return;
    g_onAppMessage = configAgain;
    for (size_t i = 0; i < count; ++i)
        runWalk(walks[i]);
}

#define RUN_WALKS(dllPath, walks) runWalks(dllPath, walks, sizeof walks / sizeof *walks)

// A settings file as the plugin writes it afresh: the evening's nine keys,
// then the morning's seven, then the evening's days and the idle minutes. SETTINGS_AT without
// a morning, SETTINGS without the options of "At the set time" either.
#define EVENING_AT(enabled, action, force, use24, hour, minute, fade, finish, notice)                  \
    "[Nightfold]\r\nEnabled=" enabled "\r\nShutdown=" action "\r\nForceAppsToClose=" force           \
    "\r\n24HourDisplay=" use24 "\r\nHour=" hour "\r\nMinute=" minute                                  \
    "\r\nFadeMinutes=" fade "\r\nFinishSong=" finish "\r\nNotice=" notice "\r\n"
#define MORNING_WITH(on, hour, minute, days, fade, volume, play)                                     \
    "Morning=" on "\r\nMorningHour=" hour "\r\nMorningMinute=" minute "\r\nMorningDays=" days          \
    "\r\nMorningFadeMinutes=" fade "\r\nMorningVolume=" volume "\r\nMorningPlay=" play "\r\n"
#define MORNING_AT(on, hour, minute, days, fade) MORNING_WITH(on, hour, minute, days, fade, "0", "")
#define DAYS_AT(days) "Days=" days "\r\nIdleMinutes=30\r\n"
#define SETTINGS_AT(enabled, action, force, use24, hour, minute, fade, finish, notice) \
    EVENING_AT(enabled, action, force, use24, hour, minute, fade, finish, notice) MORNING_AT("0", "0", "00", "127", "0") DAYS_AT("127")
#define SETTINGS(enabled, action, force, use24, hour, minute) \
    SETTINGS_AT(enabled, action, force, use24, hour, minute, "0", "0", "0")
#define EVENING_KEYS(enabled, action, force, use24, hour, minute) \
    EVENING_AT(enabled, action, force, use24, hour, minute, "0", "0", "0")

// ---- the time shown ----------------------------------------------------------------

// Hours and minutes in both forms, hand-edited ones included, and what OK
// saves for them.
static void testDialogHours(const char* dllPath)
{
    static const struct {
        const char* hour;
        const char* minute;
        const char* use24;
        const char* time;
        const char* savedHour;
        const char* savedMinute;
    } rows[] = {
        { "0", "00", "0", "12:00 AM", "0", "00" },     { "1", "01", "0", "1:01 AM", "1", "01" },
        { "12", "05", "0", "12:05 PM", "12", "05" },   { "13", "59", "0", "1:59 PM", "13", "59" },
        { "23", "30", "0", "11:30 PM", "23", "30" },   { "24", "00", "0", "12:00 PM", "12", "00" },
        { "65535", "00", "0", "-:00 PM", "12", "00" }, { "24", "00", "1", "-:00 24h", "0", "00" },
        { "5", "5", "1", "5:05 24h", "5", "05" },      { "5", "75", "1", "5:- 24h", "5", "" },
        { "5", "1000", "1", "5:- 24h", "5", "" },
    };
    if (!prepareCase(dllPath))
        return;
    for (const auto& row : rows) {
        char settings[512], saved[512], name[64];
        snprintf(settings, sizeof settings, SETTINGS("1", "1012", "0", "%s", "%s", "%s"), row.use24, row.hour,
                 row.minute);
        snprintf(saved, sizeof saved, SETTINGS("1", "1012", "0", "%s", "%s", "%s"), row.use24, row.savedHour,
                 row.savedMinute);
        snprintf(name, sizeof name, "%s:%s %s", row.hour, row.minute, row.use24[0] == '1' ? "24h" : "12h");
        const Step steps[] = {
            { OPEN }, { TIME, 0, row.time }, { CLICK, IDOK }, { FILE_IS, 0, saved }, { END },
        };
        runWalk({ name, settings, steps });
    }
}

// Switching between the 12-hour and the 24-hour form carries the hour
// across; OK saves it in 24-hour form.
static void testDialogHourSwitch(const char* dllPath)
{
    static const struct {
        const char* hour;
        const char* use24;
        int click;  // AM or PM first, or nothing
        const char* before;
        const char* after;
        const char* savedHour;
    } rows[] = {
        { "0", "0", 0, "12:00 AM", "0:00 24h", "0" },      { "12", "0", 0, "12:00 PM", "12:00 24h", "12" },
        { "7", "0", IDC_PM, "7:00 PM", "19:00 24h", "19" }, { "0", "1", 0, "0:00 24h", "12:00 AM", "0" },
        { "13", "1", 0, "13:00 24h", "1:00 PM", "13" },
    };
    if (!prepareCase(dllPath))
        return;
    for (const auto& row : rows) {
        char settings[512], saved[512], name[64];
        const char* savedUse24 = row.use24[0] == '1' ? "0" : "1";
        snprintf(settings, sizeof settings, SETTINGS("1", "1012", "0", "%s", "%s", "00"), row.use24, row.hour);
        snprintf(saved, sizeof saved, SETTINGS("1", "1012", "0", "%s", "%s", "00"), savedUse24, row.savedHour);
        snprintf(name, sizeof name, "switching from %s", row.before);
        const Step steps[] = {
            { OPEN },   { row.click ? CLICK : TIME, row.click, row.click ? NULL : row.before },
            { TIME, 0, row.before }, { CLICK, IDC_24HOUR }, { TIME, 0, row.after }, { CLICK, IDOK },
            { FILE_IS, 0, saved },   { END },
        };
        runWalk({ name, settings, steps });
    }

    // The hidden AM/PM buttons keep their check; in the 12-hour form OK
    // saves the shown hour with AM or PM.
    static const Step hidden[] = {
        { OPEN }, { CLICK, IDC_24HOUR }, { STATES, 0, "EEEOXX EXOOOo OOX" }, { CHOOSE, IDC_HOUR, "8" },
        { CLICK, IDC_24HOUR }, { TIME, 0, "8:00 AM" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "0", "0", "8", "00") },
        { OPEN }, { CHOOSE, IDC_HOUR, "12" }, { CLICK, IDC_PM }, { CHOOSE, IDC_MINUTE, "07" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "0", "0", "12", "07") },
        { OPEN }, { CLICK, IDC_AM }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "0", "0", "0", "07") },
        { END },
    };
    runWalk({ "AM/PM", SETTINGS("1", "1012", "0", "0", "19", "00"), hidden });
}

// ---- choices that enable and disable controls ------------------------------------

static void testDialogClicks(const char* dllPath)
{
    static const Step clicks[] = {
        { OPEN },
        { STATES, 0, "EEEXOO EOOXOX OOX" }, { POWER, 0, NULL, 1 }, { EVENING, 0, "EOeOO 5 minutes" },
        { CLICK, IDC_ACTION_STANDBY }, { STATES, 0, "EEEXOO EOXOOx OOX" },
        { CLICK, IDC_ACTION_REBOOT }, { STATES, 0, "EEEXOO EOOOXX OOX" },
        { CLICK, IDC_ACTION_NONE }, { STATES, 0, "EEEXOO EXOOOx OOX" },
        { CLICK, IDC_RUN_ONCE }, { STATES, 0, "EEEXOO EXOOOx OXO" }, { POWER, 0, NULL, 2 },
        { CLICK, IDC_ACTION_SHUTDOWN }, { STATES, 0, "EEEXOO EOOXOX OXO" },
        { CLICK, IDC_FADE }, { CLICK, IDC_NOTICE }, { EVENING, 0, "EXEOX 5 minutes" },
        { CLICK, IDC_PLUGIN_DISABLED }, { STATES, 0, "eeexoo eooxox XOO" }, { POWER, 0, NULL, 2 },
        { EVENING, 0, "exeox 5 minutes" },
        { CLICK, IDC_PLUGIN_ENABLED }, { STATES, 0, "EEEXOO EOOXOX OOX" }, { POWER, 0, NULL, 3 },
        { EVENING, 0, "EXEOX 5 minutes" }, { CLICK, IDC_FADE }, { EVENING, 0, "EOeOX 5 minutes" },
        { CLICK, IDC_FORCE }, { STATES, 0, "EEEXOO EOOXOO OOX" },
        { CLICK, IDC_ACTION_STANDBY }, { CLICK, IDC_RUN_ONCE }, { STATES, 0, "EEEXOO EOXOOo OXO" },
        { CLICK, IDC_ACTION_REBOOT }, { CLICK, IDC_PLUGIN_ENABLED }, { STATES, 0, "EEEXOO EOOOXO OOX" },
        { CLICK, IDCANCEL },
        { FILE_IS, 0, SETTINGS("1", "1013", "1", "0", "7", "30") }, { WORKERS, 1 },
        { END },
    };
    if (prepareCase(dllPath))
        runWalk({ "clicks", SETTINGS("1", "1013", "1", "0", "7", "30"), clicks });
}

// Without a power status only standby is greyed, and the status is asked
// each time the actions are switched on.
static void testDialogNoPower(const char* dllPath)
{
    static const Step noPower[] = {
        { OPEN },
        { POWER, 0, NULL, 1 }, { STATES, 0, "EEEOXO EOoXOO OOX" },
        { CLICK, IDC_PLUGIN_DISABLED }, { STATES, 0, "eeeoxo eooxoo XOO" }, { POWER, 0, NULL, 1 },
        { CLICK, IDC_RUN_ONCE }, { STATES, 0, "EEEOXO EOoXOO OXO" }, { POWER, 0, NULL, 2 },
        { CLICK, IDC_PLUGIN_ENABLED }, { STATES, 0, "EEEOXO EOoXOO OOX" }, { POWER, 0, NULL, 3 },
        { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1013", "0", "0", "21", "00") }, { WORKERS, 2 },
        { END },
    };
    // A stored standby loads as no action.
    static const Step storedStandby[] = {
        { OPEN }, { POWER, 0, NULL, 2 }, { STATES, 0, "EEEOXO EXoOOx OOX" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "1", "0", "21", "00") },
        { END },
    };
    // NT 4.0: no GetSystemPowerStatus at all.
    static const Step noFunction[] = {
        { OPEN }, { STATES, 0, "EEEOXO EXoOOx OOX" }, { POWER, 0, NULL, 0 }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "1", "0", "21", "00") },
        { END },
    };
    if (!prepareCase(dllPath))
        return;
    g_fakes.noPowerStatus = TRUE;
    runWalk({ "no power status", SETTINGS("1", "1013", "0", "0", "21", "00"), noPower });
    runWalk({ "stored standby", SETTINGS("1", "1015", "1", "0", "21", "00"), storedStandby });
    g_fakes.powerStatus = LOOKUP_MISSING;
    runWalk({ "no power status function", SETTINGS("1", "1015", "1", "0", "21", "00"), noFunction });
}

// Without the shutdown right the whole action box is greyed, whatever the
// plugin's state, and OK saves no action but keeps the force check.
static void testDialogNoShutdownRight(const char* dllPath)
{
    static const Step noRight[] = {
        { OPEN },
        { STATES, 0, "EEEOOX exooox OOX" }, { EVENING, 0, "EOeOO 5 minutes" },
        { CLICK, IDC_PLUGIN_DISABLED }, { STATES, 0, "eeeoox exooox XOO" },
        { CLICK, IDC_RUN_ONCE }, { STATES, 0, "EEEOOX exooox OXO" },
        { CLICK, IDC_PLUGIN_ENABLED }, { STATES, 0, "EEEOOX exooox OOX" },
        { POWER, 0, NULL, 0 }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "1", "1", "22", "15") },
        { END },
    };
    if (!CHECK(removeShutdownPrivilege(), "cannot remove the shutdown privilege") || !prepareCase(dllPath))
        return;
    runWalk({ "no shutdown right", SETTINGS("1", "1013", "1", "1", "22", "15"), noRight });
}

// ---- saving ---------------------------------------------------------------------

static void testDialogSaves(const char* dllPath)
{
    // The evening of the overview: a new file, keys in their order.
    static const Step newFile[] = {
        { OPEN },
        { CLICK, IDC_PLUGIN_ENABLED }, { CLICK, IDC_24HOUR }, { TIME, 0, "0:00 24h" },
        { CHOOSE, IDC_HOUR, "23" }, { CHOOSE, IDC_MINUTE, "30" }, { CLICK, IDC_ACTION_SHUTDOWN },
        { CLICK, IDC_FORCE }, { STATES, 0, "EEEXOX EOOXOX OOX" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1013", "1", "1", "23", "30") }, { WORKERS, 1 },
        { END },
    };
    // Disabled: the time, the action and the force check are kept.
    static const Step disabled[] = {
        { OPEN }, { CLICK, IDC_PLUGIN_DISABLED }, { STATES, 0, "eeeoxo eoooxx XOO" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("0", "1018", "1", "0", "18", "45") }, { WORKERS, 1 },
        { END },
    };
    // A force check greyed by standby stays and is saved.
    static const Step greyedForce[] = {
        { OPEN }, { CLICK, IDC_ACTION_STANDBY }, { STATES, 0, "EEEXOO EOXOOx OOX" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1015", "1", "0", "6", "00") }, { WORKERS, 2 },
        { END },
    };
    // Enter presses OK.
    static const Step enter[] = {
        { OPEN }, { CLICK, IDC_PLUGIN_ENABLED }, { CHOOSE, IDC_MINUTE, "20" }, { KEY, VK_RETURN },
        { FILE_IS, 0, SETTINGS("1", "1012", "0", "0", "9", "20") }, { WORKERS, 1 },
        { END },
    };
    // A fade began while the dialog was open: its volume is kept.
    static const Step duringFade[] = {
        { OPEN }, { FADE_BEGINS, 200 }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "0", "0", "9", "15") "FadeFrom=200\r\n" },
        { END },
    };
    // "At the set time" as loaded, and as the user changes it: a minute
    // count not in the list is kept, unchecking the fade stores 0.
    static const Step evening[] = {
        { OPEN }, { EVENING, 0, "EXEXX 10 minutes" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS_AT("1", "1012", "0", "0", "9", "15", "10", "1", "1") }, { END },
    };
    static const Step eveningKept[] = {
        { OPEN }, { EVENING, 0, "EXEOX -" }, { CLICK, IDC_FINISH_SONG }, { CLICK, IDC_NOTICE }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS_AT("1", "1012", "0", "0", "9", "15", "7", "1", "0") },
        { OPEN }, { CLICK, IDC_FADE }, { CLICK, IDC_PLUGIN_DISABLED }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS_AT("0", "1012", "0", "0", "9", "15", "0", "1", "0") }, { END },
    };
    static const Step eveningChosen[] = {
        { OPEN }, { CLICK, IDC_FADE }, { EVENING, 0, "EXEOO 5 minutes" }, { CHOOSE, IDC_FADE_MINUTES, "15 minutes" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS_AT("1", "1012", "0", "0", "9", "15", "15", "0", "0") }, { END },
    };
    // The morning as stored, as changed (the 24-hour box governs it too),
    // unticked with its values kept, and hand-edited.
#define NINE(use24) EVENING_KEYS("1", "1012", "0", use24, "9", "15")
#define OFF "A computer that is off cannot be woken."
    static const Step morning[] = {
        { OPEN }, { MORNING, 0, "XE 6:45 AM XXXXXOO 10 minutes []" }, { CLICK, IDC_24HOUR }, { CHOOSE, IDC_MORNING_HOUR, "19" },
        { CLICK, IDC_MORNING_DAY_FIRST }, { CLICK, IDC_MORNING_DAY_FIRST + 6 }, { CHOOSE, IDC_MORNING_VOLUME, "50 %" },
        { CHOOSE, IDC_MORNING_FADE_MINUTES, "2 minutes" }, { MORNING, 0, "XE 19:45 24h OXXXXOX 2 minutes []" }, { CLICK, IDOK },
        { FILE_IS, 0, NINE("1") MORNING_WITH("1", "19", "45", "94", "2", "50", "") DAYS_AT("127") },
        { OPEN }, { CLICK, IDC_MORNING }, { MORNING, 0, "Oe 19:45 24h OXXXXOX 2 minutes []" }, { CLICK, IDOK },
        { FILE_IS, 0, NINE("1") MORNING_WITH("0", "19", "45", "94", "2", "50", "") DAYS_AT("127") }, { END },
    };
    static const Step morningByHand[] = {
        { OPEN }, { MORNING, 0, "XE 12:- PM XXXXXXX - []" }, { CLICK, IDOK },
        { FILE_IS, 0, NINE("0") MORNING_WITH("1", "12", "", "127", "7", "15", "C:\\a.mp3") DAYS_AT("127") },
        { OPEN }, { CLICK, IDC_MORNING_PLAY_OWN }, { CLICK, IDOK },
        { FILE_IS, 0, NINE("0") MORNING_WITH("1", "12", "00", "127", "7", "15", "") DAYS_AT("127") }, { END },
    };
    // The line under the morning: an action that turns the computer off
    // wins over what Windows says, as the action is clicked.
    static const Step wakeNote[] = {
        { RESUME_ERROR, ERROR_NOT_SUPPORTED }, { OPEN }, { MORNING, 0, "Oe 12:00 AM XXXXXXX No fade [" OFF "]" },
        { CLICK, IDC_ACTION_STANDBY },
        { MORNING, 0, "Oe 12:00 AM XXXXXXX No fade [Windows does not wake this computer for the morning.]" },
        { CLICK, IDC_ACTION_REBOOT }, { MORNING, 0, "Oe 12:00 AM XXXXXXX No fade [" OFF "]" }, { CLICK, IDCANCEL },
        { RESUME_ERROR, 722 /* ERROR_TIMER_RESUME_IGNORED */ }, { OPEN }, { CLICK, IDC_ACTION_STANDBY },
        { MORNING, 0, "Oe 12:00 AM XXXXXXX No fade [Windows does not wake this computer for the morning.]" },
        { CLICK, IDCANCEL }, { RESUME_ERROR, 0 }, { WAKE_TIMERS, 2 }, { OPEN }, { CLICK, IDC_ACTION_STANDBY },
        { MORNING, 0, "Oe 12:00 AM XXXXXXX No fade [This power plan wakes the computer only for Windows' own timers.]" },
        { CLICK, IDCANCEL }, { END },
    };
    static const Walk walks[] = {
        { "new file", NULL, newFile },
        { "the morning", NINE("0") MORNING_AT("1", "6", "45", "31", "10"), morning },
        { "the morning, by hand", NINE("0") MORNING_WITH("1", "24", "75", "0", "7", "15", "C:\\a.mp3"), morningByHand },
        { "the line under the morning", SETTINGS("1", "1013", "0", "0", "9", "15"), wakeNote },
        { "at the set time", SETTINGS_AT("1", "1012", "0", "0", "9", "15", "10", "1", "1"), evening },
        { "at the set time, kept", SETTINGS_AT("1", "1012", "0", "0", "9", "15", "7", "0", "1"), eveningKept },
        { "at the set time, chosen", SETTINGS("1", "1012", "0", "0", "9", "15"), eveningChosen },
        { "disabled", SETTINGS("1", "1018", "1", "0", "18", "45"), disabled },
        { "greyed force", SETTINGS("1", "1013", "1", "0", "6", "00"), greyedForce },
        { "enter", SETTINGS("0", "1012", "0", "0", "9", "15"), enter },
        { "during a fade", SETTINGS("1", "1012", "0", "0", "9", "15"), duringFade },
    };
#undef NINE
#undef OFF
    RUN_WALKS(dllPath, walks);
}

// ---- several evenings and mornings ----------------------------------------------

// The lists of evenings and mornings: New copies the entry shown onto the
// free days, each entry keeps its edits while another is shown, Delete,
// Cancel keeps the file as it was, and New is greyed at eight.
static void testDialogEntries(const char* dllPath)
{
#define TWO_EVENINGS                                                                                 \
    EVENING_KEYS("1", "1013", "0", "0", "23", "30") MORNING_AT("0", "0", "00", "127", "0") DAYS_AT("31") \
    "Hour2=1\r\nMinute2=00\r\nDays2=96\r\nShutdown2=1012\r\n"
    static const Step copies[] = {
        { OPEN }, { ENTRIES, IDC_EVENING_LIST, "Mon–Fri 11:30 PM|" }, { CLICK, IDC_EVENING_NEW },
        { ENTRIES, IDC_EVENING_LIST, "Mon–Fri 11:30 PM|Sat, Sun 11:30 PM|" }, { TIME, 0, "11:30 PM" },
        { CLICK, IDOK },
        { FILE_IS, 0, EVENING_KEYS("1", "1013", "0", "0", "23", "30") MORNING_AT("0", "0", "00", "127", "0")
              DAYS_AT("31") "Hour2=23\r\nMinute2=30\r\nDays2=96\r\nShutdown2=1013\r\n" },
        { END },
    };
    static const Step switching[] = {
        { OPEN }, { CHOOSE, IDC_MINUTE, "45" }, { PICK, IDC_EVENING_LIST, nullptr, 1 }, { TIME, 0, "1:00 AM" },
        { CHOOSE, IDC_HOUR, "2" }, { PICK, IDC_EVENING_LIST, nullptr, 0 }, { TIME, 0, "11:45 PM" },
        { ENTRIES, IDC_EVENING_LIST, "Mon–Fri 11:45 PM|Sat, Sun 2:00 AM|" }, { CLICK, IDOK },
        { FILE_IS, 0, EVENING_KEYS("1", "1013", "0", "0", "23", "45") MORNING_AT("0", "0", "00", "127", "0")
              DAYS_AT("31") "Hour2=2\r\nMinute2=00\r\nDays2=96\r\nShutdown2=1012\r\n" },
        { END },
    };
    static const Step deletes[] = {
        { OPEN }, { GREYED, IDC_EVENING_DELETE, nullptr, 0 }, { CLICK, IDC_EVENING_DELETE }, { TIME, 0, "1:00 AM" },
        { GREYED, IDC_EVENING_DELETE, nullptr, 1 }, { CLICK, IDOK },
        { FILE_IS, 0, EVENING_KEYS("1", "1012", "0", "0", "1", "00") MORNING_AT("0", "0", "00", "127", "0")
              DAYS_AT("96") },
        { END },
    };
    static const Step cancels[] = {
        { OPEN }, { CLICK, IDC_EVENING_NEW }, { CHOOSE, IDC_MINUTE, "10" }, { PICK, IDC_EVENING_LIST, nullptr, 1 },
        { CLICK, IDC_MORNING_NEW }, { CLICK, IDCANCEL }, { FILE_IS, 0, TWO_EVENINGS }, { OPEN },
        { ENTRIES, IDC_EVENING_LIST, "Mon–Fri 11:30 PM|Sat, Sun 1:00 AM|" }, { CLICK, IDCANCEL }, { END },
    };
    static const Step eighth[] = {
        { OPEN }, { GREYED, IDC_MORNING_DELETE, nullptr, 1 }, { CLICK, IDC_MORNING_NEW }, { CLICK, IDC_MORNING_NEW },
        { CLICK, IDC_MORNING_NEW }, { CLICK, IDC_MORNING_NEW }, { CLICK, IDC_MORNING_NEW }, { CLICK, IDC_MORNING_NEW },
        { GREYED, IDC_MORNING_NEW, nullptr, 0 }, { CLICK, IDC_MORNING_NEW }, { GREYED, IDC_MORNING_NEW, nullptr, 1 },
        { GREYED, IDC_MORNING_DELETE, nullptr, 0 }, { CLICK, IDCANCEL }, { END },
    };
    static const Walk walks[] = {
        { "new copies the entry shown", EVENING_KEYS("1", "1013", "0", "0", "23", "30")
              MORNING_AT("0", "0", "00", "127", "0") DAYS_AT("31"), copies },
        { "switching keeps the edits", TWO_EVENINGS, switching },
        { "delete", TWO_EVENINGS, deletes },
        { "cancel discards all", TWO_EVENINGS, cancels },
        { "the eighth new is greyed", TWO_EVENINGS, eighth },
    };
#undef TWO_EVENINGS
    RUN_WALKS(dllPath, walks);
}

// Run once: saved as not enabled, armed at once, kept while the player runs
// and forgotten when it starts again.
static void testDialogRunOnce(const char* dllPath)
{
    static const Step runOnce[] = {
        { OPEN }, { CLICK, IDC_RUN_ONCE }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("0", "1012", "0", "0", "0", "00") }, { WORKERS, 1 },
        { OPEN }, { STATES, 0, "EEEXOO EXOOOo OXO" }, { CLICK, IDC_PLUGIN_DISABLED }, { CLOSE_BOX },
        { WORKERS, 1 },
        { OPEN }, { STATES, 0, "EEEXOO EXOOOo OXO" }, { CLICK, IDC_PLUGIN_ENABLED }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("1", "1012", "0", "0", "0", "00") }, { WORKERS, 2 },
        { OPEN }, { STATES, 0, "EEEXOO EXOOOo OOX" }, { CLICK, IDC_RUN_ONCE }, { CLICK, IDOK },
        { WORKERS, 3 },
        { OPEN }, { CLICK, IDC_PLUGIN_DISABLED }, { CLICK, IDOK }, { WORKERS, 3 },
        { OPEN }, { STATES, 0, "eeexoo exoooo XOO" }, { EVENING, 0, "eoeoo 5 minutes" }, { CLICK, IDC_RUN_ONCE },
        { EVENING, 0, "EOeOO 5 minutes" }, { CLICK, IDOK },
        { FILE_IS, 0, SETTINGS("0", "1012", "0", "0", "0", "00") }, { WORKERS, 4 },
        { RELOAD }, { WORKERS, 4 },
        { OPEN }, { STATES, 0, "eeexoo exoooo XOO" }, { CLICK, IDCANCEL },
        { END },
    };
    // An arming that fails disables the plugin, for this run only.
    static const Step failed[] = {
        { OPEN }, { CLICK, IDC_RUN_ONCE }, { CLICK, IDOK }, { ARMING_FAILS },
        { OPEN }, { STATES, 0, "eeexoo exoooo XOO" }, { CLICK, IDCANCEL },
        { OPEN }, { CLICK, IDC_PLUGIN_ENABLED }, { CLICK, IDOK }, { ARMING_FAILS },
        { OPEN }, { STATES, 0, "eeexoo exoooo XOO" }, { CLICK, IDCANCEL },
        { FILE_IS, 0, SETTINGS("1", "1012", "0", "0", "0", "00") },
        { END },
    };
    static const Walk walks[] = {
        { "run once", NULL, runOnce },
        { "arming fails", NULL, failed },
    };
    RUN_WALKS(dllPath, walks);
}

// Cancel, the close box, Escape, a dialog that cannot open and one that
// loses its record leave the file byte for byte as it was and the armed
// worker waiting.
static void testDialogLeaves(const char* dllPath)
{
    static const char byHand[] =
        "; set by hand\r\n[Other]\r\nx = 1\r\n\r\n[Nightfold]\r\nEnabled=1\r\nShutdown=1013\r\nHour=7\r\n";
#define CHANGE_THEN(...)                                                                                    \
    { OPEN }, { CLICK, IDC_24HOUR }, { CHOOSE, IDC_MINUTE, "45" }, { CLICK, IDC_PLUGIN_DISABLED }, __VA_ARGS__, \
        { FILE_IS, 0, byHand }, { WORKERS, 1 },                                                \
        { OPEN }, { TIME, 0, "7:00 AM" }, { STATES, 0, "EEEXOO EOOXOO OOX" }, { CLICK, IDCANCEL },      \
        { FILE_IS, 0, byHand }, { WORKERS, 1 }, { END }
    static const Step cancel[] = { CHANGE_THEN({ CLICK, IDCANCEL }) };
    static const Step closeBox[] = { CHANGE_THEN({ CLOSE_BOX }) };
    static const Step escape[] = { CHANGE_THEN({ KEY, VK_ESCAPE }) };
#undef CHANGE_THEN
    static const Step cannotOpen[] = {
        { OPEN_FAILS }, { FILE_IS, 0, byHand }, { WORKERS, 1 },
        { OPEN }, { STATES, 0, "EEEXOO EOOXOO OOX" }, { CLICK, IDCANCEL }, { END },
    };
    // A dialog that cannot read its record back shows it, then OK cancels.
    static const Step noRecord[] = {
        { NO_WINDOW_DATA }, { OPEN }, { STATES, 0, "EEEXOO EOOXOO OOX" }, { CLICK, IDC_ACTION_REBOOT },
        { CLICK, IDC_ACTION_NONE }, { CLICK, IDC_PLUGIN_DISABLED }, { CLICK, IDC_RUN_ONCE }, { CLICK, IDOK },
        { FILE_IS, 0, byHand }, { WORKERS, 1 }, { END },
    };
    static const Step askedAgain[] = {
        { OPEN }, { ASKED_AGAIN }, { CLICK, IDCANCEL }, { FILE_IS, 0, byHand }, { WORKERS, 1 }, { END },
    };
    static const Walk walks[] = {
        { "asked again", byHand, askedAgain },
        { "cancel", byHand, cancel },
        { "close box", byHand, closeBox },
        { "escape", byHand, escape },
        { "cannot open", byHand, cannotOpen },
        { "no window data", byHand, noRecord },
    };
    RUN_WALKS(dllPath, walks);
}

// ---- the picture -----------------------------------------------------------------

// Not tests: for `make screenshot`, open the dialog on a typical evening's
// and morning's settings (the weekend's evening chosen), the notice with
// its longest text, or the player's menu with the submenu open; write the
// screen rectangle it covers ("x y width height") to the file
// NIGHTFOLD_SHOT_RECT names (the dialog's "Morning" group to the one
// NIGHTFOLD_SHOT_PART names, before), and close it after
// NIGHTFOLD_SHOT_SECONDS (default 10) unless killed first.
static bool readEnvironment(const char* name, char* value, DWORD size)
{
    DWORD length = GetEnvironmentVariableA(name, value, size);
    return length > 0 && length < size;
}

// Reports where the picture stands in the file the variable names; returns
// how long to show it, in seconds.
static DWORD reportShot(RECT rect, const char* variable = "NIGHTFOLD_SHOT_RECT")
{
    char text[MAX_PATH];
    if (readEnvironment(variable, text, sizeof text)) {
        char line[64];
        snprintf(line, sizeof line, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
        CHECK(writeWholeFile(text, line), "cannot write %s", text);
    }
    return readEnvironment("NIGHTFOLD_SHOT_SECONDS", text, sizeof text) ? strtoul(text, NULL, 10) : 10;
}

static DWORD reportShot(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return reportShot(rect);
}

static DWORD WINAPI holdDialog(LPVOID)
{
    HWND dialog = waitForDialog();
    if (!CHECK(dialog != NULL, "no dialog appeared"))
        return 0;
    // The weekend's evening chosen, with the line that names its night.
    HWND evenings = GetDlgItem(dialog, IDC_EVENING_LIST);
    SendMessageA(evenings, LB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_EVENING_LIST, LBN_SELCHANGE), (LPARAM)evenings);
    // The group with a margin of the dialog's around it.
    RECT part = { 307, 82, 505, 264 };
    MapDialogRect(dialog, &part);
    MapWindowPoints(dialog, NULL, (POINT*)&part, 2);
    reportShot(part, "NIGHTFOLD_SHOT_PART");
    DWORD seconds = reportShot(dialog);
    for (DWORD i = 0; i < seconds * 10 && IsWindow(dialog); ++i)
        Sleep(100);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    return 0;
}

// In the language NIGHTFOLD_SHOT_LANGUAGE names, where it names one, in the
// 24-hour form its users start with.
static void showForScreenshot(const char* dllPath)
{
#define SHOT_SETTINGS(use24)                                                    \
    EVENING_AT("1", "1013", "1", use24, "23", "30", "10", "0", "1")            \
    MORNING_WITH("1", "6", "30", "31", "10", "50", "C:\\Music\\Morning.mp3")   \
    "Days=79\r\nHour2=1\r\nMinute2=00\r\nDays2=96\r\nShutdown2=1013\r\n"       \
    "Morning2=1\r\nMorningHour2=9\r\nMorningDays2=96\r\nMorning3=1\r\n"        \
    "MorningHour3=6\r\nMorningMinute3=40\r\nMorningDays3=31\r\n"
    char language[16];
    std::string settings = SHOT_SETTINGS("0");
    if (readEnvironment("NIGHTFOLD_SHOT_LANGUAGE", language, sizeof language))
        settings = SHOT_SETTINGS("1") "Language=" + std::string(language) + "\r\n";
    if (!prepareCase(dllPath) || !writeWholeFile(s_iniPath, settings) || !loadFaked(s_dllPath, &s_plugin))
        return;
    s_configReturned = 0;
    HANDLE holder = CreateThread(NULL, 0, holdDialog, NULL, 0, NULL);
    s_plugin.header->config();
    s_configReturned = 1;
    WaitForSingleObject(holder, 15000);
    stopPlugin();
}

static INT_PTR CALLBACK quietNotice(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The notice's template from the plugin, as the plugin fills and shows it.
static void showNoticeForScreenshot(const char* dllPath)
{
    if (!prepareCase(dllPath) || !loadFaked(s_dllPath, &s_plugin, false))
        return;
    HWND notice = CreateDialogParamA(s_plugin.module, MAKEINTRESOURCEA(IDD_NOTICE), NULL, quietNotice, 0);
    if (CHECK(notice != NULL, "no notice")) {
        SetDlgItemTextA(notice, IDC_NOTICE_TEXT,
                        "Winamp closes in 10:00, then the computer shuts down, closing programs without asking.");
        SetWindowPos(notice, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        pumpMessagesFor(reportShot(notice) * 1000);
        DestroyWindow(notice);
    }
    unloadPlugin(&s_plugin);
}

// The shown menus (the player's and the open submenu): their count, one of
// them, and the rectangle covering them.
struct MenuWindows {
    int count;
    HWND window;
    RECT rect;
};

static BOOL CALLBACK addMenuWindow(HWND window, LPARAM windows)
{
    MenuWindows* shown = (MenuWindows*)windows;
    char name[16];
    RECT rect;
    if (IsWindowVisible(window) && GetClassNameA(window, name, sizeof name) && !strcmp(name, "#32768") &&
        GetWindowRect(window, &rect)) {
        ++shown->count;
        shown->window = window;
        UnionRect(&shown->rect, &shown->rect, &rect);
    }
    return TRUE;
}

static MenuWindows shownMenus(void)
{
    MenuWindows shown = {};
    EnumWindows(addMenuWindow, (LPARAM)&shown);
    return shown;
}

// Up twice reaches Nightfold, just above Exit; Right opens it, selecting
// its status line, and Down moves on to the first choice (the greyed line
// cannot be read selected).
static DWORD WINAPI openNightfold(LPVOID)
{
    MenuWindows shown = {};
    for (int i = 0; i < 100 && (shown = shownMenus()).count < 1; ++i)
        Sleep(50);
    static const WPARAM keys[] = { VK_UP, VK_UP, VK_RIGHT, VK_DOWN, VK_DOWN };
    for (WPARAM key : keys)
        PostMessageA(shown.window, WM_KEYDOWN, key, 0);
    for (int i = 0; i < 100 && (shown = shownMenus()).count < 2; ++i)
        Sleep(50);
    if (CHECK(shown.count == 2, "%d menus shown", shown.count))
        Sleep(reportShot(shown.rect) * 1000);
    EndMenu();
    return 0;
}

// The player's menu, opened on the host window, with the submenu open on a
// song at 23:00, the set time at 23:30 with Standby/Hibernate and a morning
// at 7:00.
static void showMenuForScreenshot(const char* dllPath)
{
    resetFakes();
    g_fakes.now = localTime(2024, 6, 12, 23, 0);
    g_player = { 1, 60000, 240000, 200 };
    g_player.menu = MENU_WITH_IDS;
    LoadedPlugin plugin;
    if (!startPlugin(dllPath, "shot",
                     EVENING_KEYS("1", "1015", "0", "0", "23", "30") MORNING_AT("1", "7", "00", "127", "5"), &plugin))
        return;
    waitForCount(&g_log.timerSets, 1, 5000);
    waitForCount(&g_log.morningSets, 1, 5000);
    HWND window = hostWindow();
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    HANDLE opener = CreateThread(NULL, 0, openNightfold, NULL, 0, NULL);
    TrackPopupMenu(g_playerMenu, TPM_LEFTALIGN | TPM_TOPALIGN, 40, 140, 0, window, NULL);
    WaitForSingleObject(opener, 5000);
    plugin.header->quit();
    waitForWorkerEnd(2000);
    unloadPlugin(&plugin);
}

const TestCase g_dialogCases[] = {
    { "screenshot", showForScreenshot },
    { "screenshot_notice", showNoticeForScreenshot },
    { "screenshot_menu", showMenuForScreenshot },
    { "dialog_hours", testDialogHours },
    { "dialog_hour_switch", testDialogHourSwitch },
    { "dialog_clicks", testDialogClicks },
    { "dialog_no_power", testDialogNoPower },
    { "dialog_no_shutdown_right", testDialogNoShutdownRight },
    { "dialog_saves", testDialogSaves },
    { "dialog_run_once", testDialogRunOnce },
    { "dialog_leaves", testDialogLeaves },
    { "dialog_entries", testDialogEntries },
    { NULL, NULL },
};
