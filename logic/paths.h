// Names derived from the module's file name: the base name (timer name),
// the description shown by the player, and the settings file's path.
// Pure text handling, no platform calls.
#ifndef NIGHTFOLD_PATHS_H
#define NIGHTFOLD_PATHS_H

#include <stddef.h>
#include <stdint.h>

// The version comes from the build (CMakeLists.txt), as a bare number.
#ifndef NIGHTFOLD_VERSION
#error "NIGHTFOLD_VERSION is not defined"
#endif
#define NIGHTFOLD_TEXT_OF(x) #x
#define NIGHTFOLD_TEXT(x) NIGHTFOLD_TEXT_OF(x)
#define PRODUCT_NAME "Nightfold"
#define PRODUCT_TEXT PRODUCT_NAME " v" NIGHTFOLD_TEXT(NIGHTFOLD_VERSION)

// Whether a byte of an ANSI path begins a character of two bytes, whose
// second may be any byte from 0x40 up, the backslash among them: the ANSI
// code page's test (IsDBCSLeadByte), or NULL where every character is one
// byte. ANSI paths are walked by characters with it, never by bytes.
typedef bool (*LeadByteTest)(unsigned char byte);

// Start of the file name: the character after the last backslash, or the
// whole path when there is none.
const char* findBaseName(const char* path, LeadByteTest isLeadByte);

// Copies at most size-1 characters of src and always terminates dst.
// Returns false when src did not fit.
bool copyBounded(const char* src, char* dst, size_t size);

// "Nightfold v2.0 [<baseName>]", cut to size-1 characters, terminated.
void formatDescription(const char* baseName, char* out, size_t size);

// The path up to and including its last '.', anywhere in the path, followed
// by "ini"; just "ini" when the path has no dot. Returns false, leaving out
// empty, when the result would not fit in size bytes.
bool deriveIniPath(const char* modulePath, char* out, size_t size);

// The plugin's settings file in the player's settings folder,
// <folder>\Plugins\<fileName>, from the player's answer to where it keeps
// its settings: a pointer into its memory (ANSI or Unicode, as asked), to
// text that the player's messaging has found ended within readable memory.
// A player that does not know the question answers 0, or 1 as older ones
// answer every message they do not handle: an answer below 65536 names no
// folder and is never read. An ANSI folder is walked by its characters, so
// that one ending in a letter whose second byte is 0x5C (Shift-JIS 表) still
// gets its backslash. Returns false, leaving out empty, where there is no
// folder, it is empty, or the path would not fit in size characters.
bool derivePlayerIniPath(uintptr_t answer, const char* fileName, LeadByteTest isLeadByte, char* out, size_t size);
bool derivePlayerIniPath(uintptr_t answer, const wchar_t* fileName, wchar_t* out, size_t size);

// Which settings file. Read: the one in the player's folder where it is
// there (it holds this user's latest choice), else the one beside the
// module. Written: the one read where it can be written, else the one in
// the player's folder where the player names one, else none.
enum SettingsPlace { PLACE_NONE, PLACE_BESIDE, PLACE_PLAYER };
SettingsPlace settingsFileRead(bool playerFileExists);
SettingsPlace settingsFileWritten(SettingsPlace read, bool readWritable, bool playerFolder);

#endif
