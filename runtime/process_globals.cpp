// The globals of the process that every library reads.
#include "runtime/process_globals.h"

#include <string.h>

HINSTANCE moduleHandle;

typedef BOOL(WINAPI *SetDefaultDllDirectoriesCall)(DWORD directoryFlags);

// The system's SetDefaultDllDirectories, or null where it has none; where it is there, the load
// calls take the LOAD_LIBRARY_SEARCH_ flags too.
static SetDefaultDllDirectoriesCall ProcessFindSetDefaultDllDirectories() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? (SetDefaultDllDirectoriesCall)(void *)GetProcAddress(kernel,
                                                                         "SetDefaultDllDirectories")
                  : 0;
}

void RestrictLibrarySearch() {
    SetDefaultDllDirectoriesCall setDirectories = ProcessFindSetDefaultDllDirectories();
    if (setDirectories) {
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

HMODULE LoadSystemLibrary(const char *name) {
    if (ProcessFindSetDefaultDllDirectories()) {
        return LoadLibraryExA(name, 0, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Without the search flags: the library's full path in the system folder.
    char path[MAX_PATH];
    UINT folder = GetSystemDirectoryA(path, MAX_PATH);
    size_t length = strlen(name);
    if (folder == 0 || folder + 1 + length >= MAX_PATH) {
        return 0;
    }
    path[folder] = '\\';
    memcpy(path + folder + 1, name, length + 1);
    return LoadLibraryA(path);
}
