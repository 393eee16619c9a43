// The shared window procedure: window messages become events, control messages go to the control
// concerned, and everything else is answered or defaulted.
#include "windows/window_procedure.h"

#include "runtime/heaps.h"
#include "windows/events.h"
#include "windows/focus.h"
#include "windows/message_trust.h"
#include "windows/sizing.h"
#include "windows/window_objects.h"

ControlRouter controlRouter;

// EVENT_TRAY details of the mouse messages of a tray click.
static const struct {
    LPARAM mouseMessage;
    int detail;
} trayClicks[] = {
    {WM_LBUTTONUP, 0},
    {WM_RBUTTONUP, 1},
    {WM_LBUTTONDBLCLK, 2},
    {WM_RBUTTONDBLCLK, 3},
};

// The window object a message belongs to: the first window from the message's window upwards that
// carries "QV_WindowID". Sets *numbered to that window (0 when none) and returns its number, or -1.
static ObjectNumber TranslateWindowNumber(HWND window, HWND *numbered) {
    for (HWND current = window; current; current = GetParent(current)) {
        HANDLE id = GetPropA(current, WINDOW_ID_PROPERTY);
        if (id) {
            *numbered = current;
            return (ObjectNumber)id - 1;
        }
    }
    *numbered = 0;
    return -1;
}

// WM_ERASEBKGND: the window's own brush, else its erase hook, else the class brush.
static LRESULT TranslateEraseBackground(EventState *state, WindowRecord *record,
                                        ObjectNumber number, HWND window, HDC deviceContext) {
    LRESULT result = NOT_HANDLED;
    if (record && record->backgroundBrush) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(deviceContext, &client, record->backgroundBrush);
        result = 1;
    } else if (record && record->handle == window && record->eraseCallback) {
        result = record->eraseCallback(deviceContext, window);
    }
    PushPendingEvent(state, EVENT_REPAINT, number);
    return result;
}

// WM_COMMAND: a control's notification, a menu command or an accelerator command.
static LRESULT TranslateCommand(EventState *state, HWND window, WPARAM wParam, LPARAM lParam) {
    if (RouteToControl((HWND)lParam, window, WM_COMMAND, wParam, lParam) != NOT_HANDLED) {
        return 0;
    }
    if (lParam) {
        // A child whose identifier is -10000 sends menu commands.
        ObjectNumber id = GetWindowLongA((HWND)lParam, GWL_ID);
        bool menu = id == -10000;
        RaiseImmediateEvent(state, menu ? EVENT_MENU : EVENT_CONTROL);
        state->detail = HIWORD(wParam);
        state->source = menu ? LOWORD(wParam) : id;
    } else if (HIWORD(wParam) == 0) {
        RaiseImmediateEvent(state, EVENT_MENU);
        state->source = (ObjectNumber)wParam;
    } else if (LOWORD(wParam) == CMD_FOCUS_NEXT) {
        MoveControlFocus(0);
    } else if (LOWORD(wParam) == CMD_FOCUS_PREVIOUS) {
        MoveControlFocus(1);
    } else {
        RaiseImmediateEvent(state, EVENT_MENU);
        state->source = LOWORD(wParam);
    }
    return 0;
}

// MSG_TRAY_DEFERRED: a tray click of a known kind becomes EVENT_TRAY.
static LRESULT TranslateTrayClick(EventState *state, WPARAM wParam, LPARAM lParam) {
    RaiseImmediateEvent(state, EVENT_TRAY);
    state->source = (ObjectNumber)wParam;
    for (const auto &click : trayClicks) {
        if (click.mouseMessage == lParam) {
            state->detail = click.detail;
            return 0;
        }
    }
    state->pendingCode = 0;
    return 0;
}

LRESULT TranslateWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    EventState *state = (EventState *)StateBlockGet(eventState);
    LRESULT result = SizingFilter(window, message, wParam, lParam);
    if (result != NOT_HANDLED) {
        return result;
    }

    HWND numbered;
    ObjectNumber number = TranslateWindowNumber(window, &numbered);
    WindowRecord *record =
        numbered ? (WindowRecord *)ObjectTableFind(windowTable, number) : (WindowRecord *)0;

    WindowMessageCallback callback =
        record && record->messageCallback ? record->messageCallback : state->appCallback;
    if (callback) {
        result = callback(window, message, wParam, lParam);
        if (result != CONTINUE_DEFAULT) {
            return result;
        }
    }
    state->window = number;

    switch (message) {
    case WM_MOVE:
        if (number != -1) {
            PushPendingEvent(state, EVENT_MOVE, number);
        }
        return 0;
    case WM_SIZE:
        if (numbered != window) {
            return 1;
        }
        if (wParam == SIZE_MINIMIZED) {
            return NOT_HANDLED;
        }
        PushPendingEvent(state, EVENT_SIZE, number);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            PushPendingEvent(state, EVENT_ACTIVATE, number);
        }
        return 1;
    case WM_CLOSE:
        if (number != -1) {
            PushPendingEvent(state, EVENT_CLOSE, number);
        }
        return 0;
    case WM_ERASEBKGND: return TranslateEraseBackground(state, record, number, window, (HDC)wParam);
    case WM_SYSCOLORCHANGE:
        if (record && !record->mdiClient) {
            EnumChildWindows(window, BroadcastSysColorChange, 0);
        }
        return NOT_HANDLED;
    case WM_NOTIFY:
        if (!lParam) {
            return NOT_HANDLED;
        }
        return RouteToControl(((NMHDR *)lParam)->hwndFrom, window, message, wParam, lParam);
    case WM_COMMAND: return TranslateCommand(state, window, wParam, lParam);
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case MSG_FORWARD_TO_CONTROL:
        return RouteToControl((HWND)lParam, window, message, wParam, lParam);
    case MSG_TRAY_NOTIFY: PostMessageA(window, MSG_TRAY_DEFERRED, wParam, lParam); return 0;
    case MSG_TRAY_DEFERRED: return TranslateTrayClick(state, wParam, lParam);
    case MSG_CONTROL_EVENT:
        RaiseImmediateEvent(state, EVENT_CONTROL);
        state->source = (ObjectNumber)wParam;
        state->detail = (int)lParam;
        return 0;
    case MSG_WINDOW_DROP:
        // Only a drop record that this process issued and that no drop message has carried yet
        // is taken: anything else raises no event and nothing is read through it.
        if (TakeDropRecord(state, lParam)) {
            RaiseImmediateEvent(state, EVENT_WINDOW_DROP);
        }
        return 0;
    case MSG_CONTROL_DROP:
        if (TakeDropRecord(state, lParam)) {
            RaiseImmediateEvent(state, EVENT_CONTROL_DROP);
            state->source = (ObjectNumber)wParam;
        }
        return 0;
    default:
        // WM_CTLCOLORMSGBOX, WM_CTLCOLORDLG and WM_CTLCOLORSCROLLBAR are never routed.
        return NOT_HANDLED;
    }
}

// The answer to a trusted message: its translation, or the default processing.
static LRESULT CALLBACK WindowAnswer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = TranslateWindowMessage(window, message, wParam, lParam);
    if (result == NOT_HANDLED) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return result;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return AnswerTrustedMessage(WindowAnswer, window, message, wParam, lParam);
}

LRESULT RouteToControl(HWND controlWindow, HWND window, UINT message, WPARAM wParam,
                       LPARAM lParam) {
    // Only a window of this thread can be one of its controls. A handle that names no window would
    // otherwise look like control 0 to the router, its property and identifier both reading 0.
    if (!controlRouter || !controlWindow ||
        GetWindowThreadProcessId(controlWindow, 0) != GetCurrentThreadId()) {
        return NOT_HANDLED;
    }
    return controlRouter(controlWindow, window, message, wParam, lParam);
}

BOOL CALLBACK BroadcastSysColorChange(HWND child, LPARAM value) {
    (void)value;
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
