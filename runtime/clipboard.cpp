// Plain text on the system clipboard.
#include "runtime/clipboard.h"

#include <string.h>

// Opens the clipboard, trying again every 10 ms while another program holds it, for
// CLIPBOARD_OPEN_PATIENCE_MS at most; false when it stayed held.
static bool ClipboardOpen() {
    const DWORD start = GetTickCount();
    while (!OpenClipboard(0)) {
        if (GetTickCount() - start >= CLIPBOARD_OPEN_PATIENCE_MS) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

// The ANSI code page of a locale, or 0 when it cannot be read.
static UINT ClipboardLocaleCodePage(LCID locale) {
    DWORD codePage = 0;
    if (!GetLocaleInfoA(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        (LPSTR)&codePage, sizeof codePage)) {
        return 0;
    }
    return codePage;
}

// The locale that names the code page of the text. A program that pastes Unicode text gets it made
// from the CF_TEXT text with the ANSI code page of CF_LOCALE, which the system takes from the input
// language (the keyboard layout) when the program names none; that language's code page need not
// be the one the text is in (a Japanese code page under an English keyboard layout). The input
// language when its code page is the ANSI code page, else the system's locale, whose code page it
// is; 0 when neither has it (where the ANSI code page is UTF-8), and the system's choice stands.
static LCID ClipboardTextLocale() {
    UINT codePage = GetACP();
    LCID input = MAKELCID(LOWORD((UINT_PTR)GetKeyboardLayout(0)), SORT_DEFAULT);
    if (ClipboardLocaleCodePage(input) == codePage) {
        return input;
    }
    LCID system = GetSystemDefaultLCID();
    return ClipboardLocaleCodePage(system) == codePage ? system : 0;
}

// Names the locale of the clipboard's text (CF_LOCALE) while the clipboard is open. Without it the
// text is still there, read with the system's choice of code page.
static void ClipboardSetLocale(LCID locale) {
    if (!locale) {
        return;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof locale);
    if (!block) {
        return;
    }
    LCID *address = (LCID *)GlobalLock(block);
    if (address) {
        *address = locale;
        GlobalUnlock(block);
        if (SetClipboardData(CF_LOCALE, block)) {
            return;
        }
    }
    GlobalFree(block);
}

HANDLE CopyTextToClipboard(const char *text) {
    if (!ClipboardOpen()) {
        return 0;
    }
    if (!text) {
        text = "";
    }
    SIZE_T length = strlen(text);
    HANDLE result = 0;
    HGLOBAL block = GlobalAlloc(GMEM_DDESHARE | GMEM_MOVEABLE, length + 1);
    if (block) {
        EmptyClipboard();
        char *address = (char *)GlobalLock(block);
        if (address) {
            memcpy(address, text, length + 1);
            GlobalUnlock(block);
            result = SetClipboardData(CF_TEXT, block);
        }
        if (result) {
            ClipboardSetLocale(ClipboardTextLocale());
        }
        // The clipboard owns the block only once it has accepted it.
        if (!result) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return result;
}
