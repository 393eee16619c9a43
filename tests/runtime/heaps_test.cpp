// The runtime's private heaps and the state blocks on processHeap.
#include <gtest/gtest.h>

#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "private_heap.h"

namespace {

TEST(Heaps, AreDistinctPrivateHeaps) {
    const HANDLE heaps[] = {processHeap, objectHeap, StringHeap};
    for (int i = 0; i < 3; i++) {
        ASSERT_NE(heaps[i], nullptr) << i;
        EXPECT_NE(heaps[i], GetProcessHeap()) << i;
        EXPECT_TRUE(HeapValidate(heaps[i], 0, 0)) << i;
        for (int j = 0; j < i; j++) {
            EXPECT_NE(heaps[i], heaps[j]) << i << " and " << j;
        }
    }
}

void *initialisedBlock;
int initialisedNonZero;
void RecordInit(void *block) {
    initialisedBlock = block;
    initialisedNonZero = 0;
    for (int i = 0; i < 40; i++) {
        initialisedNonZero += ((char *)block)[i] != 0;
    }
    ((char *)block)[0] = 7;
}
int released;
void RecordRelease(void *) {
    released++;
}

TEST(StateBlock, IsZeroedRunsItsInitAndIsReachedThroughItsHandle) {
    ScopedHeap heap(&processHeap);
    void *plain = StateBlockCreate(64, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(HeapSize(processHeap, 0, plain), 64u);
    int nonZero = 0;
    for (int i = 0; i < 64; i++) {
        nonZero += ((char *)StateBlockGet(plain))[i] != 0;
    }
    EXPECT_EQ(nonZero, 0);
    EXPECT_EQ(StateBlockGet(plain), plain);
    EXPECT_EQ(StateBlockGet(plain), StateBlockGet(plain));

    initialisedBlock = 0;
    initialisedNonZero = -1;
    released = 0;
    void *initialised = StateBlockCreate(40, RecordInit, RecordRelease);
    ASSERT_NE(initialised, nullptr);
    EXPECT_EQ(initialisedBlock, initialised);
    EXPECT_EQ(initialisedNonZero, 0) << "init sees a zeroed block";
    EXPECT_EQ(((char *)StateBlockGet(initialised))[0], 7);
    EXPECT_EQ(released, 0);
    EXPECT_EQ(CountBusyBlocks(processHeap), 2);
}

} // namespace
