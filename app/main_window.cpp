// The tool's main window, the event loop and its handlers.
#include "app/main_window.h"

#include "app/uuid_block.h"
#include "controls/button.h"
#include "controls/control_core.h"
#include "controls/spin_box.h"
#include "controls/text_area.h"
#include "runtime/heaps.h"
#include "windows/events.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

int quitFlag;

int OpenMainWindow() {
    if (!OpenWindowObject(WINDOW_MAIN, POSITION_IGNORE, POSITION_IGNORE, MAIN_WINDOW_WIDTH,
                          MAIN_WINDOW_HEIGHT, MAIN_WINDOW_TITLE, WINDOW_DEFAULT_FLAGS)) {
        return 0;
    }
    if (!UseControlParent(WindowHandleOf(WINDOW_MAIN))) {
        return 0;
    }
    // A row below the text area: "Start", "Copy", the count and, at the right edge, "Exit".
    CreateSpinBox(CONTROL_COUNT, 230, 270, 80, 25, 1, 99, SPIN_NUMERIC);
    CreateButton(CONTROL_START, 10, 270, 100, 25, "Start");
    CreateButton(CONTROL_COPY, 120, 270, 100, 25, "Copy");
    CreateButton(CONTROL_EXIT, 490, 270, 100, 25, "Exit");
    CreateTextArea(CONTROL_TEXT, 0, 0, 600, 260);
    return 0;
}

bool StartMainWindow() {
    OpenMainWindow();
    if (!WindowHandleOf(WINDOW_MAIN)) {
        return false;
    }
    SetControlState(CONTROL_COUNT, 1);
    return true;
}

// Writes a block of the count given into the text area.
static void WriteUuidBlock(void *count) {
    GenerateUuidBlock(CONTROL_TEXT, *(int *)count);
}

// The Start action: a new block of as many identifiers as the count shows. A visible rich edit
// repaints itself after every line that goes in: the text area paints once, when the block is
// complete.
static void RunStartAction() {
    int count = GetControlState(CONTROL_COUNT);
    RunControlBatch(CONTROL_TEXT, WriteUuidBlock, &count);
}

int HandleMenuEvent(ObjectNumber item) {
    (void)item;
    return 0;
}

int HandleControlEvent(ObjectNumber source, int detail) {
    // Only a push button's click counts; the spin box and the text area raise nothing to act on.
    if (detail != BN_CLICKED) {
        return 0;
    }
    switch (source) {
    case CONTROL_START: RunStartAction(); break;
    case CONTROL_COPY: CopyTextAreaText(CONTROL_TEXT); break;
    case CONTROL_EXIT: quitFlag = 1; break;
    default: break;
    }
    return 0;
}

int HandleSizeEvent() {
    return 0;
}

void DispatchEvent(int code) {
    switch (code) {
    case EVENT_MENU: HandleMenuEvent(EventMenuItem()); break;
    case EVENT_CONTROL: HandleControlEvent(EventSource(), EventDetail()); break;
    case EVENT_SIZE:
        if (EventWindow() == WINDOW_MAIN) {
            HandleSizeEvent();
        }
        break;
    case EVENT_CLOSE:
        if (EventWindow() == WINDOW_MAIN) {
            quitFlag = 1;
        }
        break;
    default: break;
    }
}

void RunEventLoop() {
    do {
        DispatchEvent(WaitEvent(-1));
    } while (quitFlag != 1);
}

void ShutdownLibraries() {
    CloseAllWindows();
    EndObjectHeap();
}
