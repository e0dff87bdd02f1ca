// The languages the plugin speaks: one line each, English first (it is
// every other's fallback). Their tables are the files beside this one.
#include "../texts.h"

#define EACH_LANGUAGE(X) \
    X(LANGUAGE_EN) \
    X(LANGUAGE_DE) \
    X(LANGUAGE_FR) \
    X(LANGUAGE_ES) \
    X(LANGUAGE_IT) \
    X(LANGUAGE_NL) \
    X(LANGUAGE_PL) \
    X(LANGUAGE_PT_BR) \
    X(LANGUAGE_RU) \
    X(LANGUAGE_JA) \
    X(LANGUAGE_ZH_CN)

#define DECLARE(table) extern const LanguageTable table;
#define ADDRESS(table) &table,
EACH_LANGUAGE(DECLARE)
const LanguageTable* const LANGUAGES[] = { EACH_LANGUAGE(ADDRESS) };
const unsigned LANGUAGE_COUNT = sizeof LANGUAGES / sizeof LANGUAGES[0];
