// The brush cache: reference-counted solid brushes, one per colour.
#include "controls/brush_cache.h"

CRITICAL_SECTION brushLock;
ObjectListNode *brushList;

HBRUSH AcquireBrush(COLORREF color) {
    EnterCriticalSection(&brushLock);
    HBRUSH result = 0;
    for (ObjectListNode *node = brushList; node; node = node->older) {
        BrushEntry *entry = (BrushEntry *)ObjectListObjectOf(node);
        if (entry->color == color) {
            entry->references++;
            result = entry->brush;
            break;
        }
    }
    if (!result) {
        BrushEntry *entry = (BrushEntry *)ObjectListInsert(&brushList, sizeof(BrushEntry));
        if (entry) {
            entry->color = color;
            entry->brush = CreateSolidBrush(color);
            entry->references = 1;
            result = entry->brush;
            // No entry stays without a brush: nobody would hold it, and the next request for the
            // colour tries again.
            if (!result) {
                ObjectListRemove(&brushList, entry);
            }
        }
    }
    LeaveCriticalSection(&brushLock);
    return result;
}

void ReleaseBrush(HBRUSH brush) {
    EnterCriticalSection(&brushLock);
    for (ObjectListNode *node = brushList; node; node = node->older) {
        BrushEntry *entry = (BrushEntry *)ObjectListObjectOf(node);
        if (entry->brush == brush) {
            if (--entry->references == 0) {
                DeleteObject(brush);
                ObjectListRemove(&brushList, entry);
            }
            break;
        }
    }
    LeaveCriticalSection(&brushLock);
}
