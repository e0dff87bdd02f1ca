// The plugin's words on screen: which language, and its texts through the
// Unicode calls (NT) or the ANSI ones (98, Me).
#include "words.h"

#include "../logic/language.h"
#include "../logic/paths.h"
#include "../power/power.h"

static unsigned s_language;
static bool s_unicode;

typedef BOOL(WINAPI* WindowTextSet)(HWND, LPCWSTR);
typedef LRESULT(WINAPI* ItemMessageSend)(HWND, int, UINT, WPARAM, LPARAM);
typedef int(WINAPI* MessageShow)(HWND, LPCWSTR, LPCWSTR, UINT);
typedef BOOL(WINAPI* MenuInsert)(HMENU, UINT, UINT, UINT_PTR, LPCWSTR);
typedef INT_PTR(WINAPI* DialogRun)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);
typedef HWND(WINAPI* DialogCreate)(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM);
typedef int(WINAPI* LocaleRead)(LCID, LCTYPE, LPWSTR, int);
typedef LANGID(WINAPI* LanguageRead)(void);
typedef DWORD(WINAPI* MessageFormat)(DWORD, LPCVOID, DWORD, DWORD, LPWSTR, DWORD, va_list*);

static struct {
    WindowTextSet setWindowText;
    ItemMessageSend sendItemMessage;
    MessageShow messageBox;
    MenuInsert insertMenu, modifyMenu;
    DialogRun dialogBoxParam;
    DialogCreate createDialogParam;
    LocaleRead getLocaleInfo;
    MessageFormat formatMessage;
} s_w;

static const struct {
    const char* dll;
    const char* name;
    FARPROC* address;
} UNICODE_CALLS[] = {
    { "USER32.DLL", "SetWindowTextW", (FARPROC*)&s_w.setWindowText },
    { "USER32.DLL", "SendDlgItemMessageW", (FARPROC*)&s_w.sendItemMessage },
    { "USER32.DLL", "MessageBoxW", (FARPROC*)&s_w.messageBox },
    { "USER32.DLL", "InsertMenuW", (FARPROC*)&s_w.insertMenu },
    { "USER32.DLL", "ModifyMenuW", (FARPROC*)&s_w.modifyMenu },
    { "USER32.DLL", "DialogBoxParamW", (FARPROC*)&s_w.dialogBoxParam },
    { "USER32.DLL", "CreateDialogParamW", (FARPROC*)&s_w.createDialogParam },
    { "KERNEL32.DLL", "GetLocaleInfoW", (FARPROC*)&s_w.getLocaleInfo },
    { "KERNEL32.DLL", "FormatMessageW", (FARPROC*)&s_w.formatMessage },
};

// Every Unicode call, or none: on NT, where all are there.
static bool findUnicodeCalls(void)
{
    if (!isNtFamily())
        return false;
    for (const auto& call : UNICODE_CALLS) {
        HMODULE module = GetModuleHandleA(call.dll);
        *call.address = module ? GetProcAddress(module, call.name) : NULL;
        if (!*call.address)
            return false;
    }
    return true;
}

// Windows' display language (2000, Me and later), else the user's.
static LANGID readDisplayLanguage(void)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    LanguageRead uiLanguage = kernel ? (LanguageRead)(void*)GetProcAddress(kernel, "GetUserDefaultUILanguage") : NULL;
    return uiLanguage ? uiLanguage() : GetUserDefaultLangID();
}

// Windows NT 4.0 draws its dialogs in MS Sans Serif, linking no other
// script's glyphs into it, as 98 and Me.
static bool linksFonts(void)
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return s_unicode && GetVersionExA(&version) && version.dwMajorVersion >= 5;
}

static bool codePageInstalled(unsigned codePage)
{
    return IsValidCodePage(codePage) != FALSE;
}

void chooseWords(const char* languageKey, const char* pack)
{
    s_unicode = findUnicodeCalls();
    LanguageFacts facts = {
        languageKey[0] ? languageKey : NULL,
        pack,
        readDisplayLanguage(),
        !linksFonts(),
        GetACP(),
        codePageInstalled,
    };
    s_language = chooseLanguage(facts);
}

void sayText(TextId id, const WCHAR* const* values, unsigned count, WCHAR* out)
{
    sayLongText(id, values, count, out, WORDS_SIZE);
}

void sayLongText(TextId id, const WCHAR* const* values, unsigned count, WCHAR* out, size_t size)
{
    formatText(textIn(s_language, id), (const char16_t* const*)values, count, (char16_t*)out, size);
}

void sayTimeOfDay(unsigned hour, unsigned minute, bool use24, WCHAR* out)
{
    formatTimeOfDay(s_language, hour, minute, use24, (char16_t*)out, WORDS_SIZE);
}

void widenAnsi(const char* text, WCHAR* out, int size)
{
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, out, size))
        out[0] = 0;
    out[size - 1] = 0;
}

// UTF-16 as the ANSI code page has it, for the ANSI calls.
static void narrow(const WCHAR* text, char* out, int size)
{
    if (!WideCharToMultiByte(CP_ACP, 0, text, -1, out, size, NULL, NULL))
        out[0] = 0;
    out[size - 1] = 0;
}

// Makes the text id in language into out (WORDS_SIZE units).
typedef size_t (*TextMaker)(unsigned language, TextId id, WCHAR* out);

static size_t makeText(unsigned language, TextId id, WCHAR* out)
{
    return formatText(textIn(language, id), NULL, 0, (char16_t*)out, WORDS_SIZE);
}

static size_t makeKeyName(unsigned language, TextId id, WCHAR* out)
{
    return formatKeyName(PRODUCT_NAME, textIn(language, id), (char16_t*)out, WORDS_SIZE);
}

// The text made in the user's language as the ANSI code page has it; made
// in English where the code page cannot hold that language's script, not
// "??????".
static void narrowMade(TextMaker make, TextId id, char* out, int size)
{
    WCHAR words[WORDS_SIZE];
    make(s_language, id, words);
    BOOL lost = FALSE;
    if (!WideCharToMultiByte(CP_ACP, 0, words, -1, out, size, NULL, &lost) || lost) {
        make(0, id, words);
        narrow(words, out, size);
    }
}

int sayAnsi(TextId id, char* out, int size)
{
    narrowMade(makeText, id, out, size);
    return lstrlenA(out);
}

bool sayKeyName(TextId id, void* out, int size)
{
    if (s_unicode) {
        formatKeyName(PRODUCT_NAME, textIn(s_language, id), (char16_t*)out, (size_t)size / sizeof(WCHAR));
        return true;
    }
    narrowMade(makeKeyName, id, (char*)out, size);
    return false;
}

// The day names are in the language the plugin speaks, not in the user's
// regional format.
bool readDayName(int day, WCHAR* name, int size)
{
    LCTYPE type = LOCALE_SABBREVDAYNAME1 + day;
    LCID locale = MAKELCID(LANGUAGES[s_language]->langId, SORT_DEFAULT);
    if (s_unicode)
        return s_w.getLocaleInfo(locale, type, name, size) > 0;
    char ansi[32];
    if (GetLocaleInfoA(locale, type | LOCALE_USE_CP_ACP, ansi, sizeof ansi) <= 0)
        return false;
    widenAnsi(ansi, name, size);
    return true;
}

void setWindowWords(HWND window, const WCHAR* text)
{
    if (s_unicode) {
        s_w.setWindowText(window, text);
        return;
    }
    char ansi[WORDS_SIZE * 2];
    narrow(text, ansi, sizeof ansi);
    SetWindowTextA(window, ansi);
}

void setItemWords(HWND dialog, int id, TextId text)
{
    WCHAR words[WORDS_SIZE];
    sayText(text, NULL, 0, words);
    setWindowWords(GetDlgItem(dialog, id), words);
}

void setNameWords(HWND dialog, int id, TextId text)
{
    WCHAR words[WORDS_SIZE];
    formatKeyName(NULL, textIn(s_language, text), (char16_t*)words, WORDS_SIZE);
    setWindowWords(GetDlgItem(dialog, id), words);
}

void addListWords(HWND dialog, int id, UINT message, const WCHAR* text)
{
    if (s_unicode) {
        s_w.sendItemMessage(dialog, id, message, 0, (LPARAM)text);
        return;
    }
    char ansi[WORDS_SIZE * 2];
    narrow(text, ansi, sizeof ansi);
    SendDlgItemMessageA(dialog, id, message, 0, (LPARAM)ansi);
}

// InsertMenu or ModifyMenu, which take the same arguments.
typedef BOOL(WINAPI* AnsiMenuInsert)(HMENU, UINT, UINT, UINT_PTR, LPCSTR);
static BOOL changeMenu(MenuInsert wide, AnsiMenuInsert ansiCall, HMENU menu, UINT item, UINT flags, UINT_PTR id,
                       const WCHAR* text)
{
    if (s_unicode)
        return wide(menu, item, flags, id, text);
    char ansi[WORDS_SIZE * 2];
    narrow(text, ansi, sizeof ansi);
    return ansiCall(menu, item, flags, id, ansi);
}

BOOL insertMenuWords(HMENU menu, UINT position, UINT flags, UINT_PTR id, const WCHAR* text)
{
    return changeMenu(s_w.insertMenu, InsertMenuA, menu, position, flags, id, text);
}

BOOL modifyMenuWords(HMENU menu, UINT item, UINT flags, UINT_PTR id, const WCHAR* text)
{
    return changeMenu(s_w.modifyMenu, ModifyMenuA, menu, item, flags, id, text);
}

int showWords(HWND owner, const WCHAR* text, const WCHAR* title, UINT style)
{
    if (s_unicode)
        return s_w.messageBox(owner, text, title, style);
    char ansiText[2048], ansiTitle[WORDS_SIZE];
    narrow(text, ansiText, sizeof ansiText);
    narrow(title, ansiTitle, sizeof ansiTitle);
    return MessageBoxA(owner, ansiText, ansiTitle, style);
}

INT_PTR runDialog(HINSTANCE instance, int id, HWND owner, DLGPROC proc, LPARAM param)
{
    if (s_unicode)
        return s_w.dialogBoxParam(instance, MAKEINTRESOURCEW(id), owner, proc, param);
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(id), owner, proc, param);
}

HWND createDialog(HINSTANCE instance, int id, HWND owner, DLGPROC proc, LPARAM param)
{
    if (s_unicode)
        return s_w.createDialogParam(instance, MAKEINTRESOURCEW(id), owner, proc, param);
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(id), owner, proc, param);
}

void sayMinutesSeconds(uint32_t seconds, WCHAR* out)
{
    formatMinutesSeconds(seconds, (char16_t*)out, WORDS_SIZE);
}

void sayMinutes(unsigned minutes, WCHAR* out)
{
    char digits[12];
    WCHAR number[12];
    wsprintfA(digits, "%u", minutes);
    widenAnsi(digits, number, 12);
    const WCHAR* values[] = { number };
    sayText(minutes == 1 ? T_ONE_MINUTE : T_MINUTES, values, 1, out);
}

void sayReason(DWORD error, WCHAR* out, int size)
{
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (s_unicode && s_w.formatMessage(flags, NULL, error, 0, out, size, NULL))
        return;
    char ansi[WORDS_SIZE];
    if (!s_unicode && FormatMessageA(flags, NULL, error, 0, ansi, sizeof ansi, NULL)) {
        widenAnsi(ansi, out, size);
        return;
    }
    char number[24];
    wsprintfA(number, "Error %lu.", error);
    widenAnsi(number, out, size);
}

static void sayTitle(TextId title, WCHAR* caption)
{
    if (title == NO_TEXT)
        widenAnsi(PRODUCT_TEXT, caption, WORDS_SIZE);
    else
        sayText(title, NULL, 0, caption);
}

void showMessage(TextId text, TextId title, UINT style)
{
    WCHAR said[WORDS_SIZE], caption[WORDS_SIZE];
    sayText(text, NULL, 0, said);
    sayTitle(title, caption);
    showWords(NULL, said, caption, style);
}

void showFailure(TextId text, DWORD error, TextId title, UINT style)
{
    WCHAR said[WORDS_SIZE], reason[WORDS_SIZE], caption[WORDS_SIZE], message[WORDS_SIZE * 2 + 2];
    sayText(text, NULL, 0, said);
    sayReason(error, reason, WORDS_SIZE);
    sayTitle(title, caption);
    const WCHAR* values[] = { said, reason };
    formatText("%1\n\n%2", (const char16_t* const*)values, 2, (char16_t*)message, sizeof message / sizeof *message);
    showWords(NULL, message, caption, style);
}

// Appends text at *end, no further than limit (one unit kept for the NUL).
static void append(WCHAR** end, const WCHAR* limit, const WCHAR* text)
{
    for (; *text && *end < limit - 1; ++text)
        *(*end)++ = *text;
    **end = 0;
}

void sayEntry(unsigned days, unsigned hour, unsigned minute, bool use24, WCHAR* out)
{
    // The days in runs, Monday first: three or more in a row as "Mon–Thu",
    // shorter runs day by day.
    WCHAR named[WORDS_SIZE] = { 0 }, name[32], time[WORDS_SIZE];
    WCHAR* end = named;
    const WCHAR* limit = named + WORDS_SIZE;
    for (int day = 0; day < 7; ++day) {
        if (!(days >> day & 1))
            continue;
        int last = day;
        while (last < 6 && days >> (last + 1) & 1)
            ++last;
        bool span = last - day >= 2;
        for (int at = day; at <= last; ++at) {
            if (span && at != day && at != last)
                continue;
            if (end != named)
                append(&end, limit, span && at == last ? L"\x2013" : L", ");
            if (readDayName(at, name, 32))
                append(&end, limit, name);
        }
        day = last;
    }
    sayTimeOfDay(hour, minute, use24, time);
    const WCHAR* values[] = { named, time };
    sayText(T_ENTRY, values, 2, out);
}
