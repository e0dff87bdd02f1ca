// The numbered entries read from any section's text, as a hand-edited file
// may hold it: every entry loaded is one the plugin can arm, and what a save
// writes of them reads back the same.
#include <stdint.h>
#include <string.h>

#include "settings_rules.h"
#include "require.h"

static int powerOn(void) { return 1; }

static void load(const char* section, EveningEntry* evenings, int* eveningCount, MorningEntry* mornings,
                 int* morningCount)
{
    memset(evenings, 0, sizeof(EveningEntry) * MAX_ENTRIES);
    memset(mornings, 0, sizeof(MorningEntry) * MAX_ENTRIES);
    *eveningCount = *morningCount = 1;
    loadNumberedEntries(sectionKeys(section), true, powerOn, evenings, eveningCount, mornings, morningCount);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The platform's section: '\n' parts the entries, a NUL ends each and
    // another the last.
    static char section[SECTION_SIZE + 2];
    if (size > SECTION_SIZE)
        return 0;
    for (size_t i = 0; i < size; ++i)
        section[i] = data[i] == '\n' ? '\0' : (char)data[i];
    section[size] = section[size + 1] = '\0';

    static EveningEntry evenings[MAX_ENTRIES], reEvenings[MAX_ENTRIES];
    static MorningEntry mornings[MAX_ENTRIES], reMornings[MAX_ENTRIES];
    int eveningCount, morningCount;
    load(section, evenings, &eveningCount, mornings, &morningCount);
    REQUIRE(eveningCount >= 1 && eveningCount <= MAX_ENTRIES);
    REQUIRE(morningCount >= 1 && morningCount <= MAX_ENTRIES);
    for (int i = 1; i < eveningCount; ++i) {
        REQUIRE(evenings[i].hour < 24 && evenings[i].minute < 60);
        REQUIRE(validateStoredAction(evenings[i].action, true) == evenings[i].action);
    }
    for (int i = 1; i < morningCount; ++i) {
        REQUIRE(mornings[i].hour < 24 && mornings[i].minute < 60);
        REQUIRE(memchr(mornings[i].play, '\0', sizeof mornings[i].play) != NULL);
    }

    // A save of what was loaded fits and loads back as it was.
    static char written[SECTION_SIZE];
    char* end = appendNumberedKeys(written, written + sizeof written - 1, evenings, eveningCount, mornings,
                                   morningCount);
    REQUIRE(end != NULL);
    *end = '\0';
    int reEveningCount, reMorningCount;
    load(written, reEvenings, &reEveningCount, reMornings, &reMorningCount);
    REQUIRE(reEveningCount == eveningCount && reMorningCount == morningCount);
    REQUIRE(memcmp(reEvenings + 1, evenings + 1, sizeof(EveningEntry) * (eveningCount - 1)) == 0);
    REQUIRE(memcmp(reMornings + 1, mornings + 1, sizeof(MorningEntry) * (morningCount - 1)) == 0);
    return 0;
}
