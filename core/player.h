// Messages to the player's main window.
#ifndef NIGHTFOLD_PLAYER_H
#define NIGHTFOLD_PLAYER_H

#include <windows.h>

#include "../logic/evening.h"

#define HOST_CMD_EXIT 40001

PlayerReport readPlayer(HANDLE stopEvent);
// Sets the player's volume (0 to 255); a direct call on the player's own
// thread, a bounded wait from another.
bool setPlayerVolume(int volume);
void stopPlayback(void);
// Plays the playlist's current entry; pauses what plays, or resumes what is
// paused; the playlist's number of entries, -1 when the player does not tell.
void startPlayback(void);
void togglePause(void);
int32_t readPlaylistLength(void);
// Whether one of those commands of the plugin's is on its way to the
// player's window.
bool sendingOwnCommand(void);
// Plays the chosen file name or address: the playlist's entry that is it
// (letters in either case), else one added at the playlist's end, made the
// current entry. The user's entries stay as they are.
void playChosenEntry(const char* chosen);
// Posts the exit command, trying again while the player's queue is full,
// until stopEvent. False, with the reason for the user in error, where it
// could not be posted; true once posted, or when the player is leaving
// anyway.
bool askPlayerToExit(HANDLE stopEvent, DWORD* error);
// On the player's thread: its main popup menu (NULL where it has none, as
// before Winamp 2.9), and a fresh command id for a plugin's item (0 where
// it hands out none).
HMENU readPlayerMenu(void);
// The language of the player's language pack ("de-DE"), into code; false
// where it uses none or does not tell (before Winamp 5.51).
bool readPlayerLanguage(char* code, size_t size);
// On the player's thread: its answer to where it keeps its settings, in
// ANSI or in Unicode: a pointer to text in its memory, or below 65536 none.
DWORD_PTR readPlayerFolder(bool unicode);
UINT newPlayerCommand(void);
// On the player's thread: the number of the player's message that adds an
// action to its Global Hotkeys, 0 where it offers none (a player without
// them answers 0 or 1); and the entry posted with it, which the player
// reads later: it stays valid while the plugin is loaded.
UINT readHotkeysMessage(void);
bool postHotkey(UINT message, const void* entry);
// The window to own the plugin's dialog and message boxes: the one in the
// foreground where it is one of the player's process (its preferences),
// else the player's main window. Another program's window may go at any
// moment, failing the dialog, and would tie that program's input to ours.
HWND readOwnerWindow(void);

#endif
