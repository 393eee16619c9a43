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
