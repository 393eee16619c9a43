// Object tables: numbered objects of one fixed-size record type. Static numbers (0 and up) index a
// growable slot array; OBJECT_ANY asks for a dynamic object in a node of its own, whose number is
// then the address of its record. A record is live while its first word is non-zero.
#pragma once

#include <windows.h>

#include "runtime/object_list.h"

// Names a window or a control: a static number, or a dynamic object's record address.
typedef INT_PTR ObjectNumber;

enum { OBJECT_ANY = -1 };

// Called with a static number just before its slot is handed out.
typedef void (*ObjectTableCallback)(ObjectNumber number);

struct ObjectTable {
    int elementSize;             // bytes per record
    int growStep;                // slots added on growth; also the capacity at creation
    int capacity;                // number of static slots
    ObjectListNode *dynamicList; // dynamic objects, newest first
    ObjectTableCallback onReuse; // or null
    int cursorIndex;             // next static slot of the iteration; -1 once past them
    ObjectListNode *cursorNode;  // dynamic node the iteration reported last, or null
    char *slots;                 // capacity x elementSize bytes on processHeap
};
static_assert(sizeof(ObjectTable) == 32, "eight 32-bit fields");

// A new table on processHeap with growStep zeroed slots, or null when processHeap has no room.
ObjectTable *ObjectTableCreate(int elementSize, int growStep, ObjectTableCallback onReuse);
// The record to fill for a number: a new zeroed node for OBJECT_ANY (null when objectHeap is
// exhausted), else the slot, after growing the array past the number and calling onReuse. Null for
// other negative numbers and when the array cannot grow.
void *ObjectTableAllocate(ObjectTable *table, ObjectNumber number);
// The live record of a number, or null. A number beyond the slots counts only when it is the
// address of a dynamic object of this table.
void *ObjectTableFind(ObjectTable *table, ObjectNumber number);
// Where the record of a number lies now, live or not: its static slot, or its dynamic object's
// record; null for a number that names neither. A static slot moves when the array grows.
void *ObjectTableSlot(ObjectTable *table, ObjectNumber number);
// Zeroes a static slot or frees a dynamic object's node; other numbers do nothing.
void ObjectTableRelease(ObjectTable *table, ObjectNumber number);
// Starts an iteration: static records by increasing number, then dynamic ones oldest first. A
// dynamic object opened during the iteration is reached too.
void ObjectTableFirst(ObjectTable *table);
// The next live record of the iteration and its number, or null at the end. The caller may release
// the record it was just given.
void *ObjectTableNext(ObjectTable *table, ObjectNumber *number);
