// Talking to the player's main window (from the alarm worker, and to give a
// volume back from the player's thread): questions and every step whose order
// matters with a bounded wait, so that a hung or exiting player never holds
// the worker; the exit command, the last word, posted.
#include "player.h"

#include "../logic/morning.h"
#include "../logic/paths.h"
#include "state.h"

// The player's WM_USER messages (the number goes in lParam) and commands.
#define HOST_IPC_IS_PLAYING 104   // 1 playing, 3 paused, 0 stopped
#define HOST_IPC_GET_POSITION 105  // wParam 0 position in ms, 1 length in s, 2 length in ms
#define HOST_IPC_SET_VOLUME 122   // wParam 0 to 255 sets the volume
#define HOST_GET_VOLUME ((WPARAM)-666)  // with HOST_IPC_SET_VOLUME: answers the volume
#define HOST_IPC_GET_MENU 281      // wParam 0: the player's main popup menu
#define HOST_IPC_NEW_COMMAND 3019  // a fresh command id for a plugin's menu item
#define HOST_IPC_GET_INI_FOLDER 335      // wParam 0: where the player keeps its settings, ANSI (2.9 and later)
#define HOST_IPC_GET_INI_FOLDER_W 1335   // ... in Unicode (newer players)
#define HOST_IPC_GET_LIST_LENGTH 124  // the playlist's number of entries
#define HOST_IPC_SET_LIST_POSITION 121  // wParam: the entry to make current
#define HOST_IPC_GET_LIST_FILE 211     // wParam: an entry; answers its file name, in the player's memory
#define HOST_IPC_PLAY_FILE 100         // WM_COPYDATA: adds the file name to the playlist's end
#define HOST_IPC_LANGUAGE_PACK 621     // wParam 1: 0 with a pack; wParam 5: its language, a wchar_t*
#define HOST_IPC_REGISTER_MESSAGE 65536  // wParam a name: answers the number of the player's message of that name
#define HOST_CMD_PLAY 40045   // plays the playlist's current entry
#define HOST_CMD_PAUSE 40046  // pauses, or resumes what is paused
#define HOST_CMD_STOP 40047

static const UINT PLAYER_TIMEOUT_MS = 500;

static bool sendToPlayer(UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer)
{
    return SendMessageTimeoutA(g_state.hostWindow, message, wParam, lParam, SMTO_ABORTIFHUNG, PLAYER_TIMEOUT_MS,
                               answer) != 0;
}

// Whether window is one of this process.
static bool isOwnWindow(HWND window)
{
    DWORD process = 0;
    return window && GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId();
}

// Whether an answer of the player is a pointer to text that can be read:
// text of units of unitSize bytes, ended by a zero unit, in committed,
// readable memory of this process. Every answer read as a pointer passes
// here first. Anything else is no answer: a player that answers 1 to what
// it does not know, a compatible one that answers a handle or a count, the
// window of a player in another process (whose pointers mean nothing here).
// The search for the end stops where the memory's region ends.
static bool isTextAnswer(DWORD_PTR answer, size_t unitSize)
{
    const DWORD READABLE = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    MEMORY_BASIC_INFORMATION memory;
    if (answer < 65536 || !isOwnWindow(g_state.hostWindow) || !VirtualQuery((LPCVOID)answer, &memory, sizeof memory) ||
        memory.State != MEM_COMMIT || !(memory.Protect & READABLE) || (memory.Protect & PAGE_GUARD))
        return false;
    const char* end = (const char*)memory.BaseAddress + memory.RegionSize;
    for (const char* unit = (const char*)answer; unit + unitSize <= end; unit += unitSize) {
        if (!unit[0] && (unitSize == 1 || !unit[1]))
            return true;
    }
    return false;
}

// The player's answer to WM_USER question, or none when it did not answer.
static int32_t askPlayer(WPARAM wParam, LPARAM question, int32_t none)
{
    DWORD_PTR answer;
    return sendToPlayer(WM_USER, wParam, question, &answer) ? (int32_t)answer : none;
}

// The player's answers; once stopEvent is set the questions left are not
// asked (each may wait for a player that does not answer). stopEvent may be
// NULL on the player's own thread, where each question is a direct call.
PlayerReport readPlayer(HANDLE stopEvent)
{
    PlayerReport report = { -1, -1, -1, -1 };
    struct {
        WPARAM wParam;
        LPARAM question;
        int32_t none;
        int32_t answer;
    } asked[] = {
        { 0, HOST_IPC_IS_PLAYING, -1 },  { 0, HOST_IPC_GET_POSITION, -1 },        { 2, HOST_IPC_GET_POSITION, 0 },
        { 1, HOST_IPC_GET_POSITION, 0 }, { HOST_GET_VOLUME, HOST_IPC_SET_VOLUME, -1 },
    };
    for (auto& question : asked) {
        if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0)
            return report;
        question.answer = askPlayer(question.wParam, question.question, question.none);
    }
    report.status = asked[0].answer;
    report.positionMs = asked[1].answer;
    report.lengthMs = songLengthMs(asked[2].answer, asked[3].answer);
    report.volume = asked[4].answer;
    return report;
}

bool setPlayerVolume(int volume)
{
    DWORD_PTR answer;
    return sendToPlayer(WM_USER, (WPARAM)volume, HOST_IPC_SET_VOLUME, &answer);
}

// How many of the plugin's own commands are on their way to the player's
// window, for its procedure to tell them from the user's.
static LONG volatile s_ownCommands;

static void sendCommand(WPARAM command)
{
    DWORD_PTR answer;
    InterlockedIncrement(&s_ownCommands);
    sendToPlayer(WM_COMMAND, command, 0, &answer);
    InterlockedDecrement(&s_ownCommands);
}

bool sendingOwnCommand(void)
{
    return s_ownCommands > 0;
}

void stopPlayback(void)
{
    sendCommand(HOST_CMD_STOP);
}

void startPlayback(void)
{
    sendCommand(HOST_CMD_PLAY);
}

void togglePause(void)
{
    sendCommand(HOST_CMD_PAUSE);
}

int32_t readPlaylistLength(void)
{
    return askPlayer(0, HOST_IPC_GET_LIST_LENGTH, -1);
}

// Whether the playlist's entry at is the file name or address chosen. The
// player answers with a pointer into its own memory; a player that does not
// answer holds nothing.
static bool entryIs(int32_t at, const char* chosen)
{
    DWORD_PTR answer;
    return sendToPlayer(WM_USER, (WPARAM)at, HOST_IPC_GET_LIST_FILE, &answer) && isTextAnswer(answer, 1) &&
           sameEntry((const char*)answer, chosen);
}

void playChosenEntry(const char* chosen)
{
    int32_t entries = readPlaylistLength(), at = 0;
    while (at < entries && !entryIs(at, chosen))
        ++at;
    if (at >= entries) {
        COPYDATASTRUCT copy = { HOST_IPC_PLAY_FILE, (DWORD)lstrlenA(chosen) + 1, (void*)chosen };
        DWORD_PTR answer;
        sendToPlayer(WM_COPYDATA, 0, (LPARAM)&copy, &answer);
        at = readPlaylistLength() - 1;
    }
    askPlayer(at > 0 ? (WPARAM)at : 0, HOST_IPC_SET_LIST_POSITION, 0);
    startPlayback();
}

// A full queue is tried again for a while, then reported: the player would
// otherwise stay open with nobody knowing.
static const DWORD POST_RETRY_MS = 100;
static const int POST_TRIES = 50;

bool askPlayerToExit(HANDLE stopEvent, DWORD* error)
{
    for (int tries = 0; tries < POST_TRIES; ++tries) {
        if (PostMessageA(g_state.hostWindow, WM_COMMAND, HOST_CMD_EXIT, 0))
            return true;
        *error = GetLastError();
        if (WaitForSingleObject(stopEvent, POST_RETRY_MS) != WAIT_TIMEOUT)
            return true;  // the player is leaving anyway
    }
    return false;
}

HMENU readPlayerMenu(void)
{
    DWORD_PTR answer;
    HMENU menu = sendToPlayer(WM_USER, 0, HOST_IPC_GET_MENU, &answer) ? (HMENU)answer : NULL;
    return menu && IsMenu(menu) ? menu : NULL;
}

UINT newPlayerCommand(void)
{
    DWORD_PTR answer;
    return sendToPlayer(WM_USER, 0, HOST_IPC_NEW_COMMAND, &answer) && answer > 1 && answer <= 0xFFFF ? (UINT)answer
                                                                                                      : 0;
}

UINT readHotkeysMessage(void)
{
    DWORD_PTR answer;
    return sendToPlayer(WM_USER, (WPARAM) "GenHotkeysAdd", HOST_IPC_REGISTER_MESSAGE, &answer) && answer > 1
               ? (UINT)answer
               : 0;
}

bool postHotkey(UINT message, const void* entry)
{
    return PostMessageA(g_state.hostWindow, WM_USER, (WPARAM)entry, (LPARAM)message) != 0;
}

// A player that does not know the question answers 0 or 1 to both.
bool readPlayerLanguage(char* code, size_t size)
{
    DWORD_PTR inUse, answer;
    if (!sendToPlayer(WM_USER, 1, HOST_IPC_LANGUAGE_PACK, &inUse) || inUse != 0 ||
        !sendToPlayer(WM_USER, MAKEWPARAM(5, 0), HOST_IPC_LANGUAGE_PACK, &answer) || !isTextAnswer(answer, 2))
        return false;
    // A language code is ASCII: anything else is no code.
    const WCHAR* wide = (const WCHAR*)answer;
    size_t i = 0;
    for (; wide[i] && i + 1 < size; ++i) {
        if (wide[i] < 0x20 || wide[i] > 0x7E)
            return false;
        code[i] = (char)wide[i];
    }
    code[i] = 0;
    return wide[i] == 0 && i > 0;
}

// An answer below 65536 is handed on as it is: it says the player names no
// folder. A larger one that is no text is no answer.
DWORD_PTR readPlayerFolder(bool unicode)
{
    DWORD_PTR answer;
    if (!sendToPlayer(WM_USER, 0, unicode ? HOST_IPC_GET_INI_FOLDER_W : HOST_IPC_GET_INI_FOLDER, &answer))
        return 0;
    return answer < 65536 || isTextAnswer(answer, unicode ? 2 : 1) ? answer : 0;
}

HWND readOwnerWindow(void)
{
    HWND front = GetForegroundWindow();
    return isOwnWindow(front) ? front : g_state.hostWindow;
}
