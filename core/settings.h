// The settings file: section "Nightfold" of an INI file beside the module,
// or in the player's settings folder where the one beside the module cannot
// be written.
#ifndef NIGHTFOLD_SETTINGS_H
#define NIGHTFOLD_SETTINGS_H

#include <windows.h>

struct ConfigValues;
struct SettingsFile;

// The ANSI code page's lead-byte test, by which ANSI paths are walked.
bool isAnsiLeadByte(unsigned char byte);

// At init, from the player's answers to where it keeps its settings (ANSI,
// Unicode; below 65536 none): the file in its folder, and the one to read.
void chooseSettingsFile(DWORD_PTR answer, DWORD_PTR wideAnswer);
void loadSettings(void);
// Writes the chosen settings as the whole section, into the file read;
// where that fails, into the one in the player's folder, which is then the
// one read. FALSE when no write succeeded (the files are then as they were)
// or there is no settings path (the file beside the module, its path empty,
// ERROR_FILENAME_EXCED_RANGE); tried then holds the files tried, in order,
// each with the reason it failed.
struct SaveTried {
    const SettingsFile* files[2];
    DWORD errors[2];
    int count;
};
BOOL saveSettings(const ConfigValues& chosen, SaveTried* tried);
// Puts the chosen values into the state as saveSettings and then
// loadSettings would have, for settings that could not be saved.
void applySettings(const ConfigValues& chosen);
// The player's volume when a fade began (0 to 255), kept in the settings
// file until it is given back, so that a start after an exit during the
// fade can give it back; the same way as the settings, into the file read
// or the player's folder. Remembering may fail unnoticed; reading gives -1
// when no volume is kept.
void rememberFadeFrom(int volume);
void forgetFadeFrom(void);
int readFadeFrom(void);
// The Language key as written by hand ("de", "pt-BR"), empty where there is
// none; a longer value is cut to LANGUAGE_KEY_SIZE - 1 characters.
#define LANGUAGE_KEY_SIZE 64
void readLanguageKey(char* language);

#endif
