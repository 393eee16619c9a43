// Event retrieval: WaitEvent, the pending-event queue, FlushWindowMessages and the getters.
#include "windows/events.h"

#include "runtime/heaps.h"
#include "windows/focus.h"

// Not part of the headers while the layers build for Windows 7; Windows 8 and later have them.
#ifndef QS_TOUCH
#define QS_TOUCH 0x0800
#endif
#ifndef QS_POINTER
#define QS_POINTER 0x1000
#endif

void *eventState;

// Greater than 0 while WaitEvent waits or dispatches, or FlushWindowMessages dispatches: an
// immediate event raised then is theirs to return or discard.
static int dispatchDepth;

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

// The queued event that carries a drop record, or null.
static PendingEvent *EventsQueuedWithDrop(EventState *state, const void *record) {
    for (PendingEvent *event = state->queueHead; event; event = event->next) {
        if (event->dropData == record) {
            return event;
        }
    }
    return 0;
}

// Frees the taken-over records, but those of queued drop events when keepQueued is set (else the
// queued events lose theirs); the event state has no drop record afterwards.
static void EventsReleaseDrops(EventState *state, bool keepQueued) {
    DropRecord *kept = 0;
    DropRecord *record = takenDrops;
    while (record) {
        DropRecord *next = record->link;
        PendingEvent *carrier = EventsQueuedWithDrop(state, record);
        if (carrier && keepQueued) {
            record->link = kept;
            kept = record;
        } else {
            if (carrier) {
                carrier->dropData = 0;
            }
            EventsFreeDropRecord(record);
        }
        record = next;
    }
    takenDrops = kept;
    state->dropData = 0;
}

static void EventsKeepRaisedOutside(EventState *state);

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
    EventsKeepRaisedOutside(state);
    DropRecord *record = (DropRecord *)pointer;
    record->link = takenDrops;
    takenDrops = record;
    state->dropData = record;
    return true;
}

void FreeDropData(EventState *state) {
    EventsReleaseDrops(state, false);
}

void FreeEventState(void *block) {
    FreeDropData((EventState *)block);
}

// Appends an event to the queue.
static void EventsAppend(EventState *state, PendingEvent *event) {
    event->next = 0;
    if (state->queueTail) {
        state->queueTail->next = event;
    } else {
        state->queueHead = event;
    }
    state->queueTail = event;
}

// Moves a pending immediate event into the queue, with its fields; when processHeap has no room,
// it stays pending.
static void EventsQueueRaised(EventState *state) {
    if (!state->pendingCode) {
        return;
    }
    PendingEvent *event = (PendingEvent *)HeapAlloc(processHeap, 0, sizeof(PendingEvent));
    if (!event) {
        return;
    }
    event->code = state->pendingCode;
    event->window = state->window;
    event->raised = 1;
    event->source = state->source;
    event->detail = state->detail;
    event->dropData = EventsIsDropCode(event->code) ? state->dropData : 0;
    EventsAppend(state, event);
    state->pendingCode = 0;
}

// Takes every immediate event out of the queue; window events stay in their order.
static void EventsDiscardRaised(EventState *state) {
    PendingEvent **at = &state->queueHead;
    state->queueTail = 0;
    while (*at) {
        PendingEvent *event = *at;
        if (event->raised) {
            *at = event->next;
            HeapFree(processHeap, 0, event);
        } else {
            state->queueTail = event;
            at = &event->next;
        }
    }
}

// Outside any dispatch of WaitEvent or FlushWindowMessages, moves a pending immediate event into
// the queue before something overwrites its fields.
static void EventsKeepRaisedOutside(EventState *state) {
    if (dispatchDepth == 0) {
        EventsQueueRaised(state);
    }
}

void RaiseImmediateEvent(EventState *state, int code) {
    EventsKeepRaisedOutside(state);
    state->pendingCode = code;
}

// Takes the oldest queued event off the queue and makes it the current event; returns its code.
static int EventsHandOutPending(EventState *state) {
    PendingEvent *event = state->queueHead;
    int code = event->code;
    state->window = event->window;
    if (event->raised) {
        state->source = event->source;
        state->detail = event->detail;
        state->dropData = event->dropData;
    }
    state->pendingCode = 0;
    state->queueHead = event->next;
    HeapFree(processHeap, 0, event);
    if (!state->queueHead) {
        state->queueTail = 0;
    }
    return code;
}

// What ends a wait besides a timeout: every kind of input and message, pointer and touch input
// too where the system has them (Windows 8 and later; Windows 7 refuses a wake mask with them).
static DWORD EventsWakeMask() {
    DWORD version = GetVersion();
    DWORD major = LOBYTE(LOWORD(version));
    DWORD minor = HIBYTE(LOWORD(version));
    DWORD mask = QS_ALLINPUT;
    if (major > 6 || (major == 6 && minor >= 2)) {
        mask |= QS_TOUCH | QS_POINTER;
    }
    return mask;
}

// Retrieves one posted or input message within the timeout (a negative timeout waits without
// limit); false when none came, or when a message sent to the thread during the wait raised an
// event. Sent messages run inside PeekMessageA, never as a retrieved message, so each round that
// retrieves nothing looks at the event state: the caller empties the queue and pendingCode before
// the wait, and anything found there afterwards was raised by this wait.
// Each round blocks until something arrives that the round's look did not see. A wait that also
// ended for what is already there (MWMO_INPUTAVAILABLE) would end at once for as long as the queue
// shows a status that no message answers (Wine leaves QS_PAINT set after an internal repaint),
// and take a whole processor doing nothing.
static bool EventsRetrieveMessage(EventState *state, int timeout, MSG *message) {
    const DWORD start = GetTickCount();
    const DWORD wakeMask = EventsWakeMask();
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
        MsgWaitForMultipleObjectsEx(0, 0, wait, wakeMask, 0);
    }
}

int WaitEvent(int timeout) {
    EventState *state = EventsState();
    // An immediate event raised before this call, outside any dispatch of ours, comes out in turn.
    EventsQueueRaised(state);
    EventsReleaseDrops(state, true);
    state->detail = -1;
    if (state->queueHead) {
        return EventsHandOutPending(state);
    }

    dispatchDepth++;
    MSG message = {};
    bool retrieved = EventsRetrieveMessage(state, timeout, &message);
    if (retrieved) {
        HWND active = GetActiveWindow();
        HACCEL accelerators = SelectAccelerators(active);
        if (!accelerators || !TranslateAcceleratorA(active, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    dispatchDepth--;
    // What the wait or the dispatch raised; the queue was empty when the wait began.
    if (state->pendingCode) {
        int code = state->pendingCode;
        state->pendingCode = 0;
        return code;
    }
    if (!retrieved) {
        return state->queueHead ? EventsHandOutPending(state) : 0;
    }
    state->wParam = message.wParam;
    state->lParam = message.lParam;
    if (message.message == MSG_WINDOW_DROP || message.message == MSG_CONTROL_DROP) {
        return WM_NULL; // a drop message that carried no drop record of ours
    }
    return (int)message.message;
}

void PushPendingEvent(EventState *state, int code, ObjectNumber window) {
    EventsKeepRaisedOutside(state);
    PendingEvent *tail = state->queueTail;
    if (tail && !tail->raised && tail->code == code && tail->window == window) {
        return;
    }
    PendingEvent *event = (PendingEvent *)HeapAlloc(processHeap, 0, sizeof(PendingEvent));
    if (!event) {
        return;
    }
    event->code = code;
    event->window = window;
    event->raised = 0;
    event->dropData = 0;
    EventsAppend(state, event);
}

void FlushWindowMessages() {
    EventState *state = EventsState();
    void *dropBefore = state->dropData;
    MSG message;
    dispatchDepth++;
    while (PeekMessageA(&message, 0, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    dispatchDepth--;
    state->pendingCode = 0;
    EventsDiscardRaised(state);
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
