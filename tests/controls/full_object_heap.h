// The object heap full: every request for an object list node fails, as it does when the process
// can get no more memory.
#pragma once

#include <windows.h>

#include "runtime/heaps.h"
#include "runtime/private_heap.h"

// While the object lives, a small fixed heap that has been filled up stands in for the object
// heap. Nodes made before stay where they are: the test holds none while the object lives.
struct FullObjectHeap {
    FullObjectHeap() : full(&objectHeap, 64 * 1024) {
        for (SIZE_T size = 4096; size > 0; size /= 2) {
            for (int count = 0; count < 100000 && HeapAlloc(objectHeap, 0, size); ++count) {
            }
        }
    }
    ScopedHeap full;
};
