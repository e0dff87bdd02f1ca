// The alarm worker: waits for the evening of the set time, carries it out,
// then asks the player to exit.
#ifndef NIGHTFOLD_ALARM_H
#define NIGHTFOLD_ALARM_H

#include <windows.h>

DWORD WINAPI alarmWorker(LPVOID param);
// Starts a new alarm worker; its handle and identifier go to g_state. When
// no thread can be started the plugin is disabled for this run, with a
// message.
void startAlarmWorker(void);
// Stops the current worker, if any, and waits for it to end (a worker that
// holds its own reference to the plugin may go on showing its failure
// message); its handle stays in g_state.
void stopAlarmWorker(void);

#endif
