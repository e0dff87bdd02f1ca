// A text as an English user reads it, its values in place: the plans say
// which text, the language room makes it.
#ifndef NIGHTFOLD_TEST_ENGLISH_H
#define NIGHTFOLD_TEST_ENGLISH_H

#include <initializer_list>
#include <string>
#include <vector>

#include "language.h"

inline std::string asAscii(const char16_t* text)
{
    std::string ascii;
    for (; *text; ++text)
        ascii += *text < 0x80 ? (char)*text : '?';
    return ascii;
}

inline std::u16string timeOfDay(unsigned hour, unsigned minute, bool use24)
{
    char16_t text[32];
    formatTimeOfDay(0, hour, minute, use24, text, 32);
    return text;
}

inline std::string english(TextId id, std::initializer_list<std::u16string> values = {}, size_t size = 256)
{
    std::vector<const char16_t*> pointers;
    for (const auto& value : values)
        pointers.push_back(value.c_str());
    std::vector<char16_t> text(size, u'x');  // exactly size units on the heap, for AddressSanitizer
    formatText(textIn(0, id), pointers.data(), (unsigned)pointers.size(), text.data(), size);
    return asAscii(text.data());
}

#endif
