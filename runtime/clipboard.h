// Plain text on the system clipboard.
#pragma once

#include <windows.h>

// Replaces the clipboard's content with a copy of the text (null is the empty text) as CF_TEXT,
// byte for byte, with CF_LOCALE naming a locale whose code page is the ANSI code page the text is
// in, so that a program that pastes Unicode text reads the same characters. Returns the handle
// that SetClipboardData returns for the text, or 0 on any failure. Another program may hold the
// clipboard open for a moment (clipboard managers and remote-desktop helpers read it after every
// change): the open is tried again for CLIPBOARD_OPEN_PATIENCE_MS, then the call returns 0 and
// changes nothing.
enum { CLIPBOARD_OPEN_PATIENCE_MS = 200 };
HANDLE CopyTextToClipboard(const char *text);
