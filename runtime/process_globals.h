// The globals of the process that every library reads: set once at startup, before the libraries
// start.
#pragma once

#include <windows.h>

// The program's instance handle, for window classes, windows and resources.
extern HINSTANCE moduleHandle;
