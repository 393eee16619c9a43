// Object lists on objectHeap.
#include "runtime/object_list.h"

#include "runtime/heaps.h"

void *ObjectListInsert(ObjectListNode **head, int objectSize) {
    ObjectListNode *node = (ObjectListNode *)HeapAlloc(objectHeap, HEAP_ZERO_MEMORY,
                                                       sizeof(ObjectListNode) + (SIZE_T)objectSize);
    if (!node) {
        return 0;
    }
    if (*head) {
        (*head)->newer = node;
        node->older = *head;
    }
    *head = node;
    return ObjectListObjectOf(node);
}

void ObjectListRemove(ObjectListNode **head, void *object) {
    ObjectListNode *node = ObjectListNodeOf(object);
    if (node == *head) {
        *head = node->older;
        if (*head) {
            (*head)->newer = 0;
        }
    } else {
        node->newer->older = node->older;
        if (node->older) {
            node->older->newer = node->newer;
        }
    }
    HeapFree(objectHeap, 0, node);
}
