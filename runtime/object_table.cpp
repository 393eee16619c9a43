// Tables of numbered objects.
#include "runtime/object_table.h"

#include <string.h>

#include "runtime/heaps.h"

// True when the record's first word, its window handle, is set.
static bool ObjectTableIsLive(const void *record) {
    return *(const void *const *)record != 0;
}

// The node of a dynamic object of the table whose number is its address, or null.
static ObjectListNode *ObjectTableDynamicNode(ObjectTable *table, ObjectNumber number) {
    for (ObjectListNode *node = table->dynamicList; node; node = node->older) {
        if ((ObjectNumber)ObjectListObjectOf(node) == number) {
            return node;
        }
    }
    return 0;
}

static bool ObjectTableIsStatic(ObjectTable *table, ObjectNumber number) {
    return number >= 0 && number < table->capacity;
}

ObjectTable *ObjectTableCreate(int elementSize, int growStep, ObjectTableCallback onReuse) {
    ObjectTable *table =
        (ObjectTable *)HeapAlloc(processHeap, HEAP_ZERO_MEMORY, sizeof(ObjectTable));
    if (!table) {
        return 0;
    }
    table->elementSize = elementSize;
    table->growStep = growStep;
    table->capacity = growStep;
    table->dynamicList = 0;
    table->onReuse = onReuse;
    table->slots = (char *)HeapAlloc(processHeap, HEAP_ZERO_MEMORY, (SIZE_T)elementSize * growStep);
    if (!table->slots) {
        HeapFree(processHeap, 0, table);
        return 0;
    }
    return table;
}

void *ObjectTableAllocate(ObjectTable *table, ObjectNumber number) {
    if (number == OBJECT_ANY) {
        return ObjectListInsert(&table->dynamicList, table->elementSize);
    }
    if (number < 0) {
        return 0;
    }
    if (number >= table->capacity) {
        long long capacity = (long long)number + table->growStep;
        long long bytes = capacity * table->elementSize;
        if (bytes > 0x7FFFFFFF) {
            return 0;
        }
        char *slots =
            (char *)HeapReAlloc(processHeap, HEAP_ZERO_MEMORY, table->slots, (SIZE_T)bytes);
        if (!slots) {
            return 0;
        }
        table->slots = slots;
        table->capacity = (int)capacity;
    }
    if (table->onReuse) {
        table->onReuse(number);
    }
    return table->slots + number * table->elementSize;
}

void *ObjectTableFind(ObjectTable *table, ObjectNumber number) {
    void *record;
    if (ObjectTableIsStatic(table, number)) {
        record = table->slots + number * table->elementSize;
    } else {
        ObjectListNode *node = ObjectTableDynamicNode(table, number);
        if (!node) {
            return 0;
        }
        record = ObjectListObjectOf(node);
    }
    return ObjectTableIsLive(record) ? record : 0;
}

void *ObjectTableSlot(ObjectTable *table, ObjectNumber number) {
    if (ObjectTableIsStatic(table, number)) {
        return table->slots + number * table->elementSize;
    }
    ObjectListNode *node = number < 0 ? 0 : ObjectTableDynamicNode(table, number);
    return node ? ObjectListObjectOf(node) : 0;
}

void ObjectTableRelease(ObjectTable *table, ObjectNumber number) {
    if (ObjectTableIsStatic(table, number)) {
        memset(table->slots + number * table->elementSize, 0, table->elementSize);
        return;
    }
    ObjectListNode *node = ObjectTableDynamicNode(table, number);
    if (!node) {
        return;
    }
    // An iteration that reported this object last goes on from the one before it, so that its next
    // record is still the one after it.
    if (table->cursorNode == node) {
        table->cursorNode = node->older;
    }
    ObjectListRemove(&table->dynamicList, ObjectListObjectOf(node));
}

void ObjectTableFirst(ObjectTable *table) {
    table->cursorIndex = 0;
    table->cursorNode = 0;
}

// The oldest dynamic node, or null.
static ObjectListNode *ObjectTableOldestNode(ObjectTable *table) {
    ObjectListNode *node = table->dynamicList;
    while (node && node->older) {
        node = node->older;
    }
    return node;
}

// The iteration walks the static slots while cursorIndex is 0 or more, then sets it to -1 and walks
// the dynamic nodes oldest first. cursorNode is the dynamic node reported last (null before the
// first), not the next one: an object opened during the iteration becomes the newest node and is
// still reached, also after the iteration has once come to the end.
void *ObjectTableNext(ObjectTable *table, ObjectNumber *number) {
    while (table->cursorIndex >= 0 && table->cursorIndex < table->capacity) {
        int index = table->cursorIndex++;
        void *record = table->slots + index * table->elementSize;
        if (ObjectTableIsLive(record)) {
            *number = index;
            return record;
        }
    }
    table->cursorIndex = -1;
    ObjectListNode *next =
        table->cursorNode ? table->cursorNode->newer : ObjectTableOldestNode(table);
    if (!next) {
        return 0;
    }
    table->cursorNode = next;
    void *record = ObjectListObjectOf(next);
    *number = (ObjectNumber)record;
    return record;
}
