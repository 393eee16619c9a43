// The brush cache: one counted brush per colour, deleted with its last holder.
#include <windows.h>

#include <vector>

#include <gtest/gtest.h>

#include "controls/brush_cache.h"
#include "full_object_heap.h"
#include "runtime/heaps.h"
#include "test_support.h"

namespace {

// A walk of the list gives up after this many nodes: a list broken into a ring fails the test
// instead of holding it forever.
constexpr int LONGEST_WALK = 100000;

// The entry that a walk from the head meets first for a colour, or null.
BrushEntry *EntryOf(COLORREF color) {
    int walked = 0;
    for (ObjectListNode *node = brushList; node && walked < LONGEST_WALK;
         node = node->older, walked++) {
        BrushEntry *entry = (BrushEntry *)ObjectListObjectOf(node);
        if (entry->color == color) {
            return entry;
        }
    }
    EXPECT_LT(walked, LONGEST_WALK) << "the list has no end";
    return nullptr;
}

int EntryCount() {
    int count = 0;
    for (ObjectListNode *node = brushList; node && count < LONGEST_WALK; node = node->older) {
        count++;
    }
    EXPECT_LT(count, LONGEST_WALK) << "the list has no end";
    return count;
}

// True when this thread can take the cache's lock; run on another thread, it shows that no call
// left the lock held.
bool TakeTheBrushLock() {
    if (!TryEnterCriticalSection(&brushLock)) {
        return false;
    }
    LeaveCriticalSection(&brushLock);
    return true;
}

COLORREF ColorOf(HBRUSH brush) {
    LOGBRUSH look = {};
    GetObjectA(brush, sizeof look, &look);
    return look.lbColor;
}

TEST(BrushCacheTest, OneCountedBrushPerColour) {
    const COLORREF color = RGB(10, 20, 30);
    int before = EntryCount();
    HBRUSH first = AcquireBrush(color);
    HBRUSH second = AcquireBrush(color);
    ASSERT_NE((HBRUSH)0, first);
    EXPECT_EQ(first, second);
    EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(first));
    EXPECT_EQ(color, ColorOf(first));
    EXPECT_EQ(before + 1, EntryCount());
    ASSERT_NE(nullptr, EntryOf(color));
    EXPECT_EQ(2, EntryOf(color)->references);

    ReleaseBrush(first);
    EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(first));
    EXPECT_EQ(1, EntryOf(color)->references);
    ReleaseBrush(second);
    EXPECT_EQ(0u, GetObjectType(first));
    EXPECT_EQ(nullptr, EntryOf(color));
    EXPECT_EQ(before, EntryCount());

    // The colour comes back as a new brush of its own.
    HBRUSH again = AcquireBrush(color);
    ASSERT_NE((HBRUSH)0, again);
    EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(again));
    EXPECT_EQ(color, ColorOf(again));
    EXPECT_EQ(1, EntryOf(color)->references);
    ReleaseBrush(again);
    EXPECT_EQ(0u, GetObjectType(again));
}

TEST(BrushCacheTest, NewestColourIsAtTheHead) {
    HBRUSH red = AcquireBrush(RGB(200, 0, 1));
    HBRUSH blue = AcquireBrush(RGB(0, 1, 200));
    EXPECT_NE(red, blue);
    BrushEntry *head = (BrushEntry *)ObjectListObjectOf(brushList);
    EXPECT_EQ(RGB(0, 1, 200), head->color);
    EXPECT_EQ(blue, head->brush);
    BrushEntry *next = (BrushEntry *)ObjectListObjectOf(brushList->older);
    EXPECT_EQ(RGB(200, 0, 1), next->color);
    ReleaseBrush(red);
    ReleaseBrush(blue);
    EXPECT_EQ(0u, GetObjectType(red));
    EXPECT_EQ(0u, GetObjectType(blue));
}

// All 32 bits are the key: a colour that differs only in the high byte is another entry.
TEST(BrushCacheTest, HighByteMakesADifferentKey) {
    const COLORREF plain = RGB(1, 2, 3);
    const COLORREF marked = plain | 0x02000000; // a palette-relative colour
    HBRUSH first = AcquireBrush(plain);
    HBRUSH second = AcquireBrush(marked);
    ASSERT_NE((HBRUSH)0, first);
    ASSERT_NE((HBRUSH)0, second);
    EXPECT_NE(first, second);
    ASSERT_NE(nullptr, EntryOf(marked));
    EXPECT_EQ(1, EntryOf(plain)->references);
    EXPECT_EQ(1, EntryOf(marked)->references);
    ReleaseBrush(second);
    EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(first));
    EXPECT_EQ(nullptr, EntryOf(marked));
    ReleaseBrush(first);
    EXPECT_EQ(nullptr, EntryOf(plain));
}

TEST(BrushCacheTest, ReleaseOfAForeignBrushChangesNothing) {
    HBRUSH held = AcquireBrush(RGB(7, 7, 7));
    int before = EntryCount();
    HBRUSH foreign = CreateSolidBrush(RGB(7, 7, 7));
    ReleaseBrush(foreign);
    EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(foreign));
    EXPECT_EQ((DWORD)OBJ_BRUSH, GetObjectType(held));
    EXPECT_EQ(before, EntryCount());
    EXPECT_EQ(1, EntryOf(RGB(7, 7, 7))->references);
    DeleteObject(foreign);
    ReleaseBrush(held);
    EXPECT_EQ(0u, GetObjectType(held));
}

// While no brush can be made, a request leaves no entry behind and counts nothing; once brushes
// can be made again, the same colour gets one.
TEST(BrushCacheTest, AColourWhoseBrushCannotBeMadeGetsNoEntry) {
    const COLORREF color = RGB(91, 92, 93);
    int entries = EntryCount();
    int nodes = CountBusyBlocks(objectHeap);
    // Every GDI handle the process may have, taken.
    std::vector<HBRUSH> hoard;
    for (int i = 0; i < 200000; i++) {
        HBRUSH brush = CreateSolidBrush(RGB(i & 0xFF, 1, 2));
        if (!brush) {
            break;
        }
        hoard.push_back(brush);
    }
    ASSERT_FALSE(CreateSolidBrush(color)) << hoard.size() << " brushes and no end";
    for (int attempt = 0; attempt < 2; attempt++) {
        EXPECT_EQ((HBRUSH)0, AcquireBrush(color));
        EXPECT_TRUE(TrueOnAnotherThread(TakeTheBrushLock));
        EXPECT_EQ(entries, EntryCount());
        EXPECT_EQ(nullptr, EntryOf(color));
        EXPECT_EQ(nodes, CountBusyBlocks(objectHeap));
    }
    DeleteObject(hoard.back());
    hoard.pop_back();
    HBRUSH made = AcquireBrush(color);
    for (HBRUSH brush : hoard) {
        DeleteObject(brush);
    }
    ASSERT_NE((HBRUSH)0, made);
    EXPECT_EQ(color, ColorOf(made));
    ASSERT_NE(nullptr, EntryOf(color));
    EXPECT_EQ(1, EntryOf(color)->references);
    ReleaseBrush(made);
    EXPECT_EQ(0u, GetObjectType(made));
    EXPECT_EQ(entries, EntryCount());
    EXPECT_EQ(nodes, CountBusyBlocks(objectHeap));
}

// Every call lets go of the lock before it returns, whichever way it went.
TEST(BrushCacheTest, NoCallLeavesTheLockHeld) {
    const COLORREF color = RGB(61, 62, 63);
    const struct {
        const char *name;
        void (*run)(HBRUSH *held);
    } calls[] = {
        {"a new colour", [](HBRUSH *held) { held[0] = AcquireBrush(RGB(61, 62, 63)); }},
        {"a colour held already", [](HBRUSH *held) { held[1] = AcquireBrush(RGB(61, 62, 63)); }},
        {"a release that keeps the brush", [](HBRUSH *held) { ReleaseBrush(held[0]); }},
        {"a release that deletes it", [](HBRUSH *held) { ReleaseBrush(held[1]); }},
        {"a release of a brush the cache does not hold",
         [](HBRUSH *held) { ReleaseBrush(held[1]); }},
        {"a request while the object heap is full",
         [](HBRUSH *held) {
             FullObjectHeap full;
             held[2] = AcquireBrush(RGB(61, 62, 63));
         }},
    };
    int entries = EntryCount();
    HBRUSH held[3] = {};
    for (const auto &call : calls) {
        SCOPED_TRACE(call.name);
        call.run(held);
        EXPECT_TRUE(TrueOnAnotherThread(TakeTheBrushLock));
    }
    EXPECT_NE((HBRUSH)0, held[0]);
    EXPECT_EQ(held[0], held[1]);
    EXPECT_EQ((HBRUSH)0, held[2]);
    EXPECT_EQ(nullptr, EntryOf(color));
    EXPECT_EQ(entries, EntryCount());
}

// While the object heap can give no node, a request gets no brush and leaves no entry; once it
// can, the same colour gets one.
TEST(BrushCacheTest, AFullObjectHeapGivesNoBrush) {
    const COLORREF color = RGB(71, 72, 73);
    ASSERT_EQ(0, EntryCount()) << "the test needs no node of the real heap to be held";
    {
        FullObjectHeap full;
        ASSERT_FALSE(HeapAlloc(objectHeap, 0, sizeof(ObjectListNode) + sizeof(BrushEntry)));
        for (int attempt = 0; attempt < 2; attempt++) {
            EXPECT_EQ((HBRUSH)0, AcquireBrush(color));
            EXPECT_EQ(0, EntryCount());
        }
    }
    HBRUSH made = AcquireBrush(color);
    ASSERT_NE((HBRUSH)0, made);
    EXPECT_EQ(color, ColorOf(made));
    ASSERT_NE(nullptr, EntryOf(color));
    EXPECT_EQ(1, EntryOf(color)->references);
    ReleaseBrush(made);
    EXPECT_EQ(0, EntryCount());
}

struct SharedColour {
    COLORREF color;
    int rounds;
    int failures; // requests that gave no brush, or a brush of another colour
};

DWORD WINAPI AcquireAndRelease(void *context) {
    SharedColour *shared = (SharedColour *)context;
    for (int round = 0; round < shared->rounds; round++) {
        HBRUSH brush = AcquireBrush(shared->color);
        LOGBRUSH look = {};
        if (!brush || GetObjectA(brush, sizeof look, &look) != sizeof look ||
            look.lbColor != shared->color) {
            InterlockedIncrement((LONG *)&shared->failures);
        }
        if (brush) {
            ReleaseBrush(brush);
        }
    }
    return 0;
}

// Two threads that acquire and release one colour side by side each get its brush every time,
// and leave the cache as they found it. The test lanes keep a program on one CPU, where two
// threads seldom meet inside a call: for this test the program may use every CPU, and each thread
// runs on a CPU of its own where there are two.
TEST(BrushCacheTest, TwoThreadsSharingAColourLeaveAnEmptyList) {
    int entries = EntryCount();
    SharedColour shared = {RGB(81, 82, 83), 50000, 0};
    DWORD_PTR processMask = 0, systemMask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
    SetProcessAffinityMask(GetCurrentProcess(), systemMask);
    HANDLE threads[2];
    DWORD_PTR cpu = 1;
    for (HANDLE &thread : threads) {
        thread = CreateThread(0, 0, AcquireAndRelease, &shared, CREATE_SUSPENDED, 0);
        ASSERT_TRUE(thread);
        while (cpu && !(systemMask & cpu)) {
            cpu <<= 1;
        }
        if (cpu) {
            SetThreadAffinityMask(thread, cpu);
            cpu <<= 1;
        }
    }
    for (HANDLE thread : threads) {
        ResumeThread(thread);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 60000));
    for (HANDLE thread : threads) {
        CloseHandle(thread);
    }
    SetProcessAffinityMask(GetCurrentProcess(), processMask);
    EXPECT_EQ(0, shared.failures);
    EXPECT_EQ(nullptr, EntryOf(shared.color));
    EXPECT_EQ(entries, EntryCount());
    EXPECT_TRUE(TrueOnAnotherThread(TakeTheBrushLock));
}

} // namespace
