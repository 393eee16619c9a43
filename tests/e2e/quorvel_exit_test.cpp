// Ending the tool the ways a user can: "Exit", the close box, Alt+F4, and a close request from
// outside. Each ends the process with exit code 0.
#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// Clicks the close box in the main window's title bar, after checking that the window places
// it there.
void ClickCloseBox(QuorvelTool &tool) {
    RECT area = {};
    GetWindowRect(tool.mainWindow, &area);
    int frame = GetSystemMetrics(SM_CYFIXEDFRAME);
    int x = area.right - frame - GetSystemMetrics(SM_CXSIZE) / 2 - 1;
    int y = area.top + frame + GetSystemMetrics(SM_CYCAPTION) / 2;
    LRESULT hit = SendMessageA(tool.mainWindow, WM_NCHITTEST, 0, MAKELPARAM(x, y));
    ASSERT_EQ(HTCLOSE, hit) << "no close box at " << x << ", " << y;
    ClickAt(x, y);
}

void PressAltF4(QuorvelTool &tool) {
    ClickWindow(tool.textArea);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == tool.mainWindow; }));
    PressKeyWith(VK_MENU, VK_F4);
}

struct Ending {
    const char *name;
    void (*end)(QuorvelTool &tool);
} endings[] = {
    {"Exit", [](QuorvelTool &tool) { ClickWindow(tool.exitButton); }},
    {"close box", ClickCloseBox},
    {"Alt+F4", PressAltF4},
    {"WM_CLOSE", [](QuorvelTool &tool) { PostMessageA(tool.mainWindow, WM_CLOSE, 0, 0); }},
};

TEST(QuorvelExit, EveryWayEndsWithExitCodeZero) {
    for (const Ending &ending : endings) {
        SCOPED_TRACE(ending.name);
        QuorvelTool tool;
        ASSERT_TRUE(tool.Launch()) << tool.fault;
        ending.end(tool);
        DWORD exitCode = 1;
        ASSERT_TRUE(tool.WaitForExit(&exitCode)) << "still running";
        EXPECT_EQ(0u, exitCode);
    }
}

// Another program sends WM_CLOSE while the tool idles behind a window of that program: the tool
// ends at once, with no input to wake it. In the background it has no caret blinking and nothing
// else that would post it a message.
TEST(QuorvelExit, ACloseRequestSentWhileInTheBackgroundEndsTheTool) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    HWND front = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "in front", WS_POPUP | WS_VISIBLE, 0, 0,
                                 1024, 768, 0, 0, GetModuleHandleA(0), 0);
    ASSERT_TRUE(front);
    ClickWindow(front);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == front; }));
    DWORD_PTR answer = 1;
    EXPECT_TRUE(
        SendMessageTimeoutA(tool.mainWindow, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(0u, answer);
    DWORD exitCode = 1;
    EXPECT_TRUE(tool.WaitForExit(&exitCode)) << "still running";
    EXPECT_EQ(0u, exitCode);
    DestroyWindow(front);
}

TEST(QuorvelExit, ExitAfterWorkEndsWithExitCodeZero) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string text;
    ASSERT_TRUE(tool.TypeCount("20")) << tool.fault;
    ASSERT_TRUE(tool.StartAndWait(&text));
    ClickWindow(tool.copyButton);
    ClickWindow(tool.exitButton);
    DWORD exitCode = 1;
    ASSERT_TRUE(tool.WaitForExit(&exitCode));
    EXPECT_EQ(0u, exitCode);
}

} // namespace
