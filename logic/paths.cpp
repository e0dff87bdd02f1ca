// The names the plugin derives from its module's file name and from the
// player's answers: the description, the timer's and the settings file's.
#include "paths.h"

// The length of the character at text: two bytes for a lead byte followed
// by another, else one. Wide text has no lead bytes.
template <typename Char>
static size_t characterLength(const Char* text, LeadByteTest isLeadByte)
{
    return sizeof(Char) == 1 && isLeadByte && isLeadByte((unsigned char)text[0]) && text[1] ? 2 : 1;
}

const char* findBaseName(const char* path, LeadByteTest isLeadByte)
{
    const char* base = path;
    for (const char* p = path; *p; p += characterLength(p, isLeadByte)) {
        if (*p == '\\')
            base = p + 1;
    }
    return base;
}

bool copyBounded(const char* src, char* dst, size_t size)
{
    if (size == 0)
        return false;
    size_t i = 0;
    for (; i + 1 < size && src[i]; ++i)
        dst[i] = src[i];
    dst[i] = '\0';
    return src[i] == '\0';
}

// Appends src at dst[*len], keeping within size; always terminated.
static void appendBounded(const char* src, char* dst, size_t size, size_t* len)
{
    copyBounded(src, dst + *len, size - *len);
    while (dst[*len])
        ++*len;
}

void formatDescription(const char* baseName, char* out, size_t size)
{
    if (size == 0)
        return;
    size_t len = 0;
    out[0] = '\0';
    appendBounded(PRODUCT_TEXT " [", out, size, &len);
    appendBounded(baseName, out, size, &len);
    appendBounded("]", out, size, &len);
}

bool deriveIniPath(const char* modulePath, char* out, size_t size)
{
    size_t stem = 0;  // length of the path up to and including its last dot
    for (size_t i = 0; modulePath[i]; ++i) {
        if (modulePath[i] == '.')
            stem = i + 1;
    }
    if (size == 0)
        return false;
    if (stem + sizeof "ini" > size) {
        out[0] = '\0';
        return false;
    }
    for (size_t i = 0; i < stem; ++i)
        out[i] = modulePath[i];
    copyBounded("ini", out + stem, size - stem);
    return true;
}

// Appends text at out[*length], keeping within size; false when it does
// not fit whole.
template <typename Char, typename From>
static bool appendWhole(const From* text, Char* out, size_t size, size_t* length)
{
    for (; *text; ++text) {
        if (*length + 1 >= size)
            return false;
        out[(*length)++] = (Char)*text;
    }
    out[*length] = 0;
    return true;
}

// Whether text ends in a backslash that is a character of its own, not the
// second byte of one.
template <typename Char>
static bool endsInBackslash(const Char* text, LeadByteTest isLeadByte)
{
    bool backslash = false;
    for (; *text; text += characterLength(text, isLeadByte))
        backslash = *text == '\\';
    return backslash;
}

template <typename Char>
static bool derivePlayerPath(uintptr_t answer, const Char* fileName, LeadByteTest isLeadByte, Char* out, size_t size)
{
    if (size == 0)
        return false;
    out[0] = 0;
    if (answer < 65536)
        return false;
    const Char* folder = (const Char*)answer;
    size_t length = 0;
    bool whole = folder[0] && appendWhole(folder, out, size, &length) &&
                 (endsInBackslash(folder, isLeadByte) || appendWhole("\\", out, size, &length)) &&
                 appendWhole("Plugins\\", out, size, &length) && appendWhole(fileName, out, size, &length);
    if (!whole)
        out[0] = 0;
    return whole;
}

bool derivePlayerIniPath(uintptr_t answer, const char* fileName, LeadByteTest isLeadByte, char* out, size_t size)
{
    return derivePlayerPath(answer, fileName, isLeadByte, out, size);
}

bool derivePlayerIniPath(uintptr_t answer, const wchar_t* fileName, wchar_t* out, size_t size)
{
    return derivePlayerPath(answer, fileName, NULL, out, size);
}

SettingsPlace settingsFileRead(bool playerFileExists)
{
    return playerFileExists ? PLACE_PLAYER : PLACE_BESIDE;
}

SettingsPlace settingsFileWritten(SettingsPlace read, bool readWritable, bool playerFolder)
{
    if (readWritable)
        return read;
    return read == PLACE_BESIDE && playerFolder ? PLACE_PLAYER : PLACE_NONE;
}
