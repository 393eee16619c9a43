// The brush cache: one shared solid brush per colour, counted by its holders and deleted when the
// last one lets go.
#pragma once

#include <windows.h>

#include "runtime/object_list.h"

struct BrushEntry {
    COLORREF color; // the key
    HBRUSH brush;   // never 0: a colour whose brush cannot be made gets no entry
    int references; // holders
};

extern CRITICAL_SECTION brushLock;
extern ObjectListNode *brushList;

// A brush of the colour, or 0 when none could be made (the cache is then unchanged); every
// non-zero result is owed one ReleaseBrush.
HBRUSH AcquireBrush(COLORREF color);
// Drops one hold on a brush; the last one deletes it. A brush the cache does not hold is ignored.
void ReleaseBrush(HBRUSH brush);
