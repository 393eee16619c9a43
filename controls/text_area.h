// The text area: a multi-line rich edit control treated as a list of lines.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"

// Attribute number of the read-only state (the value of ES_READONLY).
enum { ATTR_READ_ONLY = 2048 };

extern HMODULE richEdit20Module;
extern WNDPROC textAreaBaseProc;

// Creates a text area; loads the rich edit library on first use. Returns what RegisterControl
// returns, or 0.
INT_PTR CreateTextArea(ObjectNumber number, int x, int y, int width, int height, int flags = 0);
// The procedure under ControlProcedure: re-applies the text colour after every WM_SETFONT.
LRESULT CALLBACK TextAreaProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
