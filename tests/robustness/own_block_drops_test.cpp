// Drop messages that carry the addresses of the runtime's own memory: every live block of its
// three heaps, addresses inside them, and blocks freed since. None is a drop record that the event
// layer issued, so none may be taken over: no event, nothing read through it, nothing freed, and
// every table and state block as it was.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "controls/brush_cache.h"
#include "harness.h"
#include "robustness_support.h"
#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "windows/events.h"
#include "windows/sizing.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

namespace {

EventState *Events() {
    return (EventState *)StateBlockGet(eventState);
}

void Append(std::string *bytes, const void *from, size_t size) {
    bytes->append((const char *)from, size);
}

// The bytes of the tables and state blocks that nothing but the runtime's own operations may
// change: the window and control tables with their slots, the sizing and control library states,
// the event state's queue and hook, and the brush cache.
std::string TablesAndStates() {
    std::string bytes;
    for (ObjectTable *table : {windowTable, controlTable}) {
        Append(&bytes, table, sizeof *table);
        Append(&bytes, table->slots, (size_t)table->capacity * table->elementSize);
    }
    Append(&bytes, StateBlockGet(sizeMoveState), sizeof(SizeMoveState));
    Append(&bytes, StateBlockGet(controlLibraryState), sizeof(ControlLibraryState));
    Append(&bytes, &Events()->queueHead, 3 * sizeof(void *));
    UINT_PTR brushes = (UINT_PTR)brushList;
    Append(&bytes, &brushes, sizeof brushes);
    return bytes;
}

TEST(OwnBlockDrops, TheRuntimesOwnBlocksAreNeverTakenForDropRecords) {
    quitFlag = 0;
    OpenMainWindow();
    HWND main = WindowHandleOf(WINDOW_MAIN);
    ASSERT_TRUE(main);
    EventPump pump;
    ASSERT_TRUE(pump.Click(CONTROL_START));
    pump.Drain();

    // Every live block, the inside of each, and blocks freed since.
    const HANDLE heaps[] = {processHeap, objectHeap, StringHeap};
    std::vector<LPARAM> addresses;
    for (HANDLE heap : heaps) {
        for (const auto &block : BusyBlocks(heap)) {
            for (SIZE_T offset : {(SIZE_T)0, (SIZE_T)4, (SIZE_T)8, block.size / 2 & ~(SIZE_T)3}) {
                if (offset < block.size) {
                    addresses.push_back((LPARAM)(block.address + offset));
                }
            }
        }
        for (SIZE_T size : {24, 40, 96}) {
            void *freed = HeapAlloc(heap, 0, size);
            HeapFree(heap, 0, freed);
            addresses.push_back((LPARAM)freed);
        }
    }
    ASSERT_GT(addresses.size(), 40u);
    const std::string tablesBefore = TablesAndStates();
    int blocksBefore[3];
    for (int i = 0; i < 3; i++) {
        blocksBefore[i] = (int)BusyBlocks(heaps[i]).size();
    }

    // Sent and posted, to the main window and to a control of each kind.
    const HWND targets[] = {main, ControlOf(CONTROL_TEXT)->handle, ControlOf(CONTROL_COUNT)->handle,
                            ControlOf(CONTROL_START)->handle};
    int raised = 0;
    for (LPARAM address : addresses) {
        for (HWND target : targets) {
            for (UINT message : {(UINT)MSG_WINDOW_DROP, (UINT)MSG_CONTROL_DROP}) {
                Events()->pendingCode = 0;
                EXPECT_EQ(0, SendMessageA(target, message, CONTROL_TEXT, address));
                raised += Events()->pendingCode != 0;
                ASSERT_TRUE(PostMessageA(target, message, CONTROL_TEXT, address));
                int code = WaitEvent(-1);
                raised += code == EVENT_WINDOW_DROP || code == EVENT_CONTROL_DROP;
                raised += Events()->dropData != nullptr;
            }
        }
    }
    EXPECT_EQ(0, raised) << "of " << addresses.size() << " addresses";
    EXPECT_TRUE(RuntimeHeapsValid());
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(blocksBefore[i], (int)BusyBlocks(heaps[i]).size()) << i;
    }
    EXPECT_TRUE(tablesBefore == TablesAndStates());

    // A genuine record is taken by the first message that carries it, and by no other.
    DropRecord *issued = IssueDropRecord(32);
    ASSERT_TRUE(issued);
    ASSERT_TRUE(PostMessageA(main, MSG_WINDOW_DROP, 0, (LPARAM)issued));
    EXPECT_EQ(EVENT_WINDOW_DROP, WaitEvent(-1));
    EXPECT_EQ(issued, Events()->dropData);
    ASSERT_TRUE(PostMessageA(main, MSG_WINDOW_DROP, 0, (LPARAM)issued));
    EXPECT_EQ(WM_NULL, WaitEvent(-1));
    EXPECT_EQ(nullptr, Events()->dropData);
    EXPECT_TRUE(RuntimeHeapsValid());

    ExpectStartAndCopyWork(&pump, 4);
    ShutdownLibraries();
}

} // namespace
