// Event retrieval: WaitEvent, the pending-event queue, FlushWindowMessages and the getters.
#include "windows/events.h"

#include "runtime/heaps.h"
#include "windows/focus.h"

// The event state block.
static EventState *CurrentEventState() {
    return (EventState *)StateBlockGet(eventState);
}

void FreeDropData(EventState *state) {
    DropRecord *record = (DropRecord *)state->dropData;
    if (!record) {
        return;
    }
    state->dropData = 0;
    // Only blocks of processHeap are freed, whoever put the pointers there.
    if (!HeapValidate(processHeap, 0, record)) {
        return;
    }
    if (record->data && HeapValidate(processHeap, 0, record->data)) {
        HeapFree(processHeap, 0, record->data);
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
