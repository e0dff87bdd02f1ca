// The test host's main program and the player's side of the plugin
// interface.
#include "host.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

int g_failures;
HostWindowLog g_hostLog;
FakePlayer g_player;
void (*g_onExitCommand)(void);
void (*g_onAppMessage)(void);

bool checkThat(bool ok, const char* file, int line, const char* format, ...)
{
    if (ok)
        return true;
    ++g_failures;
    printf("%s:%d: FAILED: ", file, line);
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
    return false;
}

static void widen(const char* ansi, WCHAR* wide);

bool loadPlugin(const char* dllPath, HWND hostWindow, LoadedPlugin* out)
{
    WCHAR wide[1024];
    widen(dllPath, wide);
    out->module = LoadLibraryW(wide);
    out->header = NULL;
    if (!CHECK(out->module != NULL, "LoadLibrary(%s): error %lu", dllPath, GetLastError()))
        return false;
    typedef HostPluginHeader* (*GetHeader)(void);
    GetHeader getHeader = (GetHeader)(void*)GetProcAddress(out->module, "winampGetGeneralPurposePlugin");
    if (!CHECK(getHeader != NULL, "no export winampGetGeneralPurposePlugin in %s", dllPath))
        return false;
    guardPlugin(out->module);
    out->header = getHeader();
    out->header->hostWindow = hostWindow;
    out->header->instance = out->module;
    return true;
}

void unloadPlugin(LoadedPlugin* plugin)
{
    if (plugin->module)
        FreeLibrary(plugin->module);
    plugin->module = NULL;
}

HMENU g_playerMenu, g_optionsMenu, g_playbackMenu;
static UINT s_nextCommandId = 50000;

static HMENU buildPlayerMenu(void)
{
    if (IsMenu(g_playerMenu))
        return g_playerMenu;
    g_playerMenu = CreatePopupMenu();
    g_optionsMenu = CreatePopupMenu();
    g_playbackMenu = CreatePopupMenu();
    AppendMenuA(g_optionsMenu, MF_STRING, 40012, "Preferences...");
    AppendMenuA(g_playbackMenu, MF_STRING, 40047, "Stop");
    AppendMenuA(g_playerMenu, MF_STRING, 40045, "Play");
    AppendMenuA(g_playerMenu, MF_POPUP, (UINT_PTR)g_optionsMenu, "Options");
    AppendMenuA(g_playerMenu, MF_POPUP, (UINT_PTR)g_playbackMenu, "Playback");
    AppendMenuA(g_playerMenu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(g_playerMenu, MF_STRING, 40001, "Exit");
    return g_playerMenu;
}

void playOn(int ms)
{
    if (!g_player.playsOn || g_player.status != 1 || g_player.lengthMs <= 0 || ms <= 0)
        return;
    g_player.positionMs += ms;
    while (g_player.status == 1 && g_player.positionMs >= g_player.lengthMs && g_player.lengthMs > 0) {
        g_player.positionMs -= g_player.lengthMs;
        g_player.lengthMs = g_player.nextSongs[0];
        memmove(g_player.nextSongs, g_player.nextSongs + 1, sizeof g_player.nextSongs - sizeof *g_player.nextSongs);
        g_player.nextSongs[2] = 0;
        if (!g_player.lengthMs) {
            g_player.status = 0;
            g_player.positionMs = -1;
        }
    }
}

HMENU pluginSubmenu(void)
{
    int count = IsMenu(g_playerMenu) ? GetMenuItemCount(g_playerMenu) : 0;
    for (int i = 0; i < count; ++i) {
        char text[64] = "";
        GetMenuStringA(g_playerMenu, i, text, sizeof text, MF_BYPOSITION);
        if (strcmp(text, "Nightfold") == 0)
            return GetSubMenu(g_playerMenu, i);
    }
    return NULL;
}

UINT pluginMenuItem(const char* text, bool* greyed)
{
    HMENU menu = pluginSubmenu();
    int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        char itemText[64] = "", shown[64];
        GetMenuStringA(menu, i, itemText, sizeof itemText, MF_BYPOSITION);
        // As the user reads it: without the access key's mark.
        char* end = shown;
        for (const char* c = itemText; *c; ++c) {
            if (*c != '&' || c[1] == '&')
                *end++ = *c;
        }
        *end = 0;
        if (strcmp(shown, text) != 0)
            continue;
        if (greyed)
            *greyed = (GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0;
        return GetMenuItemID(menu, i);
    }
    return 0;
}

bool chooseFromMenu(const char* text)
{
    HMENU menu = pluginSubmenu();
    SendMessageA(hostWindow(), WM_INITMENUPOPUP, (WPARAM)menu, 4);
    bool greyed = true;
    UINT id = pluginMenuItem(text, &greyed);
    if (!CHECK(id && !greyed, "no item [%s] to choose in the player's menu", text))
        return false;
    SendMessageA(hostWindow(), WM_COMMAND, id, 0);
    return true;
}

// The player's answers; everything else goes to defaultProc, in the
// window's own character set.
static LRESULT playerAnswer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC defaultProc)
{
    if (message == WM_APP && g_onAppMessage) {
        g_onAppMessage();
        return 0;
    }
    if (message == WM_USER && (lParam == 281 || lParam == 3019)) {
        if (g_player.menu == MENU_NONE)
            return 1;
        if (lParam == 3019)
            return g_player.menu == MENU_WITH_IDS ? s_nextCommandId++ : 0;
        return (LRESULT)buildPlayerMenu();
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == 40045 || LOWORD(wParam) == 40046)) {
        bool resumes = LOWORD(wParam) == 40046 && g_player.status == 3;
        if (resumes || (LOWORD(wParam) == 40045 && g_player.entries > 0)) {
            ++g_hostLog.plays;
            g_hostLog.volumeAtPlay = g_player.volume;
            g_player.status = 1;
        } else if (LOWORD(wParam) == 40046 && g_player.status == 1) {
            g_player.status = 3;
        }
        return 0;
    }
    if (message == WM_USER && lParam == 65536)
        return wParam && !strcmp((const char*)wParam, "GenHotkeysAdd") ? g_player.hotkeys : 0;
    if (message == WM_USER && g_player.hotkeys > 1 && lParam == g_player.hotkeys) {
        if (g_hostLog.hotkeyCount < 32)
            g_hostLog.hotkeys[g_hostLog.hotkeyCount++] = (const void*)wParam;
        return 0;
    }
    if (message == WM_USER && lParam == 124)
        return g_player.entries;
    if (message == WM_USER && (lParam == 335 || lParam == 1335))
        return lParam == 335 ? g_player.folder : g_player.wideFolder;
    if (message == WM_USER && lParam == 621 && g_player.pack)
        return wParam == 1 ? g_player.noPack : wParam == 5 ? g_player.pack : 0;
    if (message == WM_USER && lParam == 211 && !g_player.deaf && (int)wParam < g_player.entries) {
        static char other[MAX_PATH];
        snprintf(other, sizeof other, "C:\\Music\\Track %02d.mp3", (int)wParam + 1);
        return (LRESULT)(wParam < 4 && g_player.files[wParam][0] ? g_player.files[wParam] : other);
    }
    if (message == WM_USER && lParam == 121 && !g_player.deaf) {
        g_player.current = (int)wParam;
        return 0;
    }
    if (message == WM_COPYDATA && ((COPYDATASTRUCT*)lParam)->dwData == 100) {
        const COPYDATASTRUCT* copy = (const COPYDATASTRUCT*)lParam;
        if (g_player.entries < 4)
            snprintf(g_player.files[g_player.entries], MAX_PATH, "%.*s", (int)copy->cbData, (const char*)copy->lpData);
        ++g_player.entries;
        ++g_hostLog.added;
        return 1;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == 40047) {
        ++g_hostLog.stops;
        g_hostLog.volumeAtStop = g_player.volume;
        g_player.status = 0;
        return 0;
    }
    if (message == WM_USER && (lParam == 104 || lParam == 105))
        return lParam == 104 ? g_player.status
               : g_player.deaf ? 0
               : wParam == 0   ? g_player.positionMs
               : wParam == 2 || g_player.lengthMs < 0 ? g_player.lengthMs
                                                      : g_player.lengthMs / 1000;
    if (message == WM_USER && lParam == 122 && wParam == (WPARAM)-666)
        return g_player.deaf ? 0 : g_player.volume;
    if (message == WM_COMMAND && LOWORD(wParam) == 40001) {
        ++g_hostLog.exitCommands;
        g_hostLog.volumeAtExit = g_player.volume;
        if (InSendMessage())
            ++g_hostLog.exitCommandsSent;
        GetSystemTimeAsFileTime(&g_hostLog.lastExitTime);
        if (g_onExitCommand)
            g_onExitCommand();
        return 0;
    }
    if (message == WM_USER && lParam == 122) {
        ++g_hostLog.volumeSets;
        g_hostLog.lastVolume = wParam;
        if (!g_player.deaf)
            g_player.volume = (int)wParam;
        return 0;
    }
    return defaultProc(window, message, wParam, lParam);
}

static LRESULT CALLBACK hostWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return playerAnswer(window, message, wParam, lParam, DefWindowProcA);
}

static LRESULT CALLBACK hostWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return playerAnswer(window, message, wParam, lParam, DefWindowProcW);
}

HWND createHostWindow(bool unicode)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    if (unicode) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = hostWindowProcW;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = L"Winamp v1.x Unicode";
        RegisterClassW(&windowClass);
        return CreateWindowW(L"Winamp v1.x Unicode", L"Nightfold test host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                             NULL, NULL, instance, NULL);
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = hostWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Winamp v1.x";
    RegisterClassA(&windowClass);
    return CreateWindowA("Winamp v1.x", "Nightfold test host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                         NULL, NULL, instance, NULL);
}

static void dispatchWaiting(void)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A worker that posts the exit command and then ends is seen with its
// command handled, never ended with the command still queued.
bool pumpMessagesUntil(bool (*done)(void), DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        dispatchWaiting();
        if (done && done()) {
            dispatchWaiting();
            return true;
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return done ? done() : true;
        // Wakes now and then: done() may wait for another thread.
        DWORD slice = timeoutMs - elapsed < 5 ? timeoutMs - elapsed : 5;
        MsgWaitForMultipleObjects(0, NULL, FALSE, slice, QS_ALLINPUT);
    }
}

void pumpMessagesFor(DWORD ms)
{
    pumpMessagesUntil(NULL, ms);
}

static char s_caseFolder[MAX_PATH];

const char* caseFolder(void)
{
    if (!s_caseFolder[0]) {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        snprintf(s_caseFolder, sizeof s_caseFolder, "%snightfold-%lu\\", temp, GetCurrentProcessId());
        CreateDirectoryA(s_caseFolder, NULL);
    }
    return s_caseFolder;
}

static void widen(const char* ansi, WCHAR* wide)
{
    if (!MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, 1024))
        wide[0] = 0;
}

// Creates every folder on the way to path's file name. Wide: paths of any
// length.
static void createParents(const WCHAR* path)
{
    WCHAR partial[1024];
    for (size_t i = 0; path[i] && i + 1 < 1024; ++i) {
        if (path[i] == L'\\' && i > 2) {
            memcpy(partial, path, i * sizeof(WCHAR));
            partial[i] = 0;
            CreateDirectoryW(partial, NULL);
        }
    }
}

bool copyDllTo(const char* dllPath, const char* relativePath, char* fullPath)
{
    WCHAR from[1024], to[1024];
    snprintf(fullPath, MAX_PATH * 2, "%s%s", caseFolder(), relativePath);
    widen(dllPath, from);
    widen(fullPath, to);
    createParents(to);
    return CHECK(CopyFileW(from, to, FALSE), "copy to %s: error %lu", fullPath, GetLastError());
}

std::string readWholeFile(const char* path)
{
    WCHAR wide[1024];
    widen(path, wide);
    std::string bytes;
    HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    char chunk[4096];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, chunk, sizeof chunk, &read, NULL) && read)
        bytes.append(chunk, read);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return bytes;
}

bool writeWholeFile(const char* path, const std::string& bytes)
{
    WCHAR wide[1024];
    widen(path, wide);
    createParents(wide);
    HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string withReason(const char* text, DWORD error)
{
    char reason[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, reason, sizeof reason,
                   NULL);
    return std::string(text) + "\n\n" + reason;
}

ULONGLONG fileTimeValue(const FILETIME& time)
{
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

bool buttonChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool runsAs9x(void)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return CHECK(version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS, "the host does not run as the 9x family");
}

bool runsAsNt4(void)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return CHECK(version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 4,
                 "the host does not run as Windows NT 4.0");
}

bool setShutdownPrivilege(DWORD attributes)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = attributes;
    bool ok = LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

bool removeShutdownPrivilege(void)
{
    return setShutdownPrivilege(SE_PRIVILEGE_REMOVED);
}

const char* g_caseName = "";

static const TestCase* const s_caseLists[] = {
    g_spineCases,
    g_dialogCases,
    g_alarmCases,
    g_endActionCases,
    g_benchCases,
    g_hardeningCases,
    g_exitCases,
    g_menuCases,
    g_languageCases,
};

int main(int argc, char** argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc < 3) {
        printf("usage: nfhost CASE PATH-TO-DLL\n");
        return 2;
    }
    for (const TestCase* const* list = s_caseLists;
         list < s_caseLists + sizeof s_caseLists / sizeof *s_caseLists; ++list) {
        for (const TestCase* test = *list; test->name; ++test) {
            if (strcmp(test->name, argv[1]) != 0)
                continue;
            g_caseName = test->name;
            // ctest hands over a Unix path; Wine shows the root as drive Z:.
            char dllPath[MAX_PATH];
            snprintf(dllPath, sizeof dllPath, "%s%s", argv[2][0] == '/' ? "Z:" : "", argv[2]);
            for (char* p = dllPath; *p; ++p) {
                if (*p == '/')
                    *p = '\\';
            }
            test->run(dllPath);
            printf("%s: %s\n", argv[1], g_failures ? "FAILED" : "passed");
            return g_failures ? 1 : 0;
        }
    }
    printf("unknown case %s\n", argv[1]);
    return 2;
}

static BOOL CALLBACK findDialog(HWND window, LPARAM found)
{
    char className[16];
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *(HWND*)found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findNotice(void)
{
    HWND window = NULL;
    while ((window = FindWindowExA(NULL, window, "#32770", "Nightfold")) != NULL) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            return window;
    }
    return NULL;
}

HWND findThreadDialog(DWORD threadId)
{
    HWND dialog = NULL;
    EnumThreadWindows(threadId, findDialog, (LPARAM)&dialog);
    return dialog;
}
