// block_engine_vs_snprintf: the text of 100,000 identifier entries built in memory by the string
// engine, with the generator's own expression steps and without a control, against the same text
// written with snprintf into a preallocated buffer. Each line the engine builds is appended to the
// text where the generator would hand it to the text area. Both sides take their identifiers from
// the same fast, repeatable source, and the two texts must be equal byte for byte.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "app/uuid_block.h"
#include "bench_support.h"
#include "runtime/string_engine.h"

namespace {

const int ENTRIES = 100000;
const int REPETITIONS = 21;
// An entry is at most 124 bytes; the frame adds 27.
const size_t TEXT_CAPACITY = (size_t)ENTRIES * 128 + 64;

// The text being built, preallocated for both sides.
char *text;
size_t textLength;

// A repeatable stream of identifiers (xorshift), cheap beside the text it feeds.
unsigned int seed;
void RepeatableUuid(UUID *uuid) {
    unsigned int words[4];
    for (int i = 0; i < 4; i++) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        words[i] = seed;
    }
    memcpy(uuid, words, sizeof words);
}

// Where the generator adds a line to the text area: the line goes behind the text, after a line
// feed. A variable's block is word-aligned, so the line is copied a word at a time up to the word
// that holds its NUL, then byte by byte.
typedef DWORD __attribute__((may_alias)) AliasedWord;
void AppendLine(const char *line) {
    char *at = text + textLength;
    if (textLength) {
        *at++ = '\n';
    }
    for (;; line += 4, at += 4) {
        DWORD word = *(const AliasedWord *)line;
        if ((word - 0x01010101u) & ~word & 0x80808080u) {
            break;
        }
        *(AliasedWord *)at = word;
    }
    while ((*at = *line++) != 0) {
        at++;
    }
    textLength = at - text;
}

// The generator's hexadecimal field: digits at the cursor, the cursor past their NUL, then the
// field padded with "0" over its own argument.
void AppendHex(unsigned int value, int digits) {
    int position = stringBuffer.cursor;
    FormatHex32((int)value, position);
    BufferReserve(1, stringBuffer.cursor);
    PadLeft(stringBuffer.base + position, digits, "0", position);
}

// The generator's entry: the three data lines and the spacer of one identifier.
void BuildEntry() {
    UUID uuid;
    memset(&uuid, 0, sizeof uuid);
    RepeatableUuid(&uuid);
    StringVar line = 0;

    int mark = stringBuffer.cursor;
    BufferAppend("  Data.l $");
    AppendHex(uuid.Data1, 8);
    StringVarAssignFromBuffer(&line, mark);
    AppendLine(line);

    mark = stringBuffer.cursor;
    BufferAppend("  Data.w $");
    AppendHex(uuid.Data2, 4);
    StringVarAssignFromBuffer(&line, mark);
    mark = stringBuffer.cursor;
    BufferAppend(line);
    BufferAppend(", $");
    AppendHex(uuid.Data3, 4);
    StringVarAssignFromBuffer(&line, mark);
    AppendLine(line);

    mark = stringBuffer.cursor;
    BufferAppend("  Data.b $");
    AppendHex(uuid.Data4[0], 2);
    StringVarAssignFromBuffer(&line, mark);
    for (int k = 1; k < 8; k++) {
        mark = stringBuffer.cursor;
        BufferAppend(line);
        BufferAppend(", $");
        AppendHex(uuid.Data4[k], 2);
        StringVarAssignFromBuffer(&line, mark);
    }
    AppendLine(line);

    StringVarSet(&line, "  ");
    AppendLine(line);
    StringVarFree(line);
}

// The generator's block, line by line.
void BuildWithEngine() {
    seed = 2463534242u;
    textLength = 0;
    StringVar line = 0;
    StringVarSet(&line, "DataSection");
    AppendLine(line);
    for (int i = 1; i <= ENTRIES; i++) {
        int mark = stringBuffer.cursor;
        BufferAppend("  Uuid_Number_");
        FormatDecimal32(i, stringBuffer.cursor);
        BufferAppend(":");
        StringVarAssignFromBuffer(&line, mark);
        AppendLine(line);
        int saved = stringBuffer.cursor;
        BuildEntry();
        stringBuffer.cursor = saved;
    }
    StringVarSet(&line, "EndDataSection");
    AppendLine(line);
    StringVarFree(line);
}

// The same text, one snprintf call per entry.
void BuildWithSnprintf() {
    seed = 2463534242u;
    char *at = text;
    char *end = text + TEXT_CAPACITY;
    at += snprintf(at, end - at, "DataSection");
    for (int i = 1; i <= ENTRIES; i++) {
        UUID uuid;
        memset(&uuid, 0, sizeof uuid);
        RepeatableUuid(&uuid);
        at += snprintf(at, end - at,
                       "\n  Uuid_Number_%d:\n  Data.l $%08lX\n  Data.w $%04X, $%04X\n"
                       "  Data.b $%02X, $%02X, $%02X, $%02X, $%02X, $%02X, $%02X, $%02X\n  ",
                       i, (unsigned long)uuid.Data1, uuid.Data2, uuid.Data3, uuid.Data4[0],
                       uuid.Data4[1], uuid.Data4[2], uuid.Data4[3], uuid.Data4[4], uuid.Data4[5],
                       uuid.Data4[6], uuid.Data4[7]);
    }
    at += snprintf(at, end - at, "\nEndDataSection");
    textLength = at - text;
}

} // namespace

void MeasureEngineAgainstSnprintf() {
    const char *name = "block_engine_vs_snprintf";
    text = (char *)VirtualAlloc(0, TEXT_CAPACITY, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!text) {
        ReportFailure(name, "no room for the text");
        return;
    }
    // Touch every page once, so that neither side pays for the first use of the buffer.
    memset(text, 0, TEXT_CAPACITY);

    std::vector<double> engine, formatter;
    std::string engineText;
    for (int i = 0; i < REPETITIONS; i++) {
        double begin = NowMs();
        BuildWithEngine();
        engine.push_back(NowMs() - begin);
        if (i == 0) {
            engineText.assign(text, textLength);
        }
        begin = NowMs();
        BuildWithSnprintf();
        formatter.push_back(NowMs() - begin);
    }
    bool same = engineText == std::string(text, textLength);
    VirtualFree(text, 0, MEM_RELEASE);
    if (!same) {
        ReportFailure(name, "the engine and snprintf built different texts");
        return;
    }
    ReportDetail("%s: %d entries, engine %.1f ms, snprintf %.1f ms (medians of %d pairs)", name,
                 ENTRIES, Median(engine), Median(formatter), REPETITIONS);
    ReportFigure(name, MedianRatio(engine, formatter));
}
