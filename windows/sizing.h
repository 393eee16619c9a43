// Live window sizing: while full-window dragging is on, the runtime sizes its windows itself from
// ordinary mouse and key messages, so that size events reach the event loop during the drag.
#pragma once

#include <windows.h>

// The one sizing of the process.
struct SizeMoveState {
    int active;         // 1 while a sizing runs
    int restoreCursor;  // put the cursor back at savedCursor when a keyboard sizing ends; cleared
                        // by the user's first mouse move
    POINT savedCursor;  // cursor position when a keyboard sizing began
    RECT rect;          // working window rectangle, screen coordinates
    int edge;           // dragged edge or corner: 0 none yet, else WMSZ_ values
    MINMAXINFO minMax;  // size limits
    POINT placedCursor; // where the sizing last put the cursor itself
    POINT cursorBeforePlacement; // where the cursor stood before that placement
};
static_assert(sizeof(SizeMoveState) == 92, "the sizing state's fields");

// The SizeMoveState block's handle.
extern void *sizeMoveState;

// First stage of the translation of every message: 0 when it consumed the message, else
// NOT_HANDLED.
LRESULT SizingFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the dragged edges of the working rectangle to the screen point, within the track limits.
void ApplySizingPoint(int x, int y, SizeMoveState *state);
// Puts the cursor at the point (remembering it as placed), applies the point, lets the window
// adjust the rectangle (WM_SIZING) and moves the window there.
void MoveSizingPoint(HWND window, int x, int y, SizeMoveState *state);
// Moves a window to a rectangle in screen coordinates (in its parent's client coordinates for a
// child window).
void MoveWindowToRect(HWND window, RECT rect);
// Puts the cursor at the point with the shape of a shared system cursor.
void PlaceSizingCursor(int cursorId, int x, int y);
