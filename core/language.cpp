// The choice of language and the making of a text from its table.
#include "language.h"

static char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// Longer codes are no language's ("zh-Hans-CN" is among the longest in use).
#define LONGEST_CODE 16

// Whether a and b, of the lengths given, are the same, case aside.
static bool sameText(const char* a, size_t aLength, const char* b, size_t bLength)
{
    if (aLength != bLength)
        return false;
    for (size_t i = 0; i < aLength; ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// The length of a code, counted no further than one past the longest.
static size_t lengthOf(const char* text)
{
    size_t length = 0;
    while (text[length] && length <= LONGEST_CODE)
        ++length;
    return length;
}

// The length of the code's first part: "pt" of "pt-BR".
static size_t firstPartLength(const char* code)
{
    size_t length = 0;
    while (code[length] && code[length] != '-' && code[length] != '_')
        ++length;
    return length;
}

// Whether the code names Chinese in Traditional characters: "zh-TW",
// "zh-HK", "zh-MO", "zh-Hant" and what follows it.
static bool isTraditionalChinese(const char* code)
{
    static const char* const REGIONS[] = { "TW", "HK", "MO", "Hant" };
    if (firstPartLength(code) != 2 || !sameText(code, 2, "zh", 2) || !code[2])
        return false;
    const char* region = code + 3;
    for (const char* traditional : REGIONS) {
        if (sameText(region, firstPartLength(region), traditional, lengthOf(traditional)))
            return true;
    }
    return false;
}

int languageOfCode(const char* code)
{
    size_t length = lengthOf(code);
    if (length == 0 || length > LONGEST_CODE)
        return -1;
    if (isTraditionalChinese(code))
        return 0;
    for (unsigned i = 0; i < LANGUAGE_COUNT; ++i) {
        if (sameText(code, length, LANGUAGES[i]->code, lengthOf(LANGUAGES[i]->code)))
            return (int)i;
    }
    size_t first = firstPartLength(code);
    for (unsigned i = 0; i < LANGUAGE_COUNT; ++i) {
        if (sameText(code, first, LANGUAGES[i]->code, firstPartLength(LANGUAGES[i]->code)))
            return (int)i;
    }
    return -1;
}

int languageOfId(uint16_t langId)
{
    // Chinese (Taiwan), (Hong Kong SAR), (Macao SAR).
    if (langId == 0x0404 || langId == 0x0C04 || langId == 0x1404)
        return 0;
    for (unsigned i = 0; i < LANGUAGE_COUNT; ++i) {
        if (LANGUAGES[i]->langId == langId)
            return (int)i;
    }
    for (unsigned i = 0; i < LANGUAGE_COUNT; ++i) {
        if ((LANGUAGES[i]->langId & 0x3FF) == (langId & 0x3FF))
            return (int)i;
    }
    return -1;
}

unsigned chooseLanguage(const LanguageFacts& facts)
{
    int chosen = facts.key ? languageOfCode(facts.key) : -1;
    if (chosen < 0 && facts.pack)
        chosen = languageOfCode(facts.pack);
    if (chosen < 0)
        chosen = languageOfId(facts.displayLangId);
    if (chosen < 0)
        return 0;
    unsigned codePage = LANGUAGES[chosen]->codePage;
    if (codePage && ((facts.ansiOnly && codePage != facts.ansiCodePage) || !facts.codePageInstalled(codePage)))
        return 0;
    return (unsigned)chosen;
}

const char* textIn(unsigned language, TextId id)
{
    for (unsigned tried = 0; tried < 2; ++tried) {
        const LanguageTable* table = LANGUAGES[language < LANGUAGE_COUNT ? language : 0];
        for (unsigned i = 0; i < table->count; ++i) {
            if (table->texts[i].id == id)
                return table->texts[i].text;
        }
        language = 0;
    }
    return "";
}

// Appends one UTF-16 unit, keeping room for the terminator.
static void put(char16_t unit, char16_t* out, size_t size, size_t* length)
{
    if (*length + 1 < size)
        out[(*length)++] = unit;
}

// Decodes the UTF-8 sequence at *text, moving past it; a malformed one
// gives U+FFFD.
static uint32_t nextCodePoint(const unsigned char** text)
{
    const unsigned char* p = *text;
    uint32_t c = *p++;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0x80 && c < 0xC0) {
        *text = p;
        return 0xFFFD;
    }
    c &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
    for (; more; --more) {
        if ((*p & 0xC0) != 0x80) {
            *text = p;
            return 0xFFFD;
        }
        c = c << 6 | (*p++ & 0x3F);
    }
    *text = p;
    return c;
}

static void putCodePoint(uint32_t c, char16_t* out, size_t size, size_t* length)
{
    if (c >= 0x10000 && c <= 0x10FFFF) {
        if (*length + 2 >= size)
            return;  // no room for the pair: cut before it
        c -= 0x10000;
        put((char16_t)(0xD800 | c >> 10), out, size, length);
        put((char16_t)(0xDC00 | (c & 0x3FF)), out, size, length);
    } else {
        put((char16_t)c, out, size, length);
    }
}

size_t formatText(const char* pattern, const char16_t* const* values, unsigned count, char16_t* out, size_t size)
{
    if (size == 0)
        return 0;
    size_t length = 0;
    const unsigned char* p = (const unsigned char*)pattern;
    while (*p) {
        if (p[0] == '%' && p[1] == '%') {
            put(u'%', out, size, &length);
            p += 2;
        } else if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') {
            unsigned index = (unsigned)(p[1] - '1');
            const char16_t* value = index < count ? values[index] : NULL;
            for (; value && *value; ++value)
                put(*value, out, size, &length);
            p += 2;
        } else {
            putCodePoint(nextCodePoint(&p), out, size, &length);
        }
    }
    out[length] = 0;
    return length;
}

size_t widenUtf8(const char* text, char16_t* out, size_t size)
{
    return formatText(text, NULL, 0, out, size);
}

// Appends value in decimal, with at least digits digits.
static void putNumber(uint32_t value, int digits, char16_t* out, size_t size, size_t* length)
{
    char16_t reversed[10];
    int count = 0;
    do {
        reversed[count++] = (char16_t)(u'0' + value % 10);
        value /= 10;
    } while (value || count < digits);
    while (count)
        put(reversed[--count], out, size, length);
}

void formatTimeOfDay(unsigned language, unsigned hour, unsigned minute, bool use24, char16_t* out, size_t size)
{
    if (size == 0)
        return;
    char16_t digits[16];
    size_t length = 0;
    putNumber(use24 ? hour : (hour + 11) % 12 + 1, 1, digits, sizeof digits / sizeof digits[0], &length);
    put(u':', digits, sizeof digits / sizeof digits[0], &length);
    putNumber(minute, 2, digits, sizeof digits / sizeof digits[0], &length);
    digits[length] = 0;
    const char16_t* values[] = { digits };
    if (use24)
        formatText("%1", values, 1, out, size);
    else
        formatText(textIn(language, hour < 12 ? T_TIME_AM : T_TIME_PM), values, 1, out, size);
}

void formatMinutesSeconds(uint32_t seconds, char16_t* out, size_t size)
{
    if (size == 0)
        return;
    size_t length = 0;
    putNumber(seconds / 60, 1, out, size, &length);
    put(u':', out, size, &length);
    putNumber(seconds % 60, 2, out, size, &length);
    out[length] = 0;
}
