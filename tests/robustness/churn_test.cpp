// Churn: windows opened and closed by the thousand, controls of every kind created, replaced and
// destroyed by the ten thousand. Nothing may stay behind: no window, class, property, brush,
// accelerator table, record or heap block.
#include <stdio.h>
#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "controls/brush_cache.h"
#include "controls/button.h"
#include "controls/spin_box.h"
#include "controls/text_area.h"
#include "robustness_support.h"
#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "windows/events.h"
#include "windows/window_objects.h"

#include <commctrl.h>

namespace {

// True when every static slot of the table is zero bytes and no dynamic object is left.
bool TableIsEmpty(const ObjectTable *table) {
    for (int i = 0; i < table->capacity * table->elementSize; i++) {
        if (table->slots[i]) {
            return false;
        }
    }
    return table->dynamicList == nullptr;
}

bool ClassIsRegistered(ObjectNumber number) {
    char name[32];
    sprintf(name, "WindowClass_%ld", (long)number);
    WNDCLASSA info;
    return GetClassInfoA(moduleHandle, name, &info) != 0;
}

// Counts the runtime's own properties, whose names all start with "QV_". The platform keeps
// properties of its own on a window as it pleases: Wine's display driver adds one to the hidden
// parent below once controls of version 6 of the common controls have been in it.
static BOOL CALLBACK CountProperty(HWND, LPSTR name, HANDLE, ULONG_PTR count) {
    *(int *)count += !IS_INTRESOURCE(name) && strncmp(name, "QV_", 3) == 0;
    return TRUE;
}

int PropertyCount(HWND window) {
    int count = 0;
    EnumPropsExA(window, CountProperty, (LPARAM)&count);
    return count;
}

// Hands out the events that opening and closing queued, without acting on them.
void DropEvents() {
    while (EventWaiting()) {
        WaitEvent(0);
    }
}

// What the runtime and the thread hold when nothing is open.
struct Holdings {
    int processBlocks;
    int objectBlocks;
    std::set<HWND> windows;
};

Holdings TakeHoldings() {
    DropEvents();
    return {CountBusyBlocks(processHeap), CountBusyBlocks(objectHeap), ThreadWindowSet()};
}

void ExpectHoldingsAsBefore(const Holdings &before) {
    Holdings now = TakeHoldings();
    printf("after: busy blocks processHeap %d, objectHeap %d, windows %d\n", now.processBlocks,
           now.objectBlocks, (int)now.windows.size());
    EXPECT_EQ(before.processBlocks, now.processBlocks);
    EXPECT_EQ(before.objectBlocks, now.objectBlocks);
    EXPECT_TRUE(before.windows == now.windows)
        << before.windows.size() << " windows before, " << now.windows.size() << " now";
}

const int WINDOW_ROUNDS = 1000;

TEST(Churn, AThousandWindowsOpenAndCloseWithoutATrace) {
    Holdings before = TakeHoldings();
    printf("before: busy blocks processHeap %d, objectHeap %d, windows %d\n", before.processBlocks,
           before.objectBlocks, (int)before.windows.size());
    int leftovers = 0;
    for (int i = 0; i < WINDOW_ROUNDS; i++) {
        // Static numbers 0 to 39 come back again and again (and grow the table past its first
        // step); every fourth window is numbered by its record; every tenth is shown.
        ObjectNumber number = i % 4 == 3 ? OBJECT_ANY : i % 40;
        int flags = WINDOW_DEFAULT_FLAGS | (i % 10 == 0 ? 0 : WINDOW_HIDDEN);
        INT_PTR opened = OpenWindowObject(number, 10, 10, 200, 100, "churn", flags);
        ASSERT_TRUE(opened) << i;
        if (number == OBJECT_ANY) {
            number = opened;
        }
        WindowRecord record = *(WindowRecord *)ObjectTableFind(windowTable, number);
        // Every fifth static window is opened a second time over the first, which closes it.
        if (number != opened && i % 5 == 0) {
            ASSERT_TRUE(OpenWindowObject(number, 10, 10, 200, 100, "again", flags));
            leftovers += IsWindow(record.handle) ||
                         CopyAcceleratorTableA(record.acceleratorTable, nullptr, 0) != 0;
            record = *(WindowRecord *)ObjectTableFind(windowTable, number);
        }
        CloseWindowObject(number);
        leftovers += IsWindow(record.handle) || WindowHandleOf(number) != 0 ||
                     ClassIsRegistered(number) ||
                     CopyAcceleratorTableA(record.acceleratorTable, nullptr, 0) != 0;
    }
    EXPECT_EQ(0, leftovers);
    EXPECT_TRUE(TableIsEmpty(windowTable));
    ExpectHoldingsAsBefore(before);
}

// The colours of the spin boxes: a few shared ones, whose brushes several spin boxes hold at
// once, and one of each round's own.
const COLORREF SHARED_COLORS[] = {RGB(255, 0, 0), RGB(0, 128, 0), RGB(0, 0, 255)};

const int CONTROL_ROUNDS = 20;
const int CONTROLS_PER_ROUND = 500;
const int STATIC_NUMBERS = 60; // past the table's first step of 50

TEST(Churn, TenThousandControlsOfEveryKindLeaveNoRecordBrushOrWindow) {
    Holdings before = TakeHoldings();
    printf("before: busy blocks processHeap %d, objectHeap %d, windows %d\n", before.processBlocks,
           before.objectBlocks, (int)before.windows.size());
    int created = 0, leftovers = 0, wrongBrushes = 0;
    for (int round = 0; round < CONTROL_ROUNDS; round++) {
        ObjectNumber parentNumber = OpenWindowObject(OBJECT_ANY, 0, 0, 400, 300, "parent",
                                                     WINDOW_DEFAULT_FLAGS | WINDOW_HIDDEN);
        ASSERT_TRUE(parentNumber);
        HWND parent = WindowHandleOf(parentNumber);
        int parentProperties = PropertyCount(parent);
        UseControlParent(parent);
        std::set<HBRUSH> brushes;
        for (int k = 0; k < CONTROLS_PER_ROUND; k++, created++) {
            int kind = k % 3;
            bool dynamic = (k / 3) % 2 == 1;
            ObjectNumber number = dynamic ? OBJECT_ANY : (k * 7) % STATIC_NUMBERS;
            // The control that the creation replaces, and its up-down part.
            ControlRecord *previous = dynamic ? nullptr : ControlOf(number);
            HWND previousWindow = previous ? previous->handle : 0;
            HWND previousUpDown = previous && previous->ops->kind == KIND_SPIN_BOX
                                      ? previous->spinBox.upDownHandle
                                      : 0;
            INT_PTR result = 0;
            switch (kind) {
            case 0: result = CreateSpinBox(number, 5, 5, 80, 25, 1, 99, k & SPIN_NUMERIC); break;
            case 1: result = CreateButton(number, 5, 40, 80, 25, k % 2 ? "Start" : nullptr); break;
            case 2: result = CreateTextArea(number, 5, 70, 200, 100); break;
            }
            ASSERT_TRUE(result) << "control " << created;
            if (dynamic) {
                number = result;
            }
            leftovers += (previousWindow && IsWindow(previousWindow)) ||
                         (previousUpDown && IsWindow(previousUpDown));
            ControlRecord *record = ControlOf(number);
            ASSERT_TRUE(record);
            if (kind == 0) {
                // Background colours through the kind's slot: shared, own, set twice, taken back.
                COLORREF color = k % 4 == 3 ? RGB(round, k % 256, 77) : SHARED_COLORS[k % 3];
                record->ops->setColor(record, BACKGROUND_COLOR, color);
                if (k % 5 == 0) {
                    record->ops->setColor(record, BACKGROUND_COLOR, color);
                }
                HBRUSH brush = record->spinBox.backgroundBrush;
                wrongBrushes += GetObjectType(brush) != OBJ_BRUSH;
                brushes.insert(brush);
                if (k % 7 == 0) {
                    record->ops->setColor(record, BACKGROUND_COLOR, NO_OWN_COLOR);
                }
            }
            // Half of the dynamic controls go at once; the others go with their parent.
            if (dynamic && k % 2 == 0) {
                HWND window = record->handle;
                HWND upDown = kind == 0 ? record->spinBox.upDownHandle : 0;
                DestroyWindow(window);
                leftovers += ControlOf(number) != nullptr || (upDown && IsWindow(upDown));
            }
        }
        leftovers += PropertyCount(parent) != parentProperties;
        CloseWindowObject(parentNumber);
        leftovers += ClassIsRegistered(parentNumber);
        EXPECT_TRUE(TableIsEmpty(controlTable)) << "round " << round;
        EXPECT_EQ(nullptr, brushList) << "round " << round;
        for (HBRUSH brush : brushes) {
            wrongBrushes += GetObjectType(brush) != 0;
        }
    }
    UseControlParent(0);
    printf("%d controls created\n", created);
    EXPECT_EQ(CONTROL_ROUNDS * CONTROLS_PER_ROUND, created);
    EXPECT_EQ(0, leftovers);
    EXPECT_EQ(0, wrongBrushes);
    ExpectHoldingsAsBefore(before);
}

} // namespace
