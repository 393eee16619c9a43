// Window objects: opening and closing top-level windows by number.
#include "windows/window_objects.h"

#include <ole2.h>
#include <stdio.h>

#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "windows/events.h"
#include "windows/message_trust.h"
#include "windows/sizing.h"
#include "windows/window_procedure.h"

ObjectTable *windowTable;
HICON windowIcon;
HCURSOR windowCursor;

// Room for "WindowClass_" and a signed 32-bit decimal.
enum { WINDOW_CLASS_NAME_SIZE = 32 };

// Writes the class name of a window number.
static void WindowObjectClassName(ObjectNumber number, char *name) {
    sprintf(name, "WindowClass_%ld", (long)number);
}

void InitWindowLibrary() {
    windowTable = ObjectTableCreate(sizeof(WindowRecord), 16, CloseWindowObject);
    eventState = StateBlockCreate(sizeof(EventState), 0, FreeEventState);
    windowIcon = LoadIconA(moduleHandle, MAKEINTRESOURCEA(1));
    windowCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
    sizeMoveState = StateBlockCreate(sizeof(SizeMoveState), 0, 0);
    InitMessageTrust(WindowProcedure);
}

// Chooses the outer position of a window about to open. outerWidth and outerHeight may be cut to
// the screen for a centred window.
static void WindowObjectPlace(int flags, HWND parent, int *x, int *y, int *outerWidth,
                              int *outerHeight) {
    bool ignored = *x == POSITION_IGNORE || *y == POSITION_IGNORE;
    if (flags & WINDOW_CENTERED) {
        int screenWidth = GetSystemMetrics(SM_CXSCREEN);
        if (*outerWidth > screenWidth) {
            *outerWidth = screenWidth;
        }
        *x = (screenWidth - *outerWidth) / 2;
        int screenHeight = GetSystemMetrics(SM_CYSCREEN);
        if (*outerHeight > screenHeight) {
            *outerHeight = screenHeight;
        }
        *y = (screenHeight - *outerHeight) / 2;
        return;
    }
    if (flags & WINDOW_CENTER_ON_PARENT) {
        HWND reference = parent ? parent : GetActiveWindow();
        RECT area;
        if (reference && GetWindowRect(reference, &area)) {
            *x = area.left + ((area.right - area.left) - *outerWidth) / 2;
            *y = area.top + ((area.bottom - area.top) - *outerHeight) / 2;
            if (*x < 0) {
                *x = 0;
            }
            if (*y < 0) {
                *y = 0;
            }
            return;
        }
    }
    // No position of its own: the system chooses one.
    if (ignored) {
        *x = CW_USEDEFAULT;
        *y = CW_USEDEFAULT;
    }
}

// The record of a window object while it still holds the window, or null: a handler run by a call
// that sends messages may have closed the object, or opened its number again with another window.
static WindowRecord *WindowObjectHolding(ObjectNumber number, HWND handle) {
    WindowRecord *record = (WindowRecord *)ObjectTableFind(windowTable, number);
    return record && record->handle == handle ? record : 0;
}

INT_PTR OpenWindowObject(ObjectNumber number, int x, int y, int innerWidth, int innerHeight,
                         const char *title, int flags, HWND parent) {
    WindowRecord *record = (WindowRecord *)ObjectTableAllocate(windowTable, number);
    if (!record) {
        return 0;
    }
    bool dynamic = number == OBJECT_ANY;
    if (dynamic) {
        number = (ObjectNumber)record;
    }
    char className[WINDOW_CLASS_NAME_SIZE];
    WindowObjectClassName(number, className);
    if (!title) {
        title = "";
    }

    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = moduleHandle;
    windowClass.hIcon = windowIcon;
    windowClass.hCursor = windowCursor;
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);

    if ((flags & 0xEFFFFFFC) == 0) {
        flags |= WS_CAPTION;
    }
    bool show = (flags & WINDOW_HIDDEN) == 0;
    flags &= ~WINDOW_HIDDEN;
    DWORD style = (DWORD)flags & ~(DWORD)(WINDOW_CENTERED | WINDOW_CENTER_ON_PARENT);

    RECT outer = {0, 0, innerWidth, innerHeight};
    AdjustWindowRect(&outer, style, FALSE);
    int outerWidth = outer.right - outer.left;
    int outerHeight = outer.bottom - outer.top;
    WindowObjectPlace(flags, parent, &x, &y, &outerWidth, &outerHeight);

    HWND handle = CreateWindowExA(0, className, title, style, x, y, outerWidth, outerHeight, parent,
                                  0, moduleHandle, 0);
    // The creation ran the window's first messages, whose handlers may have opened and closed
    // window objects: a static number's slot may have moved with a grown array, or been taken by
    // an open of the same number.
    if (!handle) {
        UnregisterClassA(className, moduleHandle);
        if (dynamic || !ObjectTableFind(windowTable, number)) {
            ObjectTableRelease(windowTable, number);
        }
        return 0;
    }
    if (!dynamic) {
        // Claimed again where it is now, closing a window that took the number meanwhile.
        record = (WindowRecord *)ObjectTableAllocate(windowTable, number);
    }
    record->handle = handle;
    SetPropA(handle, WINDOW_ID_PROPERTY, (HANDLE)(number + 1));

    if (show) {
        int command = SW_SHOWNORMAL;
        if (flags & WS_MAXIMIZE) {
            command = SW_SHOWMAXIMIZED;
        } else if (flags & WS_MINIMIZE) {
            command = SW_SHOWMINIMIZED;
        }
        ShowWindow(handle, command);
        // Showing ran messages too; a handler may have closed the window object, or opened the
        // number again.
        record = WindowObjectHolding(number, handle);
        if (!record) {
            return 0;
        }
    }

    ACCEL *accelerators = (ACCEL *)HeapAlloc(processHeap, 0, 2 * sizeof(ACCEL));
    if (!accelerators) {
        CloseWindowObject(number);
        return 0;
    }
    accelerators[0].fVirt = FVIRTKEY | FNOINVERT;
    accelerators[0].key = VK_TAB;
    accelerators[0].cmd = CMD_FOCUS_NEXT;
    accelerators[1].fVirt = FVIRTKEY | FNOINVERT | FSHIFT;
    accelerators[1].key = VK_TAB;
    accelerators[1].cmd = CMD_FOCUS_PREVIOUS;
    record->acceleratorCount = 2;
    record->accelerators = accelerators;
    record->acceleratorTable = CreateAcceleratorTableA(accelerators, 2);
    record->backgroundColor = NO_OWN_COLOR;
    record->mdiClient = 0;
    return dynamic ? number : (INT_PTR)handle;
}

void CloseWindowObject(ObjectNumber number) {
    WindowRecord *record = (WindowRecord *)ObjectTableFind(windowTable, number);
    if (!record) {
        return;
    }
    HWND handle = record->handle;
    HWND mdiClient = record->mdiClient;
    HWND owner = GetWindow(handle, GW_OWNER);
    if (owner && !mdiClient) {
        SetActiveWindow(owner);
        if (!WindowObjectHolding(number, handle)) {
            return;
        }
    }
    RemovePropA(handle, WINDOW_ID_PROPERTY);
    if (RemovePropA(handle, DROP_ACCEPT_PROPERTY)) {
        RevokeDragDrop(handle);
    }
    if (mdiClient) {
        SendMessageA(mdiClient, WM_MDIDESTROY, (WPARAM)handle, 0);
    } else {
        DestroyWindow(handle);
        char className[WINDOW_CLASS_NAME_SIZE];
        WindowObjectClassName(number, className);
        UnregisterClassA(className, moduleHandle);
    }
    // The destruction ran the window's messages: the record may have moved, or gone.
    record = WindowObjectHolding(number, handle);
    if (!record) {
        return;
    }
    if (record->accelerators) {
        HeapFree(processHeap, 0, record->accelerators);
        DestroyAcceleratorTable(record->acceleratorTable);
    }
    if (record->backgroundBrush) {
        DeleteObject(record->backgroundBrush);
    }
    ObjectTableRelease(windowTable, number);
}

void CloseAllWindows() {
    ObjectNumber number;
    ObjectTableFirst(windowTable);
    while (ObjectTableNext(windowTable, &number)) {
        CloseWindowObject(number);
    }
    FreeDropData((EventState *)StateBlockGet(eventState));
}

HWND WindowHandleOf(ObjectNumber number) {
    WindowRecord *record = (WindowRecord *)ObjectTableFind(windowTable, number);
    return record ? record->handle : 0;
}
