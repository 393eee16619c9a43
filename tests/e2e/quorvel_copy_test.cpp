// "Copy" as a user presses it: the text area's text on the clipboard, as plain text.
#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

const char SENTINEL[] = "left on the clipboard before Copy";

// Puts the sentinel on the clipboard, clicks Copy, and waits until the clipboard holds something
// else; that is returned in copied.
bool CopyAndWait(QuorvelTool &tool, std::string *copied) {
    if (!WaitUntil([] { return WriteClipboardText(SENTINEL); })) {
        return false;
    }
    ClickWindow(tool.copyButton);
    return WaitUntil([copied] { return ReadClipboardText(copied) && *copied != SENTINEL; });
}

TEST(QuorvelCopy, BeforeStartCopiesAnEmptyText) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string copied;
    ASSERT_TRUE(CopyAndWait(tool, &copied)) << "the clipboard still holds: " << copied;
    EXPECT_EQ("", copied);
    EXPECT_EQ("", tool.Text());
}

TEST(QuorvelCopy, AfterStartCopiesTheTextByteForByte) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string text;
    ASSERT_TRUE(tool.TypeCount("3")) << tool.fault;
    ASSERT_TRUE(tool.StartAndWait(&text));

    std::string copied;
    ASSERT_TRUE(CopyAndWait(tool, &copied));
    EXPECT_EQ(text, copied);
    EXPECT_EQ(3, ReadBlock(copied).count);
    // Copy leaves the text area as it was, and copies the same text again.
    EXPECT_EQ(text, tool.Text());
    ASSERT_TRUE(CopyAndWait(tool, &copied));
    EXPECT_EQ(text, copied);
}

} // namespace
