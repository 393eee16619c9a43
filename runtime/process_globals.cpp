// The globals of the process that every library reads.
#include "runtime/process_globals.h"

HINSTANCE moduleHandle;
