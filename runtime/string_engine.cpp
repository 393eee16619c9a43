// The string engine: the shared scratch buffer, its producers and the string variables.
#include "runtime/string_engine.h"

#include <string.h>

HANDLE StringHeap;
StringBuffer stringBuffer;

// Growth beyond the need, so that a long series of appends rarely reallocates.
static const int BUFFER_GROWTH = 0x4000;
// Spare bytes behind every variable's text (its NUL and room for a whole last word).
static const int STRING_SPARE = 5;

// The engine has no way to go on without memory: a failed request ends the process rather than
// writing through a null block.
static char *StringHeapChecked(void *block) {
    if (!block) {
        ExitProcess(0);
    }
    return (char *)block;
}

// Allocates a block for a variable, or resizes the one it has.
static char *StringVarBlock(StringVar current, int size) {
    if (!current) {
        return StringHeapChecked(HeapAlloc(StringHeap, HEAP_NO_SERIALIZE, size));
    }
    return StringHeapChecked(HeapReAlloc(StringHeap, HEAP_NO_SERIALIZE, current, size));
}

void *InitStringEngine() {
    StringHeap = HeapCreate(HEAP_NO_SERIALIZE, 4096, 0);
    stringBuffer.cursor = 0;
    stringBuffer.capacity = 16;
    stringBuffer.base = StringHeapChecked(HeapAlloc(StringHeap, HEAP_NO_SERIALIZE, 16));
    return stringBuffer.base;
}

char *BufferReserve(int length, int position) {
    // A need whose grown block a 32-bit size cannot describe is one the heap cannot satisfy.
    if (length > 0x7FFFFFFF - BUFFER_GROWTH - STRING_SPARE - stringBuffer.cursor) {
        ExitProcess(0);
    }
    int needed = stringBuffer.cursor + length;
    if (needed >= stringBuffer.capacity - 4) {
        stringBuffer.capacity = needed + BUFFER_GROWTH;
        stringBuffer.base =
            StringHeapChecked(HeapReAlloc(StringHeap, HEAP_NO_SERIALIZE, stringBuffer.base,
                                          stringBuffer.capacity + STRING_SPARE));
    }
    stringBuffer.cursor = position + length;
    return stringBuffer.base + position;
}

int BufferGiveBack(int count) {
    stringBuffer.cursor -= count;
    return count;
}

void BufferAppend(const char *text) {
    if (!text) {
        stringBuffer.base[stringBuffer.cursor] = 0;
        return;
    }
    int length = (int)strlen(text);
    char *destination = BufferReserve(length, stringBuffer.cursor);
    CopyTextWords(destination, text, length);
}

int BufferOffsetOf(const void *address) {
    UINT_PTR at = (UINT_PTR)address;
    UINT_PTR base = (UINT_PTR)stringBuffer.base;
    if (at >= base && at <= base + (UINT_PTR)stringBuffer.cursor) {
        return (int)(at - base) + 1;
    }
    return 0;
}

char *BufferPointerAt(int value) {
    return stringBuffer.base + value - 1;
}

void CopyTextWords(char *destination, const char *source, int length) {
    memcpy(destination, source, length);
    destination[length] = 0;
}

void StringVarAssignFromBuffer(StringVar *variable, int mark) {
    int length = stringBuffer.cursor - mark;
    if (length < 0) {
        length = 0;
    }
    *variable = StringVarBlock(*variable, length + STRING_SPARE);
    CopyTextWords(*variable, stringBuffer.base + mark, length);
    stringBuffer.cursor = mark;
}

void StringVarInit(StringVar *variable, const char *text) {
    if (!text) {
        return;
    }
    int length = (int)strlen(text);
    *variable = StringVarBlock(0, length + STRING_SPARE);
    memcpy(*variable, text, length + 1);
}

int StringVarSet(StringVar *variable, const char *text) {
    if (!text) {
        if (*variable) {
            HeapFree(StringHeap, HEAP_NO_SERIALIZE, *variable);
            *variable = 0;
        }
        return 1;
    }
    int length = (int)strlen(text);
    // A text taken from the variable's own block goes to the block's start before the block is
    // resized: it only shrinks, and a moved block keeps its beginning.
    UINT_PTR at = (UINT_PTR)text;
    UINT_PTR own = (UINT_PTR)*variable;
    if (own && at >= own && at <= own + strlen(*variable)) {
        memmove(*variable, text, length + 1);
        text = 0;
    }
    *variable = StringVarBlock(*variable, length + STRING_SPARE);
    if (text) {
        memcpy(*variable, text, length + 1);
    }
    return length + 1;
}

void StringVarFree(StringVar value) {
    if (value) {
        HeapFree(StringHeap, HEAP_NO_SERIALIZE, value);
    }
}

void FormatHex32(int value, int position) {
    char *destination = BufferReserve(8, position);
    unsigned int bits = (unsigned int)value;
    int digits = 0;
    for (int shift = 28; shift >= 0; shift -= 4) {
        unsigned int nibble = (bits >> shift) & 0xF;
        if (digits == 0 && nibble == 0 && shift != 0) {
            continue;
        }
        destination[digits++] = (char)(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
    }
    destination[digits] = 0;
    BufferGiveBack(8 - digits);
}

void FormatDecimal32(int value, int position) {
    char *destination = BufferReserve(32, position);
    int written = 0;
    if (value == 0) {
        destination[written++] = '0';
    } else {
        unsigned int magnitude = (unsigned int)value;
        if (value < 0) {
            destination[written++] = '-';
            magnitude = 0u - magnitude;
        }
        char digits[10];
        int count = 0;
        while (magnitude != 0) {
            digits[count++] = (char)('0' + magnitude % 10);
            magnitude /= 10;
        }
        while (count > 0) {
            destination[written++] = digits[--count];
        }
    }
    destination[written] = 0;
    BufferGiveBack(32 - written);
}

void PadLeft(const char *text, int width, const char *padText, int position) {
    if (width < 0) {
        width = 0;
    }
    int length = 0;
    if (text && *text) {
        length = (int)strlen(text);
        if (length > width) {
            length = width;
        }
    }
    int fill = width - length;
    char pad = padText ? padText[0] : ' ';
    int offset = BufferOffsetOf(text);
    char *destination = BufferReserve(length + fill, position);
    if (offset != 0) {
        text = BufferPointerAt(offset);
    }
    if (length > 0) {
        memmove(destination + fill, text, length);
    }
    memset(destination, pad, fill);
    destination[fill + length] = 0;
}
