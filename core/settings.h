// The settings file: section "Nightfold" of an INI file beside the module.
#ifndef NIGHTFOLD_SETTINGS_H
#define NIGHTFOLD_SETTINGS_H

#include <windows.h>

struct ConfigValues;

void loadSettings(const char* path);
// Writes the chosen settings as the whole section; FALSE, with
// GetLastError's reason, when the write failed (the file is then as it
// was) or there is no settings path.
BOOL saveSettings(const char* path, const ConfigValues& chosen);
// Puts the chosen values into the state as saveSettings and then
// loadSettings would have, for settings that could not be saved.
void applySettings(const ConfigValues& chosen);
// The player's volume when a fade began (0 to 255), kept in the settings
// file until it is given back, so that a start after an exit during the
// fade can give it back. Remembering may fail unnoticed; reading gives -1
// when no volume is kept.
void rememberFadeFrom(const char* path, int volume);
void forgetFadeFrom(const char* path);
int readFadeFrom(const char* path);
// The Language key as written by hand ("de", "pt-BR"), empty where there is
// none; a longer value is cut to LANGUAGE_KEY_SIZE - 1 characters.
#define LANGUAGE_KEY_SIZE 64
void readLanguageKey(const char* path, char* language);

#endif
