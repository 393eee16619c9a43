// The shared window procedure of every window object: it turns window messages into events,
// hands control messages to the control concerned, and answers or defaults the rest.
#pragma once

#include <windows.h>

#include "windows/messages.h"

// The class window procedure: TranslateWindowMessage, with NOT_HANDLED turned into
// DefWindowProcA.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Translates one message of a runtime window; returns its result or NOT_HANDLED.
LRESULT TranslateWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Hands a message that a window received about a child control (the control window, the window
// whose procedure received it, the message) to the control it concerns; returns the control's
// answer, or NOT_HANDLED.
typedef LRESULT (*ControlRouter)(HWND controlWindow, HWND window, UINT message, WPARAM wParam,
                                 LPARAM lParam);
// The router of the control library, which hands it over when it starts; null while no control
// library runs. The window layer knows no more of the controls than this.
extern ControlRouter controlRouter;

// Hands a message about a child control to the control library's router; NOT_HANDLED when no
// control library runs or the window is no window of this thread.
LRESULT RouteToControl(HWND controlWindow, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// EnumChildWindows callback: sends WM_SYSCOLORCHANGE to the child and goes on.
BOOL CALLBACK BroadcastSysColorChange(HWND child, LPARAM value);
