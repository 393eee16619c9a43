// Plain text on the system clipboard.
#pragma once

#include <windows.h>

// Replaces the clipboard's content with a copy of the text (null is the empty text) as CF_TEXT,
// byte for byte. Returns the handle that SetClipboardData returns, or 0 on any failure; while
// another program holds the clipboard, it returns 0 at once and changes nothing.
HANDLE CopyTextToClipboard(const char *text);
