#include <gtest/gtest.h>

#include "settings_rules.h"

TEST(StoredAction, LoadsAsTheActionOrNone)
{
    static const struct {
        uint32_t stored;
        bool powerAvailable;
        EndAction loaded;
    } rows[] = {
        { 1012, true, ACTION_NONE },       { 1013, true, ACTION_SHUTDOWN },
        { 1018, true, ACTION_REBOOT },     { 1015, true, ACTION_STANDBY },
        { 1015, false, ACTION_NONE },      { 1013, false, ACTION_SHUTDOWN },
        { 1018, false, ACTION_REBOOT },    { 1014, true, ACTION_NONE },
        { 1016, true, ACTION_NONE },       { 1017, true, ACTION_NONE },
        { 1011, true, ACTION_NONE },       { 1019, true, ACTION_NONE },
        { 0, true, ACTION_NONE },          { 0xFFFFFFFFu, true, ACTION_NONE },
        // only the whole value counts, not its low bits
        { 0x10000u + 1013, true, ACTION_NONE },
    };
    for (const auto& row : rows)
        EXPECT_EQ(validateStoredAction(row.stored, row.powerAvailable), row.loaded)
            << row.stored << " power " << row.powerAvailable;
}

TEST(StoredAction, OnlyStandbyAsksForThePowerStatus)
{
    for (uint32_t stored = 1010; stored <= 1020; ++stored)
        EXPECT_EQ(actionNeedsPowerStatus(stored), stored == 1015) << stored;
}

TEST(StoredFlag, AnyNonZeroIsTrue)
{
    static const struct {
        uint32_t stored;
        int flag;
    } rows[] = {
        { 0, 0 }, { 1, 1 }, { 5, 1 }, { 0xFFFFFFFFu, 1 }, { 0x80000000u, 1 }, { 0x10000u, 1 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(storedFlag(row.stored), row.flag) << row.stored;
}

TEST(StoredTime, KeepsTheLow16Bits)
{
    static const struct {
        uint32_t stored;
        uint16_t field;
    } rows[] = {
        { 0, 0 }, { 23, 23 }, { 59, 59 }, { 65535, 65535 }, { 65536, 0 },
        { 65536 + 22, 22 }, { 0xFFFFFFFFu, 0xFFFF }, { 100000, 100000 - 65536 },
    };
    for (const auto& row : rows)
        EXPECT_EQ(storedTimeField(row.stored), row.field) << row.stored;
}
