// Helpers shared by the test programs.
#pragma once

#include <windows.h>

// Starts the runtime libraries in the program's startup order.
void StartRuntimeForTests();
