#include "paths.h"

const char* findBaseName(const char* path)
{
    const char* base = path;
    for (const char* p = path; *p; ++p) {
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
