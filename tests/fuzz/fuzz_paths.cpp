// Path derivation from arbitrary module paths: whatever the bytes, every
// result stays inside its buffer, is terminated, and keeps to its rule.
// Buffers are allocated at their exact size so that AddressSanitizer sees
// any byte written past them.
#include <stdint.h>
#include <string.h>

#include <string>

#include "paths.h"
#include "require.h"

// The longest module path the plugin is handed is 259 characters; the
// derivation itself is tried well past that.
static const size_t MAX_PATH_BYTES = 300;

static void checkBaseName(const char* path)
{
    size_t length = strlen(path);
    const char* base = findBaseName(path, NULL);
    REQUIRE(base >= path && base <= path + length);
    REQUIRE(strchr(base, '\\') == NULL);
    REQUIRE(base == path || base[-1] == '\\');
}

static void checkCopy(const char* src, size_t size)
{
    char* dst = new char[size ? size : 1];
    bool whole = copyBounded(src, dst, size);
    size_t length = strlen(src);
    REQUIRE(whole == (size > 0 && length < size));
    if (size > 0) {
        size_t copied = strnlen(dst, size);
        REQUIRE(copied < size);  // terminated inside the buffer
        REQUIRE(copied == (length < size ? length : size - 1));
        REQUIRE(memcmp(dst, src, copied) == 0);
    }
    delete[] dst;
}

static void checkDescription(const char* base, size_t size)
{
    char* out = new char[size ? size : 1];
    formatDescription(base, out, size);
    if (size > 0) {
        std::string full = std::string(PRODUCT_TEXT " [") + base + "]";
        size_t length = strnlen(out, size);
        REQUIRE(length < size);
        REQUIRE(length == (full.size() < size ? full.size() : size - 1));
        REQUIRE(full.compare(0, length, out) == 0);
    }
    delete[] out;
}

static void checkIniPath(const char* path, size_t size)
{
    char* out = new char[size ? size : 1];
    bool ok = deriveIniPath(path, out, size);
    const char* lastDot = strrchr(path, '.');
    size_t stem = lastDot ? (size_t)(lastDot - path) + 1 : 0;
    REQUIRE(ok == (stem + 3 < size));
    if (ok) {
        size_t length = strnlen(out, size);
        REQUIRE(length < size);
        REQUIRE(length == stem + 3);
        REQUIRE(memcmp(out, path, stem) == 0);  // the path through its last dot
        REQUIRE(memcmp(out + stem, "ini", 3) == 0);
    } else if (size > 0) {
        REQUIRE(out[0] == '\0');  // nothing half-made to read or write
    }
    delete[] out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first two bytes choose a buffer size from 0 to 511, the rest is
    // the path, cut at its first NUL as the plugin would see it.
    size_t bufferSize = ((size_t)data[0] << 8 | data[1]) % 512;
    data += 2;
    size -= 2;
    if (size > MAX_PATH_BYTES)
        size = MAX_PATH_BYTES;
    char path[MAX_PATH_BYTES + 1];
    memcpy(path, data, size);
    path[size] = '\0';

    checkBaseName(path);
    checkCopy(path, bufferSize);
    checkDescription(findBaseName(path, NULL), bufferSize);
    checkIniPath(path, bufferSize);

    // The buffers the plugin itself uses.
    checkCopy(findBaseName(path, NULL), 260);
    checkDescription(findBaseName(path, NULL), 64);
    checkIniPath(path, 260);
    return 0;
}
