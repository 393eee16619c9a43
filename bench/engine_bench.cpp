// The text of 100,000 identifier entries built in memory by the string engine, with the
// generator's own expression steps and without a control, against two baselines:
// block_engine_vs_snprintf, the same text written with snprintf into a preallocated buffer; and
// block_engine_vs_raw, plain code that makes the same heap calls as the generator's road (the
// line variables' allocations, reallocations and releases, with the same sizes, on a private heap
// without serialisation) and writes each line into its block directly, without the engine. Each
// line is appended to the text where the generator would hand it to the text area. All three take
// their identifiers from the same fast, repeatable source, and the texts must be equal byte for
// byte.
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

// The raw road's heap, like the string engine's own.
HANDLE rawHeap;
const char HEX[] = "0123456789ABCDEF";

// Writes value as exactly digits uppercase hexadecimal digits at the pointer; returns the end.
char *RawHex(char *at, unsigned int value, int digits) {
    for (int i = digits - 1; i >= 0; i--) {
        at[i] = HEX[value & 0xF];
        value >>= 4;
    }
    return at + digits;
}

char *RawText(char *at, const char *literal, size_t length) {
    memcpy(at, literal, length);
    return at + length;
}

// The line variable's block, made or resized to hold length characters and the spare bytes, as
// the engine's assignments do.
char *RawLine(char *line, size_t length) {
    return (char *)(line ? HeapReAlloc(rawHeap, HEAP_NO_SERIALIZE, line, length + 5)
                         : HeapAlloc(rawHeap, HEAP_NO_SERIALIZE, length + 5));
}

// One entry's lines, each written into the line block as the generator's assignments size it.
void RawEntry() {
    UUID uuid;
    memset(&uuid, 0, sizeof uuid);
    RepeatableUuid(&uuid);
    char *line = RawLine(0, 18);
    *RawHex(RawText(line, "  Data.l $", 10), uuid.Data1, 8) = 0;
    AppendLine(line);
    line = RawLine(line, 14);
    RawHex(RawText(line, "  Data.w $", 10), uuid.Data2, 4);
    line = RawLine(line, 21);
    *RawHex(RawText(line + 14, ", $", 3), uuid.Data3, 4) = 0;
    AppendLine(line);
    line = RawLine(line, 12);
    char *at = RawHex(RawText(line, "  Data.b $", 10), uuid.Data4[0], 2);
    for (int k = 1; k < 8; k++) {
        size_t length = at - line;
        line = RawLine(line, length + 5);
        at = RawHex(RawText(line + length, ", $", 3), uuid.Data4[k], 2);
    }
    *at = 0;
    AppendLine(line);
    line = RawLine(line, 2);
    memcpy(line, "  ", 3);
    AppendLine(line);
    HeapFree(rawHeap, HEAP_NO_SERIALIZE, line);
}

// The block as plain code makes it, with the generator's heap calls.
void BuildRaw() {
    seed = 2463534242u;
    textLength = 0;
    char *line = RawLine(0, 11);
    memcpy(line, "DataSection", 12);
    AppendLine(line);
    for (int i = 1; i <= ENTRIES; i++) {
        char label[32];
        char *at = RawText(label, "  Uuid_Number_", 14);
        char digits[10];
        int count = 0;
        for (unsigned int value = (unsigned int)i; value; value /= 10) {
            digits[count++] = (char)('0' + value % 10);
        }
        while (count > 0) {
            *at++ = digits[--count];
        }
        *at++ = ':';
        size_t length = at - label;
        line = RawLine(line, length);
        memcpy(line, label, length);
        line[length] = 0;
        AppendLine(line);
        RawEntry();
    }
    line = RawLine(line, 14);
    memcpy(line, "EndDataSection", 15);
    AppendLine(line);
    HeapFree(rawHeap, HEAP_NO_SERIALIZE, line);
}

const int SNPRINTF = 0;
const int RAW = 1;

// One round: the engine, snprintf, the raw road; each text must be the engine's.
bool TimeEngine(Rounds *times, std::string *fault, void *context) {
    const std::string &engineText = *(const std::string *)context;
    void (*const builds[])() = {BuildWithEngine, BuildWithSnprintf, BuildRaw};
    std::vector<double> *lists[] = {&times->subject, &times->baselines[SNPRINTF],
                                    &times->baselines[RAW]};
    for (int i = 0; i < 3; i++) {
        double begin = NowMs();
        builds[i]();
        lists[i]->push_back(NowMs() - begin);
        if (engineText.size() != textLength || memcmp(engineText.data(), text, textLength) != 0) {
            *fault = "the three roads built different texts";
            return false;
        }
    }
    return true;
}

} // namespace

void MeasureEngine() {
    const RatioFigure ratios[] = {{"block_engine_vs_snprintf", SNPRINTF},
                                  {"block_engine_vs_raw", RAW}};
    text = (char *)VirtualAlloc(0, TEXT_CAPACITY, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    rawHeap = HeapCreate(HEAP_NO_SERIALIZE, 4096, 0);
    if (!text || !rawHeap) {
        for (const RatioFigure &ratio : ratios) {
            ReportFailure(ratio.name, "no room for the text");
        }
        return;
    }
    // Touch every page once, so that no road pays for the first use of the buffer.
    memset(text, 0, TEXT_CAPACITY);
    BuildWithEngine();
    std::string engineText(text, textLength);
    BuildRaw();

    Rounds times;
    if (MeasureRatios(REPETITIONS, TimeEngine, &engineText, ratios, 2, &times)) {
        ReportDetail("block_engine: %d entries, engine %.1f ms, snprintf %.1f ms, raw %.1f ms "
                     "(medians of %d rounds)",
                     ENTRIES, Median(times.subject), Median(times.baselines[SNPRINTF]),
                     Median(times.baselines[RAW]), REPETITIONS);
    }
    HeapDestroy(rawHeap);
    VirtualFree(text, 0, MEM_RELEASE);
}
