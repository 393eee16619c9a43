// The shared window procedure of every window object: it turns window messages into events,
// hands control messages to the control concerned, and answers or defaults the rest.
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

// The class window procedure: TranslateWindowMessage, with NOT_HANDLED turned into
// DefWindowProcA.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Translates one message of a runtime window; returns its result or NOT_HANDLED.
LRESULT TranslateWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Hands a message about a child control to its kind's onParentMessage; NOT_HANDLED when the
// window is no window of this thread, no live control, or its kind has no such handler.
LRESULT RouteToControl(HWND controlWindow, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// EnumChildWindows callback: sends WM_SYSCOLORCHANGE to the child and goes on.
BOOL CALLBACK BroadcastSysColorChange(HWND child, LPARAM value);
