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
        // The clipboard owns the block only once it has accepted it.
        if (!result) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return result;
}
