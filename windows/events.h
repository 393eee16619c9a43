// Event retrieval: the EventState with the current event's fields and the queue of pending
// window events, WaitEvent, FlushWindowMessages and the getters.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"
#include "windows/messages.h"

// One queued event, on processHeap: a window event, or an immediate event that was raised outside
// WaitEvent, which carries its fields along.
struct PendingEvent {
    PendingEvent *next;  // the following (newer) event, or null
    int code;            // event code
    ObjectNumber window; // window number handed out with the event
    int raised;          // non-zero for an immediate event: the fields below are handed out too
    ObjectNumber source; // of an immediate event
    int detail;          // of an immediate event
    void *dropData;      // the drop record of a drop event, or null
};

// The fields of the current event and the pending-event queue.
struct EventState {
    ObjectNumber source;               // control, menu item or tray icon of the current event
    ObjectNumber window;               // window of the current event; -1 when none is known
    int detail;                        // detail of the current event; -1 when it has none
    int pendingCode;                   // event code raised during a dispatch; 0 = none
    WPARAM wParam;                     // of the last message returned as a raw message number
    LPARAM lParam;                     // of that message
    PendingEvent *queueHead;           // oldest queued event, or null
    PendingEvent *queueTail;           // newest queued event, or null
    WindowMessageCallback appCallback; // application-wide message hook, or null
    void *dropData;                    // drop record of the latest drop event, or null
};
static_assert(sizeof(EventState) == 40, "ten 32-bit fields");

// The EventState block's handle.
extern void *eventState;

// A drop record: a block on processHeap that the event layer issues to a drop target and takes
// over when the drop message that carries it is dispatched. Its sixth field points to the drop's
// data, a further block on processHeap, or is null; the four fields before it are the drop
// target's. The first field is the event layer's own: it links the record into the list it waits
// in, first as outstanding (issued, not yet carried by a dispatched drop message), then as taken
// over (readable until the next WaitEvent).
struct DropRecord {
    DropRecord *link; // the next record of the list the record is in
    void *fields[4];  // the drop target's
    void *data;       // the drop's data on processHeap, or null
};

// Hands out the oldest queued event, or waits for one message (timeout in milliseconds; -1 waits
// without limit, 0 only looks), translates and dispatches it, and returns the event code that the
// window procedure raised, else the message number; 0 when no message came.
// The wait blocks: while nothing arrives it takes no processor time. An event that a message sent
// to the thread raises during the wait (from another thread or process) ends the wait and is
// returned, as if its message had been posted. An immediate event raised outside WaitEvent (by a
// message that the application sends) is queued, and handed out with its source and detail in the
// order raised.
// A drop message that carried no outstanding drop record of this process comes back as WM_NULL
// (0), a message that raised no event: its number is a drop event's code, and a caller that took
// it for one would read a drop record that is not there. Its parameters are stored as those of
// any message that raised no event. So does a posted thread-only message, which the thread's
// message hook has turned into WM_NULL.
// The drop records of earlier events are freed first, except those of queued drop events.
int WaitEvent(int timeout = -1);
// Appends a window event to the queue, unless it repeats the newest one. An immediate event raised
// outside WaitEvent and still pending goes into the queue before it.
void PushPendingEvent(EventState *state, int code, ObjectNumber window);
// Raises an immediate event with the given code; the caller then writes its source and detail.
// Outside WaitEvent and FlushWindowMessages, an immediate event raised earlier and not yet handed
// out first goes into the queue with its fields, so that the new one does not overwrite it; within
// them the new code replaces the old, as the last event of one dispatch.
void RaiseImmediateEvent(EventState *state, int code);
// Dispatches every waiting message without returning events, then discards every immediate event
// raised before or during the flush and not yet handed out (pendingCode, and those queued while
// they were raised outside WaitEvent): a change that a control makes and then flushes raises
// nothing. Queued window events stay. Drop events raised meanwhile are discarded with their codes:
// the event state's drop record is again the one it was before the flush, and theirs stay readable
// until the next WaitEvent.
void FlushWindowMessages();

// Issues a drop record, with a data block of dataSize zeroed bytes (none for 0 or less), and
// registers it as outstanding: the first drop message that carries it hands it to the event
// state. Null when processHeap has no room. The drop target posts it with MSG_WINDOW_DROP or
// MSG_CONTROL_DROP, and discards it when the post fails.
DropRecord *IssueDropRecord(int dataSize);
// Frees an outstanding record that no drop message will carry. Does nothing for any other pointer.
void DiscardDropRecord(DropRecord *record);
// Makes the record that a drop message carries the event state's drop record, when it is an
// outstanding record of this process: it is outstanding no longer, and the drop record it replaces
// stays readable until the next WaitEvent (an immediate event raised outside WaitEvent and still
// pending goes into the queue first, with its record). False for any other pointer, through which
// nothing is read.
bool TakeDropRecord(EventState *state, LPARAM pointer);
// Frees every drop record that the event state has taken over, the current one included, with
// their data.
void FreeDropData(EventState *state);
// The event state block's release operation: its drop records.
void FreeEventState(void *block);

ObjectNumber EventSource();
ObjectNumber EventMenuItem();
ObjectNumber EventWindow();
int EventDetail();
