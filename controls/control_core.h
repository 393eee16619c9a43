// The control core: the record of every control, the operations table of each kind, the library's
// start, registration and the shared subclass procedure, and the operations that the application
// calls by control number.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"

struct ControlOps;

// Window property of a control's main window that holds its number, as its identifier does.
constexpr char CONTROL_ID_PROPERTY[] = "QV_ID";

// Kind words of a spin box.
struct SpinBoxFields {
    COLORREF backgroundColor; // of the edit part; NO_OWN_COLOR = the system's
    COLORREF frontColor;      // text colour of the edit part; NO_OWN_COLOR = the system's
    HBRUSH backgroundBrush;   // from the brush cache; 0 when there is none
    HWND upDownHandle;        // the up-down window
};

// Kind words of a text area.
struct TextAreaFields {
    int emptyLineState;       // 0, 1 or 2: see the text area
    COLORREF backgroundColor; // NO_OWN_COLOR = the system's window colour
    COLORREF frontColor;      // NO_OWN_COLOR = the automatic text colour
    int unused;
};

// The element of controlTable.
struct ControlRecord {
    HWND handle;          // the control's main window; first, so the record is live while it exists
    ControlOps *ops;      // the kind's table
    int reserved;         // stays 0
    WNDPROC previousProc; // the procedure that ControlProcedure forwards every message to
    union {               // the kind's four words
        SpinBoxFields spinBox;
        TextAreaFields textArea;
        INT_PTR kindWords[4];
    };
};
static_assert(sizeof(ControlRecord) == 32, "eight 32-bit fields");

// Kind codes.
enum {
    KIND_BUTTON = 1,
    KIND_TEXT_AREA = 22,
    KIND_SPIN_BOX = 26,
};

// Colour types of setColor and getColor.
enum {
    FRONT_COLOR = 1,
    BACKGROUND_COLOR = 2,
};

// The operations of one kind of control: two words of data, then 35 slots, each empty or an
// operation on the control's record. Reserved slots stay empty.
struct ControlOps {
    int kind;
    int tableSize; // 148
    LRESULT(*onParentMessage)
    (ControlRecord *record, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void (*onDestroy)(ControlRecord *record);
    int (*getState)(ControlRecord *record);
    void (*setState)(ControlRecord *record, int value);
    void (*getText)(ControlRecord *record, int position);
    void (*setText)(ControlRecord *record, const char *text);
    void (*addItem)(ControlRecord *record, int position, const char *text, int further);
    void (*addItemEx)(ControlRecord *record, int position, const char *text, int further,
                      int further2);
    void (*removeItem)(ControlRecord *record, int index);
    void (*clearItems)(ControlRecord *record);
    void (*resize)(ControlRecord *record, int x, int y, int width, int height);
    int (*countItems)(ControlRecord *record);
    void *reserved15[2];
    void (*getItemText)(ControlRecord *record, int index, int further, int position);
    void (*setItemText)(ControlRecord *record, int index, const char *text, int further);
    void *reserved19[3];
    int (*compositeWidth)(ControlRecord *record);
    void *reserved23;
    void (*hide)(ControlRecord *record, int hidden);
    void *reserved25[2];
    int (*getAttribute)(ControlRecord *record, int attribute);
    void (*setAttribute)(ControlRecord *record, int attribute, int value);
    void *reserved29[2];
    void (*setColor)(ControlRecord *record, int type, COLORREF color);
    COLORREF (*getColor)(ControlRecord *record, int type);
    void *reserved33[5];
};
static_assert(sizeof(ControlOps) == 148, "37 words");

// The control library's state block.
struct ControlLibraryState {
    HWND parentWindow; // parent of the controls created next
    int scratch;       // set to 0 by UseControlParent and RegisterControl; nothing reads it
    HFONT font;        // sent with WM_SETFONT to every control registered
    void *auxArray;    // 40 zeroed bytes on processHeap; nothing reads them
    int unused;
    int auxCount; // 10; nothing reads it
    BYTE rest[56];
};
static_assert(sizeof(ControlLibraryState) == 80, "80 bytes");

extern ObjectTable *controlTable;
extern void *controlLibraryState; // the ControlLibraryState block's handle
extern HFONT defaultFont;

// Starts the control library; returns InitCommonControlsEx's result.
BOOL InitControlLibrary();
// Makes the window the parent of the controls created next; returns it.
HWND UseControlParent(HWND window);
// The window identifier of a window that is no control: a control's main window has it until
// RegisterControl gives it the control's number, and again once it is destroyed.
enum { NO_CONTROL_ID = -1 };

// The first step of every creation: a window of the control, a child of parentWindow with the
// identifier given (NO_CONTROL_ID for a main window), or 0 when it cannot be created.
HWND CreateControlWindow(DWORD exStyle, const char *className, const char *text, DWORD style, int x,
                         int y, int width, int height, INT_PTR identifier = NO_CONTROL_ID);
// The zeroed record for a created main window's number (a static number's live control is
// destroyed first); when the table refuses the number, the window is destroyed and null returned.
ControlRecord *AllocateControlRecord(ObjectNumber number, HWND window);
// The record that a creation fills for a number (its dynamic address for OBJECT_ANY), looked up
// again after a call that may have run handlers: these may have moved the slot array, or given the
// number to another window, in which case it is null.
ControlRecord *FindCreatedControlRecord(ObjectNumber number, HWND window);
// Binds a created window to its record: subclasses it, stores the number as its identifier and
// "QV_ID", and sets the font. Returns the record's address for an OBJECT_ANY number, else the
// window handle.
INT_PTR RegisterControl(ObjectNumber number, ControlRecord *record, HWND window, ControlOps *ops);
// The subclass procedure of every control: forwards to previousProc and releases the record at
// WM_NCDESTROY.
LRESULT CALLBACK ControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Text is bytes of the ANSI code page. The most bytes that one of its characters takes: 2 in a
// double-byte code page, 4 where it is UTF-8 (and where the code page cannot be read: no code page
// takes more).
int AnsiCharacterBytes();
// The most bytes that a text of length characters can take, 0 for a length below 1; at most
// CONTROL_TEXT_MOST_BYTES.
enum { CONTROL_TEXT_MOST_BYTES = 0x7FFFFFF0 };
int AnsiTextRoom(int length);
// Writes a window's text at position in the string buffer, read into room for the given number of
// bytes (a negative number counts as 0). The cursor ends right after the bytes that the window says
// it copied, never beyond that room; a NUL follows them.
void ReadWindowTextBytes(HWND window, int bytes, int position);
// The same for a window whose length says only how many characters it holds (an edit, a button,
// the older rich edit): its room is that length times the most bytes of a character.
void ReadControlWindowText(HWND window, int position);

// Generic operations by number; a number without a live control, or an empty slot, does nothing.
void SetControlState(ObjectNumber number, int value);
int GetControlState(ObjectNumber number);
// Writes the control's text at position in the string buffer; the cursor ends right after it.
void GetControlText(ObjectNumber number, int position);
// Adds an item (a line, in a text area) at position, -1 after the last; a null text is "".
void AddControlItem(ObjectNumber number, int position, const char *text);
void ClearControlItems(ObjectNumber number);
// Runs a batch of operations on a control with its repaints held, then paints it once, frame and
// scroll bars included. A control that is not visible is left as it is while the batch runs:
// letting it paint again would show it. Without a live control the batch runs all the same.
void RunControlBatch(ObjectNumber number, void (*batch)(void *context), void *context);

// Raises a control event of a control's own: posts MSG_CONTROL_EVENT to its event window.
BOOL PostControlEvent(HWND controlWindow, int detail);
// The first window from this one upwards that carries "QV_WindowID" or has no parent.
HWND FindEventWindow(HWND window);
// controlTable's onReuse: destroys the control window that holds the number.
void DestroyReplacedControl(ObjectNumber number);
// State block operations of ControlLibraryState.
void InitControlState(void *block);
void FreeControlState(void *block);
