// Plain text on the system clipboard.
#include "runtime/clipboard.h"

#include <string.h>

HANDLE CopyTextToClipboard(const char *text) {
    if (!OpenClipboard(0)) {
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
