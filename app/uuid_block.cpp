// The identifier block: for each fresh identifier a numbered label and three data lines that spell
// out its 16 bytes in hexadecimal, between "DataSection" and "EndDataSection", appended line by
// line to a text area. Every line is built in the string buffer and leaves its cursor where it was.
#include "app/uuid_block.h"

#include <string.h>

#include "controls/control_core.h"
#include "runtime/clipboard.h"
#include "runtime/string_engine.h"

// None until a test sets one: the system's UuidCreate is used then. An imported function's address
// is known only once the program is loaded, so an initial value of UuidCreate would be set by a
// static constructor, and the program starts without the start-up code that runs those.
UuidSource uuidSource;

// Writes value as exactly digits uppercase hexadecimal digits at the cursor, filled with "0" on the
// left; the cursor ends behind them.
static void UuidAppendHex(unsigned int value, int digits) {
    int position = stringBuffer.cursor;
    FormatHex32((int)value, position);
    // Step past the digits' NUL so that they stay intact as PadLeft's argument.
    BufferReserve(1, stringBuffer.cursor);
    PadLeft(stringBuffer.base + position, digits, "0", position);
}

// Ends a line begun at mark: the line variable takes it, and the text area gets it as a new line.
static void UuidAddLine(ObjectNumber textArea, StringVar *line, int mark) {
    StringVarAssignFromBuffer(line, mark);
    AddControlItem(textArea, -1, *line);
}

void GenerateUuidBlock(ObjectNumber textArea, int count) {
    StringVar line = 0;
    ClearControlItems(textArea);
    StringVarSet(&line, "DataSection");
    AddControlItem(textArea, -1, line);
    for (int i = 1; i <= count; i++) {
        int mark = stringBuffer.cursor;
        BufferAppend("  Uuid_Number_");
        FormatDecimal32(i, stringBuffer.cursor);
        BufferAppend(":");
        UuidAddLine(textArea, &line, mark);
        int saved = stringBuffer.cursor;
        AppendUuidEntry(textArea);
        stringBuffer.cursor = saved;
    }
    StringVarSet(&line, "EndDataSection");
    AddControlItem(textArea, -1, line);
    StringVarFree(line);
}

void AppendUuidEntry(ObjectNumber textArea) {
    UUID uuid;
    memset(&uuid, 0, sizeof uuid);
    (uuidSource ? uuidSource : UuidCreate)(&uuid);
    StringVar line = 0;

    int mark = stringBuffer.cursor;
    BufferAppend("  Data.l $");
    UuidAppendHex(uuid.Data1, 8);
    UuidAddLine(textArea, &line, mark);

    mark = stringBuffer.cursor;
    BufferAppend("  Data.w $");
    UuidAppendHex(uuid.Data2, 4);
    StringVarAssignFromBuffer(&line, mark);
    mark = stringBuffer.cursor;
    BufferAppend(line);
    BufferAppend(", $");
    UuidAppendHex(uuid.Data3, 4);
    UuidAddLine(textArea, &line, mark);

    mark = stringBuffer.cursor;
    BufferAppend("  Data.b $");
    UuidAppendHex(uuid.Data4[0], 2);
    StringVarAssignFromBuffer(&line, mark);
    for (int k = 1; k < 8; k++) {
        mark = stringBuffer.cursor;
        BufferAppend(line);
        BufferAppend(", $");
        UuidAppendHex(uuid.Data4[k], 2);
        StringVarAssignFromBuffer(&line, mark);
    }
    AddControlItem(textArea, -1, line);

    StringVarSet(&line, "  ");
    AddControlItem(textArea, -1, line);
    StringVarFree(line);
}

void CopyTextAreaText(ObjectNumber textArea) {
    int position = stringBuffer.cursor;
    GetControlText(textArea, position);
    StringVar text = 0;
    StringVarAssignFromBuffer(&text, position);
    CopyTextToClipboard(text);
    StringVarFree(text);
}
