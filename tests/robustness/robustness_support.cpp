// Measurements and the event pump of the robustness tests.
#include "robustness_support.h"

#include <psapi.h>

#include <gtest/gtest.h>

#include "harness.h"

#include "app/main_window.h"
#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "windows/events.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

bool RuntimeHeapsValid() {
    return HeapValidate(processHeap, 0, 0) && HeapValidate(objectHeap, 0, 0) &&
           HeapValidate(StringHeap, 0, 0);
}

std::vector<HeapBlock> BusyBlocks(HANDLE heap) {
    std::vector<HeapBlock> blocks;
    ForEachBusyBlock(heap, [&blocks](const PROCESS_HEAP_ENTRY &entry) {
        blocks.push_back({(char *)entry.lpData, entry.cbData});
    });
    return blocks;
}

SIZE_T CommittedBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

static BOOL CALLBACK CollectWindow(HWND window, LPARAM set) {
    ((std::set<HWND> *)set)->insert(window);
    return TRUE;
}

static BOOL CALLBACK CollectTopLevelWindow(HWND window, LPARAM set) {
    CollectWindow(window, set);
    EnumChildWindows(window, CollectWindow, set); // every descendant, not only the children
    return TRUE;
}

std::set<HWND> ThreadWindowSet() {
    std::set<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectTopLevelWindow, (LPARAM)&windows);
    return windows;
}

ControlRecord *ControlOf(ObjectNumber number) {
    return (ControlRecord *)ObjectTableFind(controlTable, number);
}

bool EventWaiting() {
    MSG message;
    return ((EventState *)StateBlockGet(eventState))->queueHead ||
           PeekMessageA(&message, 0, 0, 0, PM_NOREMOVE);
}

void ExpectStartAndCopyWork(EventPump *pump, int count) {
    SetControlState(CONTROL_COUNT, count);
    ASSERT_TRUE(pump->Click(CONTROL_START));
    std::string block = ControlText(CONTROL_TEXT);
    BlockShape shape = ReadBlock(block);
    EXPECT_TRUE(shape.valid) << shape.fault;
    EXPECT_EQ(count, shape.count);
    ASSERT_TRUE(pump->Click(CONTROL_COPY));
    std::string copied;
    EXPECT_TRUE(ReadClipboardText(&copied));
    EXPECT_EQ(block, copied);
    EXPECT_EQ(0, pump->cursorFaults);
}

EventPump::EventPump() : startCursor(stringBuffer.cursor) {}

int EventPump::RunOne(ObjectNumber *source, int *detail) {
    int code = WaitEvent(-1);
    cursorFaults += stringBuffer.cursor != startCursor;
    // Read before the handlers run: what they do may raise events of its own.
    *source = EventSource();
    *detail = EventDetail();
    DispatchEvent(code);
    cursorFaults += stringBuffer.cursor != startCursor;
    events++;
    return code;
}

bool EventPump::Click(ObjectNumber button) {
    ControlRecord *record = ControlOf(button);
    if (!record || !PostMessageA(record->handle, BM_CLICK, 0, 0)) {
        return false;
    }
    // WaitEvent without a timeout, as the program's loop calls it; it is called only while
    // something waits, so that a click that raises no event fails instead of blocking.
    while (EventWaiting()) {
        ObjectNumber source;
        int detail;
        if (RunOne(&source, &detail) == EVENT_CONTROL && source == button && detail == BN_CLICKED) {
            return true;
        }
    }
    return false;
}

void EventPump::Drain() {
    while (EventWaiting()) {
        ObjectNumber source;
        int detail;
        RunOne(&source, &detail);
    }
}
