// Object lists: doubly linked lists of nodes on objectHeap whose head is a single pointer to the
// newest node. Users hold the address of an object's bytes, which follow the node's two links.
#pragma once

struct ObjectListNode {
    ObjectListNode *older; // next older node, null at the oldest
    ObjectListNode *newer; // next newer node, null at the head
    // the object's bytes follow
};
static_assert(sizeof(ObjectListNode) == 8, "two links, then the object");

// Adds a node with objectSize zeroed bytes as the newest; returns the object's address, or null
// (list unchanged) when objectHeap has no room.
void *ObjectListInsert(ObjectListNode **head, int objectSize);
// Unlinks and frees the node of an object that is in the list.
void ObjectListRemove(ObjectListNode **head, void *object);
// The node that holds an object.
inline ObjectListNode *ObjectListNodeOf(void *object) {
    return (ObjectListNode *)object - 1;
}
// The object bytes of a node.
inline void *ObjectListObjectOf(ObjectListNode *node) {
    return node + 1;
}
