// Which language the plugin speaks, and its texts in that language as
// UTF-16 with their values in place. Pure text handling: the platform's
// answers (the settings key, the player's language pack, Windows' display
// language, the ANSI code page) come in as inputs.
#ifndef NIGHTFOLD_LANGUAGE_H
#define NIGHTFOLD_LANGUAGE_H

#include <stddef.h>
#include <stdint.h>

#include "../resources/texts.h"

// A language's index in LANGUAGES for a code such as "de", "pt-BR" or
// "de-AT" (the player's are "de-DE"): matched whole, else by its first part;
// case does not count. -1 for an empty, overlong or unknown code; English
// (0) for Traditional Chinese ("zh-TW", "zh-HK", "zh-MO", "zh-Hant...").
int languageOfCode(const char* code);
// The same for a Windows language identifier: whole, else by its primary
// language (its low 10 bits); Chinese of Taiwan, Hong Kong and Macao is
// English.
int languageOfId(uint16_t langId);

// What decides the language, first that applies: the Language key (NULL
// where missing), the player's language pack (NULL where it uses none or
// does not tell), Windows' display language. Where Windows links no other
// script's glyphs into the dialog's font (98, Me, NT 4.0: ansiOnly) a
// language whose script the ANSI code page cannot show is English; so is
// one whose code page is not installed (East Asian support left out of an
// XP). Traditional Chinese is English too: there is no table for it.
struct LanguageFacts {
    const char* key;
    const char* pack;
    uint16_t displayLangId;
    bool ansiOnly;
    unsigned ansiCodePage;
    bool (*codePageInstalled)(unsigned codePage);
};
unsigned chooseLanguage(const LanguageFacts& facts);

// The text in the language, or English where its table lacks it.
const char* textIn(unsigned language, TextId id);

// The pattern (UTF-8) with %1 to %9 replaced by values (UTF-16, NULL as
// empty) and "%%" by '%', as UTF-16 into out, cut to size - 1 units and
// terminated. Returns the units written. A cut text is a prefix of the
// whole, cut before the first character or surrogate pair that does not
// fit. What in the pattern is not UTF-8 (a stray byte, an overlong form, a
// surrogate, a value above U+10FFFF, a sequence cut short) becomes U+FFFD.
size_t formatText(const char* pattern, const char16_t* const* values, unsigned count, char16_t* out, size_t size);

// A time of day as the dialog shows it: "23:30", or in the 12-hour form
// "11:30" placed in the language's "%1 PM".
void formatTimeOfDay(unsigned language, unsigned hour, unsigned minute, bool use24, char16_t* out, size_t size);
// The time left in the notice: "0:59".
void formatMinutesSeconds(uint32_t seconds, char16_t* out, size_t size);

// Plain text (ASCII, or UTF-8) as UTF-16, cut and terminated as above.
size_t widenUtf8(const char* text, char16_t* out, size_t size);

// A menu item's text (the pattern) as a list of other programs' actions
// names it, after the product's name: "Nightfold: In 30 minutes" for "In
// &30 minutes". The access key's mark goes, and a key written after the
// text goes whole ("設定(&T)..." gives "設定..."); so does a part in
// parentheses that holds values alone, with the space before it ("Skip
// the next morning (%1 %2)"). "&&" is an '&'. Cut and terminated as above.
// Without a product (NULL), the text alone: a control's text as a hidden
// label names the field it leads into ("Fade out over the last").
size_t formatKeyName(const char* product, const char* pattern, char16_t* out, size_t size);

#endif
