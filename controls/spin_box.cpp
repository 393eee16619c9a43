// The spin box: an "EDIT" window that holds a whole number, with a "msctls_updown32" window at its
// right that steps it. The edit part is the control's main window; the range and the position live
// in the up-down, which carries the control's number as its identifier and "QV_ID" too, so that its
// notifications reach the spin box's record.
#include "controls/spin_box.h"

#include <commctrl.h>
#include <string.h>

#include "controls/brush_cache.h"
#include "controls/control_core.h"
#include "windows/events.h"
#include "windows/message_trust.h"
#include "windows/messages.h"
#include "windows/window_objects.h"

enum : DWORD {
    SPIN_EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_RIGHT,
    SPIN_UPDOWN_STYLE = WS_CHILD | WS_VISIBLE | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
    SPIN_REDRAW = RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE,
};
static_assert(SPIN_EDIT_STYLE == 0x50010002, "edit part style");
static_assert(SPIN_UPDOWN_STYLE == 0x500000A0, "up-down style");

static ControlOps spinBoxOps;
static bool spinBoxOpsReady;

// The kind words of a spin box's record.
static SpinBoxFields *SpinBoxFieldsOf(ControlRecord *record) {
    return &record->spinBox;
}

// Sends a message to the up-down part.
static LRESULT SpinBoxSendUpDown(ControlRecord *record, UINT message, WPARAM wParam,
                                 LPARAM lParam) {
    return SendMessageA(SpinBoxFieldsOf(record)->upDownHandle, message, wParam, lParam);
}

// Invalidates a part and has it repainted with its background.
static void SpinBoxRedraw(HWND window) {
    RedrawWindow(window, 0, 0, SPIN_REDRAW);
}

// The range as the up-down keeps it: low word the maximum, high word the minimum.
static DWORD SpinBoxRange(ControlRecord *record) {
    return (DWORD)SpinBoxSendUpDown(record, UDM_GETRANGE, 0, 0);
}

// An arrow step (UDN_DELTAPOS) becomes a control event with detail +1 or -1; answering 0 lets the
// up-down move its position. Other notifications are not the spin box's.
// The step is read only from the up-down's own structure, on the thread's stack.
static LRESULT SpinBoxOnNotify(ControlRecord *record, const NMHDR *header) {
    if (header->code != (UINT)UDN_DELTAPOS ||
        !IsOwnNotification((LPARAM)header, sizeof(NMUPDOWN))) {
        return NOT_HANDLED;
    }
    const NMUPDOWN *step = (const NMUPDOWN *)header;
    PostControlEvent(record->handle, step->iDelta > 0 ? 1 : -1);
    return 0;
}

// Colours of the edit part while it can be typed in. NOT_HANDLED keeps the system's look.
static LRESULT SpinBoxOnCtlColorEdit(ControlRecord *record, HDC dc) {
    SpinBoxFields *fields = SpinBoxFieldsOf(record);
    LRESULT result = NOT_HANDLED;
    if (fields->frontColor != NO_OWN_COLOR) {
        SetTextColor(dc, fields->frontColor);
        if (fields->backgroundColor == NO_OWN_COLOR) {
            SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            result = (LRESULT)GetSysColorBrush(COLOR_BTNHIGHLIGHT);
        }
    }
    if (fields->backgroundColor != NO_OWN_COLOR) {
        SetBkColor(dc, fields->backgroundColor);
        result = (LRESULT)fields->backgroundBrush;
    }
    return result;
}

// Colours of a read-only (or disabled) edit part: the look of an editable one while the parent
// window is enabled.
static LRESULT SpinBoxOnCtlColorStatic(ControlRecord *record, HWND window, HDC dc) {
    if (!IsWindowEnabled(window)) {
        return NOT_HANDLED;
    }
    SpinBoxFields *fields = SpinBoxFieldsOf(record);
    if (fields->frontColor == NO_OWN_COLOR && fields->backgroundColor == NO_OWN_COLOR) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        return (LRESULT)GetSysColorBrush(COLOR_BTNHIGHLIGHT);
    }
    return SpinBoxOnCtlColorEdit(record, dc);
}

// The up-down part's own procedure, under the guard below; all up-down windows share it.
static WNDPROC spinBoxUpDownBaseProc;

// Passes a message on to the up-down's own procedure.
static LRESULT CALLBACK SpinBoxUpDownAnswer(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    return CallWindowProcA(spinBoxUpDownBaseProc, window, message, wParam, lParam);
}

// The up-down part is no control of the table, so the control procedure does not guard it: this
// answers a forged lifecycle message or notification with 0, before the system's procedure could
// free the up-down's data, and passes everything else on.
static LRESULT CALLBACK SpinBoxUpDownProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    return AnswerTrustedMessage(SpinBoxUpDownAnswer, window, message, wParam, lParam);
}

// Messages that the parent window receives about the spin box.
static LRESULT SpinBoxOnParentMessage(ControlRecord *record, HWND window, UINT message,
                                      WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: return SpinBoxOnNotify(record, (const NMHDR *)lParam);
    case WM_HSCROLL:
    case WM_VSCROLL: return 0; // follows every step; the step already raised its event
    case WM_CTLCOLOREDIT: return SpinBoxOnCtlColorEdit(record, (HDC)wParam);
    case WM_CTLCOLORSTATIC: return SpinBoxOnCtlColorStatic(record, window, (HDC)wParam);
    default: return NOT_HANDLED;
    }
}

// Runs when the edit part is destroyed: lets go of the brush and takes the up-down along.
static void SpinBoxOnDestroy(ControlRecord *record) {
    SpinBoxFields *fields = SpinBoxFieldsOf(record);
    if (fields->backgroundBrush) {
        ReleaseBrush(fields->backgroundBrush);
        fields->backgroundBrush = 0;
    }
    RemovePropA(fields->upDownHandle, CONTROL_ID_PROPERTY);
    DestroyWindow(fields->upDownHandle);
}

// The position, 0 to 65535. UDM_GETPOS reads the number typed into a numeric spin box; when the
// text is no number or lies outside the range, the up-down flags an error and the platform does not
// promise what the low word holds then, so the value is kept inside the range here.
static int SpinBoxGetState(ControlRecord *record) {
    int position = (short)LOWORD(SpinBoxSendUpDown(record, UDM_GETPOS, 0, 0));
    DWORD range = SpinBoxRange(record);
    int low = (short)HIWORD(range);
    int high = (short)LOWORD(range);
    if (low > high) {
        int swap = low;
        low = high;
        high = swap;
    }
    if (position < low) {
        position = low;
    } else if (position > high) {
        position = high;
    }
    return position & 0xFFFF;
}

// Sets the position; the up-down keeps it inside the range.
static void SpinBoxSetState(ControlRecord *record, int value) {
    SpinBoxSendUpDown(record, UDM_SETPOS, 0, value);
}

// Replaces the edit part's text without raising a control event.
static void SpinBoxSetText(ControlRecord *record, const char *text) {
    SetWindowTextA(record->handle, text);
    FlushWindowMessages();
}

// Places both parts: the edit part width - height / 2 wide, the up-down height / 2 wide at its
// right. POSITION_IGNORE keeps a value; an ignored width keeps the edit part's own width.
static void SpinBoxResize(ControlRecord *record, int x, int y, int width, int height) {
    HWND edit = record->handle;
    RECT screen;
    GetWindowRect(edit, &screen);
    POINT topLeft = {screen.left, screen.top};
    ScreenToClient(GetParent(edit), &topLeft);
    if (x == POSITION_IGNORE) {
        x = topLeft.x;
    }
    if (y == POSITION_IGNORE) {
        y = topLeft.y;
    }
    if (height == POSITION_IGNORE) {
        height = screen.bottom - screen.top;
    }
    if (width == POSITION_IGNORE) {
        width = (screen.right - screen.left) + height / 2;
    }
    int half = height / 2;
    HWND upDown = SpinBoxFieldsOf(record)->upDownHandle;
    MoveWindow(edit, x, y, width - half, height, TRUE);
    MoveWindow(upDown, x + width - half, y, half, height, TRUE);
    SpinBoxRedraw(edit);
    SpinBoxRedraw(upDown);
}

// The width of both parts together.
static int SpinBoxCompositeWidth(ControlRecord *record) {
    RECT area;
    GetWindowRect(record->handle, &area);
    return (area.right - area.left) + (area.bottom - area.top) / 2;
}

static void SpinBoxHide(ControlRecord *record, int hidden) {
    int command = hidden ? SW_HIDE : SW_SHOW;
    ShowWindow(record->handle, command);
    ShowWindow(SpinBoxFieldsOf(record)->upDownHandle, command);
}

// ATTR_MINIMUM or ATTR_MAXIMUM as a 16-bit value, zero-extended; 0 for any other attribute.
static int SpinBoxGetAttribute(ControlRecord *record, int attribute) {
    DWORD range = SpinBoxRange(record);
    switch (attribute) {
    case ATTR_MINIMUM: return HIWORD(range);
    case ATTR_MAXIMUM: return LOWORD(range);
    default: return 0;
    }
}

// Changes one end of the range (low 16 bits of the value); the other end stays.
static void SpinBoxSetAttribute(ControlRecord *record, int attribute, int value) {
    DWORD range = SpinBoxRange(record);
    switch (attribute) {
    case ATTR_MINIMUM:
        SpinBoxSendUpDown(record, UDM_SETRANGE, 0, MAKELPARAM(LOWORD(range), value));
        break;
    case ATTR_MAXIMUM:
        SpinBoxSendUpDown(record, UDM_SETRANGE, 0, MAKELPARAM(value, HIWORD(range)));
        break;
    }
}

// Sets the text or background colour of the edit part (NO_OWN_COLOR: the system's). A background
// colour holds one brush of the cache while it is set.
static void SpinBoxSetColor(ControlRecord *record, int type, COLORREF color) {
    SpinBoxFields *fields = SpinBoxFieldsOf(record);
    switch (type) {
    case FRONT_COLOR: fields->frontColor = color; break;
    case BACKGROUND_COLOR:
        if (fields->backgroundBrush) {
            ReleaseBrush(fields->backgroundBrush);
        }
        fields->backgroundBrush = color == NO_OWN_COLOR ? 0 : AcquireBrush(color);
        fields->backgroundColor = color;
        break;
    }
    SpinBoxRedraw(record->handle);
}

static COLORREF SpinBoxGetColor(ControlRecord *record, int type) {
    SpinBoxFields *fields = SpinBoxFieldsOf(record);
    switch (type) {
    case FRONT_COLOR: return fields->frontColor;
    case BACKGROUND_COLOR: return fields->backgroundColor;
    default: return NO_OWN_COLOR;
    }
}

// Fills the kind's operations table; called on the first creation.
static void SpinBoxFillOps() {
    memset(&spinBoxOps, 0, sizeof spinBoxOps);
    spinBoxOps.kind = KIND_SPIN_BOX;
    spinBoxOps.tableSize = sizeof spinBoxOps;
    spinBoxOps.onParentMessage = SpinBoxOnParentMessage;
    spinBoxOps.onDestroy = SpinBoxOnDestroy;
    spinBoxOps.getState = SpinBoxGetState;
    spinBoxOps.setState = SpinBoxSetState;
    spinBoxOps.setText = SpinBoxSetText;
    spinBoxOps.resize = SpinBoxResize;
    spinBoxOps.compositeWidth = SpinBoxCompositeWidth;
    spinBoxOps.hide = SpinBoxHide;
    spinBoxOps.getAttribute = SpinBoxGetAttribute;
    spinBoxOps.setAttribute = SpinBoxSetAttribute;
    spinBoxOps.setColor = SpinBoxSetColor;
    spinBoxOps.getColor = SpinBoxGetColor;
    spinBoxOpsReady = true;
}

INT_PTR CreateSpinBox(ObjectNumber number, int x, int y, int width, int height, int minimum,
                      int maximum, int flags) {
    if (!spinBoxOpsReady) {
        SpinBoxFillOps();
    }
    DWORD editStyle = SPIN_EDIT_STYLE | (flags & SPIN_READ_ONLY ? ES_READONLY : 0);
    HWND edit = CreateControlWindow(WS_EX_CLIENTEDGE, "EDIT", 0, editStyle, 0, 0, 0, 0);
    if (!edit) {
        return 0;
    }
    ControlRecord *record = AllocateControlRecord(number, edit);
    if (!record) {
        return 0;
    }
    if (number == OBJECT_ANY) {
        number = (ObjectNumber)record;
    }
    SpinBoxFields *fields = SpinBoxFieldsOf(record);
    fields->frontColor = NO_OWN_COLOR;
    fields->backgroundColor = NO_OWN_COLOR;
    // Each call below may run handlers that open controls, which can move the slot array or take
    // the number: the record is looked up again after each.
    DWORD upDownStyle = SPIN_UPDOWN_STYLE | (flags & SPIN_NUMERIC ? UDS_SETBUDDYINT : 0);
    HWND upDown = CreateControlWindow(0, UPDOWN_CLASSA, 0, upDownStyle, 0, 0, 0, 0, number);
    record = FindCreatedControlRecord(number, edit);
    if (record) {
        SpinBoxFieldsOf(record)->upDownHandle = upDown;
        SetPropA(upDown, CONTROL_ID_PROPERTY, (HANDLE)number);
        if (upDown) {
            spinBoxUpDownBaseProc =
                (WNDPROC)SetWindowLongPtrA(upDown, GWLP_WNDPROC, (LONG_PTR)SpinBoxUpDownProcedure);
        }
        SendMessageA(upDown, UDM_SETBUDDY, (WPARAM)edit, 0);
        SendMessageA(upDown, UDM_SETRANGE, 0, (maximum & 0xFFFF) | ((minimum & 0xFFFF) << 16));
        record = FindCreatedControlRecord(number, edit);
    }
    if (!record) {
        DestroyWindow(upDown);
        DestroyWindow(edit);
        return 0;
    }
    INT_PTR result = RegisterControl(number, record, edit, &spinBoxOps);
    record = FindCreatedControlRecord(number, edit);
    if (!record || !IsWindow(edit)) {
        return 0;
    }
    SpinBoxResize(record, x, y, width, height);
    return result;
}
