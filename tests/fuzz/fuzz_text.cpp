// The making of a text from any bytes as a table's text and any values: it
// stays inside its buffer and is terminated; a cut text is a prefix of the
// whole, cut before the first character or pair that does not fit; only
// UTF-8 decodes (what decodes to no U+FFFD encodes back to the same bytes).
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "language.h"
#include "require.h"

static bool isHigh(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

static bool isLow(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-16 as UTF-8, the check's own encoder; false at a lone surrogate.
static bool encode(const char16_t* text, std::string* out)
{
    static const unsigned char LEAD[] = { 0, 0xC0, 0xE0, 0xF0 };
    for (; *text; ++text) {
        uint32_t c = *text;
        if (isHigh(text[0]) && isLow(text[1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (*++text - 0xDC00);
        else if (isHigh(c) || isLow(c))
            return false;
        int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        *out += (char)(LEAD[more] | c >> 6 * more);
        while (more--)
            *out += (char)(0x80 | (c >> 6 * more & 0x3F));
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte chooses the buffer's size (1 to 256 units); then the
    // table's text up to a NUL; the rest is up to three values in UTF-16,
    // each ended by a zero unit.
    if (size < 1)
        return 0;
    size_t bufferSize = 1 + data[0];
    std::string pattern((const char*)data + 1, strnlen((const char*)data + 1, size - 1));
    std::vector<std::u16string> values(1);
    for (size_t at = 1 + pattern.size() + 1; at + 1 < size && values.size() <= 3; at += 2) {
        char16_t unit = (char16_t)(data[at] | data[at + 1] << 8);
        if (unit)
            values.back() += unit;
        else
            values.emplace_back();
    }
    const char16_t* pointers[4] = {};
    for (size_t i = 0; i < values.size(); ++i)
        pointers[i] = values[i].c_str();
    unsigned count = (unsigned)values.size();

    static char16_t whole[1 << 17];
    size_t wholeLength = formatText(pattern.c_str(), pointers, count, whole, sizeof whole / sizeof *whole);
    REQUIRE(wholeLength + 1 < sizeof whole / sizeof *whole && whole[wholeLength] == 0);

    std::vector<char16_t> cut(bufferSize, u'x');  // exactly bufferSize units, for AddressSanitizer
    size_t length = formatText(pattern.c_str(), pointers, count, cut.data(), bufferSize);
    REQUIRE(length < bufferSize && cut[length] == 0);
    REQUIRE(length <= wholeLength && memcmp(cut.data(), whole, length * sizeof *whole) == 0);
    if (length < wholeLength) {
        size_t next = isHigh(whole[length]) && isLow(whole[length + 1]) ? 2 : 1;
        REQUIRE(length + next >= bufferSize);  // nothing that fitted was left out
        REQUIRE(!(length > 0 && isHigh(whole[length - 1]) && isLow(whole[length])));  // never half a pair
    }

    // The text alone, without places: UTF-8 decodes to what encodes back
    // to it; anything else gives U+FFFD.
    if (pattern.find('%') == std::string::npos) {
        std::u16string text(whole, wholeLength);
        std::string back;
        REQUIRE(encode(text.c_str(), &back));
        if (text.find(u'\uFFFD') == std::u16string::npos)
            REQUIRE(back == pattern);
    }
    return 0;
}
