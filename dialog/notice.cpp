// The notice of the last minute: a small window at the bottom right of the
// work area, above other windows, that never takes the focus from what the
// user is doing. It belongs to the thread that shows it (a worker),
// has no owner, and stays until that thread closes it; its buttons only
// record the user's answer.
#include "dialog.h"

#include "../core/words.h"
#include "../logic/dialog_rules.h"
#include "../resources/resource.h"

static volatile LONG* answerOf(HWND notice)
{
    return (volatile LONG*)GetWindowLongPtrA(notice, GWLP_USERDATA);
}

// Escape and Enter (IDCANCEL, IDOK) and the other controls answer nothing;
// so does WM_CLOSE (Alt+F4 in a notice that was clicked: there is no close
// box). The notice goes when the worker no longer needs it.
static INT_PTR CALLBACK noticeProc(HWND notice, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(notice, GWLP_USERDATA, lParam);
        return FALSE;  // takes no focus
    case WM_COMMAND: {
        volatile LONG* answer = answerOf(notice);
        NoticeAnswer chosen = noticeAnswerFor(LOWORD(wParam));
        if (answer && chosen != ANSWER_NONE)
            InterlockedExchange(answer, chosen);
        return TRUE;
    }
    case WM_CLOSE:
        return TRUE;
    }
    return FALSE;
}

// The bottom right corner of the primary monitor's work area, or of the
// screen where the work area cannot be had.
static POINT workAreaCorner(void)
{
    RECT area;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0))
        return { area.right, area.bottom };
    return { GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN) };
}

// The notices up, for the player's keys: each worker's, from the moment it
// shows until it closes.
static HWND volatile s_eveningNotice, s_morningNotice;

// The evening's notice, or with the morning's words the morning's.
static HWND openNotice(HINSTANCE instance, volatile LONG* answer, TextId closeText)
{
    // No owner: a window owned by one of another thread would tie the two
    // threads' input together.
    HWND notice = createDialog(instance, IDD_NOTICE, NULL, noticeProc, (LPARAM)answer);
    if (!notice)
        return NULL;
    setNoticeText(notice, L"");
    setItemWords(notice, IDC_SNOOZE, T_SNOOZE);
    setItemWords(notice, IDC_CANCEL_TONIGHT, T_CANCEL_TONIGHT);
    setItemWords(notice, IDC_CLOSE_NOW, closeText);
    POINT corner = workAreaCorner();
    RECT frame;
    GetWindowRect(notice, &frame);
    SetWindowPos(notice, HWND_TOPMOST, corner.x - (frame.right - frame.left), corner.y - (frame.bottom - frame.top), 0,
                 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return notice;
}

HWND showNotice(HINSTANCE instance, volatile LONG* answer, TextId closeText)
{
    s_eveningNotice = openNotice(instance, answer, closeText);
    return s_eveningNotice;
}

// Also notes the window in front, unless it is the notice, in the dialog's
// own slot: the one the user is in when the notice shows or at its last tick.
void setNoticeText(HWND notice, const WCHAR* text)
{
    HWND front = GetForegroundWindow();
    if (front && front != notice)
        SetWindowLongPtrA(notice, DWLP_USER, (LONG_PTR)front);
    setWindowWords(GetDlgItem(notice, IDC_NOTICE_TEXT), text);
}

// A notice that a click made the foreground window would, destroyed as it
// is, leave the foreground to whatever window the system or the window
// manager picks next (one on top of all, the desktop): the window noted in
// front gets it back first, unless it has gone or been hidden meanwhile.
void closeNotice(HWND notice)
{
    InterlockedCompareExchangePointer((PVOID volatile*)&s_eveningNotice, NULL, notice);
    InterlockedCompareExchangePointer((PVOID volatile*)&s_morningNotice, NULL, notice);
    HWND before = (HWND)GetWindowLongPtrA(notice, DWLP_USER);
    if (GetForegroundWindow() == notice && IsWindowVisible(before))
        SetForegroundWindow(before);
    DestroyWindow(notice);
}

// Places a button of the notice, in dialog units.
static void placeButton(HWND notice, int id, TextId text, RECT place)
{
    MapDialogRect(notice, &place);
    HWND button = GetDlgItem(notice, id);
    SetWindowPos(button, NULL, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    setItemWords(notice, id, text);
}

// The morning's notice: the same window, its answers the alarm clock's
// Snooze, Stop and Keep playing; the last takes room from the short Stop.
HWND showMorningNotice(HINSTANCE instance, volatile LONG* answer)
{
    HWND notice = openNotice(instance, answer, T_CLOSE_NOW);
    if (notice) {
        setItemWords(notice, IDC_SNOOZE, T_MORNING_SNOOZE);
        placeButton(notice, IDC_CANCEL_TONIGHT, T_STOP, { 103, 37, 159, 51 });
        placeButton(notice, IDC_CLOSE_NOW, T_KEEP_PLAYING, { 163, 37, 263, 51 });
    }
    s_morningNotice = notice;
    return notice;
}

// Posted as a click: the notice's thread takes it as the user's answer. A
// notice that has gone meanwhile takes nothing.
void pressNoticeButton(int button)
{
    HWND notices[] = { s_morningNotice, s_eveningNotice };
    for (HWND notice : notices) {
        if (notice &&
            PostMessageA(notice, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(notice, button)))
            return;
    }
}

void dispatchMessages(HWND notice)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (!notice || !IsDialogMessageA(notice, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
