// The identifier block, written into a real text area and read back; the copy to the clipboard.
#include <stdio.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/uuid_block.h"
#include "controls/control_core.h"
#include "controls/text_area.h"
#include "runtime/string_engine.h"
#include "windows/events.h"
#include "windows/window_objects.h"
#include "test_support.h"

namespace {

const ObjectNumber TEST_WINDOW = 7;
const ObjectNumber TEXT = 4;

// Identifiers handed out by the test's source, in order; when they run out, the source writes
// nothing.
std::vector<UUID> supplied;
size_t suppliedNext;
RPC_STATUS RPC_ENTRY SuppliedUuid(UUID *uuid) {
    if (suppliedNext < supplied.size()) {
        *uuid = supplied[suppliedNext++];
    }
    return RPC_S_OK;
}

UUID MakeUuid(unsigned long data1, unsigned short data2, unsigned short data3,
              std::vector<unsigned char> data4) {
    UUID uuid = {};
    uuid.Data1 = data1;
    uuid.Data2 = data2;
    uuid.Data3 = data3;
    memcpy(uuid.Data4, data4.data(), 8);
    return uuid;
}

// The three data lines of an identifier, written out here with the C runtime.
std::string DataLines(const UUID &uuid) {
    char text[160];
    sprintf(text,
            "  Data.l $%08lX\r\n  Data.w $%04X, $%04X\r\n"
            "  Data.b $%02X, $%02X, $%02X, $%02X, $%02X, $%02X, $%02X, $%02X",
            (unsigned long)uuid.Data1, uuid.Data2, uuid.Data3, uuid.Data4[0], uuid.Data4[1],
            uuid.Data4[2], uuid.Data4[3], uuid.Data4[4], uuid.Data4[5], uuid.Data4[6],
            uuid.Data4[7]);
    return text;
}

// The block the text area should hold for these identifiers.
std::string ExpectedBlock(const std::vector<UUID> &uuids) {
    std::string text = "DataSection\r\n";
    for (size_t i = 0; i < uuids.size(); i++) {
        text += "  Uuid_Number_" + std::to_string(i + 1) + ":\r\n";
        text += DataLines(uuids[i]) + "\r\n  \r\n";
    }
    return text + "EndDataSection";
}

// Whether a text is exactly the given number of uppercase hexadecimal digits.
bool IsHex(const std::string &text, size_t digits) {
    if (text.size() != digits) {
        return false;
    }
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

// The identifier's usual textual form, 8-4-4-4-12, taken from its three data lines; empty when
// the lines do not have their exact shape.
std::string UuidFromLines(const std::string &longLine, const std::string &words,
                          const std::string &bytes) {
    const std::string longPrefix = "  Data.l $", wordsPrefix = "  Data.w $",
                      bytesPrefix = "  Data.b $";
    if (longLine.compare(0, longPrefix.size(), longPrefix) != 0 ||
        words.compare(0, wordsPrefix.size(), wordsPrefix) != 0 ||
        bytes.compare(0, bytesPrefix.size(), bytesPrefix) != 0) {
        return "";
    }
    std::string data1 = longLine.substr(longPrefix.size());
    std::string rest = words.substr(wordsPrefix.size());
    if (rest.size() != 11 || rest.compare(4, 3, ", $") != 0) {
        return "";
    }
    std::string data2 = rest.substr(0, 4), data3 = rest.substr(7);
    rest = bytes.substr(bytesPrefix.size());
    std::string data4;
    for (int k = 0; k < 8; k++) {
        if (k > 0) {
            if (rest.compare(0, 3, ", $") != 0) {
                return "";
            }
            rest = rest.substr(3);
        }
        data4 += rest.substr(0, 2);
        if (!IsHex(rest.substr(0, 2), 2)) {
            return "";
        }
        rest = rest.substr(rest.size() < 2 ? rest.size() : 2);
    }
    if (!rest.empty() || !IsHex(data1, 8) || !IsHex(data2, 4) || !IsHex(data3, 4)) {
        return "";
    }
    return data1 + "-" + data2 + "-" + data3 + "-" + data4.substr(0, 4) + "-" + data4.substr(4);
}

// An RFC 9562 identifier of version 4 with the variant bits 10.
bool IsVersion4Uuid(const std::string &text) {
    return text.size() == 36 && text[14] == '4' &&
           (text[19] == '8' || text[19] == '9' || text[19] == 'A' || text[19] == 'B');
}

// The clipboard's CF_TEXT text, or "<none>".
std::string ClipboardText() {
    std::string text;
    return ReadClipboardText(&text) ? text : "<none>";
}

class UuidBlockTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(0, OpenWindowObject(TEST_WINDOW, 0, 0, 600, 300, "block"));
        UseControlParent(WindowHandleOf(TEST_WINDOW));
        ASSERT_NE(0, CreateTextArea(TEXT, 0, 0, 600, 260));
        supplied.clear();
        suppliedNext = 0;
    }
    void TearDown() override {
        CloseWindowObject(TEST_WINDOW);
        FlushWindowMessages();
        uuidSource = UuidCreate;
    }
    // Large blocks: a visible rich edit under Wine repaints on every inserted line, which costs
    // milliseconds a line; hidden, the same operations run without painting.
    void HideTextArea() {
        ShowWindow(((ControlRecord *)ObjectTableFind(controlTable, TEXT))->handle, SW_HIDE);
    }
    void Supply(std::vector<UUID> uuids) {
        supplied = uuids;
        suppliedNext = 0;
        uuidSource = SuppliedUuid;
    }
};

// A block for N identifiers has 2 + 5N lines: the frame, and for each a label, three data lines
// and the two-space spacer. A count below 1 leaves only the frame.
TEST_F(UuidBlockTest, LineCountsAndShape) {
    HideTextArea();
    for (int count : {1, 10, 99}) {
        SCOPED_TRACE(count);
        GenerateUuidBlock(TEXT, count);
        std::vector<std::string> lines = SplitLines(ControlText(TEXT));
        ASSERT_EQ((size_t)(2 + 5 * count), lines.size());
        EXPECT_EQ("DataSection", lines.front());
        EXPECT_EQ("EndDataSection", lines.back());
        for (int i = 1; i <= count; i++) {
            size_t at = 1 + 5 * (i - 1);
            EXPECT_EQ("  Uuid_Number_" + std::to_string(i) + ":", lines[at]);
            EXPECT_NE("", UuidFromLines(lines[at + 1], lines[at + 2], lines[at + 3]));
            EXPECT_EQ("  ", lines[at + 4]);
        }
    }
    for (int count : {0, -1, -100, (int)0x80000000}) {
        SCOPED_TRACE(count);
        GenerateUuidBlock(TEXT, count);
        EXPECT_EQ("DataSection\r\nEndDataSection", ControlText(TEXT));
    }
}

TEST_F(UuidBlockTest, WorkedExampleByteForByte) {
    Supply(
        {MakeUuid(0x0A1B2C3D, 0x00E5, 0x4F60, {0x9C, 0x07, 0xFF, 0x00, 0x81, 0x2D, 0x0E, 0x7A})});
    GenerateUuidBlock(TEXT, 1);
    EXPECT_EQ("DataSection\r\n"
              "  Uuid_Number_1:\r\n"
              "  Data.l $0A1B2C3D\r\n"
              "  Data.w $00E5, $4F60\r\n"
              "  Data.b $9C, $07, $FF, $00, $81, $2D, $0E, $7A\r\n"
              "  \r\n"
              "EndDataSection",
              ControlText(TEXT));
}

// Fields are always their full width, zero-filled, in uppercase; high values print as their own
// digits.
TEST_F(UuidBlockTest, EdgeValuesPrintAtFullWidth) {
    struct {
        UUID uuid;
        const char *lines;
    } cases[] = {
        {MakeUuid(0x0A, 0xE5, 0x8A3C, {0x9C, 0xFF, 0x05, 0x00, 0x80, 0x7F, 0x0A, 0x01}),
         "  Data.l $0000000A\r\n  Data.w $00E5, $8A3C\r\n"
         "  Data.b $9C, $FF, $05, $00, $80, $7F, $0A, $01"},
        {MakeUuid(0xFFFFFFFF, 0xFFFF, 0x8000, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
         "  Data.l $FFFFFFFF\r\n  Data.w $FFFF, $8000\r\n"
         "  Data.b $FF, $FF, $FF, $FF, $FF, $FF, $FF, $FF"},
        {MakeUuid(0x80000000, 0x8A3C, 0x000F, {0xAB, 0xCD, 0xEF, 0x10, 0x9C, 0xE5, 0x0B, 0xC0}),
         "  Data.l $80000000\r\n  Data.w $8A3C, $000F\r\n"
         "  Data.b $AB, $CD, $EF, $10, $9C, $E5, $0B, $C0"},
        {MakeUuid(0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}),
         "  Data.l $00000000\r\n  Data.w $0000, $0000\r\n"
         "  Data.b $00, $00, $00, $00, $00, $00, $00, $00"},
    };
    std::vector<UUID> uuids;
    std::string expected = "DataSection\r\n";
    int label = 1;
    for (const auto &c : cases) {
        uuids.push_back(c.uuid);
        expected += "  Uuid_Number_" + std::to_string(label++) + ":\r\n" + c.lines + "\r\n  \r\n";
    }
    expected += "EndDataSection";
    Supply(uuids);
    GenerateUuidBlock(TEXT, (int)uuids.size());
    EXPECT_EQ(expected, ControlText(TEXT));
}

// A source that writes nothing leaves the zero-filled record: every field prints as zeros.
TEST_F(UuidBlockTest, SourceThatWritesNothingGivesZeros) {
    Supply({});
    GenerateUuidBlock(TEXT, 2);
    std::string zeros = DataLines(UUID());
    EXPECT_EQ("DataSection\r\n  Uuid_Number_1:\r\n" + zeros + "\r\n  \r\n  Uuid_Number_2:\r\n" +
                  zeros + "\r\n  \r\nEndDataSection",
              ControlText(TEXT));
}

// A generated block reads back through the text area exactly as built, whatever the count.
TEST_F(UuidBlockTest, BlockReadsBackExactlyAsBuilt) {
    std::vector<UUID> uuids;
    for (int i = 0; i < 12; i++) {
        uuids.push_back(MakeUuid(0x01234567u * (i + 1), (unsigned short)(0x1111 * i),
                                 (unsigned short)(0xF00F ^ i),
                                 {(unsigned char)i, 0xA0, 0x0B, (unsigned char)(0xFF - i), 0x10,
                                  0x01, 0xC3, (unsigned char)(i * 21)}));
    }
    Supply(uuids);
    GenerateUuidBlock(TEXT, 12);
    EXPECT_EQ(ExpectedBlock(uuids), ControlText(TEXT));
}

// Identifiers from the system generator: each read back from its three data lines is a version 4
// RFC 9562 identifier, and none repeats.
TEST_F(UuidBlockTest, GeneratedIdentifiersAreValidAndDistinct) {
    HideTextArea();
    std::set<std::string> seen;
    int total = 0;
    for (int count : {99, 10, 1, 99}) {
        GenerateUuidBlock(TEXT, count);
        std::vector<std::string> lines = SplitLines(ControlText(TEXT));
        ASSERT_EQ((size_t)(2 + 5 * count), lines.size());
        for (int i = 0; i < count; i++) {
            size_t at = 2 + 5 * i;
            std::string uuid = UuidFromLines(lines[at], lines[at + 1], lines[at + 2]);
            EXPECT_TRUE(IsVersion4Uuid(uuid)) << uuid;
            seen.insert(uuid);
            total++;
        }
    }
    EXPECT_EQ((size_t)total, seen.size());
}

TEST_F(UuidBlockTest, SecondStartReplacesTheFirstBlock) {
    UUID first = MakeUuid(1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11});
    UUID second = MakeUuid(0xB, 0xC, 0xD, {0xE, 0xF, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15});
    UUID third = MakeUuid(0xAA, 0xBB, 0xCC, {0xDD, 0xEE, 0xFF, 1, 2, 3, 4, 5});
    Supply({first, second, third});
    GenerateUuidBlock(TEXT, 2);
    GenerateUuidBlock(TEXT, 1);
    EXPECT_EQ(ExpectedBlock({third}), ControlText(TEXT));
}

// Every call leaves the string buffer's cursor, and the text before it, as it found them.
TEST_F(UuidBlockTest, StringBufferCursorIsRestored) {
    BufferAppend("in progress");
    int cursor = stringBuffer.cursor;
    GenerateUuidBlock(TEXT, 3);
    EXPECT_EQ(cursor, stringBuffer.cursor);
    AppendUuidEntry(TEXT);
    EXPECT_EQ(cursor, stringBuffer.cursor);
    CopyTextAreaText(TEXT);
    EXPECT_EQ(cursor, stringBuffer.cursor);
    EXPECT_EQ(0, memcmp(stringBuffer.base, "in progress", 11));
    EXPECT_EQ(2u + 5 * 3 + 4, SplitLines(ControlText(TEXT)).size());
    stringBuffer.cursor = 0;
}

TEST_F(UuidBlockTest, CopyPutsTheWholeTextOnTheClipboard) {
    ASSERT_TRUE(WriteClipboardText("something else"));
    CopyTextAreaText(TEXT);
    EXPECT_EQ("", ClipboardText());

    GenerateUuidBlock(TEXT, 5);
    std::string text = ControlText(TEXT);
    CopyTextAreaText(TEXT);
    EXPECT_EQ(text, ClipboardText());
    EXPECT_EQ(2u + 5 * 5, SplitLines(text).size());
}

// Copy puts every byte of the text on the clipboard, also with lines of the code page's own
// characters before and after a block (two bytes each in code pages 932 and 936), and a program
// that pastes Unicode text reads the characters shown.
TEST_F(UuidBlockTest, CopyIsByteExactInTheCodePage) {
    const std::wstring line = CodePageLine();
    const std::string bytes = AnsiText(line);
    ASSERT_FALSE(bytes.empty());
    UUID uuid =
        MakeUuid(0x0A1B2C3D, 0x00E5, 0x4F60, {0x9C, 0x07, 0xFF, 0x00, 0x81, 0x2D, 0x0E, 0x7A});
    Supply({uuid});
    GenerateUuidBlock(TEXT, 1);
    AddControlItem(TEXT, 0, bytes.c_str());
    AddControlItem(TEXT, -1, bytes.c_str());
    const std::string expected = bytes + "\r\n" + ExpectedBlock({uuid}) + "\r\n" + bytes;

    ASSERT_TRUE(WriteClipboardText("something else"));
    CopyTextAreaText(TEXT);
    EXPECT_EQ(expected, ClipboardText());
    std::wstring pasted;
    ASSERT_TRUE(ReadClipboardUnicodeText(&pasted));
    EXPECT_EQ(WideText(expected), pasted);
}

// A text area number that names no control: lines are built and dropped, Copy gives the empty
// text, and nothing else changes.
TEST_F(UuidBlockTest, MissingTextAreaDoesNothing) {
    AddControlItem(TEXT, -1, "kept");
    int cursor = stringBuffer.cursor;
    GenerateUuidBlock(999, 3);
    EXPECT_EQ(cursor, stringBuffer.cursor);
    ASSERT_TRUE(WriteClipboardText("something else"));
    CopyTextAreaText(999);
    EXPECT_EQ("", ClipboardText());
    EXPECT_EQ(cursor, stringBuffer.cursor);
    EXPECT_EQ("kept", ControlText(TEXT));
}

} // namespace
