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
    CreateDirectoryA(iniPath.c_str(), NULL);
    DWORD attributes = GetFileAttributesA(iniPath.c_str());
    CHECK(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY),
          "cannot make the folder %s", iniPath.c_str());
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
static const int IDC_HOUR_LIST = 1005, IDC_MINUTE_LIST = 1006, IDC_AM_BUTTON = 1003, IDC_PM_BUTTON = 1004;
static const int IDC_24HOUR_BOX = 1021, IDC_FORCE_BOX = 1014;
static const UINT WM_DRIVE = WM_APP + 77;

static DialogPlan s_plan;
static DialogView s_view;
static int s_dialogsOpened, s_dialogsDriven;
static DLGPROC s_pluginProc;
static INT_PTR(WINAPI* s_realDialogBoxParam)(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM);

static bool isChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static int checkedOf(HWND dialog, const int* ids, int count)
{
    for (int i = 0; i < count; ++i) {
        if (isChecked(dialog, ids[i]))
            return ids[i];
    }
    return 0;
}

static DialogView readView(HWND dialog)
{
    DialogView view = {};
    view.pluginButton = checkedOf(dialog, PLUGIN_BUTTONS, 3);
    view.actionButton = checkedOf(dialog, ACTION_BUTTONS, 4);
    view.force = isChecked(dialog, IDC_FORCE_BOX);
    view.forceEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_FORCE_BOX));
    view.use24 = isChecked(dialog, IDC_24HOUR_BOX);
    view.am = isChecked(dialog, IDC_AM_BUTTON);
    view.pm = isChecked(dialog, IDC_PM_BUTTON);
    view.hourItem = (int)SendDlgItemMessageA(dialog, IDC_HOUR_LIST, CB_GETCURSEL, 0, 0);
    GetDlgItemTextA(dialog, IDC_HOUR_LIST, view.hourText, sizeof view.hourText);
    view.minuteItem = (int)SendDlgItemMessageA(dialog, IDC_MINUTE_LIST, CB_GETCURSEL, 0, 0);
    GetDlgItemTextA(dialog, IDC_MINUTE_LIST, view.minuteText, sizeof view.minuteText);
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
        SendDlgItemMessageA(dialog, id, BM_SETCHECK, !isChecked(dialog, id), 0);
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
    if (plan.use24 >= 0 && isChecked(dialog, IDC_24HOUR_BOX) != (plan.use24 != 0))
        click(dialog, IDC_24HOUR_BOX, NULL, 0);
    if (plan.hour >= 0) {
        if (isChecked(dialog, IDC_24HOUR_BOX)) {
            SendDlgItemMessageA(dialog, IDC_HOUR_LIST, CB_SETCURSEL, plan.hour, 0);
        } else {
            int shown = plan.hour % 12 == 0 ? 12 : plan.hour % 12;
            SendDlgItemMessageA(dialog, IDC_HOUR_LIST, CB_SETCURSEL, shown - 1, 0);
            static const int halves[] = { IDC_AM_BUTTON, IDC_PM_BUTTON };
            click(dialog, plan.hour < 12 ? IDC_AM_BUTTON : IDC_PM_BUTTON, halves, 2);
        }
    }
    if (plan.minute >= 0)
        SendDlgItemMessageA(dialog, IDC_MINUTE_LIST, CB_SETCURSEL, plan.minute, 0);
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
static void checkShown(const CallLog* log, const DialogView& view, const char* what)
{
    UINT values[6] = {};
    for (int i = 0; i < 6; ++i) {
        const ProfileRead* read = findRead(log, KEYS[i]);
        values[i] = read ? read->result : (UINT)FALLBACKS[i];
    }
    bool enabled = values[0] != 0;
    bool use24 = values[1] != 0;
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

// The values OK stores for what the dialog showed, as the next load reads
// them.
static void expectedAfterOk(const DialogView& view, UINT* values)
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
}

static void checkReadAgain(const CallLog* log, const UINT* values, const char* what)
{
    for (int i = 0; i < 6; ++i) {
        const ProfileRead* read = findRead(log, KEYS[i]);
        CHECK(read && read->result == values[i], "%s: after OK %s reads %u, expected %u", what, KEYS[i],
              read ? read->result : 0, values[i]);
    }
}

static int s_messageBoxes;

static int WINAPI countMessageBox(HWND, LPCSTR, LPCSTR, UINT)
{
    ++s_messageBoxes;
    return IDOK;
}

static int s_exitWindowsCalls, s_powerStateCalls;
static UINT s_exitWindowsFlags;

static BOOL WINAPI fakeExitWindowsEx(UINT flags, DWORD)
{
    ++s_exitWindowsCalls;
    s_exitWindowsFlags = flags;
    return FALSE;
}

static BOOL WINAPI fakeSetSystemPowerState(BOOL, BOOL)
{
    ++s_powerStateCalls;
    return FALSE;
}

// Nothing the plugin does may end the session or block on a message box.
static bool patchEndAction(LoadedPlugin* plugin)
{
    return patchImport(plugin->module, "USER32.dll", "ExitWindowsEx", (void*)fakeExitWindowsEx) &&
           patchImport(plugin->module, "KERNEL32.dll", "SetSystemPowerState", (void*)fakeSetSystemPowerState) &&
           patchImport(plugin->module, "USER32.dll", "MessageBoxA", (void*)countMessageBox);
}

static void testHostileDialog(const char* dllPath)
{
    int count;
    const HostileFile* files = hostileFiles(&count);
    for (int i = 0; i < count; ++i) {
        const HostileFile& file = files[i];
        char relative[64];
        snprintf(relative, sizeof relative, "dialog%02d\\gen_nightfold.dll", i);
        std::string module = std::string(caseFolder()) + relative;
        std::string iniPath = module.substr(0, module.size() - 3) + "ini";
        if (!copyDllToW(dllPath, module.c_str()) || !writeBytes(iniPath.c_str(), file.bytes))
            continue;
        LoadedPlugin plugin;
        CallLog log;
        if (initRecorded(module.c_str(), &plugin, &log) && patchDialogDriver(&plugin) && patchEndAction(&plugin)) {
            CallLog afterOk;
            memset(&afterOk, 0, sizeof afterOk);
            // Reads made while config runs (the reload after OK) go to afterOk.
            s_log = &afterOk;
            configWith(&plugin, LEAVE_AS_SHOWN);
            checkShown(&log, s_view, file.name);
            UINT expected[6];
            expectedAfterOk(s_view, expected);
            checkReadAgain(&afterOk, expected, file.name);
            CHECK(afterOk.writes == 6, "%s: %d writes", file.name, afterOk.writes);
            CHECK(afterOk.threadsCreated == (int)expected[0], "%s: %d workers after OK", file.name,
                  afterOk.threadsCreated);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
    }
}

// OK where the file cannot be written closes the dialog as usual, and the
// reload reads what the file still holds; where there is no file, OK makes
// one with exactly the six keys.
static void testUnwritableDialog(const char* dllPath)
{
    static const DialogPlan choose = { 1002, 1013, 1, 23, 5, true, NULL };
    static const struct {
        const char* name;
        const char* text;  // NULL: a folder stands where the file should be
        bool lock;
        UINT readAfter[6];
    } rows[] = {
        { "folder", NULL, false, { 0, 0, 1012, 0, 0, 0 } },
        { "locked", "[Nightfold]\r\nEnabled=0\r\nShutdown=1018\r\nHour=21\r\nMinute=45\r\n", true,
          { 0, 0, 1018, 0, 21, 45 } },
        { "fresh", "", false, { 1, 1, 1013, 0, 23, 5 } },
    };
    for (const auto& row : rows) {
        std::string module = std::string(caseFolder()) + "unwritable-" + row.name + "\\gen_nightfold.dll";
        std::string iniPath = module.substr(0, module.size() - 3) + "ini";
        if (!copyDllToW(dllPath, module.c_str()))
            continue;
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (!row.text) {
            CreateDirectoryA(iniPath.c_str(), NULL);
        } else if (row.text[0]) {
            writeBytes(iniPath.c_str(), row.text);
            SetFileAttributesA(iniPath.c_str(), FILE_ATTRIBUTE_READONLY);
            if (row.lock)
                lock = CreateFileA(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        }
        LoadedPlugin plugin;
        CallLog log;
        if (initRecorded(module.c_str(), &plugin, &log) && patchDialogDriver(&plugin) && patchEndAction(&plugin)) {
            CallLog afterOk = {};
            s_log = &afterOk;
            configWith(&plugin, choose);
            checkReadAgain(&afterOk, row.readAfter, row.name);
            CHECK(afterOk.threadsCreated == (int)row.readAfter[0], "%s: %d workers after OK", row.name,
                  afterOk.threadsCreated);
            plugin.header->quit();
        }
        unloadPlugin(&plugin);
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        SetFileAttributesA(iniPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (row.text && row.text[0])
            CHECK(readBytes(iniPath.c_str()) == row.text, "%s: the file changed", row.name);
        if (row.text && !row.text[0])
            CHECK(readBytes(iniPath.c_str()) ==
                      "[Nightfold]\r\nEnabled=1\r\nShutdown=1013\r\nForceAppsToClose=0\r\n24HourDisplay=1\r\n"
                      "Hour=23\r\nMinute=05\r\n",
                  "fresh: the file holds [%s]", readBytes(iniPath.c_str()).c_str());
    }

    // A settings path that does not fit: OK neither writes nor arms, not
    // even for this run only.
    std::string module = pathOfLength(std::string(caseFolder()) + "unwritable-long\\", 258, ".x");
    if (!copyDllToW(dllPath, module.c_str()))
        return;
    LoadedPlugin plugin;
    CallLog log;
    if (initRecorded(module.c_str(), &plugin, &log) && patchDialogDriver(&plugin) && patchEndAction(&plugin)) {
        DialogPlan runOnce = choose;
        runOnce.pluginButton = 1010;
        CallLog afterOk = {};
        s_log = &afterOk;
        configWith(&plugin, runOnce);
        CHECK(s_view.pluginButton == 1020 && s_view.actionButton == 1012 && s_view.hourItem == 11 && s_view.am,
              "long: the dialog does not show the defaults");
        CHECK(afterOk.writes == 0 && afterOk.readCount == 0 && afterOk.threadsCreated == 0,
              "long: after OK %d writes, %d reads, %d workers", afterOk.writes, afterOk.readCount,
              afterOk.threadsCreated);
        plugin.header->quit();
    }
    unloadPlugin(&plugin);
}

// ---- the clock, the timer and the host window ------------------------------

static SYSTEMTIME s_fakeNow;

static void WINAPI fakeGetLocalTime(LPSYSTEMTIME now)
{
    *now = s_fakeNow;
}

static volatile LONG s_timersArmed;
static volatile LONGLONG s_lastDue;
static BOOL(WINAPI* s_realSetWaitableTimer)(HANDLE, const LARGE_INTEGER*, LONG, PTIMERAPCROUTINE, LPVOID, BOOL);

static BOOL WINAPI recordSetWaitableTimer(HANDLE timer, const LARGE_INTEGER* due, LONG period,
                                          PTIMERAPCROUTINE routine, LPVOID argument, BOOL resume)
{
    s_lastDue = due->QuadPart;
    InterlockedIncrement(&s_timersArmed);
    return s_realSetWaitableTimer(timer, due, period, routine, argument, resume);
}

static char s_timerNames[2][MAX_PATH];
static int s_timerNameCount;
static HANDLE(WINAPI* s_realCreateWaitableTimer)(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR);

static HANDLE WINAPI recordCreateWaitableTimer(LPSECURITY_ATTRIBUTES security, BOOL manual, LPCSTR name)
{
    snprintf(s_timerNames[s_timerNameCount++ % 2], MAX_PATH, "%s", name ? name : "(none)");
    return s_realCreateWaitableTimer(security, manual, name);
}

static bool patchAlarm(LoadedPlugin* plugin)
{
    s_realSetWaitableTimer =
        (BOOL(WINAPI*)(HANDLE, const LARGE_INTEGER*, LONG, PTIMERAPCROUTINE, LPVOID, BOOL))patchImport(
            plugin->module, "KERNEL32.dll", "SetWaitableTimer", (void*)recordSetWaitableTimer);
    return patchImport(plugin->module, "KERNEL32.dll", "GetLocalTime", (void*)fakeGetLocalTime) &&
           s_realSetWaitableTimer;
}

static ULONGLONG localToUtc(const SYSTEMTIME& local)
{
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return ((ULONGLONG)utc.dwHighDateTime << 32) | utc.dwLowDateTime;
}

static SYSTEMTIME shifted(const SYSTEMTIME& time, LONGLONG seconds)
{
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    ULONGLONG value = ((ULONGLONG)file.dwHighDateTime << 32 | file.dwLowDateTime) + seconds * 10000000LL;
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
    while (s_timersArmed < total && GetTickCount() - waited < 2000)
        Sleep(1);
    return CHECK(s_timersArmed >= total, "%ld of %ld workers armed the timer", s_timersArmed, total);
}

static bool oneExitCommand(void)
{
    return g_hostLog.exitCommands >= 1;
}

// Signals the plugin's named timer from outside, as a due time would.
static void signalTimer(const char* name)
{
    HANDLE timer = CreateWaitableTimerA(NULL, TRUE, name);
    LARGE_INTEGER past;
    past.QuadPart = -1;  // relative: at once
    CHECK(timer && SetWaitableTimer(timer, &past, 0, NULL, NULL, FALSE), "cannot signal %s", name);
    if (timer)
        CloseHandle(timer);
}

// Loads the plugin under name with the dialog driven, the clock faked and
// the end action and message boxes caught; the host window receives the
// exit commands.
static bool loadDriven(const char* dllPath, const char* name, const char* settings, LoadedPlugin* plugin)
{
    char path[MAX_PATH * 2];
    if (!copyDllTo(dllPath, name, path))
        return false;
    std::string iniPath = std::string(path).substr(0, strlen(path) - 3) + "ini";
    if (settings)
        writeBytes(iniPath.c_str(), settings);
    HWND host = createHostWindow();
    if (!CHECK(host != NULL, "no host window") || !loadPlugin(path, host, plugin))
        return false;
    return patchDialogDriver(plugin) && patchAlarm(plugin) && patchEndAction(plugin);
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
    s_fakeNow = start;
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
            s_fakeNow = shifted(start, -86400);
            SYSTEMTIME ahead = shifted(s_fakeNow, 60);
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
        CHECK(pumpMessagesUntil(oneExitCommand, 3000), "the last alarm did not fire");
        pumpMessagesFor(1000);
        CHECK(g_hostLog.exitCommands == 1 && g_hostLog.exitCommandsSent == 1, "%d exit commands after the last dialog",
              g_hostLog.exitCommands);
        CHECK((ULONGLONG)s_lastDue == expectedDue(s_fakeNow, lastHour, lastMinute),
              "the last due time is off by %lld", (LONGLONG)((ULONGLONG)s_lastDue - expectedDue(s_fakeNow, lastHour, lastMinute)));
        plugin.header->quit();
        CHECK(s_exitWindowsCalls == 1 && s_exitWindowsFlags == 1, "after the alarm: %d shutdown requests, flags %u",
              s_exitWindowsCalls, s_exitWindowsFlags);
    } else {
        // Nothing is left to fire, even when the timer comes due.
        signalTimer(strrchr(name, '\\') + 1);
        pumpMessagesFor(1000);
        CHECK(g_hostLog.exitCommands == 0, "%d exit commands after a disabling dialog", g_hostLog.exitCommands);
        plugin.header->quit();
        CHECK(s_exitWindowsCalls == 0, "%d shutdown requests", s_exitWindowsCalls);
    }
    CHECK(s_messageBoxes == 0 && s_powerStateCalls == 0, "%d message boxes, %d power requests", s_messageBoxes,
          s_powerStateCalls);
    printf("%d dialogs in %lu ms, %ld timers armed\n", count, elapsed, s_timersArmed);
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
    CHECK(pumpMessagesUntil(oneExitCommand, 3000), "the alarm did not fire while the dialog was open");
    s_fakeNow.wMilliseconds = s_confirmMilliseconds;
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
        g_hostLog = HostWindowLog();
        s_exitWindowsCalls = 0;
        if (!loadDriven(dllPath, name, settings, &plugin))
            continue;
        SYSTEMTIME due = now;
        due.wSecond = 0;
        due.wMilliseconds = 0;
        s_fakeNow = shifted(due, -1);
        LONG armedAtInit = s_timersArmed;
        plugin.header->init();
        waitUntilArmed(armedAtInit + 1);
        s_confirmMilliseconds = row.milliseconds;
        s_fakeNow = due;
        LONG armed = s_timersArmed;
        DialogPlan plan = { row.pluginButton, 1013, -1, -1, -1, true, confirmInTheSameSecond };
        configWith(&plugin, plan);
        if (row.pluginButton != 1020) {
            waitUntilArmed(armed + 1);
            SYSTEMTIME confirmed = s_fakeNow;
            CHECK((ULONGLONG)s_lastDue == expectedDue(confirmed, now.wHour, now.wMinute),
                  "%d ms: the new worker is not due tomorrow", row.milliseconds);
        }
        pumpMessagesFor(1000);
        CHECK(g_hostLog.exitCommands == 1, "button %d, %d ms: %d exit commands", row.pluginButton,
              row.milliseconds, g_hostLog.exitCommands);
        plugin.header->quit();
        unloadPlugin(&plugin);
    }
}

// ---- terminated workers --------------------------------------------------------

static void testTerminatedWorker(const char* dllPath)
{
    // Every alarm is set two hours ahead of the clock.
    GetLocalTime(&s_fakeNow);
    int ahead = (s_fakeNow.wHour + 2) % 24;
    char settings[96];
    snprintf(settings, sizeof settings, "[Nightfold]\r\nEnabled=1\r\n24HourDisplay=1\r\nHour=%d\r\n", ahead);
    LoadedPlugin plugin;
    if (!loadDriven(dllPath, "terminated\\gen_terminated.dll", settings, &plugin))
        return;
    CHECK(importsFunction(plugin.module, "KERNEL32.dll", "CreateWaitableTimerA"), "no named timer");
    s_realCreateWaitableTimer = (HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR))patchImport(
        plugin.module, "KERNEL32.dll", "CreateWaitableTimerA", (void*)recordCreateWaitableTimer);
    plugin.header->init();
    DialogPlan plan = { 1020, 0, -1, ahead, 0, true, NULL };
    // Disabled: the worker waiting since init is gone, so the timer coming
    // due moves nothing.
    configWith(&plugin, plan);
    pumpMessagesFor(200);
    signalTimer("gen_terminated.dll");
    pumpMessagesFor(1000);
    CHECK(g_hostLog.exitCommands == 0, "disabled: %d exit commands", g_hostLog.exitCommands);
    // Enabled twice: the first new worker is replaced by the second, and
    // only the second answers the timer.
    plan.pluginButton = 1002;
    configWith(&plugin, plan);
    pumpMessagesFor(200);
    configWith(&plugin, plan);
    pumpMessagesFor(200);
    signalTimer("gen_terminated.dll");
    pumpMessagesUntil(oneExitCommand, 2000);
    pumpMessagesFor(1000);
    CHECK(g_hostLog.exitCommands == 1, "replaced: %d exit commands", g_hostLog.exitCommands);
    CHECK(strcmp(s_timerNames[0], "gen_terminated.dll") == 0, "timer named [%s]", s_timerNames[0]);
    plugin.header->quit();
    unloadPlugin(&plugin);
}

const TestCase g_hardeningCases[] = {
    { "long_paths", testLongPaths },
    { "odd_names", testOddNames },
    { "loaded_twice", testLoadedTwice },
    { "hostile_files", testHostileFiles },
    { "unusable_files", testUnusableFiles },
    { "hostile_dialog", testHostileDialog },
    { "unwritable_dialog", testUnwritableDialog },
    { "stress", testStress },
    { "stress_disabled_last", testStressDisabledLast },
    { "same_second", testSameSecond },
    { "terminated_worker", testTerminatedWorker },
    { NULL, NULL },
};
