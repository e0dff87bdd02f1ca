// Names derived from the module's file name: the base name (timer name),
// the description shown by the player, and the settings file's path.
// Pure text handling, no platform calls.
#ifndef NIGHTFOLD_PATHS_H
#define NIGHTFOLD_PATHS_H

#include <stddef.h>

// The version comes from the build (CMakeLists.txt), as a bare number.
#ifndef NIGHTFOLD_VERSION
#error "NIGHTFOLD_VERSION is not defined"
#endif
#define NIGHTFOLD_TEXT_OF(x) #x
#define NIGHTFOLD_TEXT(x) NIGHTFOLD_TEXT_OF(x)
#define PRODUCT_TEXT "Nightfold v" NIGHTFOLD_TEXT(NIGHTFOLD_VERSION)

// Start of the file name: the character after the last backslash, or the
// whole path when there is none.
const char* findBaseName(const char* path);

// Copies at most size-1 characters of src and always terminates dst.
// Returns false when src did not fit.
bool copyBounded(const char* src, char* dst, size_t size);

// "Nightfold v2.0 [<baseName>]", cut to size-1 characters, terminated.
void formatDescription(const char* baseName, char* out, size_t size);

// The path up to and including its last '.', anywhere in the path, followed
// by "ini"; just "ini" when the path has no dot. Returns false, leaving out
// empty, when the result would not fit in size bytes.
bool deriveIniPath(const char* modulePath, char* out, size_t size);

#endif
