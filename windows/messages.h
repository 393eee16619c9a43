// What the window layer shares with everything above it: the event codes that WaitEvent returns,
// the private window messages that any program may post to a runtime window, the sentinel results
// of message handling, the shape of message hooks, and the colour that says "none of its own".
#pragma once

#include <windows.h>

// Sentinel results of the stages of message handling.
const LRESULT NOT_HANDLED = (LRESULT)0xD0D0D0D1u;      // no answer here: default processing
const LRESULT CONTINUE_DEFAULT = (LRESULT)0xE0E0E0E1u; // a hook lets the translation go on

// Event codes that WaitEvent returns.
enum {
    EVENT_MOVE = 3,
    EVENT_SIZE = 5,
    EVENT_REPAINT = 15,
    EVENT_CLOSE = 16,
    EVENT_CONTROL = 13100,
    EVENT_MENU = 13101,
    EVENT_TRAY = 13102,
    EVENT_ACTIVATE = 13104,
    EVENT_WINDOW_DROP = 13105,
    EVENT_CONTROL_DROP = 13106,
};

// Private window messages; any process may post them to a runtime window.
enum {
    MSG_TRAY_NOTIFY = 12501,
    MSG_TRAY_DEFERRED = 12502,
    MSG_CONTROL_EVENT = 13103,
    MSG_WINDOW_DROP = 13105,
    MSG_CONTROL_DROP = 13106,
    MSG_FORWARD_TO_CONTROL = 13120,
};

// Commands of the Tab accelerator table of every window object.
enum {
    CMD_FOCUS_NEXT = 1212,
    CMD_FOCUS_PREVIOUS = 1213,
};

// Per-window and application-wide message hook, of the shape of a window procedure.
typedef LRESULT(CALLBACK *WindowMessageCallback)(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam);
// Background-erase hook.
typedef LRESULT(CALLBACK *WindowEraseCallback)(HDC deviceContext, HWND window);

// A colour field that holds this has no colour of its own: the system's colour applies.
const COLORREF NO_OWN_COLOR = (COLORREF)-1;
