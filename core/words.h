// The plugin's words on screen: the language chosen at init, and its texts
// set and shown with the Unicode calls on Windows NT, so that every script
// shows whatever the ANSI code page; with the ANSI calls on 98 and Me, whose
// language always suits their code page. The Unicode calls are looked up:
// the plugin imports none.
#ifndef NIGHTFOLD_WORDS_H
#define NIGHTFOLD_WORDS_H

#include <windows.h>

#include <stdint.h>

#include "texts.h"

// Room for any text but a message box's.
#define WORDS_SIZE 256

// At init: the Language key of the settings (empty where there is none),
// else the player's language pack (NULL where it uses none or does not
// tell), else Windows' display language.
void chooseWords(const char* languageKey, const char* pack);

// The text in the user's language, values in place (NULL as empty), into
// out (WORDS_SIZE units).
void sayText(TextId id, const WCHAR* const* values, unsigned count, WCHAR* out);
// The text as the ANSI code page has it, into out (size bytes); returns
// its length.
int sayAnsi(TextId id, char* out, int size);
// A menu item's text as the player's list of actions names it, "Nightfold:
// In 30 minutes", into out (size bytes): in UTF-16 where the plugin speaks
// Unicode (NT), returning true; else as sayAnsi makes it, returning false.
bool sayKeyName(TextId id, void* out, int size);
// The same into out of size units, for a message with paths in it.
void sayLongText(TextId id, const WCHAR* const* values, unsigned count, WCHAR* out, size_t size);
// A time of day as the dialog shows it, in the user's language.
void sayTimeOfDay(unsigned hour, unsigned minute, bool use24, WCHAR* out);
// An evening or a morning by its days and time, as the dialog's lists
// name it: "Mon–Thu, Sun 11:30 PM" (three days or more in a row as a
// span), with the menu's day names and times.
void sayEntry(unsigned days, unsigned hour, unsigned minute, bool use24, WCHAR* out);
// ANSI text (a path, a product name) as UTF-16 into out, of size units.
void widenAnsi(const char* text, WCHAR* out, int size);
// The day's short name (0 Monday) as the user's locale writes it; false
// where it has none.
bool readDayName(int day, WCHAR* name, int size);

// Texts of windows, list items, menu items and message boxes.
void setWindowWords(HWND window, const WCHAR* text);
void setItemWords(HWND dialog, int id, TextId text);
// The same without its access key: for a hidden label that names the
// field a control's text leads into.
void setNameWords(HWND dialog, int id, TextId text);
// A list's item: message CB_ADDSTRING for a combo box, LB_ADDSTRING for a
// list box.
void addListWords(HWND dialog, int id, UINT message, const WCHAR* text);
BOOL insertMenuWords(HMENU menu, UINT position, UINT flags, UINT_PTR id, const WCHAR* text);
BOOL modifyMenuWords(HMENU menu, UINT item, UINT flags, UINT_PTR id, const WCHAR* text);
int showWords(HWND owner, const WCHAR* text, const WCHAR* title, UINT style);

// A message box without owner, its title the product's where it is
// NO_TEXT; a failure's text followed by the system's words for error.
void showMessage(TextId text, TextId title, UINT style);
void showFailure(TextId text, DWORD error, TextId title, UINT style);
// The system's words for error, or "Error <n>." where it has none.
void sayReason(DWORD error, WCHAR* out, int size);
// The time left in the notice: "0:59".
void sayMinutesSeconds(uint32_t seconds, WCHAR* out);
// A span of minutes with its unit: "1 minute", "30 minutes".
void sayMinutes(unsigned minutes, WCHAR* out);

// Dialogs from the module's templates whose controls take Unicode text.
INT_PTR runDialog(HINSTANCE instance, int id, HWND owner, DLGPROC proc, LPARAM param);
HWND createDialog(HINSTANCE instance, int id, HWND owner, DLGPROC proc, LPARAM param);

#endif
