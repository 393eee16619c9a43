// Keyboard focus navigation: the accelerator table for each retrieved message, and the walk of the
// tab stops on Tab and Shift+Tab.
#pragma once

#include <windows.h>

// The context of one walk over the tab stops.
struct FocusWalk {
    HWND current;  // the control with the focus, or 0 to start from the beginning
    HWND previous; // the last eligible window visited (backward walk)
    int takeNext;  // the forward walk has passed current
    int done;      // the backward walk has given the focus away
};

// The accelerator table to translate the message being processed with, or 0 for none: none for a
// window that is no window object, and none while a plain Tab goes to an editable rich-text
// control.
HACCEL SelectAccelerators(HWND activeWindow);
// Moves the focus to the next (backward 0) or previous tab stop of the active window, and clears
// the window's hidden-focus UI state so that the focus shows.
void MoveControlFocus(int backward);
// EnumChildWindows callbacks of the two walks, whose context points to the FocusWalk; TRUE goes on,
// FALSE stops.
BOOL CALLBACK FocusNextVisit(HWND window, LPARAM context);
BOOL CALLBACK FocusPreviousVisit(HWND window, LPARAM context);
