// The program's entry point: starts the runtime libraries in order, runs the main window's event
// loop, shuts the libraries down and ends the process with exit code 0.
#include <windows.h>

#include "app/main_window.h"
#include "controls/control_core.h"
#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "runtime/string_engine.h"
#include "windows/window_objects.h"

// The process starts here, without the C runtime's start-up code: the program takes no command
// line, has no static constructors and ends through ExitProcess, so it needs none of it. The C
// runtime DLL initialises itself when it is loaded. Never returns. Only the linker names it.
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void WINAPI StartProgram();
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void WINAPI StartProgram() {
    // Before anything can load a library on the program's behalf: none from the program's folder.
    RestrictLibrarySearch();
    processHeap = 0;
    moduleHandle = 0;
    quitFlag = 0;

    moduleHandle = GetModuleHandleA(0);
    processHeap = HeapCreate(0, 4096, 0);
    InitStringEngine();
    CreateObjectHeap();
    InitWindowLibrary();
    InitControlLibrary();
    quitFlag = 0;

    if (StartMainWindow()) {
        RunEventLoop();
    }

    ShutdownLibraries();
    HeapDestroy(processHeap);
    ExitProcess(0);
}
