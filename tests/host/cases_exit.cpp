// The players' own ways of exiting, played on a player thread of the
// host's: the plugin's worker must be stopped where it holds nothing, quit
// must come back at once, and no plugin code may run after it.
//
// First player: its window side runs on a thread of its own, handles 40001
// inside the plugin's send (close, destroy, quit message) and calls quit
// when its loop ends; on WM_ENDSESSION it calls quit with the window alive;
// it never frees a plugin. Second player: it posts itself a close on 40001
// and frees the plugin right after quit; a plugin may be unloaded and
// loaded again. The AT_FIRING exits come at the instant the plugin's exit
// command has left, before the player's thread has taken it.
#include "host.h"

#include <stdio.h>
#include <string.h>

enum PlayerExit {
    EXIT_AFTER_LOOP,     // quit once the loop has ended
    EXIT_IN_COMMAND,     // quit from inside the handling of 40001
    EXIT_CLOSE_POSTED,   // 40001 posts a close; quit, then FreeLibrary
    EXIT_END_SESSION,    // WM_ENDSESSION: quit with the window alive
    EXIT_UNLOAD,         // quit and FreeLibrary while the player runs on
    EXIT_UNLOAD_AT_FIRING,       // the alarm fires; quit and FreeLibrary, then messages
    EXIT_END_SESSION_AT_FIRING,  // another thread sends WM_ENDSESSION; the alarm fires in it
};

struct Player {
    PlayerExit exit;
    char dllPath[MAX_PATH * 2];
    LoadedPlugin plugin;
    HWND window;
    HANDLE ready;        // the plugin is initialised
    HANDLE leave;        // EXIT_END_SESSION, EXIT_UNLOAD: quit now
    DWORD quitMs;        // how long quit took
    bool quitCalled;
    bool freed;
    const char* timerName;
    volatile bool sessionHandled;  // the WM_ENDSESSION handler has returned
    volatile bool answeredEarly;   // ... after its sender had its answer
    HMENU menu;          // its main popup menu, as the open-source player has it
    bool menuInserted;   // init added the plugin's submenu to it
};
static Player s_player;

static void callQuit(void)
{
    if (s_player.quitCalled)
        return;
    s_player.quitCalled = true;
    DWORD start = GetTickCount();
    s_player.plugin.header->quit();
    s_player.quitMs = GetTickCount() - start;
}

static LRESULT CALLBACK playerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Its menu, and no command ids for plugins.
    if (message == WM_USER && (lParam == 281 || lParam == 3019))
        return lParam == 281 ? (LRESULT)s_player.menu : 0;
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) != 40001)
            break;
        ++g_hostLog.exitCommands;
        if (s_player.exit == EXIT_CLOSE_POSTED) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        if (s_player.exit == EXIT_IN_COMMAND)
            callQuit();
        SendMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ENDSESSION:
        if (s_player.exit == EXIT_END_SESSION_AT_FIRING) {
            signalTimer(s_player.timerName);
            WaitForSingleObject(g_exitCommandLeft, 5000);
        }
        callQuit();
        s_player.sessionHandled = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Windows ending the session: another thread sends WM_ENDSESSION.
static DWORD WINAPI endSession(LPVOID)
{
    SendMessageA(s_player.window, WM_ENDSESSION, TRUE, 0);
    s_player.answeredEarly = !s_player.sessionHandled;
    return 0;
}

static DWORD WINAPI playerThread(LPVOID)
{
    Player& player = s_player;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = playerWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "Nightfold test player";
    RegisterClassA(&windowClass);
    player.window = CreateWindowA(windowClass.lpszClassName, "player", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL,
                                  NULL, windowClass.hInstance, NULL);
    if (!loadPlugin(player.dllPath, player.window, &player.plugin))
        return 1;
    fakePlatform(player.plugin.module);
    player.menu = CreatePopupMenu();
    AppendMenuA(player.menu, MF_STRING, 40001, "Exit");
    // As the open-source player: a procedure that init installed is put
    // back after quit, if it is still the window's.
    LONG original = GetWindowLongA(player.window, GWL_WNDPROC);
    player.plugin.header->init();
    LONG installed = GetWindowLongA(player.window, GWL_WNDPROC);
    player.menuInserted = GetMenuItemCount(player.menu) == 2 && installed != original;
    SetEvent(player.ready);
    if (player.exit == EXIT_UNLOAD_AT_FIRING) {
        // Busy until the command has left; then quit and free at once, and
        // only then take messages, the exit command among them.
        WaitForSingleObject(player.leave, 5000);
        WaitForSingleObject(g_exitCommandLeft, 5000);
        callQuit();
        FreeLibrary(player.plugin.module);
        player.freed = true;
        pumpMessagesFor(100);
        return 0;
    }
    if (player.exit == EXIT_END_SESSION_AT_FIRING) {
        WaitForSingleObject(player.leave, 5000);
        HANDLE sender = CreateThread(NULL, 0, endSession, NULL, 0, NULL);
        while (MsgWaitForMultipleObjects(1, &sender, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
            pumpMessagesFor(0);
        CloseHandle(sender);
        return 0;
    }
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &player.leave, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) {
            if (player.exit == EXIT_END_SESSION)
                SendMessageA(player.window, WM_ENDSESSION, TRUE, 0);
            else
                callQuit();
            break;
        }
        MSG msg;
        bool quitMessage = false;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quitMessage = true;
                break;
            }
            DispatchMessageA(&msg);
        }
        if (quitMessage) {
            callQuit();
            break;
        }
    }
    if (IsWindow(player.window) && GetWindowLongA(player.window, GWL_WNDPROC) == installed)
        SetWindowLongA(player.window, GWL_WNDPROC, original);
    if (player.exit == EXIT_CLOSE_POSTED || player.exit == EXIT_UNLOAD) {
        FreeLibrary(player.plugin.module);
        player.freed = true;
    }
    // The player runs on: its window answers, through no freed code.
    if (IsWindow(player.window))
        SendMessageA(player.window, WM_COMMAND, 24321, 0);
    return 0;
}

// Proves that no thread left a lock of the platform's held for good: a
// library is loaded and freed and a thread starts and ends, in time.
static DWORD WINAPI loadAndFree(LPVOID)
{
    HMODULE library = LoadLibraryA("version.dll");
    HWND window = CreateWindowA("STATIC", "probe", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    return library && FreeLibrary(library) && window && DestroyWindow(window) ? 0 : 1;
}

static bool platformLocksFree(void)
{
    HANDLE probe = CreateThread(NULL, 0, loadAndFree, NULL, 0, NULL);
    bool ended = probe && WaitForSingleObject(probe, 3000) == WAIT_OBJECT_0;
    if (probe)
        CloseHandle(probe);
    return ended;
}

// Settings with the alarm two hours ahead of the faked clock, which the
// host leaves standing: only signalTimer brings the due time.
static bool prepareCopy(const char* dllPath, const char* name, char* path)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char file[64], settings[128];
    snprintf(file, sizeof file, "%s.dll", name);
    snprintf(settings, sizeof settings,
             "[Nightfold]\r\nEnabled=1\r\nShutdown=1013\r\n24HourDisplay=1\r\nHour=%d\r\nMinute=%d\r\n",
             (now.wHour + 2) % 24, now.wMinute);
    std::string ini = std::string(caseFolder()) + name + ".ini";
    return copyDllTo(dllPath, file, path) && CHECK(writeWholeFile(ini.c_str(), settings), "cannot write %s", ini.c_str());
}

// Starts the player with a copy of the plugin; true once init has armed
// the alarm.
static bool startPlayer(const char* path, PlayerExit exit, HANDLE* thread)
{
    Player& player = s_player;
    player.exit = exit;
    player.quitCalled = player.freed = false;
    player.sessionHandled = false;
    player.answeredEarly = false;
    ResetEvent(g_exitCommandLeft);
    player.quitMs = 0;
    snprintf(player.dllPath, sizeof player.dllPath, "%s", path);
    ResetEvent(player.ready);
    ResetEvent(player.leave);
    LONG armed = g_log.timerSets;
    *thread = CreateThread(NULL, 0, playerThread, NULL, 0, NULL);
    HANDLE started[2] = { player.ready, *thread };
    if (!CHECK(WaitForMultipleObjects(2, started, FALSE, 5000) == WAIT_OBJECT_0, "the player does not start"))
        return false;
    // Without taking messages: this thread must not need a lock that a
    // killed worker could hold.
    for (DWORD start = GetTickCount(); g_log.timerSets == armed && GetTickCount() - start < 3000;)
        Sleep(1);
    return CHECK(g_log.timerSets > armed, "init does not arm the alarm");
}

static bool playerEnds(HANDLE thread, const char* what)
{
    bool ended = WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    if (!CHECK(ended, "%s: the player hangs at its exit", what))
        TerminateProcess(GetCurrentProcess(), 1);
    return CHECK(s_player.quitMs < 1000, "%s: quit took %lu ms", what, s_player.quitMs);
}

static void testPlayerExits(const char* dllPath)
{
    static const struct {
        const char* name;
        const char* file;   // the same file each round, loaded again; else a fresh copy each
        int rounds;
        PlayerExit exit;
        bool fireFirst;     // the alarm comes before the player leaves
        int endActions;     // per round
    } rows[] = {
        { "unload_at_firing", NULL, 20, EXIT_UNLOAD_AT_FIRING, false, 1 },
        { "end_session_at_firing", NULL, 3, EXIT_END_SESSION_AT_FIRING, false, 1 },
        { "exit_after_loop", NULL, 200, EXIT_AFTER_LOOP, true, 1 },
        { "exit_in_command", NULL, 5, EXIT_IN_COMMAND, true, 1 },
        { "end_session", NULL, 3, EXIT_END_SESSION, false, 0 },
        { "unload", "second", 3, EXIT_UNLOAD, false, 0 },
        { "unloaded_and_loaded_again", "second", 3, EXIT_CLOSE_POSTED, true, 1 },
    };
    s_player.ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    s_player.leave = CreateEventA(NULL, TRUE, FALSE, NULL);
    char path[MAX_PATH * 2];
    for (const auto& row : rows) {
        resetFakes();
        g_fakes.armAsAsked = TRUE;
        g_hostLog = HostWindowLog();
        for (int round = 0; round < row.rounds; ++round) {
            char name[64], what[80], timerName[80];
            snprintf(name, sizeof name, "%s%d", row.name, round);
            snprintf(what, sizeof what, "%s round %d", row.name, round);
            snprintf(timerName, sizeof timerName, "%s.dll", row.file ? row.file : name);
            if ((!row.file || (round == 0 && row.exit == EXIT_UNLOAD)) &&
                !prepareCopy(dllPath, row.file ? row.file : name, path))
                return;
            HANDLE thread;
            s_player.timerName = timerName;
            if (!startPlayer(path, row.exit, &thread))
                return;
            bool atFiring = row.exit == EXIT_UNLOAD_AT_FIRING || row.exit == EXIT_END_SESSION_AT_FIRING;
            if (row.fireFirst || row.exit == EXIT_UNLOAD_AT_FIRING)
                signalTimer(timerName);
            if (!row.fireFirst)
                SetEvent(s_player.leave);
            if (!playerEnds(thread, what))
                return;
            CHECK(!s_player.answeredEarly, "%s: WM_ENDSESSION answered before its handler returned", what);
            CHECK(s_player.menuInserted && GetMenuItemCount(s_player.menu) == 1, "%s: the submenu, in %d items",
                  what, GetMenuItemCount(s_player.menu));
            CHECK(!atFiring || waitForWorkerEnd(1000), "%s: a worker still runs", what);
            CHECK(g_log.threadsTerminated == 0, "%s: %ld workers terminated", what, g_log.threadsTerminated);
            // Past the due time: nothing is left to answer it.
            if (!row.fireFirst && !atFiring) {
                signalTimer(timerName);
                Sleep(200);
            }
            if (!CHECK(platformLocksFree(), "%s: a platform lock is held by a dead thread", what)) {
                // The process could not even end: its exit needs that lock.
                TerminateProcess(GetCurrentProcess(), 1);
            }
            int commands = row.fireFirst ? round + 1 : 0;
            CHECK(atFiring ? g_hostLog.exitCommands <= round + 1 : g_hostLog.exitCommands == commands,
                  "%s: %d exit commands", what, g_hostLog.exitCommands);
            CHECK(g_log.exitRequests == row.endActions * (round + 1) && (!row.endActions || g_log.exitFlags == 9),
                  "%s: %ld end actions", what, g_log.exitRequests);
        }
    }
}

const TestCase g_exitCases[] = {
    { "player_exits", testPlayerExits },
    { NULL, NULL },
};
