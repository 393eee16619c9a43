// Keyboard focus navigation: Tab and Shift+Tab walk the tab stops of the active window.
#include "windows/focus.h"

#include <richedit.h>
#include <string.h>

#include "windows/window_objects.h"

// True while the key is down.
static bool FocusKeyDown(int key) {
    return (GetKeyState(key) & 0x80) != 0;
}

// True for a tab stop: enabled, visible, with WS_TABSTOP.
static bool FocusIsTabStop(HWND window) {
    return IsWindowEnabled(window) && IsWindowVisible(window) &&
           (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP);
}

// True when a plain Tab is meant for the focus window: an editable rich-text control.
static bool FocusTabGoesToRichText() {
    if (!FocusKeyDown(VK_TAB) || FocusKeyDown(VK_CONTROL) || FocusKeyDown(VK_SHIFT) ||
        FocusKeyDown(VK_MENU)) {
        return false;
    }
    HWND focus = GetFocus();
    char className[5] = "";
    GetClassNameA(focus, className, sizeof className);
    if (strncmp(className, "Rich", 4) != 0) {
        return false;
    }
    return (SendMessageA(focus, EM_GETOPTIONS, 0, 0) & ECO_READONLY) == 0;
}

HACCEL SelectAccelerators(HWND activeWindow) {
    if (FocusTabGoesToRichText()) {
        return 0;
    }
    HANDLE id = GetPropA(activeWindow, WINDOW_ID_PROPERTY);
    if (!id) {
        return 0;
    }
    WindowRecord *record = (WindowRecord *)ObjectTableFind(windowTable, (ObjectNumber)id - 1);
    return record ? record->acceleratorTable : 0;
}

void MoveControlFocus(int backward) {
    HWND active = GetActiveWindow();
    // No window of this thread is active: the command came from elsewhere and there is nothing to
    // walk (a null root would make the enumeration run over the top-level windows).
    if (!active) {
        return;
    }
    HWND focus = GetFocus();
    HWND root = active;
    FocusWalk walk = {};
    if (IsChild(active, focus)) {
        walk.current = focus;
        // The walk stays inside the outermost MDI child around the focus.
        for (HWND window = focus; window; window = GetParent(window)) {
            char className[50] = "";
            GetClassNameA(window, className, sizeof className);
            if (strcmp(className, "MDI_ChildClass") == 0) {
                root = window;
                if (window == focus) {
                    walk.current = 0;
                }
            }
        }
    }
    if (!backward) {
        EnumChildWindows(root, FocusNextVisit, (LPARAM)&walk);
        if (walk.takeNext) {
            EnumChildWindows(root, FocusNextVisit, (LPARAM)&walk);
        }
    } else {
        EnumChildWindows(root, FocusPreviousVisit, (LPARAM)&walk);
        if (!walk.done && walk.previous) {
            SetFocus(walk.previous);
        }
    }
    // The user works with the keyboard: focus rectangles show from now on, as the dialog manager
    // shows them after a Tab (the window's UI state hides them until it is cleared).
    SendMessageA(active, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

BOOL CALLBACK FocusNextVisit(HWND window, LPARAM context) {
    FocusWalk *walk = (FocusWalk *)context;
    if (!FocusIsTabStop(window)) {
        return TRUE;
    }
    if (walk->takeNext) {
        SetFocus(window);
        walk->takeNext = 0;
        return FALSE;
    }
    if (!walk->current) {
        SetFocus(window);
        return FALSE;
    }
    if (window == walk->current) {
        walk->takeNext = 1;
    }
    return TRUE;
}

BOOL CALLBACK FocusPreviousVisit(HWND window, LPARAM context) {
    FocusWalk *walk = (FocusWalk *)context;
    if (!FocusIsTabStop(window)) {
        return TRUE;
    }
    BOOL goOn = TRUE;
    if (window == walk->current && walk->previous) {
        SetFocus(walk->previous);
        walk->done = 1;
        goOn = FALSE;
    }
    walk->previous = window;
    return goOn;
}
