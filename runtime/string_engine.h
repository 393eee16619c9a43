// The string engine: one shared, growable scratch buffer in which every computed text is built,
// and string variables whose blocks live in a private heap of the engine's own.
//
// Producers write their result at a position in the buffer, end it with a NUL and leave the cursor
// on that NUL, so that successive producers concatenate. An assignment copies everything from a
// saved cursor value (the mark) to the cursor into a string variable and rewinds the cursor to the
// mark. Positions are byte offsets from the buffer's base and stay valid when the block moves.
#pragma once

#include <windows.h>

// The one scratch buffer of the process.
struct StringBuffer {
    char *base;   // block in StringHeap; moves when the buffer grows
    int cursor;   // bytes in use: where the next producer writes unless told otherwise
    int capacity; // nominal size that decides growth; the block is capacity + 5 bytes
};
static_assert(sizeof(StringBuffer) == 12, "three 32-bit fields");

// A string variable: null is the empty text, otherwise a NUL-terminated text in a block of
// StringHeap that is its length + 5 bytes long. The variable owns its block.
typedef char *StringVar;

extern HANDLE StringHeap;
extern StringBuffer stringBuffer;

// Creates StringHeap and the first, 16-byte block of the buffer; returns that block.
void *InitStringEngine();

// Makes room for length bytes at position (at most the cursor), growing the block when the cursor
// plus length comes within 4 bytes of the capacity; sets the cursor to position + length and
// returns the address of position. When the heap cannot supply the block, the process ends.
char *BufferReserve(int length, int position);
// Moves the cursor back by count bytes; returns count.
int BufferGiveBack(int count);
// Appends a text at the cursor; a null text writes only a NUL. The text must not lie in the buffer.
void BufferAppend(const char *text);
// Position + 1 when the address lies in the used part of the buffer (its NUL included), else 0.
int BufferOffsetOf(const void *address);
// The address in the current block of a value that BufferOffsetOf returned.
char *BufferPointerAt(int value);
// Copies length bytes and writes a NUL behind them.
void CopyTextWords(char *destination, const char *source, int length);

// The variable takes the text from mark to the cursor; the cursor returns to mark.
void StringVarAssignFromBuffer(StringVar *variable, int mark);
// Gives a null variable a copy of the text; a null text leaves it untouched.
void StringVarInit(StringVar *variable, const char *text);
// Gives the variable a copy of the text and returns its length + 1; a null text frees the
// variable, sets it to null and returns 1. The text may be part of the variable's own text.
int StringVarSet(StringVar *variable, const char *text);
// Releases a variable's block; null does nothing. The variable itself is not touched.
void StringVarFree(StringVar value);

// Writes the value's hexadecimal digits (uppercase, no leading zeros, 32-bit two's complement for
// a negative value) at position; the cursor ends on their NUL.
void FormatHex32(int value, int position);
// Writes the value's signed decimal text at position; the cursor ends on its NUL.
void FormatDecimal32(int value, int position);
// Writes the text right-aligned in a field of width characters (its first width characters when
// it is longer) at position, filled on the left with the first character of padText (a space for
// a null padText). The text may lie in the buffer, even at position. The cursor ends at
// position + width.
void PadLeft(const char *text, int width, const char *padText, int position);
