// Event retrieval: the EventState with the current event's fields and the queue of pending
// window events, WaitEvent, FlushWindowMessages and the getters.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"
#include "windows/window_objects.h"

// One queued window event, on processHeap.
struct PendingEvent {
    PendingEvent *next;  // the following (newer) event, or null
    int code;            // event code
    ObjectNumber window; // window number handed out with the event
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
    void *dropData;                    // drop record of the current drop event, or null
};
static_assert(sizeof(EventState) == 40, "ten 32-bit fields");

// A drop record: a block on processHeap whose sixth field points to a further block on
// processHeap, or is null. The EventState owns both until the next WaitEvent.
struct DropRecord {
    void *fields[5];
    void *data;
};

// Hands out the oldest queued event, or waits for one message (timeout in milliseconds; -1 waits
// without limit, 0 only looks), translates and dispatches it, and returns the event code that the
// window procedure raised, else the message number. 0 when no message came.
int WaitEvent(int timeout = -1);
// Appends a window event to the queue, unless it repeats the newest one.
void PushPendingEvent(EventState *state, int code, ObjectNumber window);
// Dispatches every waiting message without returning events, then clears pendingCode.
void FlushWindowMessages();
// True for a drop record that this process allocated: a block of processHeap large enough for the
// record, whose sixth field is null or a block of processHeap too. Reads nothing of a pointer that
// fails the test.
bool IsDropRecord(const void *block);
// Frees the EventState's drop record, if any, and the block its sixth field points to. Frees only
// blocks of processHeap.
void FreeDropData(EventState *state);

ObjectNumber EventSource();
ObjectNumber EventMenuItem();
ObjectNumber EventWindow();
int EventDetail();
