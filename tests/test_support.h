// Helpers shared by the test programs.
#pragma once

#include <windows.h>

// Starts the runtime libraries in the program's startup order.
void StartRuntimeForTests();

// True for the system's default IME window, which a thread gets with its first window and loses
// with its last.
bool IsImeWindow(HWND window);
// Top-level windows of the calling thread, hidden ones included, without the default IME window.
int CountThreadWindows();
// True when the block is an allocated block of the heap, as HeapWalk reports it.
bool IsBusyHeapBlock(HANDLE heap, const void *block);
