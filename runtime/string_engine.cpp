// The string engine: the shared scratch buffer, its producers and the string variables.
#include "runtime/string_engine.h"

#include <string.h>

HANDLE StringHeap;
StringBuffer stringBuffer;

// Growth beyond the need, so that a long series of appends rarely reallocates.
static const int BUFFER_GROWTH = 0x4000;
// Spare bytes behind every variable's text (its NUL and room for a whole last word).
static const int STRING_SPARE = 5;
static const char HEX_DIGITS[] = "0123456789ABCDEF";

// A word that may be read where chars were written.
typedef DWORD __attribute__((may_alias)) AliasedWord;

// True when one of the word's bytes is zero.
static inline bool HasZeroByte(DWORD word) {
    return ((word - 0x01010101u) & ~word & 0x80808080u) != 0;
}

// The length of a text. Bytes are tested up to a word boundary, then a word at a time: an aligned
// word never reaches into the next page, so the test reads nothing that could fault.
static int TextLength(const char *text) {
    const char *end = text;
    for (; (UINT_PTR)end & 3; end++) {
        if (!*end) {
            return (int)(end - text);
        }
    }
    while (!HasZeroByte(*(const AliasedWord *)end)) {
        end += 4;
    }
    while (*end) {
        end++;
    }
    return (int)(end - text);
}

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

// The slow part of a reservation: the block grows to the need plus BUFFER_GROWTH. Kept out of
// BufferReserve, whose usual path then needs no stack frame.
static __attribute__((noinline)) void BufferGrow(int length) {
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
}

char *BufferReserve(int length, int position) {
    // Every producer reserves, mostly a few bytes that fit: one unsigned test lets those through
    // and sends growth, a negative length and any need near the 32-bit limit the slow way.
    if ((unsigned)stringBuffer.cursor + (unsigned)length >= (unsigned)(stringBuffer.capacity - 4)) {
        BufferGrow(length);
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
    // A text of up to room characters needs no growth. Such a text is copied while it is scanned,
    // in one pass: bytes up to a word boundary of the text, then whole words (an aligned word
    // never reaches into the next page), then bytes up to its NUL.
    int room = stringBuffer.capacity - 5 - stringBuffer.cursor;
    char *destination = stringBuffer.base + stringBuffer.cursor;
    int length = 0;
    for (; ((UINT_PTR)(text + length) & 3) && length <= room; length++) {
        if (!(destination[length] = text[length])) {
            stringBuffer.cursor += length;
            return;
        }
    }
    for (; length + 4 <= room; length += 4) {
        DWORD word = *(const AliasedWord *)(text + length);
        if (HasZeroByte(word)) {
            break;
        }
        // The destination need not be aligned: the word is stored as CopyTextWords stores it.
        __builtin_memcpy(destination + length, &word, 4);
    }
    for (; length <= room; length++) {
        if (!(destination[length] = text[length])) {
            stringBuffer.cursor += length;
            return;
        }
    }
    // A longer text: the block grows first.
    length = TextLength(text);
    destination = BufferReserve(length, stringBuffer.cursor);
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
    // Whole words first, then the last one to three bytes: nothing is read or written beyond the
    // length, so any source and destination of that size will do. The texts are short; a call
    // of the C runtime's memcpy would cost more than the copy.
    int at = 0;
    for (; at + 4 <= length; at += 4) {
        DWORD word;
        __builtin_memcpy(&word, source + at, 4);
        __builtin_memcpy(destination + at, &word, 4);
    }
    for (; at < length; at++) {
        destination[at] = source[at];
    }
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
    int length = TextLength(text);
    *variable = StringVarBlock(0, length + STRING_SPARE);
    CopyTextWords(*variable, text, length);
}

int StringVarSet(StringVar *variable, const char *text) {
    if (!text) {
        if (*variable) {
            HeapFree(StringHeap, HEAP_NO_SERIALIZE, *variable);
            *variable = 0;
        }
        return 1;
    }
    int length = TextLength(text);
    // A text taken from the variable's own block goes to the block's start before the block is
    // resized: it only shrinks, and a moved block keeps its beginning.
    UINT_PTR at = (UINT_PTR)text;
    UINT_PTR own = (UINT_PTR)*variable;
    if (own && at >= own && at <= own + TextLength(*variable)) {
        memmove(*variable, text, length + 1);
        text = 0;
    }
    *variable = StringVarBlock(*variable, length + STRING_SPARE);
    if (text) {
        CopyTextWords(*variable, text, length);
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
    // One digit per nibble from the highest non-zero one down; zero has the one digit 0.
    int digits = bits ? (35 - __builtin_clz(bits)) >> 2 : 1;
    destination[digits] = 0;
    for (int at = digits - 1; at >= 0; at--) {
        destination[at] = HEX_DIGITS[bits & 0xF];
        bits >>= 4;
    }
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
    // Only the first width characters can count: the scan stops there.
    int length = 0;
    if (text) {
        while (length < width && text[length]) {
            length++;
        }
    }
    int fill = width - length;
    char pad = padText ? padText[0] : ' ';
    int offset = BufferOffsetOf(text);
    char *destination = BufferReserve(length + fill, position);
    if (offset != 0) {
        text = BufferPointerAt(offset);
    }
    // The text may lie at or just behind the destination: moved from its end, it moves to the
    // right safely; a text that lies further right moves to the left from its start; a text that
    // fills its field where it lies (a producer's result padded in place) stays. The fields are a
    // few characters wide, too short for the C runtime's memmove to pay.
    char *moved = destination + fill;
    if (moved > text) {
        for (int at = length - 1; at >= 0; at--) {
            moved[at] = text[at];
        }
    } else if (moved < text) {
        for (int at = 0; at < length; at++) {
            moved[at] = text[at];
        }
    }
    for (int at = 0; at < fill; at++) {
        destination[at] = pad;
    }
    destination[fill + length] = 0;
}
