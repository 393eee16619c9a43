// Object tables on private heaps of their own: static slots, dynamic objects and iteration.
#include <gtest/gtest.h>
#include <limits.h>
#include <string.h>

#include "runtime/heaps.h"
#include "runtime/object_table.h"
#include "private_heap.h"

namespace {

// An element as the runtime's records are laid out: the window handle first.
struct Element {
    void *handle;
    int value;
    int spare[2];
};

// The numbers onReuse was called with, in order; a live object there is closed, as
// CloseWindowObject does.
ObjectTable *reuseTable;
ObjectNumber reused[16];
int reuseCount;
int capacityAtReuse;
void CloseReused(ObjectNumber number) {
    if (reuseCount < 16) {
        reused[reuseCount] = number;
    }
    reuseCount++;
    capacityAtReuse = reuseTable->capacity;
    if (ObjectTableFind(reuseTable, number)) {
        ObjectTableRelease(reuseTable, number);
    }
}

class ObjectTableTest : public testing::Test {
  protected:
    ObjectTableTest() : process(&processHeap), objects(&objectHeap) {
        reuseCount = 0;
        table = ObjectTableCreate(sizeof(Element), 16, CloseReused);
        reuseTable = table;
    }

    // Allocates a number and makes the object live.
    Element *Open(ObjectNumber number, int value) {
        Element *element = (Element *)ObjectTableAllocate(table, number);
        if (element) {
            element->handle = (void *)(INT_PTR)(value + 1);
            element->value = value;
        }
        return element;
    }
    int NonZeroSlotBytes(int from, int to) {
        int count = 0;
        for (int i = from * (int)sizeof(Element); i < to * (int)sizeof(Element); i++) {
            count += table->slots[i] != 0;
        }
        return count;
    }
    // Runs an iteration to its end (and one call beyond) and writes the numbers it reports.
    int Iterate(ObjectNumber *numbers, int count) {
        ObjectNumber number;
        int found = 0;
        ObjectTableFirst(table);
        while (void *element = ObjectTableNext(table, &number)) {
            if (found < count) {
                numbers[found] = number;
            }
            if (*(void **)element) {
                EXPECT_EQ(ObjectTableFind(table, number), element) << number;
            }
            found++;
        }
        EXPECT_EQ(ObjectTableNext(table, &number), nullptr) << "the end stays the end";
        return found;
    }

    ScopedHeap process;
    ScopedHeap objects;
    ObjectTable *table;
};

TEST_F(ObjectTableTest, StartsWithOneStepOfZeroSlots) {
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->elementSize, (int)sizeof(Element));
    EXPECT_EQ(table->growStep, 16);
    EXPECT_EQ(table->capacity, 16);
    EXPECT_EQ(table->dynamicList, nullptr);
    EXPECT_EQ(HeapSize(processHeap, 0, table), sizeof(ObjectTable));
    EXPECT_EQ(HeapSize(processHeap, 0, table->slots), 16 * sizeof(Element));
    EXPECT_EQ(NonZeroSlotBytes(0, 16), 0);
    for (int number = 0; number < 16; number++) {
        EXPECT_EQ(ObjectTableFind(table, number), nullptr) << number;
    }
}

TEST_F(ObjectTableTest, GrowsByTheStepBeyondTheNumber) {
    for (int number = 0; number < 16; number++) {
        Open(number, number);
    }
    Element *element = (Element *)ObjectTableAllocate(table, 100);
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(table->capacity, 116);
    EXPECT_EQ(HeapSize(processHeap, 0, table->slots), 116 * sizeof(Element));
    EXPECT_EQ((char *)element, table->slots + 100 * sizeof(Element));
    EXPECT_EQ(NonZeroSlotBytes(16, 116), 0);
    for (int number = 0; number < 16; number++) {
        Element *kept = (Element *)ObjectTableFind(table, number);
        ASSERT_NE(kept, nullptr) << number;
        EXPECT_EQ(kept->value, number);
    }
    ObjectTableAllocate(table, 50); // inside: no growth
    EXPECT_EQ(table->capacity, 116);
    ObjectTableAllocate(table, 116); // the first number beyond
    EXPECT_EQ(table->capacity, 132);
}

TEST_F(ObjectTableTest, CallsOnReuseForEveryStaticNumberAndNeverForDynamicOnes) {
    Element *first = Open(3, 30);
    Element *second = (Element *)ObjectTableAllocate(table, 3); // closes the live object
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->handle, nullptr);
    EXPECT_EQ(second->value, 0);
    ObjectTableAllocate(table, OBJECT_ANY);
    ObjectTableAllocate(table, 40);
    EXPECT_EQ(capacityAtReuse, 56) << "the slot exists when onReuse looks for it";
    ObjectTableAllocate(table, 0);
    ASSERT_EQ(reuseCount, 4);
    const ObjectNumber expected[] = {3, 3, 40, 0};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(reused[i], expected[i]) << i;
    }
}

TEST_F(ObjectTableTest, ReleaseZeroesTheWholeElement) {
    Element *element = Open(5, 55);
    element->spare[1] = 9;
    EXPECT_EQ(ObjectTableFind(table, 5), element);
    ObjectTableRelease(table, 5);
    EXPECT_EQ(ObjectTableFind(table, 5), nullptr);
    EXPECT_EQ(NonZeroSlotBytes(0, 16), 0);
    ObjectTableRelease(table, 5);
    EXPECT_EQ(NonZeroSlotBytes(0, 16), 0);

    // A dynamic object lives in a node of its own until it is released.
    Element *dynamic = Open(OBJECT_ANY, 1);
    ObjectNumber number = (ObjectNumber)dynamic;
    EXPECT_EQ(ObjectTableFind(table, number), dynamic);
    EXPECT_EQ(CountBusyBlocks(objectHeap), 1);
    ObjectTableRelease(table, number);
    EXPECT_EQ(table->dynamicList, nullptr);
    EXPECT_EQ(CountBusyBlocks(objectHeap), 0);
}

TEST_F(ObjectTableTest, IteratesStaticNumbersUpThenDynamicObjectsOldestFirst) {
    ObjectNumber numbers[8];
    EXPECT_EQ(Iterate(numbers, 8), 0) << "an empty table ends at once";

    Element *a = Open(OBJECT_ANY, 1);
    Open(3, 3);
    ObjectTableAllocate(table, 1); // allocated but not live: skipped
    Element *b = (Element *)ObjectTableAllocate(table, OBJECT_ANY); // reported though not filled
    Open(0, 0);
    ASSERT_EQ(Iterate(numbers, 8), 4);
    EXPECT_EQ(numbers[0], 0);
    EXPECT_EQ(numbers[1], 3);
    EXPECT_EQ(numbers[2], (ObjectNumber)a);
    EXPECT_EQ(numbers[3], (ObjectNumber)b);
    EXPECT_EQ(Iterate(numbers, 8), 4) << "ObjectTableFirst starts again";
}

TEST_F(ObjectTableTest, ReleasingEachObjectAsItIsReportedEmptiesTheTable) {
    Open(OBJECT_ANY, 1);
    Open(0, 0);
    Open(OBJECT_ANY, 2);
    Open(7, 7);
    Open(15, 15);
    Open(OBJECT_ANY, 3);
    ObjectNumber number;
    int count = 0;
    ObjectTableFirst(table);
    while (ObjectTableNext(table, &number)) {
        ObjectTableRelease(table, number);
        count++;
    }
    EXPECT_EQ(count, 6);
    EXPECT_EQ(NonZeroSlotBytes(0, table->capacity), 0);
    EXPECT_EQ(table->dynamicList, nullptr);
    EXPECT_EQ(CountBusyBlocks(objectHeap), 0);
    EXPECT_TRUE(HeapValidate(objectHeap, 0, 0));
}

TEST_F(ObjectTableTest, IterationSkipsAReleasedNextObjectAndReachesANewOne) {
    Element *a = Open(OBJECT_ANY, 1);
    Element *b = Open(OBJECT_ANY, 2);
    Element *c = Open(OBJECT_ANY, 3);
    ObjectNumber number;
    ObjectTableFirst(table);
    EXPECT_EQ(ObjectTableNext(table, &number), a);
    ObjectTableRelease(table, (ObjectNumber)b); // the object the iteration would report next
    Element *d = Open(OBJECT_ANY, 4);
    EXPECT_EQ(ObjectTableNext(table, &number), c);
    EXPECT_EQ(ObjectTableNext(table, &number), d);
    EXPECT_EQ(number, (ObjectNumber)d);
    EXPECT_EQ(ObjectTableNext(table, &number), nullptr);
}

// A dynamic object opened while an iteration runs is still reached: when the dynamic list was
// empty as the iteration began, after the newest object has been reported, after the iteration
// came to its end, and after the object reported last was released.
TEST_F(ObjectTableTest, IterationReachesDynamicObjectsOpenedDuringIt) {
    ObjectNumber number;
    Open(0, 0);
    ObjectTableFirst(table);
    ASSERT_NE(ObjectTableNext(table, &number), nullptr);
    Element *a = Open(OBJECT_ANY, 1); // the dynamic list was empty at ObjectTableFirst
    EXPECT_EQ(ObjectTableNext(table, &number), a);
    Element *b = Open(OBJECT_ANY, 2); // the newest object has been reported
    EXPECT_EQ(ObjectTableNext(table, &number), b);
    EXPECT_EQ(number, (ObjectNumber)b);
    EXPECT_EQ(ObjectTableNext(table, &number), nullptr);
    Element *c = Open(OBJECT_ANY, 3); // after the end
    EXPECT_EQ(ObjectTableNext(table, &number), c);
    ObjectTableRelease(table, (ObjectNumber)c); // the object reported last goes
    Element *d = Open(OBJECT_ANY, 4);
    EXPECT_EQ(ObjectTableNext(table, &number), d);
    ObjectTableRelease(table, (ObjectNumber)a); // an older one goes: nothing is reported twice
    EXPECT_EQ(ObjectTableNext(table, &number), nullptr);

    // The oldest object, reported and released while it is the only one, then a new one.
    ObjectTableRelease(table, (ObjectNumber)b);
    ObjectTableRelease(table, (ObjectNumber)d);
    Element *e = Open(OBJECT_ANY, 5);
    ObjectTableFirst(table);
    ASSERT_NE(ObjectTableNext(table, &number), nullptr); // number 0
    EXPECT_EQ(ObjectTableNext(table, &number), e);
    ObjectTableRelease(table, (ObjectNumber)e);
    Element *f = Open(OBJECT_ANY, 6);
    EXPECT_EQ(ObjectTableNext(table, &number), f);
    EXPECT_EQ(ObjectTableNext(table, &number), nullptr);
}

TEST_F(ObjectTableTest, NumbersThatNameNoLiveObjectFindNothingAndReleaseNothing) {
    Element *live = Open(OBJECT_ANY, 1);
    Element *gone = Open(OBJECT_ANY, 2);
    ObjectNumber goneNumber = (ObjectNumber)gone;
    ObjectTableRelease(table, goneNumber);
    Open(2, 2);
    Element onStack = {(void *)1, 1, {1, 1}};
    void *foreign = HeapAlloc(GetProcessHeap(), 0, sizeof(Element));
    *(void **)foreign = (void *)1;
    static Element staticElement = {(void *)1, 1, {1, 1}};

    const struct {
        const char *name;
        ObjectNumber number;
    } cases[] = {
        {"released dynamic", goneNumber},
        {"stack address", (ObjectNumber)&onStack},
        {"foreign heap block", (ObjectNumber)foreign},
        {"static data", (ObjectNumber)&staticElement},
        {"first number beyond the slots", 16},
        {"free static slot", 4},
        {"OBJECT_ANY", OBJECT_ANY},
        {"-2", -2},
        {"INT_MIN", INT_MIN},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ObjectTableFind(table, c.number), nullptr) << c.name;
        ObjectTableRelease(table, c.number);
        EXPECT_EQ(ObjectTableFind(table, (ObjectNumber)live), live) << c.name;
        EXPECT_EQ(ObjectTableFind(table, 2), (void *)(table->slots + 2 * sizeof(Element)))
            << c.name;
        EXPECT_EQ(onStack.handle, (void *)1) << c.name;
        EXPECT_EQ(CountBusyBlocks(objectHeap), 1) << c.name;
    }
    EXPECT_EQ(table->dynamicList, ObjectListNodeOf(live));
    EXPECT_EQ(table->dynamicList->older, nullptr);
    HeapFree(GetProcessHeap(), 0, foreign);
}

TEST_F(ObjectTableTest, AllocateRefusesNumbersBelowMinusOneAndNumbersNoArrayCanHold) {
    Open(1, 1);
    const ObjectNumber refused[] = {-2, -100, INT_MIN, INT_MAX, 0x7FFFFFF0 / 16};
    for (ObjectNumber number : refused) {
        EXPECT_EQ(ObjectTableAllocate(table, number), nullptr) << number;
    }
    EXPECT_EQ(reuseCount, 1) << "onReuse is not called for a refused number";
    EXPECT_EQ(table->capacity, 16);
    Element *kept = (Element *)ObjectTableFind(table, 1);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->value, 1);
}

TEST(ObjectTableHeap, AFullProcessHeapGivesNullAndKeepsWhatIsThere) {
    ScopedHeap process(&processHeap, 64 * 1024);
    ScopedHeap objects(&objectHeap, 64 * 1024);
    EXPECT_EQ(ObjectTableCreate(1024, 1024, nullptr), nullptr);
    EXPECT_EQ(CountBusyBlocks(processHeap), 0) << "no header is left behind";

    ObjectTable *table = ObjectTableCreate(sizeof(Element), 16, nullptr);
    ASSERT_NE(table, nullptr);
    Element *element = (Element *)ObjectTableAllocate(table, 3);
    element->handle = (void *)1;
    char *slots = table->slots;
    EXPECT_EQ(ObjectTableAllocate(table, 100000), nullptr);
    EXPECT_EQ(table->capacity, 16);
    EXPECT_EQ(table->slots, slots);
    EXPECT_EQ(ObjectTableFind(table, 3), element);

    ObjectTable *large = ObjectTableCreate(32 * 1024, 1, nullptr);
    ASSERT_NE(large, nullptr);
    void *first = ObjectTableAllocate(large, OBJECT_ANY);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ObjectTableAllocate(large, OBJECT_ANY), nullptr) << "objectHeap is full";
    EXPECT_EQ(large->dynamicList, ObjectListNodeOf(first));
    EXPECT_EQ(large->dynamicList->newer, nullptr);
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
}

} // namespace
