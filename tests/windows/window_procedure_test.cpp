// The shared window procedure: the translation table, the hooks, control routing and hostile
// input, on real windows.
#include <string.h>

#include <algorithm>

#include "window_test_support.h"

namespace {

typedef std::vector<std::pair<int, ObjectNumber>> Queue;

const char plainClassName[] = "WindowProcedureTestPlain";

// A window of a class that uses the shared window procedure but belongs to no window object.
HWND CreatePlainWindow(HWND parent) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = moduleHandle;
    windowClass.lpszClassName = plainClassName;
    RegisterClassA(&windowClass); // fails harmlessly once registered
    DWORD style = parent ? WS_CHILD : WS_POPUP;
    return CreateWindowExA(0, plainClassName, "", style, 0, 0, 50, 50, parent, 0, moduleHandle, 0);
}

HWND CreateChild(HWND parent, const char *className, int id, DWORD style = 0) {
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 20, 20, parent,
                           (HMENU)(INT_PTR)id, moduleHandle, 0);
}

// A numbered window (number 2), hidden so that nothing but the test's own messages reach it.
class TranslationTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = (HWND)OpenWindowObject(number, 10, 10, 200, 100, "Hello", WINDOW_HIDDEN);
        ASSERT_TRUE(IsWindow(window));
        DrainEvents();
    }
    void TearDown() override {
        Events()->appCallback = 0;
        WindowTest::TearDown();
    }
    const ObjectNumber number = 2;
    HWND window = 0;
};

TEST_F(TranslationTest, EachMessageOfTheTableGivesItsResultAndEvent) {
    const struct {
        const char *name;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
        int queued; // 0: nothing queued
        int pendingCode;
    } rows[] = {
        {"move", WM_MOVE, 0, MAKELPARAM(10, 20), 0, EVENT_MOVE, 0},
        {"size restored", WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100), 0, EVENT_SIZE, 0},
        {"size maximized", WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(200, 100), 0, EVENT_SIZE, 0},
        {"size minimized", WM_SIZE, SIZE_MINIMIZED, 0, NOT_HANDLED, 0, 0},
        {"activate", WM_ACTIVATE, WA_ACTIVE, 0, 1, EVENT_ACTIVATE, 0},
        {"activate by click", WM_ACTIVATE, WA_CLICKACTIVE, 0, 1, EVENT_ACTIVATE, 0},
        {"activate minimized", WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 1), 0, 1, EVENT_ACTIVATE, 0},
        {"deactivate", WM_ACTIVATE, WA_INACTIVE, 0, 1, 0, 0},
        {"deactivate minimized", WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0, 1, 0, 0},
        {"close", WM_CLOSE, 0, 0, 0, EVENT_CLOSE, 0},
        {"erase", WM_ERASEBKGND, 0, 0, NOT_HANDLED, EVENT_REPAINT, 0},
        {"colours changed", WM_SYSCOLORCHANGE, 0, 0, NOT_HANDLED, 0, 0},
        {"notify without header", WM_NOTIFY, 0, 0, NOT_HANDLED, 0, 0},
        {"own horizontal bar", WM_HSCROLL, SB_LINEDOWN, 0, NOT_HANDLED, 0, 0},
        {"own vertical bar", WM_VSCROLL, SB_LINEDOWN, 0, NOT_HANDLED, 0, 0},
        {"command from a menu", WM_COMMAND, 40, 0, 0, 0, EVENT_MENU},
        {"tray notification", MSG_TRAY_NOTIFY, 4, WM_LBUTTONUP, 0, 0, 0},
        {"tray click", MSG_TRAY_DEFERRED, 4, WM_RBUTTONUP, 0, 0, EVENT_TRAY},
        {"tray mouse move", MSG_TRAY_DEFERRED, 4, WM_MOUSEMOVE, 0, 0, 0},
        {"control event", MSG_CONTROL_EVENT, 6, 8, 0, 0, EVENT_CONTROL},
        {"event code as message", 13104, 0, 0, NOT_HANDLED, 0, 0},
        {"private message of nobody", WM_USER + 7, 0, 0, NOT_HANDLED, 0, 0},
        {"text length", WM_GETTEXTLENGTH, 0, 0, NOT_HANDLED, 0, 0},
    };
    for (const auto &row : rows) {
        DrainEvents();
        Events()->window = 99;
        EXPECT_EQ(TranslateWindowMessage(window, row.message, row.wParam, row.lParam), row.result)
            << row.name;
        Queue expected;
        if (row.queued) {
            expected.push_back({row.queued, number});
        }
        EXPECT_EQ(QueuedEvents(), expected) << row.name;
        EXPECT_EQ(Events()->pendingCode, row.pendingCode) << row.name;
        EXPECT_EQ(Events()->window, number) << row.name;
    }
}

TEST_F(TranslationTest, OnlyNotHandledReachesTheDefaultProcessing) {
    // The default processing answers what the translation leaves.
    EXPECT_EQ(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0), 5);
    HDC dc = GetDC(window);
    EXPECT_EQ(SendMessageA(window, WM_CTLCOLORDLG, (WPARAM)dc, (LPARAM)window),
              DefWindowProcA(window, WM_CTLCOLORDLG, (WPARAM)dc, (LPARAM)window));
    ReleaseDC(window, dc);

    // WM_ACTIVATE is always answered with 1, which the default processing never gives.
    EXPECT_EQ(SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0), 1);
    EXPECT_EQ(SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0), 1);

    // WM_CLOSE only queues the event: the window stays until the application closes it.
    DrainEvents();
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(QueuedEvents(), (Queue{{EVENT_CLOSE, number}}));
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(WaitEvent(0), WM_CLOSE);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(WaitEvent(0), EVENT_CLOSE);
    EXPECT_EQ(EventWindow(), number);
}

// The messages that showing a window sends belong to its window object; those of its creation do
// not, so that WM_SIZE then answers 1 and queues nothing.
struct SizeResults {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const CWPRETSTRUCT *call = (const CWPRETSTRUCT *)lParam;
        if (code == HC_ACTION && call->message == WM_SIZE) {
            seen.push_back({call->hwnd, call->lResult});
        }
        return CallNextHookEx(0, code, wParam, lParam);
    }
    static inline std::vector<std::pair<HWND, LRESULT>> seen;
};

TEST_F(TranslationTest, SizeBeforeTheWindowCarriesItsNumberAnswersOneAndQueuesNothing) {
    SizeResults::seen.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, SizeResults::Hook, 0, GetCurrentThreadId());
    // Created maximized, the window is sized inside CreateWindowExA.
    HWND created = (HWND)OpenWindowObject(3, 10, 10, 100, 100, "",
                                          WINDOW_DEFAULT_FLAGS | WS_MAXIMIZE | WINDOW_HIDDEN);
    UnhookWindowsHookEx(hook);
    ASSERT_TRUE(IsWindow(created));
    int sizes = 0;
    for (const auto &seen : SizeResults::seen) {
        if (seen.first == created) {
            ++sizes;
            EXPECT_EQ(seen.second, 1);
        }
    }
    ASSERT_GT(sizes, 0);
    EXPECT_EQ(QueuedEvents(), Queue());
    EXPECT_EQ(SendMessageA(created, WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 100)), 0);
    EXPECT_EQ(QueuedEvents(), (Queue{{EVENT_SIZE, 3}}));

    // A shown window is activated after it got its number.
    DrainEvents();
    HWND shown = (HWND)OpenWindowObject(4, 10, 10, 100, 100, "");
    ASSERT_TRUE(IsWindow(shown));
    ASSERT_EQ(GetActiveWindow(), shown);
    Queue queued = QueuedEvents();
    EXPECT_NE(std::find(queued.begin(), queued.end(),
                        std::make_pair((int)EVENT_ACTIVATE, (ObjectNumber)4)),
              queued.end());
    for (const auto &event : queued) {
        EXPECT_NE(event.second, -1) << event.first;
    }
}

TEST_F(TranslationTest, MessagesOfWindowsWithoutANumber) {
    HWND plain = CreatePlainWindow(0);
    ASSERT_TRUE(IsWindow(plain));
    HWND stale = CreatePlainWindow(0); // carries the number of a window that is not open
    SetPropA(stale, "QV_WindowID", (HANDLE)51);
    HWND child = CreatePlainWindow(window);
    ASSERT_TRUE(IsWindow(child));
    const struct {
        const char *name;
        HWND target;
        UINT message;
        WPARAM wParam;
        LRESULT result;
        int queued;
        ObjectNumber window; // of the queued event and of the event state
    } rows[] = {
        {"move", plain, WM_MOVE, 0, 0, 0, -1},
        {"close", plain, WM_CLOSE, 0, 0, 0, -1},
        {"size", plain, WM_SIZE, SIZE_RESTORED, 1, 0, -1},
        {"activate", plain, WM_ACTIVATE, WA_ACTIVE, 1, EVENT_ACTIVATE, -1},
        {"erase", plain, WM_ERASEBKGND, 0, NOT_HANDLED, EVENT_REPAINT, -1},
        {"colours changed", plain, WM_SYSCOLORCHANGE, 0, NOT_HANDLED, 0, -1},
        {"stale move", stale, WM_MOVE, 0, 0, EVENT_MOVE, 50},
        {"stale size", stale, WM_SIZE, SIZE_RESTORED, 0, EVENT_SIZE, 50},
        {"child move", child, WM_MOVE, 0, 0, EVENT_MOVE, number},
        {"child size", child, WM_SIZE, SIZE_RESTORED, 1, 0, number},
        {"child close", child, WM_CLOSE, 0, 0, EVENT_CLOSE, number},
    };
    for (const auto &row : rows) {
        DrainEvents();
        Events()->window = 99;
        if (row.result != NOT_HANDLED) {
            EXPECT_EQ(SendMessageA(row.target, row.message, row.wParam, 0), row.result) << row.name;
        }
        EXPECT_EQ(TranslateWindowMessage(row.target, row.message, row.wParam, 0), row.result)
            << row.name;
        Queue expected;
        if (row.queued) {
            expected.push_back({row.queued, row.window});
        }
        EXPECT_EQ(QueuedEvents(), expected) << row.name;
        EXPECT_EQ(Events()->window, row.window) << row.name;
    }
    EXPECT_TRUE(IsWindow(plain));

    DrainEvents();
    SendMessageA(plain, MSG_CONTROL_EVENT, 3, 4);
    EXPECT_EQ(Events()->pendingCode, EVENT_CONTROL);
    EXPECT_EQ(Events()->source, 3);
    EXPECT_EQ(Events()->window, -1);
    DestroyWindow(plain);
    DestroyWindow(stale);
}

// Message hooks of the shape of a window procedure, one per Id, answering what the test says.
template <int Id> struct Hook {
    static LRESULT CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM) {
        ++calls;
        lastMessage = message;
        windowSeen = Events()->window;
        return answer;
    }
    static void Reset(LRESULT newAnswer) {
        answer = newAnswer;
        calls = 0;
        lastMessage = 0;
        windowSeen = 0;
    }
    static inline LRESULT answer;
    static inline int calls;
    static inline UINT lastMessage;
    static inline ObjectNumber windowSeen;
};
typedef Hook<1> WindowHook;
typedef Hook<2> AppHook;

TEST_F(TranslationTest, TheWindowsMessageCallbackComesFirst) {
    WindowRecord *record = RecordOf(number);
    record->messageCallback = WindowHook::Procedure;
    Events()->appCallback = AppHook::Procedure;
    AppHook::Reset(777);
    const struct {
        LRESULT answer;
        LRESULT result;
        Queue queued;
        ObjectNumber window;
    } cases[] = {
        {CONTINUE_DEFAULT, 0, {{EVENT_MOVE, 2}}, 2},
        {NOT_HANDLED, NOT_HANDLED, {}, 99},
        {1234, 1234, {}, 99},
    };
    for (const auto &c : cases) {
        DrainEvents();
        WindowHook::Reset(c.answer);
        Events()->window = 99;
        EXPECT_EQ(TranslateWindowMessage(window, WM_MOVE, 0, 0), c.result) << c.answer;
        EXPECT_EQ(WindowHook::calls, 1) << c.answer;
        EXPECT_EQ(WindowHook::lastMessage, (UINT)WM_MOVE);
        EXPECT_EQ(WindowHook::windowSeen, 99) << c.answer; // the callback sees the previous window
        EXPECT_EQ(QueuedEvents(), c.queued) << c.answer;
        EXPECT_EQ(Events()->window, c.window) << c.answer;
    }
    EXPECT_EQ(AppHook::calls, 0);

    // NOT_HANDLED sends the message to the default processing, which destroys a closed window.
    WindowHook::Reset(NOT_HANDLED);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(TranslationTest, TheApplicationCallbackServesWindowsWithoutTheirOwn) {
    HWND plain = CreatePlainWindow(0);
    ASSERT_TRUE(IsWindow(plain));
    Events()->appCallback = AppHook::Procedure;
    const struct {
        HWND target;
        LRESULT answer;
        LRESULT result;
        Queue queued;
    } cases[] = {
        {window, 4321, 4321, {}},
        {window, CONTINUE_DEFAULT, 0, {{EVENT_CLOSE, 2}}},
        {window, NOT_HANDLED, NOT_HANDLED, {}},
        {plain, 4321, 4321, {}},
        {plain, CONTINUE_DEFAULT, 0, {}},
    };
    for (const auto &c : cases) {
        DrainEvents();
        AppHook::Reset(c.answer);
        EXPECT_EQ(TranslateWindowMessage(c.target, WM_CLOSE, 0, 0), c.result) << c.answer;
        EXPECT_EQ(AppHook::calls, 1);
        EXPECT_EQ(AppHook::lastMessage, (UINT)WM_CLOSE);
        EXPECT_EQ(QueuedEvents(), c.queued) << c.answer;
    }
    DestroyWindow(plain);
}

int eraseCalls;
HDC eraseDc;
HWND eraseWindow;
LRESULT CALLBACK EraseHook(HDC dc, HWND window) {
    ++eraseCalls;
    eraseDc = dc;
    eraseWindow = window;
    return 0x77;
}

TEST_F(TranslationTest, EraseUsesTheBrushThenTheHookAndAlwaysQueuesARepaint) {
    HWND child = CreatePlainWindow(window);
    ASSERT_TRUE(IsWindow(child));
    HDC screen = GetDC(0);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 300, 200);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    ReleaseDC(0, screen);
    RECT all = {0, 0, 300, 200};
    FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));

    WindowRecord *record = RecordOf(number);
    record->eraseCallback = EraseHook;
    record->backgroundBrush = CreateSolidBrush(RGB(255, 0, 0));
    const struct {
        const char *name;
        HWND target;
        bool brush;
        LRESULT result;
        int hookCalls;
    } cases[] = {
        {"brush before hook", window, true, 1, 0},
        {"brush for a child", child, true, 1, 0},
        {"hook", window, false, 0x77, 1},
        {"no hook for a child", child, false, NOT_HANDLED, 0},
    };
    HBRUSH brush = record->backgroundBrush;
    for (const auto &c : cases) {
        DrainEvents();
        eraseCalls = 0;
        record->backgroundBrush = c.brush ? brush : 0;
        EXPECT_EQ(TranslateWindowMessage(c.target, WM_ERASEBKGND, (WPARAM)dc, 0), c.result)
            << c.name;
        EXPECT_EQ(eraseCalls, c.hookCalls) << c.name;
        EXPECT_EQ(QueuedEvents(), (Queue{{EVENT_REPAINT, number}})) << c.name;
    }
    EXPECT_EQ(eraseDc, dc);
    EXPECT_EQ(eraseWindow, window);
    // The brush filled the client area of the window (200 x 100) and no more.
    EXPECT_EQ(GetPixel(dc, 199, 99), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 250, 150), RGB(0, 0, 0));

    record->eraseCallback = 0;
    record->backgroundBrush = brush; // deleted when the window closes
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST_F(TranslationTest, ColourChangesReachEveryChildOfATopLevelWindowObject) {
    HWND first = CreateChild(window, "STATIC", 1);
    HWND second = CreateChild(window, "STATIC", 2);
    HWND grandchild = CreateChild(first, "STATIC", 3);
    MessageRecorder recorders[] = {MessageRecorder(first), MessageRecorder(second),
                                   MessageRecorder(grandchild)};
    EXPECT_EQ(TranslateWindowMessage(window, WM_SYSCOLORCHANGE, 0, 0), NOT_HANDLED);
    for (const MessageRecorder &recorder : recorders) {
        ASSERT_EQ(recorder.Count(WM_SYSCOLORCHANGE), 1);
        for (const auto &entry : recorder.entries) {
            if (entry.message == WM_SYSCOLORCHANGE) {
                EXPECT_EQ(entry.wParam, 0u);
                EXPECT_EQ(entry.lParam, 0);
            }
        }
    }

    // Not for an MDI child, nor for a window without a number.
    RecordOf(number)->mdiClient = second;
    EXPECT_EQ(TranslateWindowMessage(window, WM_SYSCOLORCHANGE, 0, 0), NOT_HANDLED);
    RecordOf(number)->mdiClient = 0;
    HWND plain = CreatePlainWindow(0);
    HWND plainChild = CreateChild(plain, "STATIC", 1);
    MessageRecorder plainRecorder(plainChild);
    EXPECT_EQ(TranslateWindowMessage(plain, WM_SYSCOLORCHANGE, 0, 0), NOT_HANDLED);
    EXPECT_EQ(plainRecorder.Count(WM_SYSCOLORCHANGE), 0);
    for (const MessageRecorder &recorder : recorders) {
        EXPECT_EQ(recorder.Count(WM_SYSCOLORCHANGE), 1);
    }

    EXPECT_TRUE(BroadcastSysColorChange(first, 12345));
    EXPECT_EQ(recorders[0].Count(WM_SYSCOLORCHANGE), 2);
    DestroyWindow(plain);
}

TEST_F(TranslationTest, TrayClicksAreDeferredOnceAndBecomeEventsOfKnownKinds) {
    const struct {
        LPARAM mouseMessage;
        int code; // 0: no event
        int detail;
    } cases[] = {
        {WM_LBUTTONUP, EVENT_TRAY, 0},
        {WM_RBUTTONUP, EVENT_TRAY, 1},
        {WM_LBUTTONDBLCLK, EVENT_TRAY, 2},
        {WM_RBUTTONDBLCLK, EVENT_TRAY, 3},
        {WM_MOUSEMOVE, 0, -1},
        {WM_LBUTTONDOWN, 0, -1},
        {(LPARAM)0xDEADBEEF, 0, -1},
        {-1, 0, -1},
    };
    for (const auto &c : cases) {
        Events()->source = -5;
        ASSERT_TRUE(PostMessageA(window, MSG_TRAY_NOTIFY, 4, c.mouseMessage));
        EXPECT_EQ(WaitEvent(0), MSG_TRAY_NOTIFY);
        EXPECT_EQ(EventSource(), -5);
        MSG deferred;
        ASSERT_TRUE(
            PeekMessageA(&deferred, window, MSG_TRAY_DEFERRED, MSG_TRAY_DEFERRED, PM_NOREMOVE));
        EXPECT_EQ(deferred.wParam, 4u);
        EXPECT_EQ(deferred.lParam, c.mouseMessage);
        EXPECT_EQ(WaitEvent(0), c.code ? c.code : MSG_TRAY_DEFERRED) << c.mouseMessage;
        EXPECT_EQ(EventSource(), 4) << c.mouseMessage; // set even when no event comes of it
        EXPECT_EQ(EventDetail(), c.detail) << c.mouseMessage;
        EXPECT_EQ(Events()->pendingCode, 0);
        EXPECT_EQ(WaitEvent(0), 0);
    }
}

TEST_F(TranslationTest, ControlEventsTakeAnyValues) {
    const struct {
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {
        {0, 0}, {0xFFFFFFFF, (LPARAM)0x80000000}, {0x7FFFFFFF, -1}, {12345, (LPARAM)0xDEADBEEF}};
    for (const auto &c : cases) {
        ASSERT_TRUE(PostMessageA(window, MSG_CONTROL_EVENT, c.wParam, c.lParam));
        EXPECT_EQ(WaitEvent(0), EVENT_CONTROL);
        EXPECT_EQ(EventSource(), (ObjectNumber)c.wParam);
        EXPECT_EQ(EventDetail(), (int)c.lParam);
        EXPECT_EQ(EventWindow(), number);
    }
}

// WM_COMMAND on a shown, active window whose children are: a button (7) and a child with the
// identifier -10000, neither a tab stop, and two tab stops for the focus commands.
class CommandTest : public TranslationTest {
  protected:
    void SetUp() override {
        TranslationTest::SetUp();
        ShowWindow(window, SW_SHOWNORMAL);
        button = CreateChild(window, "BUTTON", 7);
        menuChild = CreateChild(window, "STATIC", -10000);
        firstStop = CreateChild(window, "BUTTON", 21, WS_TABSTOP);
        secondStop = CreateChild(window, "BUTTON", 22, WS_TABSTOP);
        DrainEvents();
    }
    HWND button = 0, menuChild = 0, firstStop = 0, secondStop = 0;
};

TEST_F(CommandTest, CommandsFromControlsMenusAndAccelerators) {
    ASSERT_EQ(GetWindowLongA(menuChild, GWL_ID), -10000);
    const struct {
        const char *name;
        WPARAM wParam;
        HWND from;
        int pendingCode;
        ObjectNumber source;
        int detail;
    } rows[] = {
        {"button click", MAKEWPARAM(7, BN_CLICKED), button, EVENT_CONTROL, 7, 0},
        {"button notification", MAKEWPARAM(7, 5), button, EVENT_CONTROL, 7, 5},
        {"source from the identifier", MAKEWPARAM(999, 0), button, EVENT_CONTROL, 7, 0},
        {"child -10000", MAKEWPARAM(33, 4), menuChild, EVENT_MENU, 33, 4},
        {"menu", 42, 0, EVENT_MENU, 42, 55},
        {"menu item 1212", 1212, 0, EVENT_MENU, 1212, 55},
        {"accelerator", MAKEWPARAM(99, 1), 0, EVENT_MENU, 99, 55},
        {"Tab", MAKEWPARAM(CMD_FOCUS_NEXT, 1), 0, 0, -5, 55},
        {"Shift+Tab", MAKEWPARAM(CMD_FOCUS_PREVIOUS, 1), 0, 0, -5, 55},
    };
    for (const auto &row : rows) {
        Events()->source = -5;
        Events()->detail = 55;
        Events()->pendingCode = 0;
        EXPECT_EQ(SendMessageA(window, WM_COMMAND, row.wParam, (LPARAM)row.from), 0) << row.name;
        EXPECT_EQ(Events()->pendingCode, row.pendingCode) << row.name;
        EXPECT_EQ(Events()->source, row.source) << row.name;
        EXPECT_EQ(Events()->detail, row.detail) << row.name;
        EXPECT_EQ(Events()->window, number) << row.name;
    }
    EXPECT_EQ(QueuedEvents(), Queue());
}

TEST_F(CommandTest, FocusCommandsMoveTheFocusForwardAndBackward) {
    ASSERT_EQ(GetActiveWindow(), window);
    SetFocus(window);
    const struct {
        WORD command;
        HWND focus;
    } steps[] = {
        {CMD_FOCUS_NEXT, firstStop}, {CMD_FOCUS_NEXT, secondStop}, {CMD_FOCUS_PREVIOUS, firstStop}};
    for (const auto &step : steps) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(step.command, 1), 0);
        EXPECT_EQ(GetFocus(), step.focus) << step.command;
        EXPECT_EQ(Events()->pendingCode, 0);
    }
}

// A router of the tests' own in place of a control library's: it records what the window layer
// hands it and answers as it is told.
struct RoutedCall {
    HWND control;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<RoutedCall> routed;
LRESULT routedAnswer;

LRESULT RecordRoute(HWND control, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    routed.push_back({control, window, message, wParam, lParam});
    return routedAnswer;
}

class RoutingTest : public TranslationTest {
  protected:
    void SetUp() override {
        TranslationTest::SetUp();
        control = CreateChild(window, "STATIC", 3);
        routed.clear();
        routedAnswer = 0x5151;
        previousRouter = controlRouter;
        controlRouter = RecordRoute;
    }
    void TearDown() override {
        controlRouter = previousRouter;
        TranslationTest::TearDown();
    }
    HWND control = 0;
    ControlRouter previousRouter = nullptr;
};

TEST_F(RoutingTest, ControlMessagesGoToTheRouter) {
    const UINT routedMessages[] = {
        WM_HSCROLL,     WM_VSCROLL,        WM_CTLCOLOREDIT,       WM_CTLCOLORLISTBOX,
        WM_CTLCOLORBTN, WM_CTLCOLORSTATIC, MSG_FORWARD_TO_CONTROL};
    for (UINT message : routedMessages) {
        routed.clear();
        EXPECT_EQ(SendMessageA(window, message, 0x1111, (LPARAM)control), 0x5151) << message;
        ASSERT_EQ(routed.size(), 1u) << message;
        EXPECT_EQ(routed[0].control, control);
        EXPECT_EQ(routed[0].window, window);
        EXPECT_EQ(routed[0].message, message);
        EXPECT_EQ(routed[0].wParam, 0x1111u);
        EXPECT_EQ(routed[0].lParam, (LPARAM)control);
    }
    const UINT neverRouted[] = {WM_CTLCOLORMSGBOX, WM_CTLCOLORDLG, WM_CTLCOLORSCROLLBAR};
    for (UINT message : neverRouted) {
        routed.clear();
        EXPECT_EQ(TranslateWindowMessage(window, message, 0x1111, (LPARAM)control), NOT_HANDLED)
            << message;
        EXPECT_TRUE(routed.empty()) << message;
    }

    // WM_NOTIFY names the control in its header.
    NMHDR header = {control, 3, (UINT)-2};
    routed.clear();
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, 3, (LPARAM)&header), 0x5151);
    ASSERT_EQ(routed.size(), 1u);
    EXPECT_EQ(routed[0].control, control);
    EXPECT_EQ(routed[0].lParam, (LPARAM)&header);

    // An answer other than NOT_HANDLED ends a command without an event.
    Events()->source = -5;
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(3, 0), (LPARAM)control), 0);
    EXPECT_EQ(Events()->pendingCode, 0);
    EXPECT_EQ(Events()->source, -5);
    routedAnswer = NOT_HANDLED;
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(3, 0), (LPARAM)control), 0);
    EXPECT_EQ(Events()->pendingCode, EVENT_CONTROL);
    EXPECT_EQ(Events()->source, 3);
    EXPECT_EQ(TranslateWindowMessage(window, WM_CTLCOLORSTATIC, 0, (LPARAM)control), NOT_HANDLED);
}

// The header of a notification that another thread sends from its own stack, as a control of
// that thread would.
struct ForeignNotification {
    HWND window;
    HWND control;
    LRESULT answer;
};

DWORD WINAPI SendNotificationFromOwnStack(void *parameter) {
    ForeignNotification *sent = (ForeignNotification *)parameter;
    NMHDR header = {sent->control, 3, (UINT)-2};
    sent->answer = SendMessageA(sent->window, WM_NOTIFY, 3, (LPARAM)&header);
    return 0;
}

// A notification is read only when its header lies on this thread's stack, where a control of the
// thread keeps what it sends: elsewhere its pointer could point anywhere, since the system does
// not carry WM_NOTIFY's pointer from one process to another. These are well formed and name the
// control; they are answered with 0 and go nowhere, whoever sends them.
TEST_F(RoutingTest, ANotificationOffThisThreadsStackIsAnsweredUnread) {
    ForeignNotification sent = {window, control, 1};
    HANDLE sender = CreateThread(0, 0, SendNotificationFromOwnStack, &sent, 0, 0);
    ASSERT_TRUE(sender);
    while (WaitForSingleObject(sender, 0) == WAIT_TIMEOUT) {
        WaitEvent(10);
    }
    CloseHandle(sender);
    EXPECT_EQ(0, sent.answer);

    static NMHDR staticHeader;
    staticHeader = {control, 3, (UINT)-2};
    NMHDR *heapHeader = (NMHDR *)HeapAlloc(processHeap, 0, sizeof(NMHDR));
    *heapHeader = staticHeader;
    char onStack[sizeof(NMHDR) + 1];
    memcpy(onStack + 1, &staticHeader, sizeof(NMHDR)); // misaligned
    for (LPARAM header : {(LPARAM)&staticHeader, (LPARAM)heapHeader, (LPARAM)(onStack + 1)}) {
        EXPECT_EQ(0, SendMessageA(window, WM_NOTIFY, 3, header)) << header;
    }
    HeapFree(processHeap, 0, heapHeader);
    EXPECT_TRUE(routed.empty());

    // The same header on this thread's stack is the thread's own: it is routed.
    NMHDR header = staticHeader;
    EXPECT_EQ(0x5151, SendMessageA(window, WM_NOTIFY, 3, (LPARAM)&header));
    EXPECT_EQ(1u, routed.size());
}

// While no control library runs, nothing is routed: a command from a child still becomes an
// event.
TEST_F(RoutingTest, WithoutARouterNothingIsRouted) {
    controlRouter = nullptr;
    EXPECT_EQ(TranslateWindowMessage(window, WM_CTLCOLORSTATIC, 0, (LPARAM)control), NOT_HANDLED);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), (LPARAM)control), 0);
    EXPECT_EQ(Events()->pendingCode, EVENT_CONTROL);
    EXPECT_EQ(Events()->source, 3);
    EXPECT_TRUE(routed.empty());
}

// Handles that name no window of this thread would read as property 0 and identifier 0, the marks
// of control 0: they never reach the router.
TEST_F(RoutingTest, HandlesThatNameNoWindowOfThisThreadAreNotRouted) {
    OtherThreadWindow foreign;
    ASSERT_TRUE(IsWindow(foreign.window));
    ASSERT_EQ(GetWindowLongA(foreign.window, GWL_ID), 0);
    const LPARAM handles[] = {
        0, 1, 0x1234, (LPARAM)0xFFFFFFFF, (LPARAM)0xDEADBEEF, (LPARAM)foreign.window};
    const UINT messages[] = {MSG_FORWARD_TO_CONTROL, WM_HSCROLL, WM_CTLCOLORSTATIC};
    for (LPARAM handle : handles) {
        for (UINT message : messages) {
            SendMessageA(window, message, 0, handle);
            EXPECT_EQ(TranslateWindowMessage(window, message, 0, handle), NOT_HANDLED)
                << message << " " << handle;
        }
    }
    EXPECT_TRUE(routed.empty());
}

// Drop messages from anywhere: whatever their lParam points to, only an outstanding drop record
// that this process issued is taken, once; anything else raises no event and is neither read nor
// freed, blocks of processHeap shaped like drop records included.
TEST_F(TranslationTest, DropMessagesIgnoreForeignPointers) {
    static char staticBlock[64];
    char stackBlock[64];
    memset(staticBlock, 0x5A, sizeof staticBlock);
    memset(stackBlock, 0x5A, sizeof stackBlock);
    HANDLE privateHeap = HeapCreate(0, 0, 0);
    void *privateBlock = HeapAlloc(privateHeap, HEAP_ZERO_MEMORY, 64);
    void *defaultHeapBlock = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 64);
    void *objectHeapBlock = HeapAlloc(objectHeap, HEAP_ZERO_MEMORY, 64);
    // A zeroed record shrunk in place by one field: read past its end, the sixth field looks null.
    void *tooSmall = HeapAlloc(processHeap, HEAP_ZERO_MEMORY, sizeof(DropRecord));
    ASSERT_EQ(
        HeapReAlloc(processHeap, HEAP_REALLOC_IN_PLACE_ONLY, tooSmall, sizeof(DropRecord) - 4),
        tooSmall);
    char *large = (char *)HeapAlloc(processHeap, HEAP_ZERO_MEMORY, 64);
    void *freed = HeapAlloc(processHeap, HEAP_ZERO_MEMORY, 64);

    // Records of processHeap whose sixth field is foreign.
    void *foreignData[] = {stackBlock,      staticBlock, privateBlock, defaultHeapBlock,
                           objectHeapBlock, (void *)3,   large + 8,    freed};
    std::vector<DropRecord *> records;
    for (void *data : foreignData) {
        DropRecord *record =
            (DropRecord *)HeapAlloc(processHeap, HEAP_ZERO_MEMORY, sizeof(DropRecord));
        record->data = data;
        records.push_back(record);
    }
    HeapFree(processHeap, 0, freed); // last: nothing is allocated on processHeap after this

    std::vector<LPARAM> pointers = {1,
                                    0x10,
                                    0xFFFF,
                                    0x10000,
                                    (LPARAM)0xFFFFFFF0,
                                    (LPARAM)0x7FFE0000,
                                    (LPARAM)stackBlock,
                                    (LPARAM)staticBlock,
                                    (LPARAM)&CreatePlainWindow,
                                    (LPARAM)privateBlock,
                                    (LPARAM)defaultHeapBlock,
                                    (LPARAM)objectHeapBlock,
                                    (LPARAM)tooSmall,
                                    (LPARAM)(large + 8),
                                    (LPARAM)freed};
    for (DropRecord *record : records) {
        pointers.push_back((LPARAM)record);
    }
    const UINT messages[] = {MSG_WINDOW_DROP, MSG_CONTROL_DROP};
    for (UINT message : messages) {
        for (LPARAM pointer : pointers) {
            Events()->source = 77;
            Events()->pendingCode = 0;
            EXPECT_EQ(SendMessageA(window, message, 5, pointer), 0) << message << " " << pointer;
            EXPECT_EQ(Events()->pendingCode, 0) << message << " " << pointer;
            EXPECT_EQ(Events()->dropData, nullptr) << message << " " << pointer;
            EXPECT_EQ(Events()->source, 77) << message << " " << pointer;
        }
    }
    // Posted, they come back as WM_NULL, never as a drop event's code.
    for (UINT message : messages) {
        for (LPARAM pointer : {(LPARAM)1, (LPARAM)stackBlock, (LPARAM)records[0]}) {
            ASSERT_TRUE(PostMessageA(window, message, 5, pointer));
            EXPECT_EQ(WaitEvent(0), WM_NULL) << message << " " << pointer;
            EXPECT_EQ(Events()->lParam, pointer); // stored as a raw message's parameter
            EXPECT_EQ(Events()->dropData, nullptr);
            EXPECT_EQ(EventSource(), 77);
        }
    }
    // An issued record is taken by the first message that carries it, and by no other.
    DropRecord *issued = IssueDropRecord(16);
    ASSERT_TRUE(issued);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(PostMessageA(window, MSG_CONTROL_DROP, 5, (LPARAM)issued));
        EXPECT_EQ(WaitEvent(0), round == 0 ? EVENT_CONTROL_DROP : WM_NULL) << round;
        EXPECT_EQ(Events()->dropData, round == 0 ? issued : nullptr) << round;
    }
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, issued));

    // Nothing was freed or written.
    for (char byte : staticBlock) {
        ASSERT_EQ(byte, 0x5A);
    }
    for (char byte : stackBlock) {
        ASSERT_EQ(byte, 0x5A);
    }
    EXPECT_TRUE(HeapValidate(privateHeap, 0, privateBlock));
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, defaultHeapBlock));
    EXPECT_TRUE(IsBusyHeapBlock(objectHeap, objectHeapBlock));
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, tooSmall));
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, large));
    for (DropRecord *record : records) {
        EXPECT_TRUE(IsBusyHeapBlock(processHeap, record));
        HeapFree(processHeap, 0, record);
    }
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
    HeapFree(processHeap, 0, tooSmall);
    HeapFree(processHeap, 0, large);
    HeapFree(objectHeap, 0, objectHeapBlock);
    HeapFree(GetProcessHeap(), 0, defaultHeapBlock);
    HeapDestroy(privateHeap);
}

} // namespace
