// Keyboard navigation in the real program: Tab and Shift+Tab typed into the running tool.
#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// A name for each control, for readable failures.
std::string NameOf(const QuorvelTool &tool, HWND window) {
    if (window == tool.countEdit) {
        return "count field";
    }
    if (window == tool.startButton) {
        return "Start";
    }
    if (window == tool.copyButton) {
        return "Copy";
    }
    if (window == tool.exitButton) {
        return "Exit";
    }
    if (window == tool.textArea) {
        return "text area";
    }
    return window ? WindowClass(window) : "(none)";
}

// Types Tab (or Shift+Tab) and waits until the focus is on the expected control.
::testing::AssertionResult TabTo(const QuorvelTool &tool, bool shift, HWND expected) {
    if (shift) {
        PressKeyWith(VK_SHIFT, VK_TAB);
    } else {
        PressKey(VK_TAB);
    }
    if (WaitUntil([&] { return FocusOf(tool.mainWindow) == expected; })) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << (shift ? "Shift+Tab" : "Tab") << " went to " << NameOf(tool, FocusOf(tool.mainWindow))
           << ", not to " << NameOf(tool, expected);
}

TEST(QuorvelFocus, TabWalksTheControlsInTheOrderOfTheirCreation) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    // The count field is the first control made (its arrows are no tab stop), the text area the
    // last.
    const HWND order[] = {tool.countEdit, tool.startButton, tool.copyButton, tool.exitButton,
                          tool.textArea};
    ClickWindow(tool.countEdit);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(tool.mainWindow) == tool.countEdit; }));

    // Start, then Copy, Exit and the text area.
    for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i) {
        EXPECT_TRUE(TabTo(tool, false, order[i]));
    }
    // Back again, and from the first control around to the last.
    for (size_t i = sizeof order / sizeof order[0] - 1; i > 0; --i) {
        EXPECT_TRUE(TabTo(tool, true, order[i - 1]));
    }
    EXPECT_TRUE(TabTo(tool, true, tool.textArea));
    // No key pressed a button on the way: the text area is still empty.
    EXPECT_EQ("", tool.Text());
}

} // namespace
