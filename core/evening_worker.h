// The evening worker: waits for the evening of the set time, carries out
// the evening's plan (logic/evening.cpp), then asks the player to exit.
#ifndef NIGHTFOLD_EVENING_WORKER_H
#define NIGHTFOLD_EVENING_WORKER_H

#include <windows.h>

#include "../logic/duetime.h"
#include "../logic/evening.h"

DWORD WINAPI alarmWorker(LPVOID param);
// Starts a new alarm worker; its handle and identifier go to g_state. When
// no thread can be started the plugin is disabled for this run, with a
// message.
void startAlarmWorker(void);
// Stops the current worker, if any, and waits for it to end (a worker that
// holds its own reference to the plugin may go on showing its failure
// message); its handle is closed.
void stopAlarmWorker(void);
// After the settings changed: a new worker when the plugin is enabled,
// keeping a choice made in the menu; nothing set for tonight when it is
// disabled.
void rearmAlarm(void);

// Tonight in the player's menu, for this run only, whatever the plugin's
// mode. A choice replaces what is set for tonight: the close moment
// msFromNow ahead, at a song's end, the player's stop or once the user has
// been idle for the idle minutes (msFromNow 0). It takes the action of
// tonight's evening, the one it replaces, cancelled or not; with no evening
// tonight, the first evening's.
void chooseTonight(EveningKind kind, uint32_t msFromNow);
// On the player's thread: a playback command reached the player's window
// from elsewhere than the plugin; an evening that comes when idle counts
// it as input.
void notePlaybackCommand(void);
// As the notice's Cancel tonight, where tonight's evening is set: with
// Enabled the set time comes again on the next listed day; a Run Once is
// over.
void cancelTonight(void);
// What is set next: false when nothing is; else its kind (the player's
// stop, the user idle, or a moment: EVENING_AT_TIME), for a moment the
// close moment in local time, and whether it is tonight's, tomorrow's or a
// later day's (a choice is always tonight's).
bool readNextEvening(EveningKind* kind, CalendarTime* closeLocal, EveningDay* day);
// What follows the evening set next (g_state.action): the ending, and the
// first morning due after its close (after now for a stop).
EveningFollows nextEveningFollows(void);

#endif
