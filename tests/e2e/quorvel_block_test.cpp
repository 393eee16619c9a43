// "Start" as a user presses it: the block it writes, for the count the spin box shows.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// Checks the block's shape and that its identifiers are fresh ones: all different, of the
// random kind (version 4, RFC variant) that the system's generator makes.
void ExpectBlockOf(int count, const std::string &text) {
    BlockShape block = ReadBlock(text);
    ASSERT_TRUE(block.valid) << block.fault << "\n" << text;
    EXPECT_EQ(count, block.count);
    std::set<std::string> distinct(block.identifiers.begin(), block.identifiers.end());
    EXPECT_EQ(block.identifiers.size(), distinct.size());
    std::vector<std::string> lines = SplitLines(text);
    for (int i = 0; i < block.count; i++) {
        const std::string &words = lines[3 + 5 * i]; // "  Data.w $XXXX, $4XXX"
        const std::string &bytes = lines[4 + 5 * i]; // "  Data.b $[89AB]X, ..."
        EXPECT_EQ('4', words[17]) << words;
        EXPECT_NE(std::string::npos, std::string("89AB").find(bytes[10])) << bytes;
    }
}

TEST(QuorvelStart, OneIdentifierAtStart) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string text;
    ASSERT_TRUE(tool.StartAndWait(&text)) << "no block after a click on Start";
    EXPECT_EQ(7u, SplitLines(text).size());
    ExpectBlockOf(1, text);
    EXPECT_EQ("1", tool.CountText());
}

TEST(QuorvelStart, SecondStartReplacesTheBlock) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string first, second;
    ASSERT_TRUE(tool.StartAndWait(&first));
    ASSERT_TRUE(tool.StartAndWait(&second));
    ExpectBlockOf(1, second);
    // One block, not two, and another identifier.
    EXPECT_EQ(first.size(), second.size());
    EXPECT_NE(ReadBlock(first).identifiers, ReadBlock(second).identifiers);
}

TEST(QuorvelStart, ArrowsStepTheCountUpTo99) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;

    // One click on each arrow steps by one; below 1 there is nothing.
    POINT up = tool.UpArrow(), down = tool.DownArrow();
    ClickAt(up.x, up.y);
    ASSERT_TRUE(WaitUntil([&] { return tool.CountText() == "2"; })) << tool.CountText();
    ClickAt(down.x, down.y);
    ASSERT_TRUE(WaitUntil([&] { return tool.CountText() == "1"; })) << tool.CountText();
    ClickAt(down.x, down.y);
    ClickAt(up.x, up.y);
    ASSERT_TRUE(WaitUntil([&] { return tool.CountText() == "2"; })) << tool.CountText();
    for (int expected = 3; expected <= 5; expected++) {
        ClickAt(up.x, up.y);
        ASSERT_TRUE(WaitUntil([&] { return tool.CountText() == std::to_string(expected); }));
    }

    // Holding the up arrow runs up to the top of the range and stops there.
    MoveMouseTo(up.x, up.y);
    PressMouseButton();
    bool reached = WaitUntil([&] { return tool.CountText() == "99"; }, 60000);
    ReleaseMouseButton();
    ASSERT_TRUE(reached) << tool.CountText();
    ClickAt(up.x, up.y);

    std::string text;
    ASSERT_TRUE(tool.StartAndWait(&text));
    EXPECT_EQ(497u, SplitLines(text).size());
    ExpectBlockOf(99, text);
    EXPECT_EQ("99", tool.CountText());
}

TEST(QuorvelStart, TypedCountsStayInRange) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;

    // A number in range is taken as typed; anything else never leads outside 1 to 99.
    struct TypedCount {
        const char *text;
        int expected; // 0: any count from 1 to 99
    } cases[] = {
        {"12", 12}, {"abc", 0},   {"0", 0},      {"100", 0}, {"-5", 0},  {"", 0},
        {"500", 0}, {"65537", 0}, {"999999", 0}, {"7x", 0},  {"99", 99}, {" ", 0},
    };
    for (const TypedCount &typed : cases) {
        SCOPED_TRACE(std::string("typed \"") + typed.text + "\"");
        ASSERT_TRUE(tool.TypeCount(typed.text)) << tool.fault;
        std::string text;
        ASSERT_TRUE(tool.StartAndWait(&text));
        BlockShape block = ReadBlock(text);
        ASSERT_TRUE(block.valid) << block.fault;
        if (typed.expected) {
            EXPECT_EQ(typed.expected, block.count);
        } else {
            EXPECT_GE(block.count, 1);
            EXPECT_LE(block.count, 99);
        }
    }
    EXPECT_TRUE(tool.IsRunning());
}

} // namespace
