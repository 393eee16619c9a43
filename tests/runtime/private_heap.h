// Helpers for tests that look into the runtime's private heaps.
#pragma once

#include <windows.h>

#include "test_support.h"

// Puts a new private heap in place of one of the runtime's heap globals while the object lives,
// so that a test sees only its own blocks. A maximum size other than 0 makes the heap fixed, so
// that requests beyond it fail. The heap is destroyed and the global restored at the end.
struct ScopedHeap {
    HANDLE *global;
    HANDLE saved;
    HANDLE heap;

    ScopedHeap(HANDLE *global, SIZE_T maximum = 0)
        : global(global), saved(*global), heap(HeapCreate(0, 0, maximum)) {
        *global = heap;
    }
    ~ScopedHeap() {
        *global = saved;
        HeapDestroy(heap);
    }
    ScopedHeap(const ScopedHeap &) = delete;
    ScopedHeap &operator=(const ScopedHeap &) = delete;
};
