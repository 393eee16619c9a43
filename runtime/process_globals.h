// The globals of the process that every library reads: set once at startup, before the libraries
// start.
#pragma once

#include <windows.h>

// The program's instance handle, for window classes, windows and resources.
extern HINSTANCE moduleHandle;

// Makes the system folder the only folder that the process's later library loads search, its own
// folder and the current one included, where the system has the call (from Windows 8, and on
// Windows 7 with its update); elsewhere it changes nothing. The first step at start-up.
void RestrictLibrarySearch();
// Loads a library of the system from the system folder, never from the program's own folder or
// the current one, where a file of the same name may have been left; null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char *name);
