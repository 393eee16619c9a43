// The button: a standard "Button" window, a push button unless its flags say otherwise.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"

// Creates a button with a caption (null is ""). Returns what RegisterControl returns, or 0.
INT_PTR CreateButton(ObjectNumber number, int x, int y, int width, int height, const char *text,
                     int flags = 0);
