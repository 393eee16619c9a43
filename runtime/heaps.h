// The runtime's private heaps and the libraries' state blocks.
#pragma once

#include <windows.h>

// The runtime's main heap: tables, slot arrays, state blocks, accelerator arrays, queued events.
// Created first at startup, destroyed last.
extern HANDLE processHeap;
// Holds only the nodes of object lists. Never destroyed; it ends with the process.
extern HANDLE objectHeap;

// Creates objectHeap.
void CreateObjectHeap();
// The object library's end step; it has nothing to release.
void EndObjectHeap();

// A library's state: one block of zero bytes on processHeap, reached only through StateBlockGet.
typedef void (*StateBlockOperation)(void *block);

// Allocates size zero bytes on processHeap, runs init on them when given, and returns the block's
// handle. The release operation is accepted and not kept.
void *StateBlockCreate(int size, StateBlockOperation init, StateBlockOperation release);
// The block of a handle that StateBlockCreate returned.
void *StateBlockGet(void *handle);
