// The plugin as the player sees it: the header, the names derived from the
// module's file name and the shutdown right.
#include "host.h"

#include <stdio.h>
#include <string.h>

// ---- the header ------------------------------------------------------------

static void testHeader(const char* dllPath)
{
    char path[MAX_PATH * 2];
    LoadedPlugin plugin;
    resetFakes();
    g_fakes.threads = THREADS_NONE;
    if (!copyDllTo(dllPath, "gen_nightfold.dll", path) || !loadFaked(path, &plugin, false))
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
    CHECK(header->init() == 0, "init returns 0");
    CHECK(header->description && strcmp(header->description, "Nightfold v2.0 [gen_nightfold.dll]") == 0,
          "description after init: %s", header->description ? header->description : "(null)");
    header->quit();
    unloadPlugin(&plugin);
}

// ---- names derived from the module's path -----------------------------------

static void testNames(const char* dllPath)
{
    CHECK(GetACP() == 1252, "the prefix's ANSI code page is %u, the rows assume 1252", GetACP());
    static const struct {
        const char* copyTo;   // under the case folder; a trailing dot loads a name without extension
        const char* base;     // in the description, which is cut at 63 characters
        const char* iniPath;  // under the case folder; "ini" as it stands
    } rows[] = {
        { "gen_nightfold.dll", "gen_nightfold.dll", "gen_nightfold.ini" },
        { "Plugins\\gen_other.dll", "gen_other.dll", "Plugins\\gen_other.ini" },
        { "a.b.c\\gen.x.y.dll", "gen.x.y.dll", "a.b.c\\gen.x.y.ini" },
        { "plain\\gen..dll", "gen..dll", "plain\\gen..ini" },
        { "plain\\gen_nightfold.dll.bak", "gen_nightfold.dll.bak", "plain\\gen_nightfold.dll.ini" },
        { "plain\\nodotatall.", "nodotatall", "ini" },
        { "v1.2\\gen_nightfold.", "gen_nightfold", "v1.ini" },
        { "v1.2\\.dll", ".dll", "v1.2\\.ini" },
        { "gen_a_very_long_plugin_file_name_that_does_not_fit_in_a_description.dll",
          "gen_a_very_long_plugin_file_name_that_does_not_fit_in_a_description.dll",
          "gen_a_very_long_plugin_file_name_that_does_not_fit_in_a_description.ini" },
        // CP1252 letters in the folder and the file name
        { "Musik \xe9t\xe9\\gen_nightfold\xdf.dll", "gen_nightfold\xdf.dll", "Musik \xe9t\xe9\\gen_nightfold\xdf.ini" },
        { "\xc4\xd6\xdc.\xe4\xf6\xfc\\gen.", "gen", "\xc4\xd6\xdc.ini" },
        { "x\\\xff\xfe\xa0.dll", "\xff\xfe\xa0.dll", "x\\\xff\xfe\xa0.ini" },
    };
    for (const auto& row : rows) {
        char path[MAX_PATH * 2];
        bool local = strcmp(row.iniPath, "ini") != 0;
        std::string iniPath = local ? std::string(caseFolder()) + row.iniPath : row.iniPath;
        LoadedPlugin plugin;
        resetFakes();
        g_fakes.threads = THREADS_NONE;
        // The settings are found where they belong: they arm the alarm.
        if (!copyDllTo(dllPath, row.copyTo, path) ||
            (local && !writeWholeFile(iniPath.c_str(), "[Nightfold]\r\nEnabled=1\r\n")) || !loadFaked(path, &plugin))
            continue;
        std::string expected = std::string("Nightfold v2.0 [") + row.base + "]";
        expected.resize(expected.size() < 63 ? expected.size() : 63);
        const char* description = plugin.header->description;
        CHECK(description && expected == description, "%s: description [%s]", row.copyTo,
              description ? description : "(null)");
        checkAllKeysRead(&g_log, iniPath.c_str(), row.copyTo);
        CHECK(g_log.threadsCreated == local, "%s: %ld workers", row.copyTo, g_log.threadsCreated);
        plugin.header->quit();
        unloadPlugin(&plugin);
        DeleteFileA(iniPath.c_str());
    }
}

// ---- the shutdown right -----------------------------------------------------

// Loads the plugin with a file that stores a valid action and reports
// whether init read it (it reads the action only with the shutdown right).
static void checkShutdownRight(const char* dllPath, bool expectRight, bool expectTokenOpened)
{
    char path[MAX_PATH * 2];
    std::string iniPath = std::string(caseFolder()) + "gen_nightfold.ini";
    LoadedPlugin plugin;
    resetFakes();
    g_fakes.threads = THREADS_NONE;
    if (!copyDllTo(dllPath, "gen_nightfold.dll", path) ||
        !writeWholeFile(iniPath.c_str(), "[Nightfold]\r\nShutdown=1013\r\nForceAppsToClose=1\r\n") ||
        !loadFaked(path, &plugin))
        return;
    CHECK((findRead(&g_log, "Shutdown") != NULL) == expectRight, "Shutdown %s", expectRight ? "not read" : "read");
    CHECK(findRead(&g_log, "ForceAppsToClose") != NULL, "ForceAppsToClose not read");
    CHECK((g_log.tokensOpened > 0) == expectTokenOpened, "%ld tokens opened", g_log.tokensOpened);
    plugin.header->quit();
    unloadPlugin(&plugin);
}

static void testShutdownRight(const char* dllPath)
{
    checkShutdownRight(dllPath, true, true);
}

static void testShutdownRight98(const char* dllPath)
{
    if (runsAs9x())
        checkShutdownRight(dllPath, true, false);
}

static void testShutdownRightRemoved(const char* dllPath)
{
    if (CHECK(removeShutdownPrivilege(), "cannot remove the shutdown privilege"))
        checkShutdownRight(dllPath, false, true);
}

const TestCase g_spineCases[] = {
    { "header", testHeader },
    { "names", testNames },
    { "shutdown_right", testShutdownRight },
    { "shutdown_right98", testShutdownRight98 },
    { "shutdown_right_removed", testShutdownRightRemoved },
    { NULL, NULL },
};
