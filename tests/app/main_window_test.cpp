// The main window, its handlers and the event loop, run in this process on real windows.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "controls/control_core.h"
#include "controls/spin_box.h"
#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "windows/events.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"
#include "test_support.h"

#include <commctrl.h>

namespace {

int LineCount(const std::string &text) {
    if (text.empty()) {
        return 0;
    }
    int lines = 1;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        lines++;
    }
    return lines;
}

// Sets the fields that the getters give the handlers, as the window procedure does.
void SetEvent(ObjectNumber window, ObjectNumber source, int detail) {
    EventState *state = (EventState *)StateBlockGet(eventState);
    state->window = window;
    state->source = source;
    state->detail = detail;
}

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        quitFlag = 0;
        ASSERT_TRUE(StartMainWindow());
        ASSERT_TRUE(WindowHandleOf(WINDOW_MAIN));
    }
    void TearDown() override {
        ShutdownLibraries();
        quitFlag = 0;
    }
};

TEST_F(MainWindowTest, OpensTheWindowWithItsFiveControls) {
    HWND main = WindowHandleOf(WINDOW_MAIN);
    char caption[32] = "";
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_STREQ("Quorvel v1.01", caption);
    RECT client = {};
    GetClientRect(main, &client);
    EXPECT_EQ(600, client.right);
    EXPECT_EQ(300, client.bottom);

    struct Expected {
        ObjectNumber number;
        int kind;
        const char *text;
    } controls[] = {
        {CONTROL_COUNT, KIND_SPIN_BOX, "1"}, {CONTROL_START, KIND_BUTTON, "Start"},
        {CONTROL_COPY, KIND_BUTTON, "Copy"}, {CONTROL_EXIT, KIND_BUTTON, "Exit"},
        {CONTROL_TEXT, KIND_TEXT_AREA, ""},
    };
    for (const Expected &expected : controls) {
        SCOPED_TRACE(expected.number);
        ControlRecord *record = (ControlRecord *)ObjectTableFind(controlTable, expected.number);
        ASSERT_TRUE(record);
        EXPECT_EQ(expected.kind, record->ops->kind);
        EXPECT_EQ(main, GetParent(record->handle));
        EXPECT_EQ(expected.text, ControlText(expected.number));
    }
    ControlRecord *count = (ControlRecord *)ObjectTableFind(controlTable, CONTROL_COUNT);
    EXPECT_EQ(1, count->ops->getAttribute(count, ATTR_MINIMUM));
    EXPECT_EQ(99, count->ops->getAttribute(count, ATTR_MAXIMUM));
    EXPECT_EQ(1, GetControlState(CONTROL_COUNT));
}

TEST_F(MainWindowTest, ShutdownClosesTheWindowAndReleasesTheControls) {
    HWND main = WindowHandleOf(WINDOW_MAIN);
    ShutdownLibraries();
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(0, WindowHandleOf(WINDOW_MAIN));
    for (ObjectNumber number = CONTROL_COUNT; number <= CONTROL_TEXT; number++) {
        EXPECT_EQ(nullptr, ObjectTableFind(controlTable, number)) << number;
    }
}

TEST_F(MainWindowTest, ControlEventsActOnlyOnAButtonClick) {
    SetControlState(CONTROL_COUNT, 3);
    ASSERT_TRUE(WriteClipboardText("before"));
    // Events that change nothing: the spin box's steps and edit notifications, the text area's
    // notifications, other notifications of the buttons, unknown controls.
    struct Ignored {
        ObjectNumber source;
        int detail;
    } ignored[] = {
        {CONTROL_COUNT, 1},
        {CONTROL_COUNT, -1},
        {CONTROL_COUNT, EN_CHANGE},
        {CONTROL_COUNT, 0},
        {CONTROL_TEXT, 0},
        {CONTROL_TEXT, EN_SETFOCUS},
        {CONTROL_START, -1},
        {CONTROL_START, BN_SETFOCUS},
        {CONTROL_START, BN_DOUBLECLICKED},
        {CONTROL_COPY, 1},
        {CONTROL_COPY, BN_KILLFOCUS},
        {CONTROL_EXIT, BN_SETFOCUS},
        {CONTROL_EXIT, -1},
        {5, 0},
        {-1, 0},
    };
    for (const Ignored &event : ignored) {
        SCOPED_TRACE(testing::Message() << event.source << " / " << event.detail);
        EXPECT_EQ(0, HandleControlEvent(event.source, event.detail));
        EXPECT_EQ("", ControlText(CONTROL_TEXT));
        EXPECT_EQ(0, quitFlag);
        std::string clipboard;
        EXPECT_TRUE(ReadClipboardText(&clipboard) && clipboard == "before") << clipboard;
    }

    EXPECT_EQ(0, HandleControlEvent(CONTROL_START, BN_CLICKED));
    std::string block = ControlText(CONTROL_TEXT);
    EXPECT_EQ(2 + 5 * 3, LineCount(block));
    EXPECT_EQ(0, quitFlag);

    EXPECT_EQ(0, HandleControlEvent(CONTROL_COPY, BN_CLICKED));
    std::string clipboard;
    ASSERT_TRUE(ReadClipboardText(&clipboard));
    EXPECT_EQ(block, clipboard);
    EXPECT_EQ(block, ControlText(CONTROL_TEXT));
    EXPECT_EQ(0, quitFlag);

    EXPECT_EQ(0, HandleControlEvent(CONTROL_EXIT, BN_CLICKED));
    EXPECT_EQ(1, quitFlag);
    // The window stays until shutdown.
    EXPECT_TRUE(IsWindow(WindowHandleOf(WINDOW_MAIN)));
}

// Pixels of the window's client area, as last painted, that differ from the window colour.
int InkedPixels(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    HDC context = GetDC(window);
    COLORREF paper = GetSysColor(COLOR_WINDOW);
    int inked = 0;
    for (int y = 0; y < client.bottom; y += 2) {
        for (int x = 0; x < client.right; x += 2) {
            COLORREF pixel = GetPixel(context, x, y);
            inked += pixel != CLR_INVALID && pixel != paper;
        }
    }
    ReleaseDC(window, context);
    return inked;
}

// Counts the WM_PAINT messages that reach a window.
LRESULT CALLBACK CountPaint(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR count) {
    *(int *)count += message == WM_PAINT;
    return DefSubclassProc(window, message, wParam, lParam);
}

// The block is written without a repaint per line, and the window shows it once Start is done.
TEST_F(MainWindowTest, StartShowsTheWholeBlockOnceItIsWritten) {
    HWND main = WindowHandleOf(WINDOW_MAIN);
    HWND text = ((ControlRecord *)ObjectTableFind(controlTable, CONTROL_TEXT))->handle;
    FlushWindowMessages();
    ASSERT_EQ(0, InkedPixels(text)) << "the empty text area should show nothing";

    SetControlState(CONTROL_COUNT, 99);
    int paints = 0;
    SetWindowSubclass(text, CountPaint, 1, (DWORD_PTR)&paints);
    EXPECT_EQ(0, HandleControlEvent(CONTROL_START, BN_CLICKED));
    EXPECT_EQ(0, paints) << "the text area painted while the block was written";
    RemoveWindowSubclass(text, CountPaint, 1);
    EXPECT_EQ(2 + 5 * 99, LineCount(ControlText(CONTROL_TEXT)));
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(IsWindowVisible(text));
    FlushWindowMessages(); // the event loop paints here
    RECT update = {};
    EXPECT_FALSE(GetUpdateRect(text, &update, FALSE)) << "part of the text area is not painted";
    EXPECT_GT(InkedPixels(text), 0) << "the text area does not show the block";
}

// A Start while the main window or the text area is hidden leaves it hidden.
TEST_F(MainWindowTest, StartKeepsAHiddenWindowHidden) {
    HWND main = WindowHandleOf(WINDOW_MAIN);
    HWND text = ((ControlRecord *)ObjectTableFind(controlTable, CONTROL_TEXT))->handle;
    ShowWindow(text, SW_HIDE);
    EXPECT_EQ(0, HandleControlEvent(CONTROL_START, BN_CLICKED));
    EXPECT_EQ(7, LineCount(ControlText(CONTROL_TEXT)));
    EXPECT_FALSE(IsWindowVisible(text));
    ShowWindow(text, SW_SHOW);
    ShowWindow(main, SW_HIDE);
    EXPECT_EQ(0, HandleControlEvent(CONTROL_START, BN_CLICKED));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(GetWindowLongA(text, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(MainWindowTest, DispatchActsOnCloseOfTheMainWindowOnly) {
    struct Dispatched {
        int code;
        ObjectNumber window;
        int quit;
    } cases[] = {
        {EVENT_SIZE, WINDOW_MAIN, 0}, {EVENT_SIZE, 1, 0},    {EVENT_MOVE, WINDOW_MAIN, 0},
        {EVENT_MENU, WINDOW_MAIN, 0}, {EVENT_REPAINT, 0, 0}, {EVENT_ACTIVATE, 0, 0},
        {EVENT_CLOSE, 1, 0},          {EVENT_CLOSE, -1, 0},  {WM_QUIT, WINDOW_MAIN, 0},
        {WM_KEYDOWN, WINDOW_MAIN, 0}, {0, WINDOW_MAIN, 0},   {EVENT_CLOSE, WINDOW_MAIN, 1},
    };
    for (const Dispatched &event : cases) {
        SCOPED_TRACE(testing::Message() << event.code << " for window " << event.window);
        quitFlag = 0;
        SetEvent(event.window, CONTROL_START, 0);
        DispatchEvent(event.code);
        EXPECT_EQ(event.quit, quitFlag);
        EXPECT_EQ("", ControlText(CONTROL_TEXT));
    }
    // A control event goes to the control handler with the event's source and detail.
    quitFlag = 0;
    SetEvent(WINDOW_MAIN, CONTROL_START, 0);
    DispatchEvent(EVENT_CONTROL);
    EXPECT_EQ(7, LineCount(ControlText(CONTROL_TEXT)));
    SetEvent(WINDOW_MAIN, CONTROL_EXIT, 1);
    DispatchEvent(EVENT_CONTROL);
    EXPECT_EQ(0, quitFlag);
    SetEvent(WINDOW_MAIN, CONTROL_EXIT, 0);
    DispatchEvent(EVENT_CONTROL);
    EXPECT_EQ(1, quitFlag);
}

TEST_F(MainWindowTest, EventLoopRunsUntilExitIsClicked) {
    ControlRecord *start = (ControlRecord *)ObjectTableFind(controlTable, CONTROL_START);
    ControlRecord *exit = (ControlRecord *)ObjectTableFind(controlTable, CONTROL_EXIT);
    SetControlState(CONTROL_COUNT, 2);
    PostMessageA(start->handle, BM_CLICK, 0, 0);
    PostMessageA(exit->handle, BM_CLICK, 0, 0);
    RunEventLoop();
    EXPECT_EQ(1, quitFlag);
    EXPECT_EQ(2 + 5 * 2, LineCount(ControlText(CONTROL_TEXT)));
}

TEST_F(MainWindowTest, EventLoopEndsOnACloseRequestAndKeepsTheWindow) {
    PostMessageA(WindowHandleOf(WINDOW_MAIN), WM_CLOSE, 0, 0);
    RunEventLoop();
    EXPECT_EQ(1, quitFlag);
    EXPECT_TRUE(IsWindowVisible(WindowHandleOf(WINDOW_MAIN)));
}

// Refuses the creation of every window of the main window's class.
LRESULT CALLBACK RefuseMainWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char name[64] = "";
        GetClassNameA((HWND)wParam, name, sizeof name);
        if (strcmp(name, "WindowClass_0") == 0) {
            return 1;
        }
    }
    return CallNextHookEx(0, code, wParam, lParam);
}

TEST(MainWindowFailure, NoWindowMeansNoControls) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseMainWindow, 0, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    EXPECT_EQ(0, OpenMainWindow());
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(0, WindowHandleOf(WINDOW_MAIN));
    for (ObjectNumber number = CONTROL_COUNT; number <= CONTROL_TEXT; number++) {
        EXPECT_EQ(nullptr, ObjectTableFind(controlTable, number)) << number;
    }
    ShutdownLibraries();
}

// The program's start: without a main window it reports that there is nothing to run, so that the
// program skips its event loop and shuts down.
TEST(MainWindowFailure, StartWithoutAWindowReportsFailure) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseMainWindow, 0, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    EXPECT_FALSE(StartMainWindow());
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(0, WindowHandleOf(WINDOW_MAIN));
    for (ObjectNumber number = CONTROL_COUNT; number <= CONTROL_TEXT; number++) {
        EXPECT_EQ(nullptr, ObjectTableFind(controlTable, number)) << number;
    }
    ShutdownLibraries();
    // Once the window can be made, the same start succeeds.
    EXPECT_TRUE(StartMainWindow());
    EXPECT_TRUE(IsWindow(WindowHandleOf(WINDOW_MAIN)));
    ShutdownLibraries();
}

} // namespace
