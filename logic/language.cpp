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

// Appends count units (one, or a surrogate pair) whole, keeping room for the
// terminator; false, appending nothing, where they do not fit. A text cut
// there is a prefix of the whole, never half a pair.
static bool putWhole(const char16_t* units, size_t count, char16_t* out, size_t size, size_t* length)
{
    if (*length + count >= size)
        return false;
    for (size_t i = 0; i < count; ++i)
        out[(*length)++] = units[i];
    return true;
}

// Decodes the UTF-8 sequence at *text, moving past it. What is not UTF-8
// gives U+FFFD, once for each byte that begins no sequence (a continuation
// byte, C0, C1, F5 and above) and once for each sequence broken off, which
// ends before the byte that breaks it: overlong forms, surrogates and values
// above U+10FFFF break off at their second byte, whose range the first
// decides.
static uint32_t nextCodePoint(const unsigned char** text)
{
    const unsigned char* p = *text;
    uint32_t c = *p++;
    *text = p;
    if (c < 0x80)
        return c;
    if (c < 0xC2 || c > 0xF4)
        return 0xFFFD;
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    unsigned low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    unsigned high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    c &= 0x3Fu >> more;
    for (; more; --more) {
        if (*p < low || *p > high) {
            *text = p;
            return 0xFFFD;
        }
        c = c << 6 | (*p++ & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    *text = p;
    return c;
}

static bool putCodePoint(uint32_t c, char16_t* out, size_t size, size_t* length)
{
    if (c < 0x10000) {
        char16_t unit = (char16_t)c;
        return putWhole(&unit, 1, out, size, length);
    }
    c -= 0x10000;
    char16_t pair[] = { (char16_t)(0xD800 | c >> 10), (char16_t)(0xDC00 | (c & 0x3FF)) };
    return putWhole(pair, 2, out, size, length);
}

static bool isPair(const char16_t* units)
{
    return units[0] >= 0xD800 && units[0] <= 0xDBFF && units[1] >= 0xDC00 && units[1] <= 0xDFFF;
}

size_t formatText(const char* pattern, const char16_t* const* values, unsigned count, char16_t* out, size_t size)
{
    if (size == 0)
        return 0;
    size_t length = 0;
    bool room = true;
    const unsigned char* p = (const unsigned char*)pattern;
    while (*p && room) {
        if (p[0] == '%' && p[1] == '%') {
            room = putWhole(u"%", 1, out, size, &length);
            p += 2;
        } else if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') {
            unsigned index = (unsigned)(p[1] - '1');
            const char16_t* value = index < count ? values[index] : NULL;
            for (size_t units = 1; value && *value && room; value += units) {
                units = isPair(value) ? 2 : 1;
                room = putWhole(value, units, out, size, &length);
            }
            p += 2;
        } else {
            room = putCodePoint(nextCodePoint(&p), out, size, &length);
        }
    }
    out[length] = 0;
    return length;
}

size_t widenUtf8(const char* text, char16_t* out, size_t size)
{
    return formatText(text, NULL, 0, out, size);
}

static void appendByte(char c, char* out, size_t size, size_t* length)
{
    if (*length + 1 < size)
        out[(*length)++] = c;
}

// The length of the part in parentheses at text when it holds values alone
// ("(%1 %2)"); 0 otherwise.
static size_t valuesPartLength(const char* text)
{
    if (text[0] != '(')
        return 0;
    size_t at = 1;
    while (text[at] == ' ' || (text[at] == '%' && text[at + 1] >= '1' && text[at + 1] <= '9'))
        at += text[at] == ' ' ? 1 : 2;
    return at > 1 && text[at] == ')' ? at + 1 : 0;
}

size_t formatKeyName(const char* product, const char* pattern, char16_t* out, size_t size)
{
    char plain[256];
    size_t length = 0;
    if (product) {
        for (const char* c = product; *c; ++c)
            appendByte(*c, plain, sizeof plain, &length);
        appendByte(':', plain, sizeof plain, &length);
        appendByte(' ', plain, sizeof plain, &length);
    }
    for (const char* c = pattern; *c;) {
        bool spaced = c[0] == ' ';
        size_t values = valuesPartLength(spaced ? c + 1 : c);
        if (values)
            c += values + spaced;
        else if (c[0] == '(' && c[1] == '&' && c[2] && c[3] == ')')
            c += 4;
        else if (c[0] == '&' && c[1] != '&')
            ++c;
        else {
            appendByte(*c, plain, sizeof plain, &length);
            c += c[0] == '&' ? 2 : 1;  // "&&": one '&'
        }
    }
    plain[length] = 0;
    return formatText(plain, NULL, 0, out, size);
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
