// The plugin as the player sees it: the header, the names derived from the
// module's file name, the settings read at init and the shutdown right.
#include "host.h"

#include <stdio.h>
#include <string.h>

// ---- recording the plugin's platform calls ------------------------------

struct ProfileRead {
    char key[32];
    int fallback;
    char file[MAX_PATH * 2];
};

static ProfileRead s_reads[64];
static int s_readCount;
static UINT(WINAPI* s_realGetProfileInt)(LPCSTR, LPCSTR, INT, LPCSTR);

static UINT WINAPI recordGetProfileInt(LPCSTR section, LPCSTR key, INT fallback, LPCSTR file)
{
    if (s_readCount < 64) {
        ProfileRead* read = &s_reads[s_readCount++];
        snprintf(read->key, sizeof read->key, "%s", key);
        snprintf(read->file, sizeof read->file, "%s", file);
        read->fallback = fallback;
        CHECK(strcmp(section, "Nightfold") == 0, "read from section [%s]", section);
    }
    return s_realGetProfileInt(section, key, fallback, file);
}

static const ProfileRead* findRead(const char* key)
{
    for (int i = 0; i < s_readCount; ++i) {
        if (strcmp(s_reads[i].key, key) == 0)
            return &s_reads[i];
    }
    return NULL;
}

static int s_threadsCreated;

// Stands in for CreateThread: counts the workers the plugin would start.
static HANDLE WINAPI countCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID,
                                       DWORD, LPDWORD id)
{
    ++s_threadsCreated;
    if (id)
        *id = 0;
    return NULL;
}

static int s_powerStatusQueries;
static BOOL(WINAPI* s_realGetSystemPowerStatus)(LPSYSTEM_POWER_STATUS);

static BOOL WINAPI countGetSystemPowerStatus(LPSYSTEM_POWER_STATUS status)
{
    ++s_powerStatusQueries;
    return s_realGetSystemPowerStatus(status);
}

static int s_tokensOpened;
static BOOL(WINAPI* s_realOpenProcessToken)(HANDLE, DWORD, PHANDLE);

static BOOL WINAPI countOpenProcessToken(HANDLE process, DWORD access, PHANDLE token)
{
    ++s_tokensOpened;
    return s_realOpenProcessToken(process, access, token);
}

static void resetRecords(void)
{
    s_readCount = 0;
    s_threadsCreated = 0;
    s_powerStatusQueries = 0;
    s_tokensOpened = 0;
}

// Loads the plugin from path with its reads, workers, power status and
// token opening recorded, and calls init.
static bool initRecorded(const char* path, LoadedPlugin* plugin)
{
    resetRecords();
    if (!loadPlugin(path, NULL, plugin))
        return false;
    s_realGetProfileInt = (UINT(WINAPI*)(LPCSTR, LPCSTR, INT, LPCSTR))patchImport(
        plugin->module, "KERNEL32.dll", "GetPrivateProfileIntA", (void*)recordGetProfileInt);
    patchImport(plugin->module, "KERNEL32.dll", "CreateThread", (void*)countCreateThread);
    s_realGetSystemPowerStatus = (BOOL(WINAPI*)(LPSYSTEM_POWER_STATUS))patchImport(
        plugin->module, "KERNEL32.dll", "GetSystemPowerStatus", (void*)countGetSystemPowerStatus);
    s_realOpenProcessToken = (BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE))patchImport(
        plugin->module, "ADVAPI32.dll", "OpenProcessToken", (void*)countOpenProcessToken);
    if (!s_realGetProfileInt || !s_realGetSystemPowerStatus || !s_realOpenProcessToken)
        return false;
    int result = plugin->header->init();
    return CHECK(result == 0, "init returned %d", result);
}

// ---- the header ------------------------------------------------------------

static void testHeader(const char* dllPath)
{
    char path[MAX_PATH * 2];
    if (!copyDllTo(dllPath, "gen_nightfold.dll", path))
        return;
    LoadedPlugin plugin;
    if (!loadPlugin(path, NULL, &plugin))
        return;
    typedef HostPluginHeader* (*GetHeader)(void);
    GetHeader getHeader = (GetHeader)(void*)GetProcAddress(plugin.module, "winampGetGeneralPurposePlugin");
    CHECK(getHeader() == plugin.header, "the export returns the same header each time");
    CHECK(GetProcAddress(plugin.module, MAKEINTRESOURCEA(1)) == (FARPROC)(void*)getHeader,
          "the export is ordinal 1");
    HostPluginHeader* header = plugin.header;
    CHECK(header->version == 16, "version %d", header->version);
    CHECK(header->description == NULL, "description before init is not null");
    CHECK(header->init && header->config && header->quit, "a callback is missing");

    s_realGetProfileInt = (UINT(WINAPI*)(LPCSTR, LPCSTR, INT, LPCSTR))patchImport(
        plugin.module, "KERNEL32.dll", "GetPrivateProfileIntA", (void*)recordGetProfileInt);
    CHECK(header->init() == 0, "init returns 0");
    CHECK(header->description && strcmp(header->description, "Nightfold v2.0 [gen_nightfold.dll]") == 0,
          "description after init: %s", header->description ? header->description : "(null)");
    header->quit();
    unloadPlugin(&plugin);
}

// ---- names derived from the module's path -----------------------------------

static void testNames(const char* dllPath)
{
    static const struct {
        const char* copyTo;       // under the case folder; a trailing dot loads a name without extension
        const char* description;
        const char* iniPath;      // under the case folder, or absolute when it has no backslash
    } rows[] = {
        { "gen_nightfold.dll", "Nightfold v2.0 [gen_nightfold.dll]", "gen_nightfold.ini" },
        { "Plugins\\gen_other.dll", "Nightfold v2.0 [gen_other.dll]", "Plugins\\gen_other.ini" },
        { "my.plugins\\gen.night.fold.dll", "Nightfold v2.0 [gen.night.fold.dll]", "my.plugins\\gen.night.fold.ini" },
        { "my.plugins\\noextension.", "Nightfold v2.0 [noextension]", "my.ini" },
        { "plain\\nodotatall.", "Nightfold v2.0 [nodotatall]", "ini" },
        { "gen_a_very_long_plugin_file_name_that_does_not_fit_in_a_description.dll",
          "Nightfold v2.0 [gen_a_very_long_plugin_file_name_that_does_not_",
          "gen_a_very_long_plugin_file_name_that_does_not_fit_in_a_description.ini" },
    };
    for (const auto& row : rows) {
        char path[MAX_PATH * 2];
        if (!copyDllTo(dllPath, row.copyTo, path))
            continue;
        char expectedIni[MAX_PATH * 2];
        if (strcmp(row.iniPath, "ini") == 0)
            snprintf(expectedIni, sizeof expectedIni, "ini");
        else
            snprintf(expectedIni, sizeof expectedIni, "%s%s", caseFolder(), row.iniPath);
        LoadedPlugin plugin;
        if (!initRecorded(path, &plugin))
            continue;
        const char* description = plugin.header->description;
        CHECK(description && strcmp(description, row.description) == 0, "%s: description [%s]",
              row.copyTo, description ? description : "(null)");
        CHECK(description && strlen(description) <= 63, "%s: description longer than 63", row.copyTo);
        CHECK(s_readCount > 0, "%s: no settings read", row.copyTo);
        for (int i = 0; i < s_readCount; ++i) {
            CHECK(strcmp(s_reads[i].file, expectedIni) == 0, "%s: %s read from %s, expected %s", row.copyTo,
                  s_reads[i].key, s_reads[i].file, expectedIni);
        }
        plugin.header->quit();
        unloadPlugin(&plugin);
    }
}

// ---- settings read at init --------------------------------------------------

static void testSettingsRead(const char* dllPath)
{
    char path[MAX_PATH * 2];
    if (!copyDllTo(dllPath, "gen_nightfold.dll", path))
        return;
    char iniPath[MAX_PATH * 2];
    snprintf(iniPath, sizeof iniPath, "%sgen_nightfold.ini", caseFolder());

    // Without a file every key is read, in this order, with its default.
    static const struct {
        const char* key;
        int fallback;
    } keys[] = {
        { "Enabled", 0 }, { "24HourDisplay", 0 }, { "Shutdown", 1012 },
        { "ForceAppsToClose", 0 }, { "Hour", 0 }, { "Minute", 0 },
    };
    LoadedPlugin plugin;
    DeleteFileA(iniPath);
    if (initRecorded(path, &plugin)) {
        CHECK(s_readCount == 6, "%d keys read", s_readCount);
        for (int i = 0; i < 6 && i < s_readCount; ++i) {
            CHECK(strcmp(s_reads[i].key, keys[i].key) == 0 && s_reads[i].fallback == keys[i].fallback,
                  "read %d: %s default %d, expected %s default %d", i, s_reads[i].key, s_reads[i].fallback,
                  keys[i].key, keys[i].fallback);
        }
        CHECK(s_threadsCreated == 0, "a worker started without a settings file");
        plugin.header->quit();
    }
    unloadPlugin(&plugin);

    // What the file holds decides whether a worker starts and whether the
    // power status is asked.
    static const struct {
        const char* text;
        int workers;
        int powerQueries;
    } rows[] = {
        { "[Nightfold]\r\nEnabled=1\r\n", 1, 0 },
        { "[Nightfold]\r\nEnabled=05\r\n", 1, 0 },
        { "[Nightfold]\r\nEnabled=-1\r\n", 1, 0 },
        { "[Nightfold]\r\nEnabled=0\r\n", 0, 0 },
        { "[Nightfold]\r\nEnabled=\r\n", 0, 0 },
        { "[Nightfold]\r\nEnabled=yes\r\n", 0, 0 },
        { "[Other]\r\nEnabled=1\r\n", 0, 0 },
        { "[Nightfold]\r\nShutdown=1015\r\n", 0, 1 },
        { "[Nightfold]\r\nShutdown=1013\r\n", 0, 0 },
        { "[Nightfold]\r\nShutdown=1014\r\n", 0, 0 },
        { "[Nightfold]\r\nEnabled=1\r\nShutdown=1015\r\nHour=23\r\nMinute=59\r\n", 1, 1 },
    };
    for (const auto& row : rows) {
        if (!CHECK(writeWholeFile(iniPath, row.text), "cannot write %s", iniPath))
            continue;
        if (initRecorded(path, &plugin)) {
            CHECK(s_threadsCreated == row.workers, "%s: %d workers started, expected %d", row.text,
                  s_threadsCreated, row.workers);
            CHECK(s_powerStatusQueries == row.powerQueries, "%s: power status asked %d times, expected %d",
                  row.text, s_powerStatusQueries, row.powerQueries);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
    }
}

// ---- the shutdown right -----------------------------------------------------

// Loads the plugin with a file that stores a valid action and reports
// whether init read it (it reads the action only with the shutdown right).
static void checkShutdownRight(const char* dllPath, bool expectRight, bool expectTokenOpened)
{
    char path[MAX_PATH * 2];
    if (!copyDllTo(dllPath, "gen_nightfold.dll", path))
        return;
    char iniPath[MAX_PATH * 2];
    snprintf(iniPath, sizeof iniPath, "%sgen_nightfold.ini", caseFolder());
    writeWholeFile(iniPath, "[Nightfold]\r\nShutdown=1013\r\nForceAppsToClose=1\r\n");
    LoadedPlugin plugin;
    if (initRecorded(path, &plugin)) {
        CHECK((findRead("Shutdown") != NULL) == expectRight, "Shutdown %s", expectRight ? "not read" : "read");
        CHECK(findRead("ForceAppsToClose") != NULL, "ForceAppsToClose not read");
        CHECK((s_tokensOpened > 0) == expectTokenOpened, "%d tokens opened", s_tokensOpened);
        plugin.header->quit();
    }
    unloadPlugin(&plugin);
}

static void testShutdownRight(const char* dllPath)
{
    checkShutdownRight(dllPath, true, true);
}

static void testShutdownRight98(const char* dllPath)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (!CHECK(version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS, "the host does not run as the 9x family"))
        return;
    checkShutdownRight(dllPath, true, false);
}

static void testShutdownRightRemoved(const char* dllPath)
{
    if (!CHECK(removeShutdownPrivilege(), "cannot remove the shutdown privilege"))
        return;
    checkShutdownRight(dllPath, false, true);
}

const TestCase g_spineCases[] = {
    { "header", testHeader },
    { "names", testNames },
    { "settings_read", testSettingsRead },
    { "shutdown_right", testShutdownRight },
    { "shutdown_right98", testShutdownRight98 },
    { "shutdown_right_removed", testShutdownRightRemoved },
    { NULL, NULL },
};
