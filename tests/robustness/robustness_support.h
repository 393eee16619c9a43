// What the robustness tests measure and how they drive the main window through the real event
// path: a button's click message, WaitEvent and the application's own dispatch.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "controls/control_core.h"
#include "runtime/object_table.h"
#include "test_support.h"

// True when each of the runtime's three heaps (processHeap, objectHeap, StringHeap) validates.
bool RuntimeHeapsValid();
// An allocated block of a heap: its address and size.
struct HeapBlock {
    char *address;
    SIZE_T size;
};
// The allocated blocks of a heap, as HeapWalk reports them.
std::vector<HeapBlock> BusyBlocks(HANDLE heap);
// The process's committed private memory (PagefileUsage).
SIZE_T CommittedBytes();
// The windows of this thread: its top-level windows and all their descendants.
std::set<HWND> ThreadWindowSet();

// The live record of a control number, or null.
ControlRecord *ControlOf(ObjectNumber number);
// True when a message or a queued event waits for WaitEvent.
bool EventWaiting();

class EventPump;
// The tool still works: through the real event path, Start writes a whole block of the count and
// Copy puts it on the clipboard; every event left the string buffer's cursor where it was.
void ExpectStartAndCopyWork(EventPump *pump, int count);

// Runs the main window's events the way the program's loop does (WaitEvent, then DispatchEvent)
// and counts the events after which the string buffer's cursor was not back where it started.
class EventPump {
  public:
    EventPump();
    // Posts the button's click message and runs events until the click's EVENT_CONTROL has been
    // dispatched. False when the events run out before the click arrives.
    bool Click(ObjectNumber button);
    // Runs events until nothing waits.
    void Drain();
    // Events dispatched so far, and how many of them left the cursor elsewhere.
    int events = 0;
    int cursorFaults = 0;

  private:
    // Waits for one event (something is known to wait), checks the cursor, dispatches it and checks
    // the cursor again; returns the event code, and the event's source and detail as WaitEvent
    // left them.
    int RunOne(ObjectNumber *source, int *detail);
    int startCursor;
};
