#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "action_rules.h"

TEST(EndActionRules, ChoosesTheRequest)
{
    static const struct {
        EndAction action;
        bool force;
        bool powerState;
        uint32_t flags;  // when not a power state
    } rows[] = {
        { ACTION_SHUTDOWN, false, false, 9 }, { ACTION_SHUTDOWN, true, false, 13 },
        { ACTION_REBOOT, false, false, 2 },   { ACTION_REBOOT, true, false, 6 },
        { ACTION_STANDBY, false, true, 0 },   { ACTION_STANDBY, true, true, 0 },
    };
    for (const auto& row : rows) {
        EXPECT_EQ(isPowerStateAction(row.action), row.powerState) << row.action;
        if (!row.powerState) {
            EXPECT_EQ(exitWindowsFlags(row.action, row.force), row.flags) << row.action << " force " << row.force;
        }
    }
    EXPECT_EQ(SHUTDOWN_REASON_PLANNED, 0x80000000u);
}

TEST(EndActionRules, HibernatesOnlyWhenAllowed)
{
    static const struct {
        bool found;
        unsigned char allowed;
        bool standby;
    } rows[] = {
        { true, 1, false }, { true, 0xFF, false }, { true, 0, true }, { false, 0, true }, { false, 1, true },
    };
    for (const auto& row : rows)
        EXPECT_EQ(chooseStandby(row.found, row.allowed), row.standby) << row.found << " " << (int)row.allowed;
}

// The buffer is exactly size bytes on the heap, so AddressSanitizer sees
// any write beyond it.
TEST(SystemLibraryPath, JoinsWithinTheBuffer)
{
    static const struct {
        const char* dir;
        int reported;  // what GetSystemDirectoryA returned; -1: the text's length
        size_t size;
        const char* path;  // NULL: refused
    } rows[] = {
        { "C:\\WINDOWS\\system32", -1, 260, "C:\\WINDOWS\\system32\\POWRPROF.DLL" },
        { "C:\\WINDOWS\\SYSTEM", -1, 260, "C:\\WINDOWS\\SYSTEM\\POWRPROF.DLL" },
        { "C:\\", -1, 260, "C:\\POWRPROF.DLL" },
        { "", 0, 260, NULL },                      // the call failed
        { "C:\\WINDOWS\\system32", 300, 260, NULL },  // needs more room
        { "C:\\W", -1, 18, "C:\\W\\POWRPROF.DLL" },  // just fits
        { "C:\\W", -1, 17, NULL },
        { "C:\\W", -1, 5, NULL },
        { "C:\\W", -1, 4, NULL },
        { "C:\\", -1, 16, "C:\\POWRPROF.DLL" },
        { "C:\\", -1, 15, NULL },
    };
    for (const auto& row : rows) {
        std::vector<char> buffer(row.size);
        size_t length = strlen(row.dir);
        if (length < row.size)
            memcpy(buffer.data(), row.dir, length + 1);
        unsigned reported = row.reported < 0 ? (unsigned)length : (unsigned)row.reported;
        bool ok = appendToSystemDirectory(buffer.data(), reported, row.size, "POWRPROF.DLL");
        EXPECT_EQ(ok, row.path != NULL) << row.dir << " in " << row.size;
        if (ok && row.path) {
            EXPECT_EQ(std::string(buffer.data()), row.path);
        }
    }
}
