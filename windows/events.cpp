// Event retrieval: WaitEvent, the pending-event queue, FlushWindowMessages and the getters.
#include "windows/events.h"

#include "runtime/heaps.h"
#include "windows/focus.h"

// The event state block.
static EventState *CurrentEventState() {
    return (EventState *)StateBlockGet(eventState);
}

// True for a block of processHeap that holds at least a whole drop record.
static bool EventsIsDropBlock(const void *block) {
    return block && HeapValidate(processHeap, 0, block) &&
           HeapSize(processHeap, 0, block) >= sizeof(DropRecord);
}

bool IsDropRecord(const void *block) {
    if (!EventsIsDropBlock(block)) {
        return false;
    }
    const void *data = ((const DropRecord *)block)->data;
    return !data || HeapValidate(processHeap, 0, data);
}

void FreeDropData(EventState *state) {
    DropRecord *record = (DropRecord *)state->dropData;
    state->dropData = 0;
    // Checked again: the pointers may have changed since the drop message was accepted.
    if (!EventsIsDropBlock(record)) {
        return;
    }
    void *data = record->data;
    if (data && data != record && HeapValidate(processHeap, 0, data)) {
        HeapFree(processHeap, 0, data);
    }
    HeapFree(processHeap, 0, record);
}

// Takes the oldest queued event off the queue and makes it the current event; returns its code.
static int EventsHandOutPending(EventState *state) {
    PendingEvent *event = state->queueHead;
    int code = event->code;
    state->window = event->window;
    state->pendingCode = 0;
    state->queueHead = event->next;
    HeapFree(processHeap, 0, event);
    if (!state->queueHead) {
        state->queueTail = 0;
    }
    return code;
}

// Retrieves one message within the timeout; false when none came.
static bool EventsRetrieveMessage(int timeout, MSG *message) {
    if (timeout < 0) {
        GetMessageA(message, 0, 0, 0);
        return true;
    }
    const UINT remove = PM_REMOVE | PM_NOYIELD;
    if (PeekMessageA(message, 0, 0, 0, remove)) {
        return true;
    }
    if (timeout == 0) {
        return false;
    }
    const DWORD inputAndPosted = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_POSTMESSAGE |
                                 QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY |
                                 QS_ALLPOSTMESSAGE;
    if (MsgWaitForMultipleObjects(0, 0, FALSE, (DWORD)timeout, inputAndPosted) == WAIT_TIMEOUT) {
        return false;
    }
    return PeekMessageA(message, 0, 0, 0, remove) != 0;
}

int WaitEvent(int timeout) {
    EventState *state = CurrentEventState();
    FreeDropData(state);
    state->detail = -1;
    if (state->queueHead) {
        return EventsHandOutPending(state);
    }

    MSG message = {};
    if (!EventsRetrieveMessage(timeout, &message)) {
        return 0;
    }
    HWND active = GetActiveWindow();
    HACCEL accelerators = SelectAccelerators(active);
    if (!accelerators || !TranslateAcceleratorA(active, accelerators, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    if (state->pendingCode) {
        int code = state->pendingCode;
        state->pendingCode = 0;
        return code;
    }
    state->wParam = message.wParam;
    state->lParam = message.lParam;
    return (int)message.message;
}

void PushPendingEvent(EventState *state, int code, ObjectNumber window) {
    PendingEvent *tail = state->queueTail;
    if (tail && tail->code == code && tail->window == window) {
        return;
    }
    PendingEvent *event = (PendingEvent *)HeapAlloc(processHeap, 0, sizeof(PendingEvent));
    if (!event) {
        return;
    }
    event->next = 0;
    event->code = code;
    event->window = window;
    if (tail) {
        tail->next = event;
    } else {
        state->queueHead = event;
    }
    state->queueTail = event;
}

void FlushWindowMessages() {
    MSG message;
    while (PeekMessageA(&message, 0, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    CurrentEventState()->pendingCode = 0;
}

ObjectNumber EventSource() {
    return CurrentEventState()->source;
}

ObjectNumber EventMenuItem() {
    return CurrentEventState()->source;
}

ObjectNumber EventWindow() {
    return CurrentEventState()->window;
}

int EventDetail() {
    return CurrentEventState()->detail;
}
