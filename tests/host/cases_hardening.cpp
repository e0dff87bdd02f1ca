// The plugin under hostile conditions: long install paths, the module
// loaded twice, settings files that no dialog ever wrote, and the dialog
// and the alarm driven hard.
#include "host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../../resources/resource.h"

// Copies the DLL to relative under the case folder and inits it with no
// worker started and a fresh log.
static bool initAt(const char* dllPath, const std::string& relative, LoadedPlugin* plugin)
{
    char path[MAX_PATH * 2];
    resetFakes();
    g_fakes.threads = THREADS_NONE;
    return copyDllTo(dllPath, relative.c_str(), path) && loadFaked(path, plugin);
}

static std::string iniFor(const std::string& module)
{
    return module.substr(0, module.rfind('.') + 1) + "ini";
}

// A path of exactly length characters: folder, then folders of up to 100
// characters, then a file name of at least 12 characters ending in tail.
static std::string pathOfLength(const std::string& folder, size_t length, const char* tail)
{
    std::string path = folder;
    while (length - path.size() > 100 + 12 + 1) {
        path += std::string(100, 'd');
        path += '\\';
    }
    path += std::string(length - path.size() - strlen(tail), 'n');
    return path + tail;
}

// ---- the module path near and beyond 260 characters -------------------------

static void testLongPaths(const char* dllPath)
{
    std::string folder = std::string(caseFolder()) + "long\\";
    static const struct {
        size_t length;     // of the module's full path
        const char* tail;  // how the file name ends
        bool named;        // the module's name can be had whole
        bool settings;     // the settings file's path fits in 260 bytes
    } rows[] = {
        { 200, ".dll", true, true },
        { 256, ".dll", true, true },  // the settings path is 256 characters
        { 257, ".x", true, true },    // ... 259, the longest that fits
        { 258, ".x", true, false },   // ... 260: one too many
        { 259, ".dll", true, true },  // the longest name that can be had
        { 259, ".dl", true, false },
        { 260, ".dll", false, false },  // the name reaches the buffer's end
        { 261, ".dll", false, false },  // the platform cuts it
        { 300, ".dll", false, false },
    };
    for (const auto& row : rows) {
        std::string module = pathOfLength(folder, row.length, row.tail);
        if (!CHECK(module.size() == row.length, "path of %u characters", (unsigned)module.size()))
            continue;
        std::string stem = module.substr(0, module.rfind('.') + 1);
        std::string iniPath = stem + "ini";
        // Settings that would arm the alarm, where they belong and where a
        // cut path would end.
        const char* armed = "[Nightfold]\r\nEnabled=1\r\n";
        writeWholeFile(iniPath.c_str(), armed);
        writeWholeFile(iniPath.substr(0, 259).c_str(), armed);
        writeWholeFile((stem.substr(0, 256) + "ini").c_str(), armed);
        LoadedPlugin plugin;
        if (initAt(dllPath, module.substr(strlen(caseFolder())), &plugin)) {
            const PlatformLog& log = g_log;
            const char* description = plugin.header->description;
            std::string base = module.substr(module.rfind('\\') + 1);
            std::string expected = std::string("Nightfold v2.0 [") + (row.named ? base : "") + "]";
            if (expected.size() > 63)
                expected.resize(63);
            CHECK(description && expected == description, "%u: description [%s]", (unsigned)row.length,
                  description ? description : "(null)");
            if (row.settings) {
                checkAllKeysRead(&log, iniPath.c_str(), module.c_str() + folder.size());
                CHECK(log.threadsCreated == 1, "%u: %ld workers", (unsigned)row.length, log.threadsCreated);
            } else {
                // Without its own settings path the plugin keeps its defaults:
                // it reads nothing, writes nothing and arms nothing.
                CHECK(log.readCount == 0, "%u: %d keys read, the first from %s", (unsigned)row.length,
                      log.readCount, log.readCount ? log.reads[0].file : "");
                CHECK(log.threadsCreated == 0, "%u: %ld workers", (unsigned)row.length, log.threadsCreated);
            }
            CHECK(log.writes == 0, "%u: %d writes", (unsigned)row.length, log.writes);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
    }
}

// ---- the module loaded twice under two names --------------------------------

static void testLoadedTwice(const char* dllPath)
{
    static const struct {
        const char* copyTo;
        const char* settings;
        int workers;
        UINT hour;
    } plugins[2] = {
        { "gen_alpha.dll", "[Nightfold]\r\nEnabled=1\r\nHour=7\r\n", 1, 7 },
        { "gen_beta.dll", "[Nightfold]\r\nEnabled=0\r\nHour=9\r\n", 0, 9 },
    };
    LoadedPlugin loaded[2] = {};
    for (int i = 0; i < 2; ++i) {
        std::string iniPath = iniFor(std::string(caseFolder()) + plugins[i].copyTo);
        if (!writeWholeFile(iniPath.c_str(), plugins[i].settings) || !initAt(dllPath, plugins[i].copyTo, &loaded[i]))
            return;
        checkAllKeysRead(&g_log, iniPath.c_str(), plugins[i].copyTo);
        CHECK(g_log.threadsCreated == plugins[i].workers, "%s: %ld workers", plugins[i].copyTo, g_log.threadsCreated);
        const ProfileRead* hour = findRead(&g_log, "Hour");
        CHECK(hour && hour->result == plugins[i].hour, "%s: Hour read as %u", plugins[i].copyTo, hour ? hour->result : 0);
    }
    CHECK(loaded[0].module != loaded[1].module, "both names give the same module");
    CHECK(loaded[0].header != loaded[1].header, "both modules share one header");
    for (int i = 1; i >= 0; --i) {
        std::string expected = std::string("Nightfold v2.0 [") + plugins[i].copyTo + "]";
        CHECK(loaded[i].header->description && expected == loaded[i].header->description,
              "%s: description [%s]", plugins[i].copyTo, loaded[i].header->description);
        loaded[i].header->quit();
        unloadPlugin(&loaded[i]);
    }
}

// ---- hostile settings files --------------------------------------------------

static std::string repeat(const char* text, size_t count)
{
    std::string out;
    while (count--)
        out += text;
    return out;
}

// Bytes that are no text at all, the same every run.
static std::string noise(size_t length)
{
    std::string out;
    unsigned state = 12345;
    while (out.size() < length) {
        state = state * 1103515245 + 12345;
        out += (char)(state >> 16);
    }
    return out;
}

static std::string utf16(const char* ascii)
{
    std::string out = "\xff\xfe";
    for (; *ascii; ++ascii) {
        out += *ascii;
        out += '\0';
    }
    return out;
}

struct HostileFile {
    const char* name;
    std::string bytes;
    bool armed;       // the alarm is armed at init
    bool powerAsked;  // the stored action needed the power status
    int volume = -1;  // the player's volume init gives back (FadeFrom, then removed); -1 none
};

static const char NUL_BYTES[] = "[Nightfold]\r\nEnabled=1\0\0\0\r\nHour=2\0" "3\r\nMinute=\0\r\n";

static const HostileFile* hostileFiles(int* count)
{
    static const std::string line64k = std::string(65536, '7');
    static const HostileFile files[] = {
        { "no file", "", false, false },
        { "enabled", "[Nightfold]\r\nEnabled=1\r\n", true, false },
        { "leading zero", "[Nightfold]\r\nEnabled=05\r\n", true, false },
        { "disabled", "[Nightfold]\r\nEnabled=0\r\n", false, false },
        { "blank", "[Nightfold]\r\nEnabled=\r\n", false, false },
        { "standby", "[Nightfold]\r\nShutdown=1015\r\n", false, true },
        { "shutdown", "[Nightfold]\r\nShutdown=1013\r\n", false, false },
        { "unknown action", "[Nightfold]\r\nShutdown=1014\r\n", false, false },
        { "all set", "[Nightfold]\r\nEnabled=1\r\nShutdown=1015\r\nHour=23\r\nMinute=59\r\n", true, true },
        { "huge",
          "[Nightfold]\r\nEnabled=4294967296\r\n24HourDisplay=99999999999999999999\r\nShutdown=4294968309\r\n"
          "ForceAppsToClose=18446744073709551616\r\nHour=4294967295\r\nMinute=65595\r\n",
          false, false },
        { "negative",
          "[Nightfold]\r\nEnabled=-1\r\n24HourDisplay=-0\r\nShutdown=-1013\r\nForceAppsToClose=-2147483648\r\n"
          "Hour=-1\r\nMinute=-59\r\n",
          true, false },
        { "hexadecimal",
          "[Nightfold]\r\nEnabled=0x0\r\n24HourDisplay=0x1\r\nShutdown=0x3F7\r\nForceAppsToClose=0X10\r\n"
          "Hour=0x17\r\nMinute=0x3b\r\n",
          false, true },
        { "signed",
          "[Nightfold]\r\nEnabled=+1\r\n24HourDisplay=+0\r\nShutdown=+1015\r\nForceAppsToClose= +1\r\n"
          "Hour=+23\r\nMinute=-+5\r\n",
          true, true },
        { "garbage",
          "[Nightfold]\r\nEnabled=yes\r\n24HourDisplay=true\r\nShutdown=shutdown\r\nForceAppsToClose=on\r\n"
          "Hour=11pm\r\nMinute=half past\r\n",
          false, false },
        { "digits then garbage",
          "[Nightfold]\r\nEnabled=1x\r\n24HourDisplay=1 ; comment\r\nShutdown=1015abc\r\nForceAppsToClose=1.5\r\n"
          "Hour=23:30\r\nMinute=05\r\n",
          true, true },
        { "quoted and blank",
          "[Nightfold]\r\nEnabled=\"1\"\r\n24HourDisplay=\r\nShutdown=   \r\nForceAppsToClose='1'\r\n"
          "Hour=\t23\t\r\nMinute\r\n",
          true, false },
        { "binary", noise(4096), false, false },
        { "binary around the section",
          noise(300) + "\r\n[Nightfold]\r\nEnabled=1\r\nHour=\x01\x02\x03\r\nMinute=\xff\xfe\r\n" + noise(300),
          true, false },
        { "nul bytes",
          std::string(NUL_BYTES, sizeof NUL_BYTES - 1), true, false },
        { "utf-16 with byte-order mark", utf16("[Nightfold]\r\nEnabled=1\r\nShutdown=1013\r\nHour=21\r\n"), true,
          false },
        { "lone byte-order mark", "\xff\xfe", false, false },
        { "utf-8 byte-order mark", "\xef\xbb\xbf[Nightfold]\r\nEnabled=1\r\n", true, false },
        { "64 KiB value", "[Nightfold]\r\nEnabled=1\r\nHour=" + line64k + "\r\nMinute=30\r\n", true, false },
        { "64 KiB key", "[Nightfold]\r\n" + line64k + "=1\r\nEnabled=1\r\nMinute=30\r\n", true, false },
        { "64 KiB line without =", "[Nightfold]\r\n" + line64k + "\r\nEnabled=1\r\n", true, false },
        { "64 KiB section name", "[" + line64k + "]\r\nEnabled=1\r\n[Nightfold]\r\nHour=4\r\n", false, false },
        { "many lines", "[Nightfold]\r\n" + repeat("Filler=0\r\n", 20000) + "Enabled=1\r\n", true, false },
        { "duplicated sections",
          "[Nightfold]\r\nEnabled=0\r\nHour=5\r\n[Other]\r\nEnabled=1\r\n[Nightfold]\r\nEnabled=1\r\nHour=7\r\n"
          "Minute=8\r\n",
          false, false },
        { "duplicated keys", "[Nightfold]\r\nEnabled=1\r\nEnabled=0\r\nHour=5\r\nHour=6\r\n", true, false },
        { "missing section", "Enabled=1\r\nShutdown=1015\r\nHour=5\r\n", false, false },
        { "another section", "[Nightfold v2.0]\r\nEnabled=1\r\n[Winamp]\r\nEnabled=1\r\n", false, false },
        { "keys in another case",
          "[NIGHTFOLD]\r\nENABLED=1\r\n24hourdisplay=1\r\nshutdown=1015\r\nforceappstoclose=1\r\nHOUR=23\r\n"
          "mInUtE=59\r\n",
          true, true },
        { "blanks around names", "  [ Nightfold ]  \r\n  Enabled  =  1  \r\n\tHour\t=\t6\r\n", true, false },
        { "unix line ends", "[Nightfold]\nEnabled=1\nShutdown=1015\nHour=22\n", true, true },
        { "old mac line ends", "[Nightfold]\rEnabled=1\rHour=22\r", true, false },
        { "no line end", "[Nightfold]\r\nEnabled=1", true, false },
        { "unterminated section", "[Nightfold\r\nEnabled=1\r\n", false, false },
        { "empty", "", false, false },
        { "at the set time", "[Nightfold]\r\nFadeMinutes=60\r\nFinishSong=2\r\nNotice=1\r\n", false, false },
        // A fade the player did not live to see the end of.
        { "fade from 180", "[Nightfold]\r\nEnabled=1\r\nFadeFrom=180\r\n", true, false, 180 },
        { "fade from 0", "[Nightfold]\r\nFadeFrom=0\r\n", false, false, 0 },
        { "fade from 256", "[Nightfold]\r\nFadeFrom=256\r\n", false, false },
    };
    *count = sizeof files / sizeof *files;
    return files;
}

// What the plugin makes of the six values that the platform read: the
// worker starts when Enabled is non-zero, and the power status is asked only

// What the plugin makes of the six values that the platform read: the
// worker starts when Enabled is non-zero, and the power status is asked only
// for a stored 1015.
static void checkDecisions(const PlatformLog* log, const char* what)
{
    const ProfileRead* enabled = findRead(log, "Enabled");
    const ProfileRead* shutdown = findRead(log, "Shutdown");
    if (!CHECK(enabled && shutdown, "%s: Enabled or Shutdown not read", what))
        return;
    CHECK(log->threadsCreated == (enabled->result != 0), "%s: Enabled read as %u, %ld workers", what,
          enabled->result, log->threadsCreated);
    CHECK(log->powerStatusQueries == (shutdown->result == 1015), "%s: Shutdown read as %u, power asked %ld times",
          what, shutdown->result, log->powerStatusQueries);
}

// Each file beside a module of its own: nothing the platform remembers of
// one file carries over to the next. Gives the settings path.
static bool initOver(const char* dllPath, const char* folder, int i, const HostileFile& file, LoadedPlugin* plugin,
                     std::string* iniPath)
{
    char relative[64];
    snprintf(relative, sizeof relative, "%s%02d\\gen_nightfold.dll", folder, i);
    *iniPath = iniFor(std::string(caseFolder()) + relative);
    if (strcmp(file.name, "no file") != 0 &&
        !CHECK(writeWholeFile(iniPath->c_str(), file.bytes), "%s: cannot write the file", file.name))
        return false;
    return initAt(dllPath, relative, plugin);
}

static void testHostileFiles(const char* dllPath)
{
    int count;
    const HostileFile* files = hostileFiles(&count);
    for (int i = 0; i < count; ++i) {
        const HostileFile& file = files[i];
        LoadedPlugin plugin;
        std::string iniPath;
        g_hostLog = HostWindowLog();
        if (initOver(dllPath, "hostile", i, file, &plugin, &iniPath)) {
            checkAllKeysRead(&g_log, iniPath.c_str(), file.name);
            checkDecisions(&g_log, file.name);
            CHECK(g_log.threadsCreated == file.armed, "%s: %ld workers", file.name, g_log.threadsCreated);
            CHECK((g_log.powerStatusQueries > 0) == file.powerAsked, "%s: power asked %ld times", file.name,
                  g_log.powerStatusQueries);
            bool given = file.volume >= 0;
            CHECK(g_hostLog.volumeSets == given && (!given || (int)g_hostLog.lastVolume == file.volume),
                  "%s: volume set %d times, last to %u", file.name, g_hostLog.volumeSets,
                  (unsigned)g_hostLog.lastVolume);
            CHECK(g_log.writes == given, "%s: %d writes", file.name, g_log.writes);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
        if (file.volume < 0)
            CHECK(readWholeFile(iniPath.c_str()) == file.bytes, "%s: the file changed", file.name);
        else
            CHECK((int)GetPrivateProfileIntA("Nightfold", "FadeFrom", -1, iniPath.c_str()) == -1,
                  "%s: FadeFrom is still there", file.name);
    }
}

// Where the file should be there is a folder, or a file that no one may
// write: reading still gives the defaults or what the file holds.
static void testUnusableFiles(const char* dllPath)
{
    std::string iniPath = std::string(caseFolder()) + "folder\\gen_nightfold.ini";
    writeWholeFile((iniPath + "\\Nightfold").c_str(), "[Nightfold]\r\nEnabled=1\r\n");
    LoadedPlugin plugin;
    if (initAt(dllPath, "folder\\gen_nightfold.dll", &plugin)) {
        checkAllKeysRead(&g_log, iniPath.c_str(), "folder");
        for (int i = 0; i < KEY_COUNT; ++i) {
            const ProfileRead* read = findRead(&g_log, KEYS[i]);
            CHECK(read && read->result == (UINT)FALLBACKS[i], "folder: %s read as %u", KEYS[i], read ? read->result : 0);
        }
        CHECK(g_log.threadsCreated == 0, "folder: %ld workers", g_log.threadsCreated);
        plugin.header->quit();
    }
    unloadPlugin(&plugin);

    iniPath = std::string(caseFolder()) + "locked\\gen_nightfold.ini";
    const char* text = "[Nightfold]\r\nEnabled=1\r\nShutdown=1013\r\nHour=21\r\nMinute=45\r\n";
    writeWholeFile(iniPath.c_str(), text);
    SetFileAttributesA(iniPath.c_str(), FILE_ATTRIBUTE_READONLY);
    // Wine as root writes read-only files; a handle that shares no writing
    // makes every write fail.
    HANDLE lock = CreateFileA(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    CHECK(!WritePrivateProfileStringA("Nightfold", "Probe", "1", iniPath.c_str()),
          "the held file can still be written");
    if (initAt(dllPath, "locked\\gen_nightfold.dll", &plugin)) {
        checkAllKeysRead(&g_log, iniPath.c_str(), "locked");
        checkDecisions(&g_log, "locked");
        const ProfileRead* hour = findRead(&g_log, "Hour");
        CHECK(hour && hour->result == 21, "locked: Hour read as %u", hour ? hour->result : 0);
        plugin.header->quit();
    }
    unloadPlugin(&plugin);
    CloseHandle(lock);
    SetFileAttributesA(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK(readWholeFile(iniPath.c_str()) == text, "locked: the file changed");
}

// ---- driving the configuration dialog ----------------------------------------
//
// The plugin's DialogBoxParamA is passed through with the plugin's own
// dialog procedure wrapped: once the dialog has opened, the wrapper reads
// what it shows and plays the plan below with the clicks a user would make.

struct DialogView {
    int pluginButton;  // the checked one of the plugin group, or 0
    int actionButton;  // the checked one of the action group, or 0
    bool force, forceEnabled, use24, am, pm;
    int hourItem;  // selected index, -1 for none
    char hourText[8];
    int minuteItem;
    char minuteText[8];
};

struct DialogPlan {
    int pluginButton;  // 0: leave as shown
    int actionButton;  // 0: leave
    int use24;         // -1: leave
    int hour;          // 24-hour value to select, -1: leave
    int minute;        // -1: leave
    bool ok;           // OK, else Cancel
    void (*beforeClosing)(HWND dialog);
};

static const int PLUGIN_BUTTONS[] = { 1020, 1010, 1002 };  // disabled, run once, enabled
static const int ACTION_BUTTONS[] = { 1012, 1013, 1015, 1018 };
static const UINT WM_DRIVE = WM_APP + 77;

static DialogPlan s_plan;
static DialogView s_view;
static int s_dialogsOpened, s_dialogsDriven;
static DLGPROC s_pluginProc;
static INT_PTR(WINAPI* s_realDialogBoxParam)(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM);

static int checkedOf(HWND dialog, const int* ids, int count)
{
    for (int i = 0; i < count; ++i) {
        if (buttonChecked(dialog, ids[i]))
            return ids[i];
    }
    return 0;
}

static DialogView readView(HWND dialog)
{
    DialogView view = {};
    view.pluginButton = checkedOf(dialog, PLUGIN_BUTTONS, 3);
    view.actionButton = checkedOf(dialog, ACTION_BUTTONS, 4);
    view.force = buttonChecked(dialog, IDC_FORCE);
    view.forceEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_FORCE));
    view.use24 = buttonChecked(dialog, IDC_24HOUR);
    view.am = buttonChecked(dialog, IDC_AM);
    view.pm = buttonChecked(dialog, IDC_PM);
    view.hourItem = (int)SendDlgItemMessageA(dialog, IDC_HOUR, CB_GETCURSEL, 0, 0);
    GetDlgItemTextA(dialog, IDC_HOUR, view.hourText, sizeof view.hourText);
    view.minuteItem = (int)SendDlgItemMessageA(dialog, IDC_MINUTE, CB_GETCURSEL, 0, 0);
    GetDlgItemTextA(dialog, IDC_MINUTE, view.minuteText, sizeof view.minuteText);
    return view;
}

// What a click on an automatic button does: the check moves (within its
// group for a radio button, a toggle for a check box), then the dialog is
// told.
static void click(HWND dialog, int id, const int* group, int groupSize)
{
    if (group) {
        for (int i = 0; i < groupSize; ++i)
            SendDlgItemMessageA(dialog, group[i], BM_SETCHECK, group[i] == id, 0);
    } else {
        SendDlgItemMessageA(dialog, id, BM_SETCHECK, !buttonChecked(dialog, id), 0);
    }
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

static void playPlan(HWND dialog)
{
    ++s_dialogsDriven;
    s_view = readView(dialog);
    const DialogPlan& plan = s_plan;
    // As a user would: switch the schedule on, set it, then choose.
    if (plan.pluginButton)
        click(dialog, 1002, PLUGIN_BUTTONS, 3);
    if (plan.actionButton)
        click(dialog, plan.actionButton, ACTION_BUTTONS, 4);
    if (plan.use24 >= 0 && buttonChecked(dialog, IDC_24HOUR) != (plan.use24 != 0))
        click(dialog, IDC_24HOUR, NULL, 0);
    if (plan.hour >= 0) {
        if (buttonChecked(dialog, IDC_24HOUR)) {
            SendDlgItemMessageA(dialog, IDC_HOUR, CB_SETCURSEL, plan.hour, 0);
        } else {
            int shown = plan.hour % 12 == 0 ? 12 : plan.hour % 12;
            SendDlgItemMessageA(dialog, IDC_HOUR, CB_SETCURSEL, shown - 1, 0);
            static const int halves[] = { IDC_AM, IDC_PM };
            click(dialog, plan.hour < 12 ? IDC_AM : IDC_PM, halves, 2);
        }
    }
    if (plan.minute >= 0)
        SendDlgItemMessageA(dialog, IDC_MINUTE, CB_SETCURSEL, plan.minute, 0);
    if (plan.pluginButton)
        click(dialog, plan.pluginButton, PLUGIN_BUTTONS, 3);
    if (plan.beforeClosing)
        plan.beforeClosing(dialog);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(plan.ok ? IDOK : IDCANCEL, BN_CLICKED), 0);
}

static INT_PTR CALLBACK driverProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRIVE) {
        playPlan(dialog);
        return TRUE;
    }
    INT_PTR result = s_pluginProc(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG)
        PostMessageA(dialog, WM_DRIVE, 0, 0);
    return result;
}

static INT_PTR WINAPI driveDialogBoxParam(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param)
{
    ++s_dialogsOpened;
    s_pluginProc = proc;
    return s_realDialogBoxParam(instance, name, owner, driverProc, param);
}

static bool patchDialogDriver(LoadedPlugin* plugin)
{
    s_realDialogBoxParam = (INT_PTR(WINAPI*)(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM))patchImport(
        plugin->module, "USER32.dll", "DialogBoxParamA", (void*)driveDialogBoxParam);
    return s_realDialogBoxParam != NULL;
}

// Opens the dialog through config with the plan played in it.
static void configWith(LoadedPlugin* plugin, const DialogPlan& plan)
{
    s_plan = plan;
    int driven = s_dialogsDriven;
    plugin->header->config();
    CHECK(s_dialogsDriven == driven + 1, "the dialog did not open");
}

static const DialogPlan LEAVE_AS_SHOWN = { 0, 0, -1, -1, -1, true, NULL };
// ---- the dialog over hostile settings files -----------------------------------

// What the dialog must show for the six values the platform read, by the
// loading rules and the hour picker's.
static void checkShown(const PlatformLog* log, const DialogView& view, const char* what)
{
    UINT values[6] = {};
    for (int i = 0; i < 6; ++i) {
        const ProfileRead* read = findRead(log, KEYS[i]);
        values[i] = read ? read->result : (UINT)FALLBACKS[i];
    }
    bool enabled = values[0] != 0;
    // A missing 24HourDisplay (read as -1) takes the regional format's form:
    // the prefix's English (United States) writes 12 hours.
    bool use24 = values[1] != 0 && values[1] != 0xFFFFFFFFu;
    int action = values[2] == 1013 || values[2] == 1018 || values[2] == 1015 ? (int)values[2] : 1012;
    if (action == 1015 && log->powerStatusQueries == 0)
        action = 1012;
    bool force = values[3] != 0;
    unsigned hour = values[4] & 0xFFFF, minute = values[5] & 0xFFFF;

    CHECK(view.pluginButton == (enabled ? 1002 : 1020), "%s: plugin button %d", what, view.pluginButton);
    CHECK(view.actionButton == action, "%s: action button %d, expected %d", what, view.actionButton, action);
    CHECK(view.force == force, "%s: force %d", what, view.force);
    CHECK(view.forceEnabled == (enabled && (action == 1013 || action == 1018)), "%s: force enabled %d", what,
          view.forceEnabled);
    CHECK(view.use24 == use24, "%s: 24-hour form %d", what, view.use24);
    char hourText[16] = "";
    if (use24) {
        if (hour <= 23)
            snprintf(hourText, sizeof hourText, "%u", hour);
    } else {
        unsigned shown = hour == 0 ? 12 : hour <= 12 ? hour : hour - 12;
        if (shown <= 12)
            snprintf(hourText, sizeof hourText, "%u", shown);
        CHECK(view.am == (hour < 12) && view.pm == (hour >= 12), "%s: hour %u shown with AM %d PM %d", what, hour,
              view.am, view.pm);
    }
    CHECK(strcmp(view.hourText, hourText) == 0 && (view.hourItem >= 0) == (hourText[0] != 0),
          "%s: hour %u shows [%s] (item %d), expected [%s]", what, hour, view.hourText, view.hourItem, hourText);
    char minuteText[16] = "";
    if (minute <= 59)
        snprintf(minuteText, sizeof minuteText, "%02u", minute);
    CHECK(strcmp(view.minuteText, minuteText) == 0 && view.minuteItem == (minute <= 59 ? (int)minute : -1),
          "%s: minute %u shows [%s], expected [%s]", what, minute, view.minuteText, minuteText);
}

// The values OK stores for what the dialog showed, and for the options of
// "At the set time" as loaded at init, as the next load reads them.
static void expectedAfterOk(const DialogView& view, const PlatformLog* atInit, UINT* values)
{
    values[0] = view.pluginButton == 1002;
    values[1] = view.use24;
    values[2] = view.actionButton == 1013 || view.actionButton == 1015 || view.actionButton == 1018
                    ? view.actionButton
                    : 1012;
    values[3] = view.force;
    unsigned shown = view.hourItem >= 0 ? (unsigned)atoi(view.hourText) : 0;
    if (view.use24)
        values[4] = shown;
    else
        values[4] = (shown == 12 ? 0 : shown) + (view.pm ? 12 : 0);
    values[5] = view.minuteItem >= 0 ? (UINT)view.minuteItem : 0;  // an empty Minute reads as its default
    for (int i = 6; i < 9; ++i) {
        const ProfileRead* read = findRead(atInit, KEYS[i]);
        UINT stored = read ? read->result : 0;
        values[i] = i == 6 ? (stored <= 60 ? stored : 0) : stored != 0;
    }
    // None of these files holds the morning's keys, the evening's days or
    // IdleMinutes: the dialog shows no morning at 12:00 AM on every day
    // without a fade, an evening on every day, 30 idle minutes, and OK
    // stores that.
    static const UINT morning[] = { 0, 0, 0, 127, 0, 0, 127, 30 };
    for (int i = 9; i < KEY_COUNT; ++i)
        values[i] = morning[i - 9];
}

static void checkReadAgain(const PlatformLog* log, const UINT* values, const char* what)
{
    for (int i = 0; i < KEY_COUNT; ++i) {
        const ProfileRead* read = findRead(log, KEYS[i]);
        CHECK(read && read->result == values[i], "%s: after OK %s reads %u, expected %u", what, KEYS[i],
              read ? read->result : 0, values[i]);
    }
}


static void testHostileDialog(const char* dllPath)
{
    static PlatformLog atInit;
    int count;
    const HostileFile* files = hostileFiles(&count);
    for (int i = 0; i < count; ++i) {
        const HostileFile& file = files[i];
        LoadedPlugin plugin;
        std::string iniPath;
        if (initOver(dllPath, "dialog", i, file, &plugin, &iniPath) && patchDialogDriver(&plugin)) {
            // What config reads (the reload after OK) is logged afresh.
            atInit = g_log;
            resetLog();
            configWith(&plugin, LEAVE_AS_SHOWN);
            checkShown(&atInit, s_view, file.name);
            UINT expected[KEY_COUNT];
            expectedAfterOk(s_view, &atInit, expected);
            checkReadAgain(&g_log, expected, file.name);
            CHECK(g_log.writes == 1, "%s: %d writes", file.name, g_log.writes);
            CHECK(g_log.threadsCreated == (LONG)expected[0], "%s: %ld workers after OK", file.name,
                  g_log.threadsCreated);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
    }
}

// ---- the clock, the timer and the host window ------------------------------
static ULONGLONG localToUtc(const SYSTEMTIME& local)
{
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return fileTimeValue(utc);
}

static SYSTEMTIME shifted(const SYSTEMTIME& time, LONGLONG seconds)
{
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    ULONGLONG value = fileTimeValue(file) + seconds * 10000000LL;
    file.dwLowDateTime = (DWORD)value;
    file.dwHighDateTime = (DWORD)(value >> 32);
    SYSTEMTIME out;
    FileTimeToSystemTime(&file, &out);
    return out;
}

// The due time a worker started at now arms for hour:minute.
static ULONGLONG expectedDue(const SYSTEMTIME& now, int hour, int minute)
{
    SYSTEMTIME target = now;
    target.wHour = (WORD)hour;
    target.wMinute = (WORD)minute;
    target.wSecond = 0;
    if (hour * 3600 + minute * 60 <= now.wHour * 3600 + now.wMinute * 60 + now.wSecond)
        target = shifted(target, 86400);
    return localToUtc(target);
}

// Waits until the timer has been armed `total` times in all. Every worker
// arms once, so this is the worker started last reading the clock, and not
// one it replaced that armed late (a worker is terminated only once it has
// armed and waits).
static bool waitUntilArmed(LONG total)
{
    DWORD waited = GetTickCount();
    while (g_log.timerSets < total && GetTickCount() - waited < 5000)
        Sleep(1);
    return CHECK(g_log.timerSets >= total, "%ld of %ld workers armed the timer", g_log.timerSets, total);
}

// Loads the plugin under name with the dialog driven, the clock faked and
// the real timer armed for the due time asked.
static bool loadDriven(const char* dllPath, const char* name, const char* settings, LoadedPlugin* plugin)
{
    char path[MAX_PATH * 2];
    resetFakes();
    g_fakes.armAsAsked = TRUE;
    g_hostLog = HostWindowLog();
    return copyDllTo(dllPath, name, path) && (!settings || writeWholeFile(iniFor(path).c_str(), settings)) &&
           loadFaked(path, plugin, false) && patchDialogDriver(plugin);
}

// ---- OK where the settings cannot be written ---------------------------------

// The warning for settings that could not be saved in iniPath, with the
// system's words for error.
static std::string notSavedText(const std::string& iniPath, DWORD error)
{
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, reason, sizeof reason,
                   NULL);
    return "Nightfold could not save your settings in\n" + iniPath + "\n\n" + reason +
           "\nThey apply until Winamp closes. To keep them, make that file writable, or run Winamp once with the "
           "right to write to its folder.";
}

// The choice is armed for this run whether or not it could be saved, and
// a single warning says which file could not be written and why; a file
// that can be made is made with exactly the settings' keys, without a
// warning. A save never leaves a file that arms something not chosen.
static void testUnwritableDialog(const char* dllPath)
{
#define SAVED(force)                                                                                           \
    "[Nightfold]\r\nEnabled=1\r\nShutdown=1018\r\nForceAppsToClose=" force "\r\n24HourDisplay=1\r\nHour=23\r\n" \
    "Minute=05\r\nFadeMinutes=0\r\nFinishSong=0\r\nNotice=0\r\nMorning=0\r\nMorningHour=0\r\nMorningMinute=00\r\n" \
    "MorningDays=127\r\nMorningFadeMinutes=0\r\nMorningVolume=0\r\nMorningPlay=\r\nDays=127\r\nIdleMinutes=30\r\n"
    static const struct {
        const char* name;
        const char* text;  // NULL: a folder stands where the file should be; "": no file yet
        bool lock;         // held open without write sharing
        int pluginButton;  // run once or enabled
        DWORD error;       // the reason the warning gives; 0: no warning
        int failingWrite;   // g_fakes.failingWrite
        const char* after;  // the file afterwards; NULL: as it was
        UINT flags;         // of the reboot at quit
    } rows[] = {
        // A fresh install whose folder takes no file: run once arms the
        // time chosen, not the defaults.
        { "folder", NULL, false, 1010, ERROR_ACCESS_DENIED, 0, NULL, EWX_REBOOT },
        { "locked", "[Nightfold]\r\nEnabled=0\r\nShutdown=1013\r\nHour=21\r\nMinute=45\r\n", true, 1002,
          ERROR_SHARING_VIOLATION, 0, NULL, EWX_REBOOT },
        { "fresh", "", false, 1002, 0, 0, SAVED("0"), EWX_REBOOT },
        // Another program holds the file from the second write on.
        { "held", "[Nightfold]\r\nEnabled=0\r\nShutdown=1018\r\nForceAppsToClose=1\r\nHour=7\r\nMinute=15\r\n",
          false, 1002, 0, 2, SAVED("1"), EWX_REBOOT | EWX_FORCE },
    };
#undef SAVED
    for (const auto& row : rows) {
        std::string module = std::string("unwritable-") + row.name + "\\gen_" + row.name + ".dll";
        std::string iniPath = iniFor(caseFolder() + module);
        CreateDirectoryA(iniPath.substr(0, iniPath.rfind('\\')).c_str(), NULL);
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (!row.text)
            CreateDirectoryA(iniPath.c_str(), NULL);
        else if (row.text[0])
            writeWholeFile(iniPath.c_str(), row.text);
        if (row.lock)
            lock = CreateFileA(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        LoadedPlugin plugin;
        if (loadDriven(dllPath, module.c_str(), NULL, &plugin)) {
            g_fakes.now = localTime(2024, 6, 12, 21, 0);
            g_fakes.failingWrite = row.failingWrite;
            plugin.header->init();
            configWith(&plugin, { row.pluginButton, 1018, 1, 23, 5, true, NULL });
            CHECK(g_log.messageBoxes == (row.error ? 1 : 0), "%s: %ld message boxes [%s]", row.name,
                  g_log.messageBoxes, g_log.boxText);
            if (row.error)
                CHECK(g_log.boxText == notSavedText(iniPath, row.error) &&
                          strcmp(g_log.boxTitle, "Nightfold v2.0") == 0 && g_log.boxStyle == MB_ICONWARNING,
                      "%s: box [%s] [%s] style %#x", row.name, g_log.boxText, g_log.boxTitle, g_log.boxStyle);
            if (waitUntilArmed(1))
                CHECK(g_log.due == utcValue(2024, 6, 12, 23, 5), "%s: armed for %lld", row.name, g_log.due);
            configWith(&plugin, { 0, 0, -1, -1, -1, false, NULL });
            CHECK(s_view.pluginButton == row.pluginButton && s_view.actionButton == 1018 && s_view.use24 &&
                      s_view.hourItem == 23 && s_view.minuteItem == 5,
                  "%s: the dialog shows button %d, action %d, hour %d, minute %d", row.name, s_view.pluginButton,
                  s_view.actionButton, s_view.hourItem, s_view.minuteItem);
            signalTimer(strrchr(module.c_str(), '\\') + 1);
            CHECK(waitForExitCommand(2000), "%s: the alarm does not fire", row.name);
            plugin.header->quit();
            CHECK(g_log.exitRequests == 1 && g_log.exitFlags == row.flags, "%s: %ld requests, flags %u", row.name,
                  g_log.exitRequests, g_log.exitFlags);
        }
        unloadPlugin(&plugin);
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        if (row.text)
            CHECK(readWholeFile(iniPath.c_str()) == (row.after ? row.after : row.text), "%s: the file holds [%s]",
                  row.name, readWholeFile(iniPath.c_str()).c_str());
    }

    // A settings path that does not fit: nothing is read or written, and
    // run once arms the time chosen.
    std::string module = pathOfLength(std::string(caseFolder()) + "unwritable-long\\", 258, ".x");
    LoadedPlugin plugin;
    if (initAt(dllPath, module.substr(strlen(caseFolder())), &plugin) && patchDialogDriver(&plugin)) {
        resetLog();
        configWith(&plugin, { 1010, 1018, 1, 23, 5, true, NULL });
        CHECK(s_view.pluginButton == 1020 && s_view.actionButton == 1012 && s_view.hourItem == 11 && s_view.am,
              "long: the dialog does not show the defaults");
        CHECK(g_log.writes == 0 && g_log.readCount == 0 && g_log.threadsCreated == 1,
              "long: after OK %d writes, %d reads, %ld workers", g_log.writes, g_log.readCount, g_log.threadsCreated);
        CHECK(g_log.messageBoxes == 1 && g_log.boxText == notSavedText("", ERROR_FILENAME_EXCED_RANGE),
              "long: %ld boxes [%s]", g_log.messageBoxes, g_log.boxText);
        configWith(&plugin, { 0, 0, -1, -1, -1, false, NULL });
        CHECK(s_view.pluginButton == 1010 && s_view.hourItem == 23 && s_view.minuteItem == 5,
              "long: the dialog shows button %d, hour %d, minute %d", s_view.pluginButton, s_view.hourItem,
              s_view.minuteItem);
        plugin.header->quit();
    }
    unloadPlugin(&plugin);
}

// A player's window in another process (this host, started again), which
// answers 335, 1335 and 621 with the numbers given: addresses in the first
// host's memory. It ends when its window is closed.
static void runPlayerElsewhere(const char* answers)
{
    unsigned long folder = 0, wideFolder = 0, pack = 0;
    sscanf(answers, "%lx:%lx:%lx", &folder, &wideFolder, &pack);
    g_player.folder = (LRESULT)folder;
    g_player.wideFolder = (LRESULT)wideFolder;
    g_player.pack = (LRESULT)pack;
    HWND window = hostWindow();
    MSG msg;
    while (IsWindow(window) && GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
}

struct ProcessWindow {
    DWORD process;
    HWND window;
};

// The player's main window of that process, not the input method's window
// that Wine gives its thread: either may come first in the z-order, and the
// input method's ignores WM_CLOSE.
static BOOL CALLBACK findProcessWindow(HWND window, LPARAM found)
{
    DWORD process = 0;
    char className[32] = "";
    GetWindowThreadProcessId(window, &process);
    GetClassNameA(window, className, sizeof className);
    if (process != ((ProcessWindow*)found)->process || strcmp(className, "Winamp v1.x"))
        return TRUE;
    ((ProcessWindow*)found)->window = window;
    return FALSE;
}

// Starts the player elsewhere with its answers; its window, NULL when it
// did not come within ten seconds. The process is in *process.
static HWND startPlayerElsewhere(const void* folder, const void* wideFolder, const void* pack, HANDLE* process)
{
    char exe[MAX_PATH], command[MAX_PATH + 100];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    snprintf(command, sizeof command, "\"%s\" player_elsewhere %lx:%lx:%lx", exe, (unsigned long)folder,
             (unsigned long)wideFolder, (unsigned long)pack);
    STARTUPINFOA startup = { sizeof startup };
    PROCESS_INFORMATION started;
    if (!CHECK(CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &started),
               "the player elsewhere does not start: %lu", GetLastError()))
        return NULL;
    CloseHandle(started.hThread);
    *process = started.hProcess;
    ProcessWindow found = { started.dwProcessId, NULL };
    for (int waited = 0; !found.window && waited < 1000; ++waited) {
        Sleep(10);
        EnumWindows(findProcessWindow, (LPARAM)&found);
    }
    CHECK(found.window != NULL, "the player elsewhere shows no window");
    return found.window;
}

// The plugin's folder takes no write: the choice goes to the player's
// settings folder, named in ANSI (Winamp 2.9 and later) or, where the
// user's name is Cyrillic and the ANSI answer holds question marks in its
// place, in Unicode too; without a message, and read there after a restart.
// The case runs in the Japanese code page, where a folder may end in 表,
// whose second byte is a backslash's. A player that answers 1 to both, or
// that answers 335, 1335 and 621 with what cannot be read here, names no
// folder and no language: the warning of today, in English.
static void testPlayerFolder(const char* dllPath)
{
    enum Answers { HERE, RESERVED, ELSEWHERE };
    static const struct {
        const char* name;
        const char* folder;       // under the case folder; NULL: answers 1
        const WCHAR* wideFolder;  // NULL: answers 0, or 1 where folder does
        Answers answers;          // RESERVED: reserved memory never committed; ELSEWHERE: a player in another
                                  // process, with this process's addresses of the folders and of "de-DE"
    } rows[] = {
        { "ansi", "profile-ansi", NULL, HERE },
        { "unicode", "profile-???????", L"profile-\x041F\x0440\x043E\x0444\x0438\x043B\x044C", HERE },
        { "none", NULL, NULL, HERE },
        { "sjis", "profile-\x95\x5C", NULL, HERE },
        { "reserved", "profile-reserved", NULL, RESERVED },
        { "elsewhere", "profile-elsewhere", NULL, ELSEWHERE },
    };
    CHECK(GetACP() == 932, "the code page is %u, not Japanese", GetACP());
    const char* text = "[Nightfold]\r\nEnabled=0\r\nShutdown=1013\r\nHour=21\r\nMinute=45\r\n";
    static const WCHAR GERMAN[] = L"de-DE";
    void* reserved = VirtualAlloc(NULL, 65536, MEM_RESERVE, PAGE_READWRITE);
    for (const auto& row : rows) {
        std::string folder = row.folder ? caseFolder() + std::string(row.folder) : "";
        WCHAR wideFolder[MAX_PATH] = L"", playerFile[MAX_PATH] = L"";
        if (row.wideFolder) {
            MultiByteToWideChar(CP_ACP, 0, caseFolder(), -1, wideFolder, MAX_PATH);
            lstrcatW(wideFolder, row.wideFolder);
        } else if (row.folder) {
            MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wideFolder, MAX_PATH);
        }
        CreateDirectoryW(wideFolder, NULL);
        wsprintfW(playerFile, L"%s\\Plugins\\gen_folder_%S.ini", wideFolder, row.name);
        DeleteFileW(playerFile);  // a case folder's name may come again with its process id
        std::string module = std::string("folder-") + row.name + "\\gen_folder_" + row.name + ".dll";
        std::string iniPath = iniFor(caseFolder() + module);
        CreateDirectoryA(iniPath.substr(0, iniPath.rfind('\\')).c_str(), NULL);
        writeWholeFile(iniPath.c_str(), text);
        HANDLE lock = CreateFileA(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        HANDLE elsewhere = NULL;
        HWND player = row.answers == ELSEWHERE ? startPlayerElsewhere(folder.c_str(), wideFolder, GERMAN, &elsewhere)
                                               : NULL;
        bool named = row.folder && row.answers == HERE;
        // Saved, then read by the player started again.
        for (int start = 0; start < 2; ++start) {
            LoadedPlugin plugin;
            if (loadDriven(dllPath, module.c_str(), NULL, &plugin)) {
                g_fakes.now = localTime(2024, 6, 12, 21, 0);
                g_player.folder = row.folder ? (LRESULT)folder.c_str() : 1;
                g_player.wideFolder = row.wideFolder ? (LRESULT)wideFolder : !row.folder;
                if (row.answers == RESERVED)
                    g_player.folder = g_player.wideFolder = g_player.pack = (LRESULT)reserved;
                if (player)
                    plugin.header->hostWindow = player;
                plugin.header->init();
                if (start == 0) {
                    configWith(&plugin, { 1002, 1018, 1, 23, 5, true, NULL });
                    std::string box = named ? "" : notSavedText(iniPath, ERROR_SHARING_VIOLATION);
                    CHECK(g_log.boxText == box, "%s: box [%s]", row.name, g_log.boxText);
                    CHECK((int)GetPrivateProfileIntW(L"Nightfold", L"Hour", -1, playerFile) == (named ? 23 : -1),
                          "%s: the player's folder holds [%ls]", row.name, playerFile);
                } else if (named && waitUntilArmed(1)) {
                    CHECK(g_log.due == utcValue(2024, 6, 12, 23, 5), "%s: armed for %lld", row.name, g_log.due);
                } else {
                    CHECK(g_log.threadsCreated == 0, "%s: %ld workers", row.name, g_log.threadsCreated);
                }
                plugin.header->quit();
            }
            unloadPlugin(&plugin);
        }
        if (elsewhere) {
            PostMessageA(player, WM_CLOSE, 0, 0);
            CHECK(WaitForSingleObject(elsewhere, 10000) == WAIT_OBJECT_0, "the player elsewhere stays");
            CloseHandle(elsewhere);
        }
        CloseHandle(lock);
        CHECK(readWholeFile(iniPath.c_str()) == text, "%s: the file beside the plugin changed", row.name);
    }
}

static DWORD WINAPI probeThread(LPVOID)
{
    return 0;
}

// ---- a thousand confirmed dialogs ---------------------------------------------

static void runStress(const char* dllPath, const char* name, int count, int firstMode)
{
    LoadedPlugin plugin;
    if (!loadDriven(dllPath, name, NULL, &plugin))
        return;
    SYSTEMTIME start;
    GetLocalTime(&start);
    g_fakes.now = start;
    plugin.header->init();

    // Every dialog arms the alarm at least two hours ahead, with one
    // exception: the last one, which finds a clock a day behind and so a due
    // time already reached when it is armed.
    int mismatches = 0;
    char firstMismatch[200] = "";
    int lastMode = -1, lastHour = -1, lastMinute = -1;
    LONG workersStarted = 0;
    DWORD began = GetTickCount();
    for (int i = 0; i < count; ++i) {
        int mode = (firstMode + i) % 3;  // enabled, run once, disabled
        static const int modeButtons[] = { 1002, 1010, 1020 };
        DialogPlan plan = { modeButtons[mode], ACTION_BUTTONS[i % 4], 1, (start.wHour + 2 + i % 20) % 24, i % 60,
                            true, NULL };
        bool last = i == count - 1;
        if (last) {
            g_fakes.now = shifted(start, -86400);
            SYSTEMTIME ahead = shifted(g_fakes.now, 60);
            plan.hour = ahead.wHour;
            plan.minute = ahead.wMinute;
            plan.actionButton = 1013;
        }
        configWith(&plugin, plan);
        if (mode != 2)
            ++workersStarted;
        // The clock is turned back for the last worker only: the one before
        // must have read it already.
        if (i == count - 2 && mode != 2)
            waitUntilArmed(workersStarted);
        // What it showed is what the one before saved.
        if (lastMode >= 0) {
            const DialogView& view = s_view;
            bool same = view.pluginButton == modeButtons[lastMode] && view.use24 && view.hourItem == lastHour &&
                        view.minuteItem == lastMinute;
            if (!same && !mismatches++)
                snprintf(firstMismatch, sizeof firstMismatch, "dialog %d shows button %d hour %d minute %d", i,
                         view.pluginButton, view.hourItem, view.minuteItem);
        }
        lastMode = mode;
        lastHour = plan.hour;
        lastMinute = plan.minute;
        if (!last && !CHECK(g_hostLog.exitCommands == 0, "exit command during dialog %d", i))
            break;
        if (last && mode != 2) {
            // The last worker arms its timer, and only then may the command
            // come.
            waitUntilArmed(workersStarted);
        }
    }
    DWORD elapsed = GetTickCount() - began;
    // Threads still start: nothing the workers held is held for good.
    HANDLE probe = CreateThread(NULL, 0, probeThread, NULL, 0, NULL);
    CHECK(probe && WaitForSingleObject(probe, 2000) == WAIT_OBJECT_0, "no thread starts after the dialogs");
    if (probe)
        CloseHandle(probe);
    CHECK(mismatches == 0, "%d dialogs did not show what the one before saved; the first: %s", mismatches,
          firstMismatch);
    CHECK(s_dialogsOpened == count, "%d dialogs opened", s_dialogsOpened);
    if (lastMode != 2) {
        CHECK(waitForExitCommand(5000), "the last alarm did not fire");
        CHECK(waitForWorkerEnd(5000), "the last worker does not end");
        pumpMessagesFor(0);
        CHECK(g_hostLog.exitCommands == 1 && g_hostLog.exitCommandsSent == 0, "%d exit commands after the last dialog",
              g_hostLog.exitCommands);
        CHECK((ULONGLONG)g_log.due == expectedDue(g_fakes.now, lastHour, lastMinute),
              "the last due time is off by %lld", (LONGLONG)((ULONGLONG)g_log.due - expectedDue(g_fakes.now, lastHour, lastMinute)));
        plugin.header->quit();
        CHECK(g_log.exitRequests == 1 && g_log.exitFlags == 9, "after the alarm: %d shutdown requests, flags %u",
              g_log.exitRequests, g_log.exitFlags);
    } else {
        // Nothing is left to fire, even when the timer comes due.
        CHECK(waitForWorkerEnd(5000), "a worker does not end");
        signalTimer(strrchr(name, '\\') + 1);
        pumpMessagesFor(0);
        CHECK(g_hostLog.exitCommands == 0, "%d exit commands after a disabling dialog", g_hostLog.exitCommands);
        plugin.header->quit();
        CHECK(g_log.exitRequests == 0, "%d shutdown requests", g_log.exitRequests);
    }
    CHECK(g_log.messageBoxes == 0 && g_log.powerRequests == 0, "%d message boxes, %d power requests", g_log.messageBoxes,
          g_log.powerRequests);
    printf("%d dialogs in %lu ms, %ld timers armed\n", count, elapsed, g_log.timerSets);
    unloadPlugin(&plugin);
}

static void testStress(const char* dllPath)
{
    runStress(dllPath, "stress\\gen_stress.dll", 1000, 0);
}

// The same cycle ending on a disabling dialog, right after a run-once one
// armed; shorter, since making and destroying each dialog costs Wine from 10
// to 50 ms.
static void testStressDisabledLast(const char* dllPath)
{
    runStress(dllPath, "stress\\gen_stress_off.dll", 151, 2);
}

// ---- the alarm and a dialog in the same second ---------------------------------

// Confirms the dialog only once the old worker's command has arrived, with
// the clock in the second the alarm came due.
static WORD s_confirmMilliseconds;

static void confirmInTheSameSecond(HWND)
{
    CHECK(waitForExitCommand(3000), "the alarm did not fire while the dialog was open");
    g_fakes.now.wMilliseconds = s_confirmMilliseconds;
}

static void testSameSecond(const char* dllPath)
{
    static const struct {
        int pluginButton;
        WORD milliseconds;
    } rows[] = {
        { 1002, 0 }, { 1002, 500 }, { 1002, 999 }, { 1010, 0 }, { 1010, 999 }, { 1020, 0 },
    };
    int rowNumber = 0;
    for (const auto& row : rows) {
        // The alarm is set to the minute now is in: with the clock a second
        // before it, the worker started at init comes due at once.
        SYSTEMTIME now;
        GetLocalTime(&now);
        char settings[128];
        snprintf(settings, sizeof settings, "[Nightfold]\r\nEnabled=1\r\n24HourDisplay=1\r\nHour=%d\r\nMinute=%d\r\n",
                 now.wHour, now.wMinute);
        char name[64];
        snprintf(name, sizeof name, "second%d\\gen_second%d.dll", rowNumber, rowNumber);
        ++rowNumber;
        LoadedPlugin plugin;
        if (!loadDriven(dllPath, name, settings, &plugin))
            continue;
        SYSTEMTIME due = now;
        due.wSecond = 0;
        due.wMilliseconds = 0;
        g_fakes.now = shifted(due, -1);
        LONG armedAtInit = g_log.timerSets;
        plugin.header->init();
        waitUntilArmed(armedAtInit + 1);
        s_confirmMilliseconds = row.milliseconds;
        g_fakes.now = due;
        LONG armed = g_log.timerSets;
        DialogPlan plan = { row.pluginButton, 1013, -1, -1, -1, true, confirmInTheSameSecond };
        configWith(&plugin, plan);
        if (row.pluginButton != 1020) {
            waitUntilArmed(armed + 1);
            SYSTEMTIME confirmed = g_fakes.now;
            CHECK((ULONGLONG)g_log.due == expectedDue(confirmed, now.wHour, now.wMinute),
                  "%d ms: the new worker is not due tomorrow", row.milliseconds);
        }
        pumpMessagesFor(1000);
        CHECK(g_hostLog.exitCommands == 1, "button %d, %d ms: %d exit commands", row.pluginButton,
              row.milliseconds, g_hostLog.exitCommands);
        // The player stayed open: re-armed, or disabled, nothing ends at quit.
        plugin.header->quit();
        CHECK(g_log.exitRequests == 0, "button %d, %d ms: %ld end actions", row.pluginButton, row.milliseconds,
              g_log.exitRequests);
        unloadPlugin(&plugin);
    }
}

// ---- terminated workers --------------------------------------------------------

static void testTerminatedWorker(const char* dllPath)
{
    // Every alarm is set two hours ahead of the clock.
    SYSTEMTIME now;
    GetLocalTime(&now);
    int ahead = (now.wHour + 2) % 24;
    char settings[96];
    snprintf(settings, sizeof settings, "[Nightfold]\r\nEnabled=1\r\n24HourDisplay=1\r\nHour=%d\r\n", ahead);
    LoadedPlugin plugin;
    if (!loadDriven(dllPath, "terminated\\gen_terminated.dll", settings, &plugin))
        return;
    g_fakes.now = now;
    plugin.header->init();
    DialogPlan plan = { 1020, 0, -1, ahead, 0, true, NULL };
    // Disabled: the worker waiting since init is gone, so the timer coming
    // due moves nothing.
    configWith(&plugin, plan);
    CHECK(waitForWorkerEnd(5000), "disabled: the worker does not end");
    signalTimer("gen_terminated.dll");
    pumpMessagesFor(0);
    CHECK(g_hostLog.exitCommands == 0, "disabled: %d exit commands", g_hostLog.exitCommands);
    // Enabled twice: the first new worker is replaced by the second, and
    // only the second answers the timer.
    plan.pluginButton = 1002;
    configWith(&plugin, plan);
    waitUntilArmed(2);
    configWith(&plugin, plan);
    waitUntilArmed(3);
    signalTimer("gen_terminated.dll");
    CHECK(waitForExitCommand(5000), "replaced: no exit command");
    CHECK(waitForWorkerEnd(5000), "replaced: a worker does not end");
    pumpMessagesFor(0);
    CHECK(g_hostLog.exitCommands == 1, "replaced: %d exit commands", g_hostLog.exitCommands);
    CHECK(strcmp(g_log.timerName, "gen_terminated.dll") == 0, "timer named [%s]", g_log.timerName);
    plugin.header->quit();
    unloadPlugin(&plugin);
}

const TestCase g_hardeningCases[] = {
    { "long_paths", testLongPaths },
    { "loaded_twice", testLoadedTwice },
    { "hostile_files", testHostileFiles },
    { "unusable_files", testUnusableFiles },
    { "hostile_dialog", testHostileDialog },
    { "unwritable_dialog", testUnwritableDialog },
    { "player_folder", testPlayerFolder },
    { "player_elsewhere", runPlayerElsewhere },  // started by player_folder only
    { "stress", testStress },
    { "stress_disabled_last", testStressDisabledLast },
    { "same_second", testSameSecond },
    { "terminated_worker", testTerminatedWorker },
    { NULL, NULL },
};