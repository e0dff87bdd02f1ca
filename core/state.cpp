// The plugin's state record, and how a failure is told: in the system's own
// words.
#include "state.h"

#include "paths.h"

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

void systemReason(DWORD error, char* reason)
{
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, reason,
                        REASON_SIZE, NULL))
        wsprintfA(reason, "Error %lu.", error);
}

void showFailure(const char* text, DWORD error, const char* title, UINT style)
{
    char reason[REASON_SIZE];
    systemReason(error, reason);
    char message[1024];  // wsprintfA's limit; the parts add up to less
    wsprintfA(message, "%s\n\n%s", text, reason);
    MessageBoxA(NULL, message, title, style);
}
