// The plugin under hostile conditions: odd install paths and names, the
// module loaded twice, and settings files that no dialog ever wrote.
#include "host.h"

#include <stdio.h>
#include <string.h>

#include <string>

// ---- recording the plugin's platform calls ------------------------------
//
// Several plugins may be loaded at once; each records into its own log,
// chosen by the module the call is made for (init runs one at a time, so
// the current one is set before each).

struct ProfileRead {
    char key[32];
    int fallback;
    UINT result;  // what the platform's reading of the file gave
    char file[MAX_PATH * 2];
};

struct CallLog {
    ProfileRead reads[32];
    int readCount;
    int writes;
    int threadsCreated;
    int powerStatusQueries;
};

static CallLog s_logs[2];
static CallLog* s_log = &s_logs[0];

static UINT(WINAPI* s_realGetProfileInt)(LPCSTR, LPCSTR, INT, LPCSTR);
static BOOL(WINAPI* s_realWriteProfileString)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
static BOOL(WINAPI* s_realGetSystemPowerStatus)(LPSYSTEM_POWER_STATUS);

static UINT WINAPI recordGetProfileInt(LPCSTR section, LPCSTR key, INT fallback, LPCSTR file)
{
    UINT result = s_realGetProfileInt(section, key, fallback, file);
    if (s_log->readCount < 32) {
        ProfileRead* read = &s_log->reads[s_log->readCount++];
        snprintf(read->key, sizeof read->key, "%s", key);
        snprintf(read->file, sizeof read->file, "%s", file);
        read->fallback = fallback;
        read->result = result;
        CHECK(strcmp(section, "Nightfold") == 0, "read from section [%s]", section);
    }
    return result;
}

static BOOL WINAPI recordWriteProfileString(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR file)
{
    ++s_log->writes;
    return s_realWriteProfileString(section, key, value, file);
}

// Stands in for CreateThread: counts the workers the plugin would start and
// starts none.
static HANDLE WINAPI countCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID,
                                       DWORD, LPDWORD id)
{
    ++s_log->threadsCreated;
    if (id)
        *id = 0;
    return NULL;
}

static BOOL WINAPI countGetSystemPowerStatus(LPSYSTEM_POWER_STATUS status)
{
    ++s_log->powerStatusQueries;
    return s_realGetSystemPowerStatus(status);
}

static const ProfileRead* findRead(const CallLog* log, const char* key)
{
    for (int i = 0; i < log->readCount; ++i) {
        if (strcmp(log->reads[i].key, key) == 0)
            return &log->reads[i];
    }
    return NULL;
}

// ---- files and paths longer than the ANSI functions take -----------------

static void widen(const char* ansi, WCHAR* wide, int size)
{
    if (!MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, size))
        wide[0] = 0;
}

static void createParentsW(const WCHAR* path)
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

static bool copyDllToW(const char* dllPath, const char* fullPath)
{
    WCHAR from[1024], to[1024];
    widen(dllPath, from, 1024);
    widen(fullPath, to, 1024);
    createParentsW(to);
    return CHECK(CopyFileW(from, to, FALSE), "copy to %s: error %lu", fullPath, GetLastError());
}

static bool writeBytes(const char* path, const std::string& bytes)
{
    WCHAR wide[1024];
    widen(path, wide, 1024);
    createParentsW(wide);
    HANDLE file = CreateFileW(wide, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

static std::string readBytes(const char* path)
{
    WCHAR wide[1024];
    widen(path, wide, 1024);
    std::string bytes;
    HANDLE file = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                              NULL);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, NULL) && read)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

// Loads through the wide function, which takes paths of any length, and
// fills the header as the player does.
static bool loadPluginW(const char* path, LoadedPlugin* out)
{
    WCHAR wide[1024];
    widen(path, wide, 1024);
    out->module = LoadLibraryW(wide);
    out->header = NULL;
    if (!CHECK(out->module != NULL, "LoadLibrary(%s): error %lu", path, GetLastError()))
        return false;
    typedef HostPluginHeader* (*GetHeader)(void);
    GetHeader getHeader = (GetHeader)(void*)GetProcAddress(out->module, "winampGetGeneralPurposePlugin");
    if (!CHECK(getHeader != NULL, "no export in %s", path))
        return false;
    out->header = getHeader();
    out->header->hostWindow = NULL;
    out->header->instance = out->module;
    return true;
}

// Patches the plugin's reads, writes, workers and power status into log.
static bool patchRecorders(LoadedPlugin* plugin)
{
    s_realGetProfileInt = (UINT(WINAPI*)(LPCSTR, LPCSTR, INT, LPCSTR))patchImport(
        plugin->module, "KERNEL32.dll", "GetPrivateProfileIntA", (void*)recordGetProfileInt);
    s_realWriteProfileString = (BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR))patchImport(
        plugin->module, "KERNEL32.dll", "WritePrivateProfileStringA", (void*)recordWriteProfileString);
    s_realGetSystemPowerStatus = (BOOL(WINAPI*)(LPSYSTEM_POWER_STATUS))patchImport(
        plugin->module, "KERNEL32.dll", "GetSystemPowerStatus", (void*)countGetSystemPowerStatus);
    patchImport(plugin->module, "KERNEL32.dll", "CreateThread", (void*)countCreateThread);
    return s_realGetProfileInt && s_realWriteProfileString && s_realGetSystemPowerStatus;
}

// Loads the plugin from path with its calls recorded into log and calls
// init.
static bool initRecorded(const char* path, LoadedPlugin* plugin, CallLog* log)
{
    memset(log, 0, sizeof *log);
    s_log = log;
    if (!loadPluginW(path, plugin) || !patchRecorders(plugin))
        return false;
    int result = plugin->header->init();
    return CHECK(result == 0, "init returned %d", result);
}

static const char* const KEYS[] = { "Enabled", "24HourDisplay", "Shutdown", "ForceAppsToClose", "Hour", "Minute" };
static const int FALLBACKS[] = { 0, 0, 1012, 0, 0, 0 };

// Every key read once, in order, with its default, from iniPath.
static void checkAllKeysRead(const CallLog* log, const char* iniPath, const char* what)
{
    CHECK(log->readCount == 6, "%s: %d keys read", what, log->readCount);
    for (int i = 0; i < 6 && i < log->readCount; ++i) {
        const ProfileRead* read = &log->reads[i];
        CHECK(strcmp(read->key, KEYS[i]) == 0 && read->fallback == FALLBACKS[i],
              "%s: read %d is %s default %d", what, i, read->key, read->fallback);
        CHECK(strcmp(read->file, iniPath) == 0, "%s: %s read from [%s], expected [%s]", what, read->key,
              read->file, iniPath);
    }
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
        if (!CHECK(module.size() == row.length, "path of %u characters", (unsigned)module.size()) ||
            !copyDllToW(dllPath, module.c_str()))
            continue;
        std::string stem = module.substr(0, module.rfind('.') + 1);
        std::string iniPath = stem + "ini";
        // Settings that would arm the alarm, where they belong and where a
        // cut path would end.
        const char* armed = "[Nightfold]\r\nEnabled=1\r\n";
        writeBytes(iniPath.c_str(), armed);
        writeBytes(iniPath.substr(0, 259).c_str(), armed);
        writeBytes((stem.substr(0, 256) + "ini").c_str(), armed);

        LoadedPlugin plugin;
        CallLog log;
        if (initRecorded(module.c_str(), &plugin, &log)) {
            const char* description = plugin.header->description;
            std::string base = module.substr(module.rfind('\\') + 1);
            std::string expected = std::string("Nightfold v2.0 [") + (row.named ? base : "") + "]";
            if (expected.size() > 63)
                expected.resize(63);
            CHECK(description && expected == description, "%u: description [%s]", (unsigned)row.length,
                  description ? description : "(null)");
            if (row.settings) {
                checkAllKeysRead(&log, iniPath.c_str(), module.c_str() + folder.size());
                CHECK(log.threadsCreated == 1, "%u: %d workers", (unsigned)row.length, log.threadsCreated);
            } else {
                // Without its own settings path the plugin keeps its defaults:
                // it reads nothing, writes nothing and arms nothing.
                CHECK(log.readCount == 0, "%u: %d keys read, the first from %s", (unsigned)row.length,
                      log.readCount, log.readCount ? log.reads[0].file : "");
                CHECK(log.threadsCreated == 0, "%u: %d workers", (unsigned)row.length, log.threadsCreated);
            }
            CHECK(log.writes == 0, "%u: %d writes", (unsigned)row.length, log.writes);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
    }
}

// ---- odd names ------------------------------------------------------------------

static void testOddNames(const char* dllPath)
{
    CHECK(GetACP() == 1252, "the prefix's ANSI code page is %u, the rows assume 1252", GetACP());
    static const struct {
        const char* copyTo;  // under the case folder; a trailing dot loads a name without extension
        const char* base;
        const char* iniPath;  // under the case folder
    } rows[] = {
        { "a.b.c\\gen.x.y.dll", "gen.x.y.dll", "a.b.c\\gen.x.y.ini" },
        { "plain\\gen..dll", "gen..dll", "plain\\gen..ini" },
        { "plain\\gen_nightfold.dll.bak", "gen_nightfold.dll.bak", "plain\\gen_nightfold.dll.ini" },
        { "v1.2\\gen_nightfold.", "gen_nightfold", "v1.ini" },
        { "v1.2\\.dll", ".dll", "v1.2\\.ini" },
        // CP1252 letters in the folder and the file name
        { "Musik \xe9t\xe9\\gen_nightfold\xdf.dll", "gen_nightfold\xdf.dll", "Musik \xe9t\xe9\\gen_nightfold\xdf.ini" },
        { "\xc4\xd6\xdc.\xe4\xf6\xfc\\gen.", "gen", "\xc4\xd6\xdc.ini" },
        { "x\\\xff\xfe\xa0.dll", "\xff\xfe\xa0.dll", "x\\\xff\xfe\xa0.ini" },
    };
    for (const auto& row : rows) {
        std::string module = std::string(caseFolder()) + row.copyTo;
        std::string iniPath = std::string(caseFolder()) + row.iniPath;
        if (!copyDllToW(dllPath, module.c_str()))
            continue;
        // The settings are found where they belong: they arm the alarm.
        writeBytes(iniPath.c_str(), "[Nightfold]\r\nEnabled=1\r\n");
        LoadedPlugin plugin;
        CallLog log;
        if (initRecorded(module.c_str(), &plugin, &log)) {
            std::string expected = std::string("Nightfold v2.0 [") + row.base + "]";
            const char* description = plugin.header->description;
            CHECK(description && expected == description, "%s: description [%s]", row.copyTo,
                  description ? description : "(null)");
            checkAllKeysRead(&log, iniPath.c_str(), row.copyTo);
            CHECK(log.threadsCreated == 1, "%s: %d workers", row.copyTo, log.threadsCreated);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
        DeleteFileA(iniPath.c_str());
    }
}

// ---- the module loaded twice under two names --------------------------------

static void testLoadedTwice(const char* dllPath)
{
    static const struct {
        const char* copyTo;
        const char* settings;
        int workers;
    } plugins[2] = {
        { "gen_alpha.dll", "[Nightfold]\r\nEnabled=1\r\nHour=7\r\n", 1 },
        { "gen_beta.dll", "[Nightfold]\r\nEnabled=0\r\nHour=9\r\n", 0 },
    };
    LoadedPlugin loaded[2] = {};
    std::string iniPaths[2];
    for (int i = 0; i < 2; ++i) {
        std::string module = std::string(caseFolder()) + plugins[i].copyTo;
        iniPaths[i] = module.substr(0, module.size() - 3) + "ini";
        if (!copyDllToW(dllPath, module.c_str()) || !writeBytes(iniPaths[i].c_str(), plugins[i].settings))
            return;
        if (!initRecorded(module.c_str(), &loaded[i], &s_logs[i]))
            return;
    }
    CHECK(loaded[0].module != loaded[1].module, "both names give the same module");
    CHECK(loaded[0].header != loaded[1].header, "both modules share one header");
    for (int i = 0; i < 2; ++i) {
        std::string expected = std::string("Nightfold v2.0 [") + plugins[i].copyTo + "]";
        CHECK(loaded[i].header->description && expected == loaded[i].header->description,
              "%s: description [%s]", plugins[i].copyTo, loaded[i].header->description);
        checkAllKeysRead(&s_logs[i], iniPaths[i].c_str(), plugins[i].copyTo);
        CHECK(s_logs[i].threadsCreated == plugins[i].workers, "%s: %d workers", plugins[i].copyTo,
              s_logs[i].threadsCreated);
        const ProfileRead* hour = findRead(&s_logs[i], "Hour");
        CHECK(hour && hour->result == (i ? 9u : 7u), "%s: Hour read as %u", plugins[i].copyTo,
              hour ? hour->result : 0);
    }
    for (int i = 1; i >= 0; --i) {
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
};

static const char NUL_BYTES[] = "[Nightfold]\r\nEnabled=1\0\0\0\r\nHour=2\0" "3\r\nMinute=\0\r\n";

static const HostileFile* hostileFiles(int* count)
{
    static const std::string line64k = std::string(65536, '7');
    static const HostileFile files[] = {
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
    };
    *count = sizeof files / sizeof *files;
    return files;
}

// What the plugin makes of the six values that the platform read: the
// worker starts when Enabled is non-zero, and the power status is asked only
// for a stored 1015.
static void checkDecisions(const CallLog* log, const char* what)
{
    const ProfileRead* enabled = findRead(log, "Enabled");
    const ProfileRead* shutdown = findRead(log, "Shutdown");
    if (!CHECK(enabled && shutdown, "%s: Enabled or Shutdown not read", what))
        return;
    CHECK(log->threadsCreated == (enabled->result != 0), "%s: Enabled read as %u, %d workers", what,
          enabled->result, log->threadsCreated);
    CHECK(log->powerStatusQueries == (shutdown->result == 1015), "%s: Shutdown read as %u, power asked %d times",
          what, shutdown->result, log->powerStatusQueries);
}

static void testHostileFiles(const char* dllPath)
{
    int count;
    const HostileFile* files = hostileFiles(&count);
    for (int i = 0; i < count; ++i) {
        const HostileFile& file = files[i];
        // A module of its own for each file: nothing the platform remembers
        // of one file carries over to the next.
        char relative[64];
        snprintf(relative, sizeof relative, "hostile%02d\\gen_nightfold.dll", i);
        std::string module = std::string(caseFolder()) + relative;
        std::string iniPath = module.substr(0, module.size() - 3) + "ini";
        if (!copyDllToW(dllPath, module.c_str()) ||
            !CHECK(writeBytes(iniPath.c_str(), file.bytes), "%s: cannot write the file", file.name))
            continue;
        LoadedPlugin plugin;
        CallLog log;
        if (initRecorded(module.c_str(), &plugin, &log)) {
            checkAllKeysRead(&log, iniPath.c_str(), file.name);
            checkDecisions(&log, file.name);
            printf("%-28s", file.name);
            for (int k = 0; k < log.readCount; ++k)
                printf(" %s=%u", log.reads[k].key, log.reads[k].result);
            printf("\n");
            CHECK(log.threadsCreated == file.armed, "%s: %d workers", file.name, log.threadsCreated);
            CHECK((log.powerStatusQueries > 0) == file.powerAsked, "%s: power asked %d times", file.name,
                  log.powerStatusQueries);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
        CHECK(readBytes(iniPath.c_str()) == file.bytes, "%s: the file changed", file.name);
    }
}

// Where the file should be there is a folder, or a file that no one may
// write: reading still gives the defaults or what the file holds.
static void testUnusableFiles(const char* dllPath)
{
    char module[MAX_PATH * 2];
    if (!copyDllTo(dllPath, "folder\\gen_nightfold.dll", module))
        return;
    std::string iniPath = std::string(caseFolder()) + "folder\\gen_nightfold.ini";
    CHECK(CreateDirectoryA(iniPath.c_str(), NULL), "cannot make the folder %s", iniPath.c_str());
    writeBytes((iniPath + "\\Nightfold").c_str(), "[Nightfold]\r\nEnabled=1\r\n");
    LoadedPlugin plugin;
    CallLog log;
    if (initRecorded(module, &plugin, &log)) {
        checkAllKeysRead(&log, iniPath.c_str(), "folder");
        for (int i = 0; i < log.readCount; ++i)
            CHECK(log.reads[i].result == (UINT)FALLBACKS[i], "folder: %s read as %u", KEYS[i], log.reads[i].result);
        CHECK(log.threadsCreated == 0, "folder: %d workers", log.threadsCreated);
        plugin.header->quit();
    }
    unloadPlugin(&plugin);

    if (!copyDllTo(dllPath, "locked\\gen_nightfold.dll", module))
        return;
    iniPath = std::string(caseFolder()) + "locked\\gen_nightfold.ini";
    const char* text = "[Nightfold]\r\nEnabled=1\r\nShutdown=1013\r\nHour=21\r\nMinute=45\r\n";
    writeBytes(iniPath.c_str(), text);
    SetFileAttributesA(iniPath.c_str(), FILE_ATTRIBUTE_READONLY);
    // Wine as root writes read-only files; a handle that shares no writing
    // makes every write fail.
    HANDLE lock = CreateFileA(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    CHECK(lock != INVALID_HANDLE_VALUE, "cannot hold %s open", iniPath.c_str());
    CHECK(!WritePrivateProfileStringA("Nightfold", "Probe", "1", iniPath.c_str()),
          "the held file can still be written");
    if (initRecorded(module, &plugin, &log)) {
        checkAllKeysRead(&log, iniPath.c_str(), "locked");
        checkDecisions(&log, "locked");
        const ProfileRead* hour = findRead(&log, "Hour");
        CHECK(hour && hour->result == 21, "locked: Hour read as %u", hour ? hour->result : 0);
        plugin.header->quit();
    }
    unloadPlugin(&plugin);
    CloseHandle(lock);
    SetFileAttributesA(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK(readBytes(iniPath.c_str()) == text, "locked: the file changed");
}

const TestCase g_hardeningCases[] = {
    { "long_paths", testLongPaths },
    { "odd_names", testOddNames },
    { "loaded_twice", testLoadedTwice },
    { "hostile_files", testHostileFiles },
    { "unusable_files", testUnusableFiles },
    { NULL, NULL },
};
