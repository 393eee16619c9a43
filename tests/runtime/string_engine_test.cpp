// The string engine's producers on the real private heap.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "private_heap.h"

namespace {

struct ProducerCase {
    const char *name;
    void (*produce)(int position);
    const char *expected;
};

TEST(FormatHex32, WritesUppercaseDigitsWithoutLeadingZeros) {
    const struct {
        int value;
        const char *expected;
    } cases[] = {{0, "0"}, {0x1F, "1F"}, {-1, "FFFFFFFF"}, {(int)0x80000000u, "80000000"}};
    for (const auto &c : cases) {
        int mark = stringBuffer.cursor;
        FormatHex32(c.value, mark);
        EXPECT_STREQ(stringBuffer.base + mark, c.expected) << c.value;
        EXPECT_EQ(stringBuffer.cursor, mark + (int)strlen(c.expected)) << c.value;
        stringBuffer.cursor = mark;
    }
}

// Every test starts on a freshly initialised engine in a heap of its own; the program's engine
// is put back afterwards.
class StringEngineTest : public testing::Test {
  protected:
    void SetUp() override {
        savedHeap = StringHeap;
        savedBuffer = stringBuffer;
        InitStringEngine();
    }
    void TearDown() override {
        EXPECT_TRUE(HeapValidate(StringHeap, 0, 0));
        HeapDestroy(StringHeap);
        StringHeap = savedHeap;
        stringBuffer = savedBuffer;
    }
    static int BlockSize(const void *block) { return (int)HeapSize(StringHeap, 0, block); }
    static char Pattern(int position) { return (char)('a' + position % 26); }

    HANDLE savedHeap;
    StringBuffer savedBuffer;
};

// Every digit count, compared with the C runtime's own hexadecimal conversion.
TEST(FormatHex32, AgreesWithTheCRuntimeAtEveryDigitCount) {
    for (int shift = 0; shift < 32; shift++) {
        unsigned int values[] = {1u << shift, (1u << shift) - 1, (1u << shift) | 0xA5u};
        for (unsigned int value : values) {
            char expected[16];
            sprintf(expected, "%X", value);
            int mark = stringBuffer.cursor;
            FormatHex32((int)value, mark);
            EXPECT_STREQ(stringBuffer.base + mark, expected);
            EXPECT_EQ(stringBuffer.cursor, mark + (int)strlen(expected)) << expected;
            stringBuffer.cursor = mark;
        }
    }
}

TEST_F(StringEngineTest, StartsWithASixteenByteBlockInAPrivateHeap) {
    EXPECT_NE(StringHeap, GetProcessHeap());
    EXPECT_NE(StringHeap, processHeap);
    EXPECT_EQ(stringBuffer.cursor, 0);
    EXPECT_EQ(stringBuffer.capacity, 16);
    EXPECT_EQ(BlockSize(stringBuffer.base), 16);
    EXPECT_EQ(CountBusyBlocks(StringHeap), 1);
}

TEST_F(StringEngineTest, BuildsADataLineAsTheGeneratorDoes) {
    int mark = stringBuffer.cursor;
    BufferAppend("  Data.w $");
    EXPECT_EQ(stringBuffer.cursor, 10);
    EXPECT_EQ(stringBuffer.capacity, 16);
    EXPECT_EQ(stringBuffer.base[10], 0);

    FormatHex32(0xE5, stringBuffer.cursor);
    EXPECT_EQ(stringBuffer.capacity, 16402);
    EXPECT_EQ(BlockSize(stringBuffer.base), 16407);
    EXPECT_EQ(stringBuffer.cursor, 12);
    EXPECT_EQ(memcmp(stringBuffer.base, "  Data.w $E5", 13), 0);

    stringBuffer.cursor++; // protects the digits as the next producer's argument
    PadLeft(stringBuffer.base + 10, 4, "0", 10);
    EXPECT_EQ(stringBuffer.cursor, 14);
    EXPECT_EQ(memcmp(stringBuffer.base, "  Data.w $00E5", 15), 0);

    StringVar line = 0;
    StringVarAssignFromBuffer(&line, mark);
    EXPECT_STREQ(line, "  Data.w $00E5");
    EXPECT_EQ(BlockSize(line), 19);
    EXPECT_EQ(stringBuffer.cursor, 0);
    StringVarFree(line);
}

TEST_F(StringEngineTest, GrowsToTheNeedPlus16384AndKeepsTheContent) {
    // A neighbour right behind the first block, so that growing the block has to move it.
    StringVar neighbour = 0;
    StringVarSet(&neighbour, "neighbour");
    char *firstBlock = stringBuffer.base;
    const struct {
        int length;
        int capacity;
    } steps[] = {
        {11, 16},           // cursor + length 11 stays below capacity - 4
        {1, 12 + 16384},    // 12 reaches it: the need plus 16384
        {16379, 16396},     // 16391 stays below 16392
        {1, 16392 + 16384}, // 16392 reaches it
        {0, 16392 + 16384}, // nothing needed, nothing grows
    };
    for (const auto &step : steps) {
        int position = stringBuffer.cursor;
        char *region = BufferReserve(step.length, position);
        EXPECT_EQ(region, stringBuffer.base + position);
        for (int i = 0; i < step.length; i++) {
            region[i] = Pattern(position + i);
        }
        EXPECT_EQ(stringBuffer.cursor, position + step.length);
        EXPECT_EQ(stringBuffer.capacity, step.capacity);
        EXPECT_EQ(BlockSize(stringBuffer.base), step.capacity == 16 ? 16 : step.capacity + 5);
        int wrong = 0;
        for (int i = 0; i < stringBuffer.cursor; i++) {
            wrong += stringBuffer.base[i] != Pattern(i);
        }
        EXPECT_EQ(wrong, 0) << "after reserving " << step.length << " at " << position;
    }
    EXPECT_NE(stringBuffer.base, firstBlock) << "the block did not move; the test lost its point";
    EXPECT_STREQ(neighbour, "neighbour");
    StringVarFree(neighbour);
}

TEST_F(StringEngineTest, ReservationTestsTheCursorNotThePosition) {
    BufferAppend("0123456789");
    char *region = BufferReserve(2, 0); // 2 bytes at 0, but cursor 10 + 2 reaches 12
    EXPECT_EQ(stringBuffer.capacity, 12 + 16384);
    EXPECT_EQ(region, stringBuffer.base);
    EXPECT_EQ(stringBuffer.cursor, 2);
    EXPECT_EQ(memcmp(stringBuffer.base, "0123456789", 10), 0);
    EXPECT_EQ(BufferGiveBack(2), 2);
    EXPECT_EQ(stringBuffer.cursor, 0);
}

TEST_F(StringEngineTest, PadLeftReadsAnArgumentInTheBufferAfterTheBlockMoves) {
    StringVar neighbour = 0;
    StringVarSet(&neighbour, "neighbour");
    BufferAppend("1F");
    stringBuffer.cursor++;
    char *firstBlock = stringBuffer.base;
    PadLeft(stringBuffer.base, 12, "0", 0); // cursor 3 + 12 reaches 12: the block grows
    EXPECT_NE(stringBuffer.base, firstBlock) << "the block did not move; the test lost its point";
    EXPECT_STREQ(stringBuffer.base, "00000000001F");
    EXPECT_EQ(stringBuffer.cursor, 12);
    StringVarFree(neighbour);
}

const ProducerCase producerCases[] = {
    {"decimal 0", [](int at) { FormatDecimal32(0, at); }, "0"},
    {"decimal -7", [](int at) { FormatDecimal32(-7, at); }, "-7"},
    {"decimal INT_MIN", [](int at) { FormatDecimal32(INT_MIN, at); }, "-2147483648"},
    {"decimal INT_MAX", [](int at) { FormatDecimal32(INT_MAX, at); }, "2147483647"},
    {"hex 0x1F", [](int at) { FormatHex32(0x1F, at); }, "1F"},
    {"hex 0xABCDEF0", [](int at) { FormatHex32(0xABCDEF0, at); }, "ABCDEF0"},
    {"pad 1F to 4", [](int at) { PadLeft("1F", 4, "0", at); }, "001F"},
    {"pad ABCDE to 3", [](int at) { PadLeft("ABCDE", 3, "0", at); }, "ABC"},
    {"pad ABC to 3", [](int at) { PadLeft("ABC", 3, "0", at); }, "ABC"},
    {"pad null to 3", [](int at) { PadLeft(nullptr, 3, "0", at); }, "000"},
    {"pad empty to 3", [](int at) { PadLeft("", 3, "0", at); }, "000"},
    {"pad AB to -1", [](int at) { PadLeft("AB", -1, "0", at); }, ""},
    {"pad AB to INT_MIN", [](int at) { PadLeft("AB", INT_MIN, "0", at); }, ""},
    {"pad AB to 0", [](int at) { PadLeft("AB", 0, "0", at); }, ""},
    {"pad AB to 4, null pad", [](int at) { PadLeft("AB", 4, nullptr, at); }, "  AB"},
    {"pad AB to 4 with xyz", [](int at) { PadLeft("AB", 4, "xyz", at); }, "xxAB"},
};

TEST_F(StringEngineTest, ProducersConcatenateAtTheCursor) {
    for (const auto &c : producerCases) {
        BufferAppend("<<");
        c.produce(stringBuffer.cursor);
        EXPECT_EQ(stringBuffer.cursor, 2 + (int)strlen(c.expected)) << c.name;
        EXPECT_EQ(memcmp(stringBuffer.base, "<<", 2), 0) << c.name;
        EXPECT_STREQ(stringBuffer.base + 2, c.expected) << c.name;
        stringBuffer.cursor = 0;
    }
}

TEST_F(StringEngineTest, ProducersAtAnEarlierPositionReplaceWhatLayBehindIt) {
    for (const auto &c : producerCases) {
        BufferAppend("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        c.produce(1);
        EXPECT_EQ(stringBuffer.cursor, 1 + (int)strlen(c.expected)) << c.name;
        EXPECT_EQ(stringBuffer.base[0], 'A') << c.name;
        EXPECT_STREQ(stringBuffer.base + 1, c.expected) << c.name;
        stringBuffer.cursor = 0;
    }
}

TEST_F(StringEngineTest, AppendConcatenatesAndANullTextOnlyEndsTheText) {
    BufferAppend("ab");
    BufferAppend("cd");
    EXPECT_EQ(stringBuffer.cursor, 4);
    EXPECT_STREQ(stringBuffer.base, "abcd");
    stringBuffer.base[4] = 'x';
    BufferAppend(nullptr);
    EXPECT_EQ(stringBuffer.cursor, 4);
    EXPECT_STREQ(stringBuffer.base, "abcd");
    BufferAppend("");
    EXPECT_EQ(stringBuffer.cursor, 4);
}

// Appending copies exactly the text and its NUL, whatever the text's length and alignment, and
// grows the first block exactly when the cursor plus the length reaches its capacity - 4.
TEST_F(StringEngineTest, AppendCopiesEveryLengthAndAlignmentAndGrowsAtTheEdge) {
    alignas(8) char source[40];
    for (int cursor : {0, 5, 11}) {
        for (int align = 0; align < 4; align++) {
            for (int length = 0; length <= 20; length++) {
                HeapDestroy(StringHeap);
                InitStringEngine();
                memset(stringBuffer.base, 'X', 16);
                stringBuffer.cursor = cursor;
                // The text, then bytes that are not part of it.
                memset(source, 'Z', sizeof source);
                char *text = source + align;
                for (int i = 0; i < length; i++) {
                    text[i] = Pattern(i);
                }
                text[length] = 0;

                BufferAppend(text);
                SCOPED_TRACE(testing::Message() << "cursor " << cursor << ", alignment " << align
                                                << ", length " << length);
                bool grows = cursor + length >= 12;
                EXPECT_EQ(stringBuffer.capacity, grows ? cursor + length + 16384 : 16);
                EXPECT_EQ(stringBuffer.cursor, cursor + length);
                EXPECT_EQ(memcmp(stringBuffer.base + cursor, text, length + 1), 0);
                EXPECT_EQ(std::string(stringBuffer.base, cursor), std::string(cursor, 'X'));
                if (!grows) { // nothing is written behind the NUL
                    int untouched = 0;
                    for (int i = cursor + length + 1; i < 16; i++) {
                        untouched += stringBuffer.base[i] == 'X';
                    }
                    EXPECT_EQ(untouched, 16 - (cursor + length + 1));
                }
            }
        }
    }
}

// A word copy reads and writes nothing beyond the length and the NUL, at any alignment.
TEST(CopyTextWords, CopiesExactlyTheLengthAndANul) {
    alignas(8) char source[24];
    alignas(8) char destination[24];
    for (int offset = 0; offset < 4; offset++) {
        for (int length = 0; length <= 13; length++) {
            memset(source, 'Z', sizeof source);
            for (int i = 0; i < length; i++) {
                source[offset + i] = (char)('a' + i);
            }
            memset(destination, '#', sizeof destination);
            char *copy = destination + 4 - offset;
            CopyTextWords(copy, source + offset, length);
            EXPECT_EQ(memcmp(copy, source + offset, length), 0) << offset << "/" << length;
            EXPECT_EQ(copy[length], 0) << offset << "/" << length;
            int guarded = 0;
            for (int i = 0; i < (int)sizeof destination; i++) {
                guarded += (destination + i < copy || destination + i > copy + length) &&
                           destination[i] == '#';
            }
            EXPECT_EQ(guarded, (int)sizeof destination - (length + 1)) << offset << "/" << length;
        }
    }
}

// A text argument in the buffer that overlaps the field: it is read whole before the field
// covers it, whichever way it moves.
TEST_F(StringEngineTest, PadLeftMovesAnArgumentThatOverlapsTheField) {
    const struct {
        int text; // the argument's position in "ABCDEFGH"
        int width;
        int position; // where the field goes
        const char *expected;
    } cases[] = {
        {3, 4, 0, "DEFG"},        // longer than the width: its first characters
        {5, 6, 1, "000FGH"},      // moved left over itself
        {2, 6, 2, "CDEFGH"},      // in place
        {0, 10, 0, "00ABCDEFGH"}, // moved right over itself, as the generator's fields are
        {1, 9, 0, "00BCDEFGH"},   // moved right from a little further right
    };
    for (const auto &c : cases) {
        stringBuffer.cursor = 0;
        BufferAppend("ABCDEFGH");
        stringBuffer.cursor++;
        PadLeft(stringBuffer.base + c.text, c.width, "0", c.position);
        EXPECT_STREQ(stringBuffer.base + c.position, c.expected) << c.expected;
        EXPECT_EQ(stringBuffer.cursor, c.position + c.width) << c.expected;
    }
}

TEST_F(StringEngineTest, OffsetsCoverTheUsedPartAndItsEnd) {
    BufferAppend("abc");
    const char *base = stringBuffer.base;
    const struct {
        const void *address;
        int offset;
    } cases[] = {{base, 1},     {base + 2, 3}, {base + 3, 4}, // the NUL at the cursor
                 {base + 4, 0}, {base - 1, 0}, {nullptr, 0},  {"abc", 0}, {&cases[0], 0}};
    for (const auto &c : cases) {
        EXPECT_EQ(BufferOffsetOf(c.address), c.offset) << c.address;
        if (c.offset) {
            EXPECT_EQ(BufferPointerAt(c.offset), c.address);
        }
    }
}

TEST_F(StringEngineTest, AssignmentTakesTheRangeFromTheMarkIntoALengthPlus5Block) {
    StringVar text = 0;
    BufferAppend("head");
    int mark = stringBuffer.cursor;
    BufferAppend("tail!");
    StringVarAssignFromBuffer(&text, mark);
    EXPECT_STREQ(text, "tail!");
    EXPECT_EQ(BlockSize(text), 10);
    EXPECT_EQ(stringBuffer.cursor, mark);

    BufferAppend("xy"); // the variable's block is resized
    StringVarAssignFromBuffer(&text, mark);
    EXPECT_STREQ(text, "xy");
    EXPECT_EQ(BlockSize(text), 7);

    StringVarAssignFromBuffer(&text, mark); // an empty range is the empty text, not null
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(BlockSize(text), 5);
    StringVar fresh = 0;
    StringVarAssignFromBuffer(&fresh, mark);
    ASSERT_NE(fresh, nullptr);
    EXPECT_STREQ(fresh, "");
    EXPECT_EQ(BlockSize(fresh), 5);
    EXPECT_EQ(stringBuffer.cursor, mark);
    EXPECT_EQ(memcmp(stringBuffer.base, "head", 4), 0);

    EXPECT_EQ(CountBusyBlocks(StringHeap), 3);
    StringVarFree(text);
    StringVarFree(fresh);
    StringVarFree(nullptr);
    EXPECT_EQ(CountBusyBlocks(StringHeap), 1);
}

TEST_F(StringEngineTest, SetCopiesOrEmptiesAndReturnsLengthPlusOne) {
    const struct {
        const char *before; // null: the variable starts null
        const char *text;
        int result;
    } cases[] = {
        {nullptr, "AB", 3},        {nullptr, nullptr, 1},    {nullptr, "", 1},
        {"old text", "AB", 3},     {"old text", nullptr, 1}, {"old text", "", 1},
        {"AB", "longer text", 12},
    };
    for (const auto &c : cases) {
        StringVar text = 0;
        StringVarInit(&text, c.before);
        EXPECT_EQ(StringVarSet(&text, c.text), c.result) << c.text;
        if (!c.text) {
            EXPECT_EQ(text, nullptr);
            EXPECT_EQ(CountBusyBlocks(StringHeap), 1) << "the old block is released";
            continue;
        }
        ASSERT_NE(text, nullptr) << c.text;
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(BlockSize(text), (int)strlen(c.text) + 5);
        EXPECT_EQ(CountBusyBlocks(StringHeap), 2);
        StringVarFree(text);
    }
}

TEST_F(StringEngineTest, SetTakesATextFromTheVariablesOwnBlock) {
    StringVar text = 0;
    StringVarSet(&text, "old text");
    EXPECT_EQ(StringVarSet(&text, text), 9);
    EXPECT_STREQ(text, "old text");
    EXPECT_EQ(StringVarSet(&text, text + 4), 5);
    EXPECT_STREQ(text, "text");
    EXPECT_EQ(BlockSize(text), 9);
    EXPECT_EQ(StringVarSet(&text, text + 4), 1);
    EXPECT_STREQ(text, "");
    StringVarFree(text);
}

TEST_F(StringEngineTest, InitCopiesATextAndLeavesTheVariableAloneForNull) {
    StringVar text = 0;
    StringVarInit(&text, nullptr);
    EXPECT_EQ(text, nullptr);
    StringVarInit(&text, "abc");
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(BlockSize(text), 8);
    StringVar kept = text;
    StringVarInit(&text, nullptr);
    EXPECT_EQ(text, kept);
    StringVarFree(text);
}

// A request the heap cannot supply ends the process with exit code 0 instead of writing through a
// null block; so does a width whose block a 32-bit size cannot describe.
TEST(StringEngineDeathTest, AWidthTheHeapCannotSupplyEndsTheProcessQuietly) {
    EXPECT_EXIT(PadLeft("x", 0x70000000, "0", stringBuffer.cursor), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            BufferAppend("0123456789");
            PadLeft("x", INT_MAX - 5, "0", stringBuffer.cursor);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
