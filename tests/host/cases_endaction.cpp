// The end action in the real DLL, reached the way the player reaches it:
// the alarm fires, the player quits while it handles the exit command.
// ExitWindowsEx and SetSystemPowerState only record (fakes.cpp).
#include "host.h"

#include <stdio.h>
#include <string.h>

static const char STANDBY_FAILED[] = "System standby failed.  Please check your Power Management settings.";

static LoadedPlugin s_plugin;

static void quitAtOnce(void)
{
    s_plugin.header->quit();
}

// Starts the plugin with the action, lets the alarm fire and the player
// quit while it handles 40001. False when it never fired.
static bool fireAndQuit(const char* dllPath, const char* name, int action, int force)
{
    char settings[256];
    snprintf(settings, sizeof settings,
             "[Nightfold]\r\nEnabled=1\r\nShutdown=%d\r\nForceAppsToClose=%d\r\nHour=23\r\nMinute=30\r\n", action, force);
    if (!startPlugin(dllPath, name, settings, &s_plugin))
        return false;
    g_onExitCommand = quitAtOnce;
    bool fired = fireAlarm(1) && waitForExitCommand(5000);
    g_onExitCommand = NULL;
    return CHECK(fired, "%s: no exit command", name);
}

static void systemLibraryPath(char* path, size_t size)
{
    char directory[MAX_PATH];
    GetSystemDirectoryA(directory, sizeof directory);
    snprintf(path, size, "%s\\POWRPROF.DLL", directory);
}

// ---- shutdown and reboot ------------------------------------------------------

static void testEndActionFlags(const char* dllPath)
{
    static const struct {
        const char* name;
        int action, force;
        UINT flags;
        bool refused;       // ExitWindowsEx fails: one message, with the reason
        const char* text;
        const char* title;
    } rows[] = {
        { "shutdown", 1013, 0, 9 },
        { "shutdown_forced", 1013, 1, 13 },
        { "reboot", 1018, 0, 2 },
        { "reboot_forced", 1018, 1, 6 },
        { "shutdown_refused", 1013, 1, 13, true, "System shutdown failed.", "Shutdown Failed" },
        { "reboot_refused", 1018, 0, 2, true, "System restart failed.", "Reboot Failed" },
    };
    for (const auto& row : rows) {
        resetFakes();
        g_fakes.exitFails = row.refused;
        if (!fireAndQuit(dllPath, row.name, row.action, row.force))
            continue;
        CHECK(g_log.exitRequests == 1 && g_log.exitFlags == row.flags && g_log.exitReason == 0x80000000,
              "%s: %ld requests, flags %u reason %#lx", row.name, g_log.exitRequests, g_log.exitFlags,
              g_log.exitReason);
        CHECK(g_log.powerRequests == 0 && g_log.messageBoxes == row.refused, "%s: power state or %ld boxes",
              row.name, g_log.messageBoxes);
        if (row.refused)
            CHECK(withReason(row.text, ERROR_SHUTDOWN_IN_PROGRESS) == g_log.boxText &&
                      strcmp(g_log.boxTitle, row.title) == 0 && g_log.boxStyle == MB_ICONERROR,
                  "%s: box [%s] [%s] style %#x", row.name, g_log.boxText, g_log.boxTitle, g_log.boxStyle);
    }
}

// ---- hibernate or standby -----------------------------------------------------

static void testEndActionStandby(const char* dllPath)
{
    static const struct {
        const char* name;
        int force;
        bool libraryMissing;
        LookupFake query;
        DWORD answer;
        BOOL powerResult;
        LookupFake powerState;  // SetSystemPowerState
        int requests;
        BOOL suspend;
        int frees;
        bool box;
    } rows[] = {
        { "wine_allows", 0, false, LOOKUP_REAL, 0, TRUE, LOOKUP_REAL, 1, FALSE, 1, false },  // Wine answers TRUE
        { "wine_allows_forced", 1, false, LOOKUP_REAL, 0, TRUE, LOOKUP_REAL, 1, FALSE, 1, false },
        { "no_library", 0, true, LOOKUP_REAL, 0, TRUE, LOOKUP_REAL, 1, TRUE, 0, false },
        { "no_function", 0, false, LOOKUP_MISSING, 0, TRUE, LOOKUP_REAL, 1, TRUE, 1, false },
        { "refused", 0, false, LOOKUP_FAKE, 0, TRUE, LOOKUP_REAL, 1, TRUE, 1, false },
        { "refused_high_bits", 0, false, LOOKUP_FAKE, 0xFFFFFF00, TRUE, LOOKUP_REAL, 1, TRUE, 1, false },
        { "allowed", 0, false, LOOKUP_FAKE, 1, TRUE, LOOKUP_REAL, 1, FALSE, 1, false },
        { "power_state_fails", 0, false, LOOKUP_REAL, 0, FALSE, LOOKUP_REAL, 1, FALSE, 1, true },
        // NT 4.0: no SetSystemPowerState; as if the system refused.
        { "no_power_state", 0, false, LOOKUP_REAL, 0, TRUE, LOOKUP_MISSING, 0, FALSE, 1, true },
    };
    char expectedPath[MAX_PATH * 2];
    systemLibraryPath(expectedPath, sizeof expectedPath);
    for (const auto& row : rows) {
        resetFakes();
        g_fakes.libraryMissing = row.libraryMissing;
        g_fakes.hibernateQuery = row.query;
        g_fakes.hibernateAnswer = row.answer;
        g_fakes.powerStateResult = row.powerResult;
        g_fakes.powerState = row.powerState;
        if (!fireAndQuit(dllPath, row.name, 1015, row.force))
            continue;
        CHECK(g_log.powerRequests == row.requests && g_log.powerSuspend == row.suspend &&
                  g_log.powerForce == (row.requests ? TRUE : FALSE),
              "%s: %ld requests, suspend %d force %d", row.name, g_log.powerRequests, g_log.powerSuspend,
              g_log.powerForce);
        CHECK(g_log.exitRequests == 0, "%s: ExitWindowsEx", row.name);
        CHECK(g_log.libraryLoads == 1 && _stricmp(g_log.libraryAsked, expectedPath) == 0, "%s: %ld loads of [%s]",
              row.name, g_log.libraryLoads, g_log.libraryAsked);
        CHECK(g_log.libraryFrees == row.frees, "%s: %ld frees", row.name, g_log.libraryFrees);
        CHECK(g_log.messageBoxes == (row.box ? 1 : 0), "%s: %ld boxes", row.name, g_log.messageBoxes);
        if (row.box) {
            CHECK(strcmp(g_log.boxText, STANDBY_FAILED) == 0 && strcmp(g_log.boxTitle, "Standby Failed") == 0 &&
                      g_log.boxStyle == 0x10 && g_log.boxOwner == NULL,
                  "%s: box [%s] [%s] style %#x owner %p", row.name, g_log.boxText, g_log.boxTitle, g_log.boxStyle,
                  (void*)g_log.boxOwner);
            CHECK(g_log.boxThread == GetCurrentThreadId(), "%s: box not on the player's thread", row.name);
        }
    }
}

// ---- Windows 98 and NT 4.0 -------------------------------------------------------

// Each on a copy of the host that Wine reports that version to. 98 has no
// tokens. NT 4.0 lacks the power status, SetSystemPowerState and the
// per-day zone conversion (faked missing here): a stored standby loads as
// no action.
static void testEndActionOn(const char* dllPath, bool nt4)
{
    if (!(nt4 ? runsAsNt4() : runsAs9x()))
        return;
    static const struct {
        const char* name;
        int action;
        int exitRequests, powerRequests, tokens;           // 98
        int exitRequestsNt4, powerRequestsNt4, tokensNt4;  // NT 4.0
    } rows[] = {
        { "shutdown", 1013, 1, 0, 0, 1, 0, 2 },
        { "reboot", 1018, 1, 0, 0, 1, 0, 2 },
        { "standby", 1015, 0, 1, 0, 0, 0, 1 },
    };
    for (const auto& row : rows) {
        resetFakes();
        if (nt4)
            g_fakes.powerStatus = g_fakes.powerState = g_fakes.zoneConversion = LOOKUP_MISSING;
        if (!fireAndQuit(dllPath, row.name, row.action, 1))
            continue;
        CHECK(g_log.tokensOpened == (nt4 ? row.tokensNt4 : row.tokens), "%s: %ld tokens opened", row.name,
              g_log.tokensOpened);
        CHECK(g_log.exitRequests == (nt4 ? row.exitRequestsNt4 : row.exitRequests) &&
                  g_log.powerRequests == (nt4 ? row.powerRequestsNt4 : row.powerRequests) && g_log.messageBoxes == 0,
              "%s: %ld exit and %ld power requests, %ld boxes", row.name, g_log.exitRequests, g_log.powerRequests,
              g_log.messageBoxes);
    }
}

static void testEndAction98(const char* dllPath)
{
    testEndActionOn(dllPath, false);
}

static void testEndActionNt4(const char* dllPath)
{
    testEndActionOn(dllPath, true);
}

// ---- without the privilege: nothing --------------------------------------------

static void testEndActionPrivilegeRemoved(const char* dllPath)
{
    // One message each: the shutdown's with the system's reason, the
    // standby's fixed.
    static const struct {
        const char* name;
        int action;
        std::string text;
    } rows[] = {
        { "shutdown", 1013, withReason("System shutdown failed.", ERROR_NOT_ALL_ASSIGNED) },
        { "standby", 1015, STANDBY_FAILED },
    };
    // Both start with the privilege, so both load their action.
    LoadedPlugin plugins[2];
    resetFakes();
    for (int i = 0; i < 2; ++i) {
        char settings[256];
        snprintf(settings, sizeof settings, "[Nightfold]\r\nEnabled=1\r\nShutdown=%d\r\nHour=23\r\nMinute=30\r\n",
                 rows[i].action);
        if (!startPlugin(dllPath, rows[i].name, settings, &plugins[i]) || !fireAlarm(i + 1) ||
            !CHECK(waitForExitCommand(5000), "%s: the alarm does not fire", rows[i].name))
            return;
    }
    waitForWorkerEnd(5000);
    if (!CHECK(removeShutdownPrivilege(), "cannot remove the shutdown privilege"))
        return;
    g_log.tokensOpened = 0;
    for (int i = 0; i < 2; ++i) {
        plugins[i].header->quit();
        CHECK(g_log.tokensOpened == i + 1, "%s: the token was not asked", rows[i].name);
        CHECK(g_log.exitRequests == 0 && g_log.powerRequests == 0 && g_log.libraryLoads == 0,
              "%s: requested without the privilege", rows[i].name);
        CHECK(g_log.messageBoxes == i + 1 && rows[i].text == g_log.boxText, "%s: %ld boxes, [%s]", rows[i].name,
              g_log.messageBoxes, g_log.boxText);
    }
}

// ---- a planted POWRPROF.DLL ------------------------------------------------------

// Runs in a copy of the host that has a POWRPROF.DLL beside it and another
// in its current directory.
static void testPlantedChild(const char* dllPath)
{
    resetFakes();
    if (!fireAndQuit(dllPath, "planted", 1015, 0))
        return;
    char expected[MAX_PATH * 2];
    systemLibraryPath(expected, sizeof expected);
    CHECK(g_log.libraryLoads == 1 && _stricmp(g_log.libraryLoaded, expected) == 0,
          "the power library came from [%s], expected [%s]", g_log.libraryLoaded, expected);
}

static void testPowrprofPlanted(const char* dllPath)
{
    char host[MAX_PATH], copiedHost[MAX_PATH * 2], planted[MAX_PATH * 2], directory[MAX_PATH * 2];
    GetModuleFileNameA(NULL, host, sizeof host);
    snprintf(copiedHost, sizeof copiedHost, "%sapp\\nfhost.exe", caseFolder());
    if (!copyDllTo(dllPath, "app\\POWRPROF.DLL", planted) || !copyDllTo(dllPath, "cwd\\POWRPROF.DLL", planted) ||
        !CHECK(CopyFileA(host, copiedHost, FALSE), "copy of the host: error %lu", GetLastError()))
        return;
    snprintf(directory, sizeof directory, "%scwd", caseFolder());
    char commandLine[MAX_PATH * 3];
    snprintf(commandLine, sizeof commandLine, "nfhost.exe planted_child \"%s\"", dllPath);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CHECK(CreateProcessA(copiedHost, commandLine, NULL, NULL, TRUE, 0, NULL, directory, &startup, &process),
               "cannot start %s: error %lu", copiedHost, GetLastError()))
        return;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CHECK(code == 0, "the host beside a planted POWRPROF.DLL failed (%lu)", code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

const TestCase g_endActionCases[] = {
    { "end_action_flags", testEndActionFlags },
    { "end_action_standby", testEndActionStandby },
    { "end_action98", testEndAction98 },
    { "end_action_nt4", testEndActionNt4 },
    { "end_action_privilege_removed", testEndActionPrivilegeRemoved },
    { "powrprof_planted", testPowrprofPlanted },
    { "planted_child", testPlantedChild },
    { NULL, NULL },
};
