// Helpers shared by the test programs.
#include "test_support.h"

#include "controls/control_core.h"
#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "windows/window_objects.h"

void StartRuntimeForTests() {
    moduleHandle = GetModuleHandleA(0);
    processHeap = HeapCreate(0, 4096, 0);
    InitStringEngine();
    CreateObjectHeap();
    InitWindowLibrary();
    InitControlLibrary();
}

bool IsImeWindow(HWND window) {
    char name[8] = "";
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, "IME") == 0;
}

static BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    if (!IsImeWindow(window)) {
        ++*(int *)count;
    }
    return TRUE;
}

int CountThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, (LPARAM)&count);
    return count;
}

bool IsBusyHeapBlock(HANDLE heap, const void *block) {
    PROCESS_HEAP_ENTRY entry = {};
    bool found = false;
    while (!found && HeapWalk(heap, &entry)) {
        found = entry.lpData == block && (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY);
    }
    return found;
}
