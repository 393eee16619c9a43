// The main window as a user first sees it: caption, size, frame and the five controls.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

TEST(QuorvelWindow, CaptionSizeAndFrame) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;

    char caption[64] = "";
    GetWindowTextA(tool.mainWindow, caption, sizeof caption);
    EXPECT_STREQ("Quorvel v1.01", caption);

    RECT client = {};
    GetClientRect(tool.mainWindow, &client);
    EXPECT_EQ(600, client.right - client.left);
    EXPECT_EQ(300, client.bottom - client.top);

    // A title bar with its system menu and close box; no sizing border, no minimise or maximise
    // box; shown, neither minimised nor maximised.
    LONG style = GetWindowLongA(tool.mainWindow, GWL_STYLE);
    EXPECT_EQ(WS_CAPTION, style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(IsIconic(tool.mainWindow));
    EXPECT_FALSE(IsZoomed(tool.mainWindow));
    EXPECT_EQ(0, GetParent(tool.mainWindow));
    EXPECT_EQ(0, GetMenu(tool.mainWindow));
}

TEST(QuorvelWindow, ControlsWhereTheyBelong) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;

    struct Placement {
        const char *name;
        HWND window;
        LONG x, y, width, height;
    } placements[] = {
        {"text area", tool.textArea, 0, 0, 600, 260},
        {"Start", tool.startButton, 10, 270, 100, 25},
        {"Copy", tool.copyButton, 120, 270, 100, 25},
        {"count field", tool.countEdit, 230, 270, 68, 25},
        {"count arrows", tool.countUpDown, 298, 270, 12, 25},
        {"Exit", tool.exitButton, 490, 270, 100, 25},
    };
    for (const Placement &placement : placements) {
        SCOPED_TRACE(placement.name);
        RECT area = RectInClientOf(placement.window, tool.mainWindow);
        EXPECT_EQ(placement.x, area.left);
        EXPECT_EQ(placement.y, area.top);
        EXPECT_EQ(placement.width, area.right - area.left);
        EXPECT_EQ(placement.height, area.bottom - area.top);
        EXPECT_TRUE(IsWindowVisible(placement.window));
        EXPECT_TRUE(IsWindowEnabled(placement.window));
    }

    // Nothing else lies in the window.
    int children = 0;
    for (HWND child = GetWindow(tool.mainWindow, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children++;
    }
    EXPECT_EQ(6, children);

    // Push buttons, a multi-line rich-text area, and a count field right-aligned beside its arrows.
    for (HWND button : {tool.startButton, tool.copyButton, tool.exitButton}) {
        EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK);
    }
    EXPECT_TRUE(GetWindowLongA(tool.textArea, GWL_STYLE) & ES_MULTILINE);
    EXPECT_TRUE(GetWindowLongA(tool.countEdit, GWL_STYLE) & ES_RIGHT);
    EXPECT_EQ(tool.countEdit, (HWND)SendMessageA(tool.countUpDown, UDM_GETBUDDY, 0, 0));
}

TEST(QuorvelWindow, StartsWithCountOneAndEmptyText) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    EXPECT_EQ("1", tool.CountText());
    EXPECT_EQ("", tool.Text());
}

} // namespace
