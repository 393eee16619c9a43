// The button: clicks arriving through WaitEvent, the check state of check boxes, the caption.
#include "control_fixture.h"

#include "controls/button.h"

namespace {

class ButtonTest : public ControlTest {
  protected:
    // Waits for the click event of a control and reports whether it came with detail 0.
    bool WaitForClick(ObjectNumber number) {
        while (WaitForEvent(EVENT_CONTROL)) {
            if (EventSource() == number) {
                return EventDetail() == BN_CLICKED;
            }
        }
        return false;
    }
};

TEST_F(ButtonTest, ClickArrivesAsControlEventWithDetailZero) {
    HWND start = (HWND)CreateButton(1, 10, 270, 100, 25, "Start");
    CreateButton(2, 120, 270, 100, 25, "Copy");
    ASSERT_NE((HWND)0, start);
    PostMessageA(start, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitForClick(1));
    EXPECT_EQ(TEST_WINDOW, EventWindow());
    EXPECT_EQ(0, DrainEvents(EVENT_CONTROL));
}

// A click made with the mouse: the pointer moved onto the button, the left button pressed and
// released as hardware input.
TEST_F(ButtonTest, MouseClickArrivesAsControlEvent) {
    HWND copy = (HWND)CreateButton(2, 120, 270, 100, 25, "Copy");
    SetForegroundWindow(window);
    UpdateWindow(window);
    // Input goes to the foreground window: the switch is settled before the click is made.
    for (DWORD start = GetTickCount();
         GetForegroundWindow() != window && GetTickCount() - start < 2000;) {
        WaitEvent(10);
    }
    ASSERT_EQ(window, GetForegroundWindow());
    DrainEvents(0);
    RECT area;
    GetWindowRect(copy, &area);
    int x = (area.left + area.right) / 2;
    int y = (area.top + area.bottom) / 2;
    INPUT input[3] = {};
    for (INPUT &one : input) {
        one.type = INPUT_MOUSE;
        one.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        one.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    // The press and the release carry the button's point as well, as a mouse reports each event
    // where it happens: under Wine the X pointer's echo of where the cursor came from can reach
    // the cursor after the move, and a press without a point of its own lands where that left it.
    input[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    input[2].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    // The pointer reaches the button before the button goes down.
    ASSERT_EQ(1u, SendInput(1, input, sizeof(INPUT)));
    POINT cursor = {};
    for (DWORD start = GetTickCount(); GetTickCount() - start < 2000;) {
        WaitEvent(10);
        GetCursorPos(&cursor);
        if (cursor.x == x && cursor.y == y) {
            break;
        }
    }
    ASSERT_EQ(copy, WindowFromPoint(cursor)) << cursor.x << ", " << cursor.y;
    ASSERT_EQ(2u, SendInput(2, input + 1, sizeof(INPUT)));
    EXPECT_TRUE(WaitForClick(2));
}

TEST_F(ButtonTest, CheckBoxStateIsBitZeroOfTheCheck) {
    HWND box = (HWND)CreateButton(1, 10, 10, 100, 25, "Box", BS_AUTOCHECKBOX);
    EXPECT_EQ(0, GetControlState(1));
    SetControlState(1, 5);
    EXPECT_EQ(BST_CHECKED, SendMessageA(box, BM_GETCHECK, 0, 0));
    EXPECT_EQ(1, GetControlState(1));
    SetControlState(1, 0);
    EXPECT_EQ(0, GetControlState(1));
    // A click on an automatic check box checks it, and still reaches the program.
    PostMessageA(box, BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitForClick(1));
    EXPECT_EQ(1, GetControlState(1));

    HWND three = (HWND)CreateButton(2, 10, 40, 100, 25, "Three", BS_AUTO3STATE);
    SendMessageA(three, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(0, GetControlState(2));
    SetControlState(2, -1);
    EXPECT_EQ(1, GetControlState(2));

    CreateButton(3, 10, 70, 100, 25, "Push");
    SetControlState(3, 1);
    EXPECT_EQ(0, GetControlState(3));
}

TEST_F(ButtonTest, CaptionAndStyle) {
    HWND start = (HWND)CreateButton(1, 10, 270, 100, 25, "Start");
    EXPECT_EQ("Start", ControlText(1));
    EXPECT_EQ(0x50030000, GetWindowLongA(start, GWL_STYLE) & 0xFFFF0000);
    EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongA(start, GWL_STYLE) & 0xF);
    char className[16] = "";
    GetClassNameA(start, className, sizeof className);
    EXPECT_STRCASEEQ("Button", className);
    RECT area;
    GetWindowRect(start, &area);
    MapWindowPoints(0, window, (POINT *)&area, 2);
    EXPECT_EQ(10, area.left);
    EXPECT_EQ(270, area.top);
    EXPECT_EQ(100, area.right - area.left);
    EXPECT_EQ(25, area.bottom - area.top);

    HWND empty = (HWND)CreateButton(2, 10, 10, 100, 25, nullptr);
    ASSERT_NE((HWND)0, empty);
    EXPECT_EQ(0, GetWindowTextLengthA(empty));
    EXPECT_EQ("", ControlText(2));

    // Flags add styles; the button stays a tab stop that starts a group.
    HWND box = (HWND)CreateButton(3, 10, 40, 100, 25, "Box", BS_AUTOCHECKBOX | WS_DISABLED);
    LONG style = GetWindowLongA(box, GWL_STYLE);
    EXPECT_EQ(BS_AUTOCHECKBOX, style & 0xF);
    EXPECT_TRUE(style & WS_GROUP);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_TRUE(style & WS_DISABLED);
}

TEST_F(ButtonTest, DestroyedButtonReadsZero) {
    HWND box = (HWND)CreateButton(1, 10, 10, 100, 25, "Box", BS_AUTOCHECKBOX);
    SetControlState(1, 1);
    DestroyWindow(box);
    EXPECT_EQ(0, GetControlState(1));
    EXPECT_EQ("", ControlText(1));
}

} // namespace
