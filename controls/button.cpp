// The button: a standard "Button" window. With the default style it is a push button whose click
// reaches the program as a control event through the window procedure; button styles in the flags
// make check boxes and the other kinds that the class offers, whose check state the two slots read
// and set.
#include "controls/button.h"

#include <string.h>

#include "controls/control_core.h"

enum : DWORD { BUTTON_STYLE = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP };
static_assert(BUTTON_STYLE == 0x50030000, "button style");

static ControlOps buttonOps;
static bool buttonOpsReady;

// 1 when the button is checked; unchecked and indeterminate read 0.
static int ButtonGetState(ControlRecord *record) {
    return (int)SendMessageA(record->handle, BM_GETCHECK, 0, 0) & BST_CHECKED;
}

// Checks the button for a non-zero value, clears it for 0.
static void ButtonSetState(ControlRecord *record, int value) {
    SendMessageA(record->handle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Fills the kind's operations table; called on the first creation.
static void ButtonFillOps() {
    memset(&buttonOps, 0, sizeof buttonOps);
    buttonOps.kind = KIND_BUTTON;
    buttonOps.tableSize = sizeof buttonOps;
    buttonOps.getState = ButtonGetState;
    buttonOps.setState = ButtonSetState;
    buttonOpsReady = true;
}

INT_PTR CreateButton(ObjectNumber number, int x, int y, int width, int height, const char *text,
                     int flags) {
    if (!buttonOpsReady) {
        ButtonFillOps();
    }
    if (!text) {
        text = "";
    }
    HWND window =
        CreateControlWindow(0, "Button", text, (DWORD)flags | BUTTON_STYLE, x, y, width, height);
    if (!window) {
        return 0;
    }
    ControlRecord *record = AllocateControlRecord(number, window);
    if (!record) {
        return 0;
    }
    return RegisterControl(number, record, window, &buttonOps);
}
