// Keyboard focus navigation: Tab and Shift+Tab typed for real and run through WaitEvent.
#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "input_support.h"
#include "test_support.h"
#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "windows/events.h"
#include "windows/focus.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

namespace {

constexpr ObjectNumber FOCUS_WINDOW = 40;

// A runtime window in the foreground with named child windows.
class FocusTest : public testing::Test {
  protected:
    void SetUp() override {
        main = (HWND)OpenWindowObject(FOCUS_WINDOW, 100, 100, 420, 300, "Focus");
        ASSERT_TRUE(main);
        ASSERT_TRUE(BringToForeground(main));
        named["main"] = main;
    }

    void TearDown() override {
        CloseWindowObject(FOCUS_WINDOW);
        RunPendingEvents();
    }

    // A child window of the given class and style (WS_CHILD is added), known by its name.
    HWND Add(const char *name, HWND parent, DWORD style, const char *className = "BUTTON") {
        static int next = 0;
        ++next;
        HWND child =
            CreateWindowExA(0, className, name, WS_CHILD | style, 10, 10 + next % 8 * 30, 120, 24,
                            parent, (HMENU)(INT_PTR)(100 + next), moduleHandle, 0);
        EXPECT_TRUE(child) << name;
        named[name] = child;
        return child;
    }

    // The name of a window, for readable failures.
    std::string NameOf(HWND window) {
        for (const auto &entry : named) {
            if (entry.second == window) {
                return entry.first;
            }
        }
        return window ? "(unknown window)" : "(none)";
    }

    // Puts the focus on a named window, types Tab or Shift+Tab, and names where the focus went.
    std::string TabFrom(const char *start, bool shift) {
        SetFocus(named.at(start));
        EXPECT_EQ(named.at(start), GetFocus()) << start;
        EXPECT_TRUE(TypeKey(VK_TAB, shift));
        return NameOf(GetFocus());
    }

    HWND main = 0;
    std::map<std::string, HWND> named;
};

struct TabCase {
    const char *start;
    bool shift;
    const char *expected;
};

// Tab stops in enumeration order: a, e (inside box), g. b has no WS_TABSTOP, c is disabled, d is
// hidden, f is a visible tab stop inside a hidden container.
const TabCase mixedCases[] = {
    {"a", false, "e"},   {"e", false, "g"}, {"g", false, "a"}, // wraps to the first
    {"a", true, "g"},                                          // wraps to the last
    {"g", true, "e"},    {"e", true, "a"},  {"main", false, "a"},
    {"main", true, "g"},                   // focus on the window itself
    {"b", false, "b"},   {"b", true, "g"}, // focus on a window that is no tab stop
};

TEST_F(FocusTest, TabWalksTabStopsInEnumerationOrderSkippingTheIneligible) {
    Add("a", main, WS_VISIBLE | WS_TABSTOP);
    Add("b", main, WS_VISIBLE);
    Add("c", main, WS_VISIBLE | WS_TABSTOP | WS_DISABLED);
    Add("d", main, WS_TABSTOP);
    HWND box = Add("box", main, WS_VISIBLE, "STATIC");
    Add("e", box, WS_VISIBLE | WS_TABSTOP);
    HWND hiddenBox = Add("hiddenBox", box, 0, "STATIC");
    Add("f", hiddenBox, WS_VISIBLE | WS_TABSTOP);
    Add("g", main, WS_VISIBLE | WS_TABSTOP);

    for (const TabCase &each : mixedCases) {
        EXPECT_EQ(each.expected, TabFrom(each.start, each.shift))
            << (each.shift ? "Shift+Tab" : "Tab") << " from " << each.start;
    }
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    ((std::vector<HWND> *)list)->push_back(child);
    return TRUE;
}

TEST_F(FocusTest, TabOrderIsTheEnumerationOrderNotTheCreationOrder) {
    Add("a", main, WS_VISIBLE | WS_TABSTOP);
    Add("b", main, WS_VISIBLE | WS_TABSTOP);
    HWND c = Add("c", main, WS_VISIBLE | WS_TABSTOP);
    // c goes to the top of the z-order: EnumChildWindows now delivers c, a, b.
    SetWindowPos(c, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    std::vector<HWND> order;
    EnumChildWindows(main, CollectChild, (LPARAM)&order);
    ASSERT_EQ((std::vector<HWND>{c, named["a"], named["b"]}), order);

    EXPECT_EQ("b", TabFrom("a", false));
    EXPECT_EQ("c", TabFrom("b", false));
    EXPECT_EQ("a", TabFrom("c", false));
    EXPECT_EQ("b", TabFrom("c", true));
}

TEST_F(FocusTest, SingleTabStopKeepsTheFocusAndTheKeyIsConsumed) {
    HWND only = Add("only", main, WS_VISIBLE | WS_TABSTOP);
    Add("plain", main, WS_VISIBLE);
    WindowSpy spy(only);
    EXPECT_EQ("only", TabFrom("only", false));
    EXPECT_EQ("only", TabFrom("only", true));
    // The accelerator table took both keys: the control never saw the Tab key go down.
    for (const SpiedMessage &each : spy.messages) {
        EXPECT_FALSE(each.message == WM_KEYDOWN && each.wParam == VK_TAB);
    }
    EXPECT_EQ(0, spy.Count(WM_KILLFOCUS));
}

TEST_F(FocusTest, WindowWithoutTabStopsKeepsTheFocus) {
    Add("plain", main, WS_VISIBLE);
    Add("disabled", main, WS_VISIBLE | WS_TABSTOP | WS_DISABLED);
    EXPECT_EQ("main", TabFrom("main", false));
    EXPECT_EQ("main", TabFrom("main", true));
    EXPECT_EQ("plain", TabFrom("plain", false));
    EXPECT_EQ("plain", TabFrom("plain", true));
}

TEST_F(FocusTest, TabMovesTheFocusAndRaisesNoEvent) {
    Add("a", main, WS_VISIBLE | WS_TABSTOP);
    Add("b", main, WS_VISIBLE | WS_TABSTOP);
    SetFocus(named["a"]);
    RunPendingEvents();
    SeenEvents codes;
    ASSERT_TRUE(TypeKey(VK_TAB, false, &codes));
    EXPECT_EQ(named["b"], GetFocus());
    // The consumed key comes back as its own message number; no control or menu event.
    EXPECT_FALSE(Contains(codes, EVENT_CONTROL));
    EXPECT_FALSE(Contains(codes, EVENT_MENU));
    EXPECT_TRUE(Contains(codes, WM_KEYDOWN));
}

// Focus cues: Windows hides focus rectangles until the window's UI state says otherwise. A Tab and
// a Shift+Tab each clear UISF_HIDEFOCUS on the top-level window, as the dialog manager does; a
// focus move that is not the keyboard's leaves the state alone. The messages sent to the window
// are recorded: Wine keeps no UI state that could be read back.
struct UiStateRecorder {
    static LRESULT CALLBACK Hook(HWND window, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_CHANGEUISTATE) {
            seen.push_back({window, wParam});
        }
        return CONTINUE_DEFAULT;
    }
    static inline std::vector<std::pair<HWND, WPARAM>> seen;
};

TEST_F(FocusTest, KeyboardMovesClearTheHiddenFocusStateOfTheTopLevelWindow) {
    Add("a", main, WS_VISIBLE | WS_TABSTOP);
    Add("b", main, WS_VISIBLE | WS_TABSTOP);
    SetFocus(named["a"]);
    RunPendingEvents();
    EventState *state = (EventState *)StateBlockGet(eventState);
    state->appCallback = UiStateRecorder::Hook;
    const std::vector<std::pair<HWND, WPARAM>> clear = {
        {main, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS)}};

    UiStateRecorder::seen.clear();
    SetFocus(named["b"]); // not the keyboard's
    RunPendingEvents();
    EXPECT_TRUE(UiStateRecorder::seen.empty());
    EXPECT_TRUE(TypeKey(VK_TAB, true));
    EXPECT_EQ(named["a"], GetFocus());
    EXPECT_EQ(clear, UiStateRecorder::seen) << "Shift+Tab";
    UiStateRecorder::seen.clear();
    EXPECT_TRUE(TypeKey(VK_TAB, false));
    EXPECT_EQ(named["b"], GetFocus());
    EXPECT_EQ(clear, UiStateRecorder::seen) << "Tab";
    state->appCallback = 0;
}

// Loads the rich edit library once.
bool LoadRichEdit() {
    static HMODULE library = LoadLibraryA("RICHED20.DLL");
    return library != 0;
}

std::string TextOf(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST_F(FocusTest, PlainTabGoesIntoAnEditableRichTextShiftTabMovesOn) {
    ASSERT_TRUE(LoadRichEdit());
    Add("before", main, WS_VISIBLE | WS_TABSTOP);
    HWND rich = Add("rich", main, WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, "RichEdit20A");
    Add("after", main, WS_VISIBLE | WS_TABSTOP);
    SetWindowTextA(rich, "");

    EXPECT_EQ("rich", TabFrom("rich", false));
    EXPECT_EQ("\t", TextOf(rich));
    EXPECT_EQ("before", TabFrom("rich", true));
    EXPECT_EQ("\t", TextOf(rich));
    // Into the control and out of it again by Tab from the other side.
    EXPECT_EQ("rich", TabFrom("before", false));
}

TEST_F(FocusTest, TabLeavesAReadOnlyRichText) {
    ASSERT_TRUE(LoadRichEdit());
    Add("before", main, WS_VISIBLE | WS_TABSTOP);
    HWND rich = Add("rich", main, WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, "RichEdit20A");
    Add("after", main, WS_VISIBLE | WS_TABSTOP);
    SetWindowTextA(rich, "fixed");
    SendMessageA(rich, EM_SETREADONLY, TRUE, 0);
    ASSERT_TRUE(SendMessageA(rich, EM_GETOPTIONS, 0, 0) & ECO_READONLY);

    EXPECT_EQ("after", TabFrom("rich", false));
    EXPECT_EQ("before", TabFrom("rich", true));
    EXPECT_EQ("fixed", TextOf(rich));
}

// An MDI client in the runtime window with two MDI children of the class the walk recognises.
class FocusMdiTest : public FocusTest {
  protected:
    void SetUp() override {
        FocusTest::SetUp();
        static ATOM childClass = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = DefMDIChildProcA;
            windowClass.hInstance = moduleHandle;
            windowClass.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
            windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
            windowClass.lpszClassName = "MDI_ChildClass";
            return RegisterClassA(&windowClass);
        }();
        ASSERT_TRUE(childClass);
        Add("outside", main, WS_VISIBLE | WS_TABSTOP);
        CLIENTCREATESTRUCT client = {0, 0xFF00};
        HWND mdiClient = CreateWindowExA(0, "MDICLIENT", 0, WS_CHILD | WS_VISIBLE, 150, 0, 260, 280,
                                         main, (HMENU)99, moduleHandle, &client);
        ASSERT_TRUE(mdiClient);
        named["client"] = mdiClient;
        first = CreateMdiChild(mdiClient, "first");
        second = CreateMdiChild(mdiClient, "second");
        ASSERT_TRUE(first && second);
        Add("x1", first, WS_VISIBLE | WS_TABSTOP);
        Add("x2", first, WS_VISIBLE | WS_TABSTOP);
        Add("y1", second, WS_VISIBLE | WS_TABSTOP);
        RunPendingEvents();
    }

    HWND CreateMdiChild(HWND mdiClient, const char *name) {
        MDICREATESTRUCTA create = {};
        create.szClass = "MDI_ChildClass";
        create.szTitle = name;
        create.hOwner = moduleHandle;
        create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
        create.style = WS_VISIBLE;
        HWND child = (HWND)SendMessageA(mdiClient, WM_MDICREATE, 0, (LPARAM)&create);
        named[name] = child;
        return child;
    }

    HWND first = 0;
    HWND second = 0;
};

TEST_F(FocusMdiTest, WalkStaysInsideTheMdiChildWithTheFocus) {
    ASSERT_EQ(main, GetActiveWindow());
    const TabCase cases[] = {
        {"x1", false, "x2"},    {"x2", false, "x1"}, // wraps inside the child
        {"x1", true, "x2"},     {"x2", true, "x1"},
        {"first", false, "x1"}, {"first", true, "x2"}, // focus on the MDI child itself
        {"y1", false, "y1"},    {"y1", true, "y1"},    // the other child's only tab stop
    };
    for (const TabCase &each : cases) {
        EXPECT_EQ(each.expected, TabFrom(each.start, each.shift))
            << (each.shift ? "Shift+Tab" : "Tab") << " from " << each.start;
    }
}

// A top-level window of a class of its own, without "QV_WindowID".
LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(FocusAcceleratorsTest, WindowWithoutWindowObjectGetsNoTableAndItsTabIsAKey) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainProcedure;
    windowClass.hInstance = moduleHandle;
    windowClass.lpszClassName = "FocusPlainWindow";
    RegisterClassA(&windowClass);
    HWND plain = CreateWindowExA(0, "FocusPlainWindow", "Plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 100, 100, 300, 200, 0, 0, moduleHandle, 0);
    ASSERT_TRUE(plain);
    HWND first = CreateWindowExA(0, "BUTTON", "first", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10,
                                 100, 24, plain, (HMENU)1, moduleHandle, 0);
    CreateWindowExA(0, "BUTTON", "second", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 40, 100, 24,
                    plain, (HMENU)2, moduleHandle, 0);
    ASSERT_TRUE(BringToForeground(plain));
    EXPECT_EQ((HACCEL)0, SelectAccelerators(plain));

    SetFocus(first);
    WindowSpy spy(first);
    SeenEvents codes;
    ASSERT_TRUE(TypeKey(VK_TAB, false, &codes));
    EXPECT_EQ(first, GetFocus());
    bool tabReachedTheControl = false;
    for (const SpiedMessage &each : spy.messages) {
        tabReachedTheControl |= each.message == WM_KEYDOWN && each.wParam == VK_TAB;
    }
    EXPECT_TRUE(tabReachedTheControl);
    EXPECT_TRUE(Contains(codes, WM_KEYDOWN));

    DestroyWindow(plain);
    UnregisterClassA("FocusPlainWindow", moduleHandle);
    RunPendingEvents();
}

TEST(FocusAcceleratorsTest, TableComesFromTheLiveWindowObjectOnly) {
    HWND window = (HWND)OpenWindowObject(41, 100, 100, 200, 100, "Table");
    ASSERT_TRUE(window);
    WindowRecord *record = (WindowRecord *)ObjectTableFind(windowTable, 41);
    ASSERT_TRUE(record && record->acceleratorTable);
    EXPECT_EQ(record->acceleratorTable, SelectAccelerators(window));
    EXPECT_EQ((HACCEL)0, SelectAccelerators(0));
    // A property that names no live window object gives no table.
    SetPropA(window, WINDOW_ID_PROPERTY, (HANDLE)(1000 + 1));
    EXPECT_EQ((HACCEL)0, SelectAccelerators(window));
    SetPropA(window, WINDOW_ID_PROPERTY, (HANDLE)(41 + 1));
    // The table is looked up by the number the active window carries: a live window that carries
    // the number of a closed window object gets none, also when that object's record was a node
    // of its own (a dynamic number) that is freed now.
    HWND carrier = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, 0, 0, moduleHandle, 0);
    SetPropA(carrier, WINDOW_ID_PROPERTY, (HANDLE)(41 + 1));
    EXPECT_EQ(record->acceleratorTable, SelectAccelerators(carrier));
    CloseWindowObject(41);
    EXPECT_EQ((HACCEL)0, SelectAccelerators(window));
    EXPECT_EQ((HACCEL)0, SelectAccelerators(carrier));
    ObjectNumber dynamic = OpenWindowObject(OBJECT_ANY, 100, 100, 200, 100, "", WINDOW_HIDDEN);
    ASSERT_TRUE(dynamic);
    HACCEL table = ((WindowRecord *)ObjectTableFind(windowTable, dynamic))->acceleratorTable;
    SetPropA(carrier, WINDOW_ID_PROPERTY, (HANDLE)(dynamic + 1));
    EXPECT_EQ(table, SelectAccelerators(carrier));
    CloseWindowObject(dynamic);
    EXPECT_EQ((HACCEL)0, SelectAccelerators(carrier));
    RemovePropA(carrier, WINDOW_ID_PROPERTY);
    DestroyWindow(carrier);
    RunPendingEvents();
}

} // namespace

TEST(FocusAcceleratorsTest, FocusCommandWhileNoWindowOfTheThreadIsActiveMovesNothing) {
    HWND window = (HWND)OpenWindowObject(42, 100, 100, 200, 100, "Inactive", WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(window);
    HWND button = CreateWindowExA(0, "BUTTON", "stop", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10,
                                  100, 24, window, (HMENU)1, moduleHandle, 0);
    ASSERT_TRUE(button);
    ASSERT_TRUE(BringToForeground(window));
    {
        OtherThreadWindow foreign(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        ASSERT_TRUE(foreign.window);
        ASSERT_TRUE(RunEventsUntil([] { return GetActiveWindow() == 0; }));

        // A focus command that no accelerator of this thread produced: there is no walk to make.
        RetrievedMessages retrieved;
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_NEXT, 1), 0);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(CMD_FOCUS_PREVIOUS, 1), 0);
        ASSERT_TRUE(RunEventsUntil([&] { return retrieved.Count(WM_COMMAND, 0, true) == 2; }));
        RunPendingEvents();
        EXPECT_EQ((HWND)0, GetActiveWindow());
        EXPECT_EQ((HWND)0, GetFocus());
        EXPECT_EQ(foreign.window, GetForegroundWindow());
    }
    CloseWindowObject(42);
    RunPendingEvents();
}
