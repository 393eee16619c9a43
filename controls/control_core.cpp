// The control core: the library's start, registration, the subclass procedure of every control,
// and the operations by number.
#include "controls/control_core.h"

#include <commctrl.h>
#include <ole2.h>
#include <string.h>

#include "controls/brush_cache.h"
#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "runtime/string_engine.h"
#include "windows/message_trust.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

ObjectTable *controlTable;
void *controlLibraryState;
HFONT defaultFont;

static ControlLibraryState *ControlStateBlock() {
    return (ControlLibraryState *)StateBlockGet(controlLibraryState);
}

// The live record of a control number, or null.
static ControlRecord *ControlFind(ObjectNumber number) {
    return (ControlRecord *)ObjectTableFind(controlTable, number);
}

// The router that the control library hands the window layer: a message that a window receives
// about a child goes to the child's kind when the child is a live control, its "QV_ID" equal to its
// identifier, and the kind has an onParentMessage.
static LRESULT ControlRouteParentMessage(HWND controlWindow, HWND window, UINT message,
                                         WPARAM wParam, LPARAM lParam) {
    ObjectNumber number = (ObjectNumber)GetPropA(controlWindow, CONTROL_ID_PROPERTY);
    if (number != GetWindowLongA(controlWindow, GWL_ID)) {
        return NOT_HANDLED;
    }
    ControlRecord *record = ControlFind(number);
    if (!record || !record->ops->onParentMessage) {
        return NOT_HANDLED;
    }
    return record->ops->onParentMessage(record, window, message, wParam, lParam);
}

BOOL InitControlLibrary() {
    InitializeCriticalSection(&brushLock);
    defaultFont = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    controlTable = ObjectTableCreate(sizeof(ControlRecord), 50, DestroyReplacedControl);
    controlLibraryState =
        StateBlockCreate(sizeof(ControlLibraryState), InitControlState, FreeControlState);
    controlRouter = ControlRouteParentMessage;
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES |
                    ICC_UPDOWN_CLASS;
    return InitCommonControlsEx(&classes);
}

void InitControlState(void *block) {
    ControlLibraryState *state = (ControlLibraryState *)block;
    state->auxCount = 10;
    state->auxArray = HeapAlloc(processHeap, HEAP_ZERO_MEMORY, 40);
    state->font = defaultFont;
    state->scratch = 0;
}

void FreeControlState(void *block) {
    HeapFree(processHeap, 0, ((ControlLibraryState *)block)->auxArray);
}

HWND UseControlParent(HWND window) {
    ControlLibraryState *state = ControlStateBlock();
    state->parentWindow = window;
    state->scratch = 0;
    return window;
}

HWND CreateControlWindow(DWORD exStyle, const char *className, const char *text, DWORD style, int x,
                         int y, int width, int height, INT_PTR identifier) {
    return CreateWindowExA(exStyle, className, text, style, x, y, width, height,
                           ControlStateBlock()->parentWindow, (HMENU)identifier, moduleHandle, 0);
}

ControlRecord *AllocateControlRecord(ObjectNumber number, HWND window) {
    ControlRecord *record = (ControlRecord *)ObjectTableAllocate(controlTable, number);
    if (!record) {
        DestroyWindow(window);
        return 0;
    }
    // A control that could not be destroyed, being destroyed already, leaves its number: the
    // record is the new control's from here on.
    memset(record, 0, sizeof *record);
    return record;
}

ControlRecord *FindCreatedControlRecord(ObjectNumber number, HWND window) {
    ControlRecord *record = (ControlRecord *)ObjectTableSlot(controlTable, number);
    if (!record || (record->handle && record->handle != window)) {
        return 0;
    }
    return record;
}

INT_PTR RegisterControl(ObjectNumber number, ControlRecord *record, HWND window, ControlOps *ops) {
    if (number == OBJECT_ANY) {
        number = (ObjectNumber)record;
    }
    record->handle = window;
    record->ops = ops;
    record->previousProc =
        (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)ControlProcedure);
    SetWindowLongPtrA(window, GWLP_ID, number);
    SetPropA(window, CONTROL_ID_PROPERTY, (HANDLE)number);
    ControlLibraryState *state = ControlStateBlock();
    SendMessageA(window, WM_SETFONT, (WPARAM)state->font, 1);
    state->scratch = 0;
    if (number == (ObjectNumber)record) {
        return (INT_PTR)record;
    }
    return (INT_PTR)window;
}

// The steps of a control window's end: the kind's own, the properties, the identifier, the record.
// The record goes only while it is still the window's: a handler that ran during the destruction,
// the kind's own step included, may have given the number to a new control, whose record stays.
static void ControlRelease(HWND window, ObjectNumber number) {
    ControlRecord *record = ControlFind(number);
    if (record && record->handle == window && record->ops->onDestroy) {
        record->ops->onDestroy(record);
    }
    RemovePropA(window, CONTROL_ID_PROPERTY);
    if (RemovePropA(window, DROP_ACCEPT_PROPERTY)) {
        RevokeDragDrop(window);
    }
    SetWindowLongPtrA(window, GWLP_ID, NO_CONTROL_ID);
    record = ControlFind(number);
    if (record && record->handle == window) {
        ObjectTableRelease(controlTable, number);
    }
}

// The answer to a trusted message: the procedure before the control's, and the release of the
// record once the window has had its WM_NCDESTROY.
static LRESULT CALLBACK ControlAnswer(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ObjectNumber number = GetWindowLongPtrA(window, GWLP_ID);
    ControlRecord *record = number == NO_CONTROL_ID ? 0 : ControlFind(number);
    // A window that is no (longer a) control of this table has nobody to forward to.
    if (!record || record->handle != window) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    LRESULT result = CallWindowProcA(record->previousProc, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ControlRelease(window, number);
    }
    return result;
}

LRESULT CALLBACK ControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A forged lifecycle message would make the system's procedure free the control's own data.
    return AnswerTrustedMessage(ControlAnswer, window, message, wParam, lParam);
}

void SetControlState(ObjectNumber number, int value) {
    ControlRecord *record = ControlFind(number);
    if (record && record->ops->setState) {
        record->ops->setState(record, value);
    }
}

int GetControlState(ObjectNumber number) {
    ControlRecord *record = ControlFind(number);
    if (record && record->ops->getState) {
        return record->ops->getState(record);
    }
    return 0;
}

int AnsiCharacterBytes() {
    CPINFO codePage;
    if (GetCPInfo(CP_ACP, &codePage) && codePage.MaxCharSize > 0) {
        return (int)codePage.MaxCharSize;
    }
    return 4;
}

int AnsiTextRoom(int length) {
    int charBytes = AnsiCharacterBytes();
    if (length <= 0) {
        return 0;
    }
    // Beyond this the string buffer could not hold it anyway: its reservation ends the process.
    return length > CONTROL_TEXT_MOST_BYTES / charBytes ? CONTROL_TEXT_MOST_BYTES
                                                        : length * charBytes;
}

void ReadWindowTextBytes(HWND window, int bytes, int position) {
    if (bytes < 0) {
        bytes = 0;
    } else if (bytes > CONTROL_TEXT_MOST_BYTES) {
        bytes = CONTROL_TEXT_MOST_BYTES;
    }
    // The room and a NUL. What the window copied is taken by the count it returns: a window that
    // ran out of room may have left no NUL behind its bytes, and none is looked for.
    char *address = BufferReserve(bytes + 1, position);
    int copied = GetWindowTextA(window, address, bytes + 1);
    if (copied < 0) {
        copied = 0;
    } else if (copied > bytes) {
        copied = bytes;
    }
    address[copied] = 0;
    BufferGiveBack(bytes + 1 - copied);
}

void ReadControlWindowText(HWND window, int position) {
    ReadWindowTextBytes(window, AnsiTextRoom(GetWindowTextLengthA(window)), position);
}

void GetControlText(ObjectNumber number, int position) {
    ControlRecord *record = ControlFind(number);
    if (!record) {
        return;
    }
    if (record->ops->getText) {
        record->ops->getText(record, position);
    } else {
        ReadControlWindowText(record->handle, position);
    }
}

void AddControlItem(ObjectNumber number, int position, const char *text) {
    ControlRecord *record = ControlFind(number);
    if (!record) {
        return;
    }
    if (!text) {
        text = "";
    }
    if (record->ops->addItemEx) {
        record->ops->addItemEx(record, position, text, 0, 0);
    } else if (record->ops->addItem) {
        record->ops->addItem(record, position, text, 0);
    }
}

void ClearControlItems(ObjectNumber number) {
    ControlRecord *record = ControlFind(number);
    if (record && record->ops->clearItems) {
        record->ops->clearItems(record);
    }
}

void RunControlBatch(ObjectNumber number, void (*batch)(void *context), void *context) {
    ControlRecord *record = ControlFind(number);
    HWND window = record && IsWindowVisible(record->handle) ? record->handle : 0;
    if (window) {
        SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    }
    batch(context);
    // The batch may have destroyed the control.
    if (window && IsWindow(window)) {
        SendMessageA(window, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(window, 0, 0, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
}

BOOL PostControlEvent(HWND controlWindow, int detail) {
    HWND target = FindEventWindow(controlWindow);
    ObjectNumber number = GetWindowLongPtrA(controlWindow, GWLP_ID);
    return PostMessageA(target, MSG_CONTROL_EVENT, (WPARAM)number, detail);
}

HWND FindEventWindow(HWND window) {
    for (;;) {
        HWND parent = GetParent(window);
        if (!parent || GetPropA(window, WINDOW_ID_PROPERTY)) {
            return window;
        }
        window = parent;
    }
}

void DestroyReplacedControl(ObjectNumber number) {
    ControlRecord *record = ControlFind(number);
    if (record) {
        DestroyWindow(record->handle);
    }
}
