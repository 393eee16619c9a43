// The spin box: an "EDIT" window with a "msctls_updown32" buddy at its right.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"

enum {
    SPIN_READ_ONLY = 1, // the value can be stepped, not typed
    SPIN_NUMERIC = 2,   // the up-down writes its position into the edit part
};

// Attribute numbers: the ends of the range, 16-bit values.
enum {
    ATTR_MINIMUM = 1,
    ATTR_MAXIMUM = 2,
};

// Creates a spin box with the range minimum..maximum (low 16 bits of each). Returns what
// RegisterControl returns, or 0 when the edit part cannot be created.
INT_PTR CreateSpinBox(ObjectNumber number, int x, int y, int width, int height, int minimum,
                      int maximum, int flags = 0);
