// Careless and impatient users of the real tool: counts that are no count, clicks faster than the
// tool can act on them, Tab held down. The tool keeps running and never writes a block of a count
// outside 1 to 99.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// The count field's number, or 0 when it shows no number from 1 to 99.
int CountShown(const QuorvelTool &tool) {
    std::string text = tool.CountText();
    if (text.empty() || text.size() > 2 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    int count = std::stoi(text);
    return count >= 1 && count <= 99 ? count : 0;
}

// Clicks Start and checks the new block: whole, of a count from 1 to 99, and of the count the
// field shows when it shows one.
void ExpectBlockInRange(QuorvelTool &tool) {
    std::string text;
    ASSERT_TRUE(tool.StartAndWait(&text)) << "no new block after a click on Start";
    BlockShape block = ReadBlock(text);
    ASSERT_TRUE(block.valid) << block.fault;
    EXPECT_GE(block.count, 1);
    EXPECT_LE(block.count, 99);
    if (CountShown(tool)) {
        EXPECT_EQ(CountShown(tool), block.count);
    }
}

// Replaces the count field's text with the clipboard's, as Ctrl+V does.
bool PasteCount(QuorvelTool &tool, const std::string &text) {
    if (!WriteClipboardText(text) || !tool.TypeCount("")) {
        return false;
    }
    PressKeyWith(VK_CONTROL, 'V');
    return WaitUntil([&] { return !tool.CountText().empty(); });
}

TEST(QuorvelBadInput, CountsThatAreNoCountStillGiveABlockInRange) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    POINT up = tool.UpArrow(), down = tool.DownArrow();
    // Typed, then the arrows: an arrow goes on from a count in range, whatever the field held.
    const char *const typed[] = {"", "abc", "-5", "0", "100", "65535", "99999", "1e3"};
    for (const char *text : typed) {
        SCOPED_TRACE(std::string("typed \"") + text + "\"");
        ASSERT_TRUE(tool.TypeCount(text)) << tool.fault;
        ExpectBlockInRange(tool);
        for (POINT arrow : {up, down}) {
            ClickAt(arrow.x, arrow.y);
            ASSERT_TRUE(WaitUntil([&] { return CountShown(tool) != 0; })) << tool.CountText();
            ExpectBlockInRange(tool);
        }
    }
    // Pasted: a long number (the field keeps what fits its width), letters, a negative number with
    // spaces, two lines.
    const std::string pasted[] = {std::string(200, '9'), "twelve", "  -7  ", "12\r\n34"};
    for (const std::string &text : pasted) {
        SCOPED_TRACE("pasted \"" + text.substr(0, 20) + "\"");
        ASSERT_TRUE(PasteCount(tool, text)) << tool.fault;
        ExpectBlockInRange(tool);
    }
    EXPECT_TRUE(tool.IsRunning());
}

// Clicks the window's middle as fast as input can be sent: no wait between the clicks.
void ClickRapidly(HWND window, int clicks) {
    POINT centre = WindowCentre(window);
    MoveMouseTo(centre.x, centre.y);
    for (int i = 0; i < clicks; i++) {
        PressMouseButton();
        ReleaseMouseButton();
    }
}

TEST(QuorvelBadInput, RapidClicksLeaveAWholeBlockAndItsCopy) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;

    // The up arrow far more often than the range allows, then the down arrow: the count stops at
    // each end.
    POINT up = tool.UpArrow(), down = tool.DownArrow();
    MoveMouseTo(up.x, up.y);
    for (int i = 0; i < 150; i++) {
        PressMouseButton();
        ReleaseMouseButton();
    }
    EXPECT_TRUE(WaitUntil([&] { return tool.CountText() == "99"; })) << tool.CountText();
    ExpectBlockInRange(tool);
    MoveMouseTo(down.x, down.y);
    for (int i = 0; i < 150; i++) {
        PressMouseButton();
        ReleaseMouseButton();
    }
    EXPECT_TRUE(WaitUntil([&] { return tool.CountText() == "1"; })) << tool.CountText();

    // Start and Copy hammered in turn: once the clicks have been worked off, the text area holds
    // one whole block of the count shown and the clipboard a copy of it.
    ASSERT_TRUE(tool.TypeCount("3")) << tool.fault;
    ASSERT_TRUE(WriteClipboardText("before the clicks"));
    for (int round = 0; round < 5; round++) {
        ClickRapidly(tool.startButton, 20);
        ClickRapidly(tool.copyButton, 20);
    }
    std::string text, copied;
    bool settled = WaitUntil([&] {
        text = tool.Text();
        return ReadClipboardText(&copied) && copied == text && IsCompleteBlock(text);
    });
    ASSERT_TRUE(settled) << "text area:\n" << text << "\nclipboard:\n" << copied;
    BlockShape block = ReadBlock(text);
    EXPECT_EQ(3, block.count);
    EXPECT_EQ("3", tool.CountText());
    EXPECT_TRUE(tool.IsRunning());
}

TEST(QuorvelBadInput, TabHeldDownWalksToTheTextAreaAndTypesTabsThere) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string block;
    ASSERT_TRUE(tool.StartAndWait(&block));
    ClickWindow(tool.countEdit);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(tool.mainWindow) == tool.countEdit; }));

    // Held down: the key repeats without being let go. Four repeats walk from the count field over
    // Start, Copy and Exit to the text area, which takes every further Tab as a character; no
    // button is pressed on the way.
    const int repeats = 200;
    for (int i = 0; i < repeats; i++) {
        KeyDown(VK_TAB);
    }
    KeyUp(VK_TAB);
    std::string text;
    bool typed = WaitUntil([&] {
        text = tool.Text();
        return std::count(text.begin(), text.end(), '\t') == repeats - 4;
    });
    EXPECT_TRUE(typed) << std::count(text.begin(), text.end(), '\t') << " tabs";
    EXPECT_EQ(tool.textArea, FocusOf(tool.mainWindow));
    text.erase(std::remove(text.begin(), text.end(), '\t'), text.end());
    EXPECT_EQ(block, text) << "the text changed otherwise";

    // Shift+Tab held down goes round the five controls and types nothing: 200 steps back end on the
    // text area again, where one more Tab, once it shows, marks that all have been worked off.
    KeyDown(VK_SHIFT);
    for (int i = 0; i < repeats; i++) {
        KeyDown(VK_TAB);
    }
    KeyUp(VK_TAB);
    KeyUp(VK_SHIFT);
    PressKey(VK_TAB);
    typed = WaitUntil([&] {
        text = tool.Text();
        return std::count(text.begin(), text.end(), '\t') == repeats - 4 + 1;
    });
    EXPECT_TRUE(typed) << std::count(text.begin(), text.end(), '\t') << " tabs";
    text.erase(std::remove(text.begin(), text.end(), '\t'), text.end());
    EXPECT_EQ(block, text);
    EXPECT_EQ("1", tool.CountText());
    EXPECT_TRUE(tool.IsRunning());
    ExpectBlockInRange(tool);
}

} // namespace
