// The plugin's state record, and what the workers share with the player's
// thread.
#include "state.h"

#include "../logic/paths.h"

// Every field starts zero, empty or false, and takes no room in the file.
// The action, which means "none" at 1012 rather than 0, is set by init's
// loading of the settings before anything reads it.
PluginState g_state;

bool readModulePath(HINSTANCE instance, char* path)
{
    char buffer[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(instance, buffer, sizeof buffer);
    if (length == 0 || length >= MAX_PATH)
        return false;
    buffer[length] = '\0';
    return copyBounded(buffer, path, MAX_PATH);
}

void publishMoment(SharedMoment* shared, uint64_t value)
{
    shared->slots[(shared->generation + 1) & 1] = value;
    InterlockedIncrement(&shared->generation);
}

uint64_t readMoment(const SharedMoment* shared)
{
    for (;;) {
        LONG generation = shared->generation;
        uint64_t value = shared->slots[generation & 1];
        if (generation == shared->generation)
            return value;
    }
}

HMODULE referencePlugin(void)
{
    char path[MAX_PATH];
    return readModulePath(g_state.instance, path) ? LoadLibraryA(path) : NULL;
}

// Waits for the worker to end, taking meanwhile the messages it sends to
// the player's window (its questions to the player), and no other: posted
// messages stay queued, and the message this thread is handling is not
// answered.
bool waitForThread(HANDLE worker, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD woken =
            MsgWaitForMultipleObjects(1, &worker, FALSE, elapsed < timeoutMs ? timeoutMs - elapsed : 0, QS_SENDMESSAGE);
        if (woken != WAIT_OBJECT_0 + 1)
            return woken == WAIT_OBJECT_0;
        MSG msg;
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);
    }
}

