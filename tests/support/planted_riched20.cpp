// A library that stands in for one that someone left beside the program under a system library's
// name: it does nothing but mark that it was loaded, by signalling the named event that the test
// made ("QuorvelPlantedLibraryLoaded").
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE marker = OpenEventA(EVENT_MODIFY_STATE, FALSE, "QuorvelPlantedLibraryLoaded");
        if (marker) {
            SetEvent(marker);
            CloseHandle(marker);
        }
    }
    return TRUE;
}
