// Settings validation from arbitrary integers, as GetPrivateProfileIntA may
// return them for a hand-edited file.
#include <stdint.h>
#include <string.h>

#include "settings_rules.h"
#include "require.h"

static bool isAction(EndAction action)
{
    return action == ACTION_NONE || action == ACTION_SHUTDOWN || action == ACTION_STANDBY ||
           action == ACTION_REBOOT;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t value;
    if (size < sizeof value + 1)
        return 0;
    memcpy(&value, data, sizeof value);
    bool powerAvailable = data[sizeof value] & 1;

    int flag = storedFlag(value);
    REQUIRE(flag == 0 || flag == 1);
    REQUIRE(flag == (value != 0));

    REQUIRE(storedTimeField(value) == (value & 0xFFFFu));

    EndAction action = validateStoredAction(value, powerAvailable);
    REQUIRE(isAction(action));
    // A stored action is kept whole or not at all.
    REQUIRE(action == (EndAction)value || action == ACTION_NONE);
    REQUIRE(action != ACTION_STANDBY || (value == ACTION_STANDBY && powerAvailable));
    // The loader asks for the power status only for a stored standby, so for
    // every other value the answer must not matter.
    if (value != ACTION_STANDBY)
        REQUIRE(validateStoredAction(value, true) == validateStoredAction(value, false));
    return 0;
}
