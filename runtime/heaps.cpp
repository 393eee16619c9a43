// Private heaps and state blocks.
#include "runtime/heaps.h"

HANDLE processHeap;
HANDLE objectHeap;

void CreateObjectHeap() {
    objectHeap = HeapCreate(0, 1024, 0);
}

void EndObjectHeap() {}

void *StateBlockCreate(int size, StateBlockOperation init, StateBlockOperation release) {
    (void)release;
    void *block = HeapAlloc(processHeap, HEAP_ZERO_MEMORY, size);
    if (block && init) {
        init(block);
    }
    return block;
}

void *StateBlockGet(void *handle) {
    return handle;
}
