// Live window sizing: the runtime sizes its windows itself from mouse moves under capture and
// arrow keys, instead of the system's modal sizing loop.
#include "windows/sizing.h"

#include "runtime/heaps.h"
#include "windows/messages.h"

void *sizeMoveState;

// Shared system cursors of the sizing.
enum {
    SIZING_CURSOR_NWSE = 32642,
    SIZING_CURSOR_NESW = 32643,
    SIZING_CURSOR_WE = 32644,
    SIZING_CURSOR_NS = 32645,
    SIZING_CURSOR_ALL = 32646,
};

// What each arrow key does while an edge is dragged: the edge it chooses, or 0 for a step of 10
// pixels. Rows are the edge now (0 to WMSZ_BOTTOMRIGHT); columns VK_LEFT, VK_UP, VK_RIGHT,
// VK_DOWN.
static const BYTE sizingArrowChoices[9][4] = {
    {WMSZ_LEFT, WMSZ_TOP, WMSZ_RIGHT, WMSZ_BOTTOM},
    {0, WMSZ_TOPLEFT, 0, WMSZ_BOTTOMLEFT},
    {0, WMSZ_TOPRIGHT, 0, WMSZ_BOTTOMRIGHT},
    {WMSZ_TOPLEFT, 0, WMSZ_TOPRIGHT, 0},
    {0, 0, 0, 0},
    {0, 0, 0, 0},
    {WMSZ_BOTTOMLEFT, 0, WMSZ_BOTTOMRIGHT, 0},
    {0, 0, 0, 0},
    {0, 0, 0, 0},
};

// The cursor shape of each edge value, 0 (keyboard sizing before an edge is chosen) to
// WMSZ_BOTTOMRIGHT.
static const WORD sizingCursors[9] = {
    SIZING_CURSOR_ALL, SIZING_CURSOR_WE,   SIZING_CURSOR_WE,
    SIZING_CURSOR_NS,  SIZING_CURSOR_NWSE, SIZING_CURSOR_NESW,
    SIZING_CURSOR_NS,  SIZING_CURSOR_NESW, SIZING_CURSOR_NWSE,
};

static SizeMoveState *SizingState() {
    return (SizeMoveState *)StateBlockGet(sizeMoveState);
}

static bool SizingDragsLeft(int edge) {
    return edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
}

static bool SizingDragsRight(int edge) {
    return edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
}

static bool SizingDragsTop(int edge) {
    return edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
}

static bool SizingDragsBottom(int edge) {
    return edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
}

// Fills the size limits the way the system would, then lets the window change them.
static void SizingReadLimits(HWND window, SizeMoveState *state) {
    MINMAXINFO *limits = &state->minMax;
    limits->ptReserved.x = 0;
    limits->ptReserved.y = 0;
    limits->ptMaxSize.x = GetSystemMetrics(SM_CXMAXIMIZED);
    limits->ptMaxSize.y = GetSystemMetrics(SM_CYMAXIMIZED);
    if (GetWindowLongA(window, GWL_STYLE) & WS_BORDER) {
        limits->ptMaxPosition.x = GetSystemMetrics(SM_CXBORDER);
        limits->ptMaxPosition.y = GetSystemMetrics(SM_CYBORDER);
    } else if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_WINDOWEDGE) {
        limits->ptMaxPosition.x = GetSystemMetrics(SM_CXEDGE);
        limits->ptMaxPosition.y = GetSystemMetrics(SM_CYEDGE);
    } else {
        limits->ptMaxPosition.x = 0;
        limits->ptMaxPosition.y = 0;
    }
    limits->ptMinTrackSize.x = GetSystemMetrics(SM_CXMINTRACK);
    limits->ptMinTrackSize.y = GetSystemMetrics(SM_CYMINTRACK);
    limits->ptMaxTrackSize.x = GetSystemMetrics(SM_CXMAXTRACK);
    limits->ptMaxTrackSize.y = GetSystemMetrics(SM_CYMAXTRACK);
    SendMessageA(window, WM_GETMINMAXINFO, 0, (LPARAM)limits);
}

// WM_SYSCOMMAND SC_SIZE with full-window dragging on: the sizing starts. Anything else is left to
// the rest of the translation.
static LRESULT SizingStart(HWND window, UINT message, WPARAM wParam, SizeMoveState *state) {
    if (message != WM_SYSCOMMAND || (wParam & 0xFFF0) != SC_SIZE) {
        return NOT_HANDLED;
    }
    int edge = (int)(wParam & 0xF);
    if (edge > WMSZ_BOTTOMRIGHT) {
        return NOT_HANDLED;
    }
    BOOL dragFullWindows = FALSE;
    if (!SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &dragFullWindows, 0) ||
        !dragFullWindows) {
        return NOT_HANDLED;
    }
    // The capture first: taking it may send WM_CAPTURECHANGED to the runtime window that held it,
    // and that message must not find the new sizing under way and end it.
    SetCapture(window);
    state->active = 1;
    state->edge = edge;
    GetWindowRect(window, &state->rect);
    SizingReadLimits(window, state);
    if (GetKeyState(VK_LBUTTON) == 0) {
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    }
    PostMessageA(window, WM_ENTERSIZEMOVE, 0, 0);
    if (edge == 0) {
        state->restoreCursor = 1;
        GetCursorPos(&state->savedCursor);
        state->placedCursor = state->cursorBeforePlacement = state->savedCursor;
        PlaceSizingCursor(sizingCursors[0], state->savedCursor.x, state->savedCursor.y);
    } else {
        state->restoreCursor = 0;
    }
    return 0;
}

// Chooses a new edge from the keyboard: the cursor goes to the point of the working rectangle
// that reproduces it, with the edge's shape.
static void SizingChooseEdge(SizeMoveState *state, int edge, POINT cursor) {
    const RECT &r = state->rect;
    POINT point;
    switch (edge) {
    case WMSZ_LEFT: point = {r.left, cursor.y}; break;
    case WMSZ_RIGHT: point = {r.right - 2, cursor.y}; break;
    case WMSZ_TOP: point = {cursor.x, r.top}; break;
    case WMSZ_BOTTOM: point = {cursor.x, r.bottom - 2}; break;
    case WMSZ_TOPLEFT: point = {r.left + 2, r.top + 2}; break;
    case WMSZ_TOPRIGHT: point = {r.right - 2, r.top}; break;
    case WMSZ_BOTTOMLEFT: point = {r.left, r.bottom - 2}; break;
    default: point = {r.right - 2, r.bottom - 2}; break;
    }
    state->edge = edge;
    state->placedCursor = point;
    PlaceSizingCursor(sizingCursors[edge], point.x, point.y);
}

// An arrow key during the sizing: chooses an edge or steps the dragged one by 10 pixels.
static void SizingArrowKey(HWND window, SizeMoveState *state, int key) {
    // Until the user moves the mouse, the cursor is where the sizing put it: the position that
    // the system reports can lag behind a placement for a moment (under Wine the pointer's echo
    // of where it came from can even stand in for it).
    POINT cursor = state->placedCursor;
    if (!state->restoreCursor) {
        GetCursorPos(&cursor);
    }
    state->cursorBeforePlacement = cursor;
    int choice = sizingArrowChoices[state->edge][key - VK_LEFT];
    if (choice) {
        SizingChooseEdge(state, choice, cursor);
        return;
    }
    switch (key) {
    case VK_LEFT: cursor.x -= 10; break;
    case VK_RIGHT: cursor.x += 10; break;
    case VK_UP: cursor.y -= 10; break;
    case VK_DOWN: cursor.y += 10; break;
    }
    MoveSizingPoint(window, cursor.x, cursor.y, state);
}

// True when the point is one of the two ends of the sizing's last own cursor placement.
static bool SizingPlacementEnd(const SizeMoveState *state, POINT point) {
    return (point.x == state->placedCursor.x && point.y == state->placedCursor.y) ||
           (point.x == state->cursorBeforePlacement.x && point.y == state->cursorBeforePlacement.y);
}

// A mouse move under capture: the dragged edges follow the cursor. Until the user moves the
// mouse during a keyboard sizing, the moves that report the sizing's own cursor placement (the
// system reports the cursor's arrival, and under Wine its departure as well, like any other
// move) are not the user's: they neither end the keyboard sizing's claim to put the cursor back
// nor pull the edges back to where the cursor was.
static LRESULT SizingMouseMove(HWND window, LPARAM lParam, SizeMoveState *state) {
    POINT point = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    MapWindowPoints(window, 0, &point, 1);
    if (state->restoreCursor) {
        if (SizingPlacementEnd(state, point)) {
            return 0;
        }
        state->restoreCursor = 0;
    }
    ApplySizingPoint(point.x, point.y, state);
    SendMessageA(window, WM_SIZING, state->edge, (LPARAM)&state->rect);
    MoveWindowToRect(window, state->rect);
    return 0;
}

// The sizing ends when the window loses the capture.
static LRESULT SizingEnd(HWND window, SizeMoveState *state) {
    PostMessageA(window, WM_EXITSIZEMOVE, 0, 0);
    state->active = 0;
    if (state->restoreCursor) {
        SetCursorPos(state->savedCursor.x, state->savedCursor.y);
    }
    return 0;
}

// Mouse moves, key presses and the button's release during the sizing. They belong to the window
// that holds the capture: input that reaches another runtime window meanwhile (the focus may sit
// in the parent of a sized child) is that window's own.
static LRESULT SizingInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                           SizeMoveState *state) {
    if (GetCapture() != window) {
        return NOT_HANDLED;
    }
    switch (message) {
    case WM_MOUSEMOVE: return SizingMouseMove(window, lParam, state);
    case WM_LBUTTONUP: ReleaseCapture(); return 0;
    default: // WM_KEYDOWN
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            ReleaseCapture();
            return 0;
        }
        if (wParam >= VK_LEFT && wParam <= VK_DOWN) {
            SizingArrowKey(window, state, (int)wParam);
        }
        return NOT_HANDLED;
    }
}

LRESULT SizingFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SizeMoveState *state = SizingState();
    if (!state->active) {
        return SizingStart(window, message, wParam, state);
    }
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_KEYDOWN:
    case WM_LBUTTONUP: return SizingInput(window, message, wParam, lParam, state);
    case WM_CAPTURECHANGED: return SizingEnd(window, state);
    case WM_DESTROY:
        // The sized window goes away: the system may drop its capture without a word, which
        // would leave the sizing running for the next window that sees a mouse move.
        if (GetCapture() == window) {
            ReleaseCapture();
        }
        return NOT_HANDLED;
    default: return NOT_HANDLED;
    }
}

void ApplySizingPoint(int x, int y, SizeMoveState *state) {
    RECT *r = &state->rect;
    const POINT &minimum = state->minMax.ptMinTrackSize;
    const POINT &maximum = state->minMax.ptMaxTrackSize;
    int edge = state->edge;
    if (SizingDragsLeft(edge)) {
        r->left = edge == WMSZ_TOPLEFT ? x - 2 : x;
        if (r->right - r->left < minimum.x) {
            r->left = r->right - minimum.x;
        } else if (r->right - r->left > maximum.x) {
            r->left = r->right - maximum.x;
        }
    }
    if (SizingDragsRight(edge)) {
        r->right = x + 2;
        if (r->right - r->left < minimum.x) {
            r->right = r->left + minimum.x;
        } else if (r->right - r->left > maximum.x) {
            r->right = r->left + maximum.x;
        }
    }
    if (SizingDragsTop(edge)) {
        r->top = edge == WMSZ_TOPLEFT ? y - 2 : y;
        if (r->bottom - r->top < minimum.y) {
            r->top = r->bottom - minimum.y;
        } else if (r->bottom - r->top > maximum.y) {
            r->top = r->bottom - maximum.y;
        }
    }
    if (SizingDragsBottom(edge)) {
        r->bottom = y + 2;
        if (r->bottom - r->top < minimum.y) {
            r->bottom = r->top + minimum.y;
        } else if (r->bottom - r->top > maximum.y) {
            r->bottom = r->top + maximum.y;
        }
    }
}

void MoveSizingPoint(HWND window, int x, int y, SizeMoveState *state) {
    state->placedCursor.x = x;
    state->placedCursor.y = y;
    SetCursorPos(x, y);
    ApplySizingPoint(x, y, state);
    SendMessageA(window, WM_SIZING, state->edge, (LPARAM)&state->rect);
    MoveWindowToRect(window, state->rect);
}

void MoveWindowToRect(HWND window, RECT rect) {
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) {
        MapWindowPoints(0, GetParent(window), (POINT *)&rect, 2);
    }
    MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void PlaceSizingCursor(int cursorId, int x, int y) {
    SetCursorPos(x, y);
    SetCursor((HCURSOR)LoadImageA(0, MAKEINTRESOURCEA((WORD)cursorId), IMAGE_CURSOR, 0, 0,
                                  LR_SHARED | LR_DEFAULTSIZE));
}
