// Event retrieval: WaitEvent, the pending-event queue, FlushWindowMessages and the getters.
#include "windows/events.h"

#include "runtime/heaps.h"
#include "windows/focus.h"

void *eventState;

// The event state block.
static EventState *EventsState() {
    return (EventState *)StateBlockGet(eventState);
}

// Drop records issued and not yet carried by a dispatched drop message, newest first.
static DropRecord *outstandingDrops;
// Drop records that drop messages handed to the event state: the current one and those it
// replaced, all readable until the next WaitEvent.
static DropRecord *takenDrops;

static bool EventsIsDropCode(int code) {
    return code == EVENT_WINDOW_DROP || code == EVENT_CONTROL_DROP;
}

// The link of a list that points at a record, or null when the record is not in the list. Only
// the addresses of the list's own records are compared: nothing is read through the pointer
// looked for.
static DropRecord **EventsDropLink(DropRecord **list, const void *record) {
    for (DropRecord **at = list; *at; at = &(*at)->link) {
        if (*at == record) {
            return at;
        }
    }
    return 0;
}

// Takes a record out of a list; false when it is not there.
static bool EventsUnlinkDrop(DropRecord **list, const void *record) {
    DropRecord **at = EventsDropLink(list, record);
    if (!at) {
        return false;
    }
    *at = (*at)->link;
    return true;
}

// Frees a record and its data block. The data pointer is the drop target's to fill: only a block
// of processHeap other than the record itself is freed.
static void EventsFreeDropRecord(DropRecord *record) {
    void *data = record->data;
    if (data && data != record && HeapValidate(processHeap, 0, data)) {
        HeapFree(processHeap, 0, data);
    }
    HeapFree(processHeap, 0, record);
}

// Frees the taken-over records but the one given (null for all); the event state keeps that one
// as its drop record if it is still there, else it has none.
static void EventsReleaseDropsBut(EventState *state, const void *kept) {
    DropRecord *keptRecord = 0;
    DropRecord *record = takenDrops;
    while (record) {
        DropRecord *next = record->link;
        if (record == kept) {
            keptRecord = record;
            keptRecord->link = 0;
        } else {
            EventsFreeDropRecord(record);
        }
        record = next;
    }
    takenDrops = keptRecord;
    state->dropData = keptRecord;
}

DropRecord *IssueDropRecord(int dataSize) {
    DropRecord *record = (DropRecord *)HeapAlloc(processHeap, HEAP_ZERO_MEMORY, sizeof(DropRecord));
    if (!record) {
        return 0;
    }
    if (dataSize > 0) {
        record->data = HeapAlloc(processHeap, HEAP_ZERO_MEMORY, (SIZE_T)dataSize);
        if (!record->data) {
            HeapFree(processHeap, 0, record);
            return 0;
        }
    }
    record->link = outstandingDrops;
    outstandingDrops = record;
    return record;
}

void DiscardDropRecord(DropRecord *record) {
    if (EventsUnlinkDrop(&outstandingDrops, record)) {
        EventsFreeDropRecord(record);
    }
}

bool TakeDropRecord(EventState *state, LPARAM pointer) {
    if (!EventsUnlinkDrop(&outstandingDrops, (const void *)pointer)) {
        return false;
    }
    DropRecord *record = (DropRecord *)pointer;
    record->link = takenDrops;
    takenDrops = record;
    state->dropData = record;
    return true;
}

void FreeDropData(EventState *state) {
    EventsReleaseDropsBut(state, 0);
}

void FreeEventState(void *block) {
    FreeDropData((EventState *)block);
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

// Retrieves one posted or input message within the timeout (a negative timeout waits without
// limit); false when none came, or when a message sent to the thread during the wait raised an
// event. Sent messages run inside PeekMessageA, never as a retrieved message, so each round that
// retrieves nothing looks at the event state: the caller clears pendingCode and empties the queue
// before the wait, and anything found there afterwards was raised by this wait.
static bool EventsRetrieveMessage(EventState *state, int timeout, MSG *message) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (PeekMessageA(message, 0, 0, 0, PM_REMOVE | PM_NOYIELD)) {
            return true;
        }
        if (state->pendingCode || state->queueHead) {
            return false;
        }
        DWORD wait = INFINITE;
        if (timeout >= 0) {
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= (DWORD)timeout) {
                return false;
            }
            wait = (DWORD)timeout - elapsed;
        }
        // MWMO_INPUTAVAILABLE: input already in the queue ends the wait too, not only new input.
        MsgWaitForMultipleObjectsEx(0, 0, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

int WaitEvent(int timeout) {
    EventState *state = EventsState();
    // A drop event raised outside WaitEvent is still to be returned: its record stays.
    EventsReleaseDropsBut(state, EventsIsDropCode(state->pendingCode) ? state->dropData : 0);
    state->detail = -1;
    if (state->queueHead) {
        return EventsHandOutPending(state);
    }

    // A code raised outside WaitEvent comes with the next dispatched message; set aside during the
    // wait, it tells nothing about what the wait itself raised.
    const int raisedBefore = state->pendingCode;
    state->pendingCode = 0;
    MSG message = {};
    bool retrieved = EventsRetrieveMessage(state, timeout, &message);
    // A posted thread-only message is forged: it is dropped undispatched.
    bool dispatched = retrieved && !IsThreadOnlyMessage(message.message);
    if (dispatched) {
        if (!state->pendingCode) {
            state->pendingCode = raisedBefore;
        }
        HWND active = GetActiveWindow();
        HACCEL accelerators = SelectAccelerators(active);
        if (!accelerators || !TranslateAcceleratorA(active, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    // What the wait or the dispatch raised; the queue was empty when the wait began.
    if (state->pendingCode) {
        int code = state->pendingCode;
        state->pendingCode = 0;
        return code;
    }
    if (!dispatched) {
        if (state->queueHead) {
            return EventsHandOutPending(state);
        }
        state->pendingCode = raisedBefore;
    }
    if (!retrieved) {
        return 0;
    }
    state->wParam = message.wParam;
    state->lParam = message.lParam;
    if (!dispatched || message.message == MSG_WINDOW_DROP || message.message == MSG_CONTROL_DROP) {
        return WM_NULL; // a forged message, or a drop message that carried no drop record of ours
    }
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
    EventState *state = EventsState();
    void *dropBefore = state->dropData;
    MSG message;
    while (PeekMessageA(&message, 0, 0, 0, PM_REMOVE)) {
        if (IsThreadOnlyMessage(message.message)) {
            continue; // posted, so forged: dropped undispatched
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    state->pendingCode = 0;
    // The drop events of the flush are discarded: the record before them is the current one again,
    // unless a WaitEvent that a handler called meanwhile has freed it.
    state->dropData = EventsDropLink(&takenDrops, dropBefore) ? dropBefore : 0;
}

ObjectNumber EventSource() {
    return EventsState()->source;
}

ObjectNumber EventMenuItem() {
    return EventsState()->source;
}

ObjectNumber EventWindow() {
    return EventsState()->window;
}

int EventDetail() {
    return EventsState()->detail;
}
