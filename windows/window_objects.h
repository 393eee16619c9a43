// Window objects: top-level windows named by number, each with a window class of its own, the
// "QV_WindowID" property that leads back to its number, and a Tab accelerator table.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"
#include "windows/messages.h"

// The record of a window object in windowTable.
struct WindowRecord {
    HWND handle;                           // non-zero exactly while the object is live
    int acceleratorCount;                  // entries in accelerators: 2
    ACCEL *accelerators;                   // on processHeap
    HACCEL acceleratorTable;               // made from accelerators
    WindowMessageCallback messageCallback; // or null
    COLORREF backgroundColor;              // NO_OWN_COLOR: none of its own
    HBRUSH backgroundBrush;                // fills the client area on WM_ERASEBKGND when set
    HWND mdiClient;                    // MDI client of an MDI child; null for a top-level window
    WindowEraseCallback eraseCallback; // or null
};
static_assert(sizeof(WindowRecord) == 36, "nine 32-bit fields");

// Open flags of the window library's own; the other bits are window styles.
enum {
    WINDOW_CENTERED = 0x1,
    WINDOW_CENTER_ON_PARENT = 0x2,
    WINDOW_HIDDEN = 0x10000000,
    WINDOW_DEFAULT_FLAGS = 0xC80000, // WS_CAPTION | WS_SYSMENU
};

// Window properties: the number + 1 of a window object (0, a missing property, means none), and
// the mark of a window on which a drop target is registered.
constexpr char WINDOW_ID_PROPERTY[] = "QV_WindowID";
constexpr char DROP_ACCEPT_PROPERTY[] = "QV_DropAccept";

// A position that keeps the current value, or lets the system choose one.
enum { POSITION_IGNORE = -0xFFFF };

extern ObjectTable *windowTable;
extern HICON windowIcon;
extern HCURSOR windowCursor;

// Starts the window library: the table, the event state, the class icon and cursor, and the
// live-sizing state.
void InitWindowLibrary();
// Opens a window whose client area is innerWidth x innerHeight. Returns the window's handle for a
// static number, the new window's number for OBJECT_ANY, or 0 on failure. A static number that is
// still open closes its old window first.
INT_PTR OpenWindowObject(ObjectNumber number, int x, int y, int innerWidth, int innerHeight,
                         const char *title, int flags = WINDOW_DEFAULT_FLAGS, HWND parent = 0);
// Closes a window object: its window, class, properties, accelerators and slot. A number without
// a live window does nothing.
void CloseWindowObject(ObjectNumber number);
// Closes every window object and frees the event layer's leftover drop record.
void CloseAllWindows();
// The window's handle, or 0 when the number names no live window.
HWND WindowHandleOf(ObjectNumber number);
