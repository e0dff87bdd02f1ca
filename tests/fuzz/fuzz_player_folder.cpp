// The settings file in the player's folder from any answer the player may
// point at, ANSI (walked with the Japanese, the Chinese or no lead bytes)
// or Unicode: the path stays inside its buffer, is terminated, and is the
// folder, one backslash where it ends in none, Plugins\ and the file name;
// or empty where it would not fit.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "paths.h"
#include "require.h"

static bool isLeadByte932(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

static bool isLeadByte936(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

// Whether the folder's last character is a backslash, walking it by its
// characters: a lead byte and the byte after it are one.
template <typename Char>
static bool endsInBackslash(const std::basic_string<Char>& folder, LeadByteTest isLeadByte)
{
    bool backslash = false;
    for (size_t at = 0; at < folder.size(); ++at) {
        backslash = folder[at] == '\\';
        if (sizeof(Char) == 1 && isLeadByte && isLeadByte((unsigned char)folder[at]) && at + 1 < folder.size())
            ++at;
    }
    return backslash;
}

template <typename Char>
static void check(const std::basic_string<Char>& folder, const Char* fileName, LeadByteTest isLeadByte,
                  size_t size)
{
    // The answer as the player's messaging hands it on: text ended within
    // readable memory, here exactly as long as it is.
    std::vector<Char> answer(folder.begin(), folder.end());
    answer.push_back(0);
    std::vector<Char> out(size ? size : 1, (Char)'x');
    bool made;
    if constexpr (sizeof(Char) == 1)
        made = derivePlayerIniPath((uintptr_t)answer.data(), fileName, isLeadByte, out.data(), size);
    else
        made = derivePlayerIniPath((uintptr_t)answer.data(), fileName, out.data(), size);
    std::basic_string<Char> expected = folder;
    if (!endsInBackslash(folder, isLeadByte))
        expected += (Char)'\\';
    for (const char* plugins = "Plugins\\"; *plugins; ++plugins)
        expected += (Char)*plugins;
    expected += fileName;
    REQUIRE(made == (!folder.empty() && expected.size() < size));
    if (size == 0)
        return;
    size_t length = 0;
    while (length < size && out[length])
        ++length;
    REQUIRE(length < size);
    REQUIRE(made ? std::basic_string<Char>(out.data(), length) == expected : length == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte: Unicode or ANSI and which lead bytes; the next two the
    // buffer's size (0 to 511); the rest the folder, up to its first zero.
    if (size < 3)
        return 0;
    uint8_t kind = data[0];
    size_t bufferSize = ((size_t)data[1] << 8 | data[2]) % 512;
    data += 3;
    size -= 3;
    if (kind & 1) {
        std::wstring folder;
        for (size_t at = 0; at + 1 < size && (data[at] || data[at + 1]); at += 2)
            folder += (wchar_t)(data[at] | data[at + 1] << 8);
        check(folder, L"gen_nightfold.ini", NULL, bufferSize);
    } else {
        static const LeadByteTest LEAD_BYTES[] = { NULL, isLeadByte932, isLeadByte936, NULL };
        std::string folder((const char*)data, strnlen((const char*)data, size));
        check(folder, "gen_nightfold.ini", LEAD_BYTES[kind >> 1 & 3], bufferSize);
    }
    return 0;
}
