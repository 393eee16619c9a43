// Window objects: opening, placing, reusing and closing top-level windows by number, on real
// windows.
#include <string>
#include <vector>

#include "window_test_support.h"

namespace {

RECT WindowRectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

SIZE ClientSizeOf(HWND window) {
    RECT rect = {};
    GetClientRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

DWORD StyleOf(HWND window) {
    return (DWORD)GetWindowLongA(window, GWL_STYLE);
}

// A plain popup window, not a window object, to serve as a reference or owner.
HWND CreatePlainPopup(int x, int y, int width, int height, bool visible) {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP | (visible ? WS_VISIBLE : 0), x, y, width,
                           height, 0, 0, moduleHandle, 0);
}

int CountWindowObjects() {
    int count = 0;
    ObjectNumber number;
    ObjectTableFirst(windowTable);
    while (ObjectTableNext(windowTable, &number)) {
        ++count;
    }
    return count;
}

using WindowObjectTest = WindowTest;

TEST_F(WindowObjectTest, OpeningAStaticNumberMakesClassWindowPropertyAndAccelerators) {
    HWND window = (HWND)OpenWindowObject(3, POSITION_IGNORE, POSITION_IGNORE, 600, 300, "Main");
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(WindowHandleOf(3), window);
    EXPECT_EQ(ClassNameOf(window), "WindowClass_3");
    EXPECT_EQ((INT_PTR)GetPropA(window, "QV_WindowID"), 4);
    EXPECT_EQ(ClientSizeOf(window).cx, 600);
    EXPECT_EQ(ClientSizeOf(window).cy, 300);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsZoomed(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(StyleOf(window) & (WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_CHILD),
              WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_EQ(GetWindow(window, GW_OWNER), (HWND)0);
    char title[16] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Main");

    WNDCLASSA windowClass = {};
    ASSERT_TRUE(GetClassInfoA(moduleHandle, "WindowClass_3", &windowClass));
    EXPECT_EQ(windowClass.style, (UINT)CS_DBLCLKS);
    EXPECT_EQ(windowClass.lpfnWndProc, WindowProcedure);
    EXPECT_EQ(windowClass.cbClsExtra, 0);
    EXPECT_EQ(windowClass.cbWndExtra, 0);
    EXPECT_EQ(windowClass.hIcon, windowIcon);
    EXPECT_EQ(windowClass.hCursor, windowCursor);
    EXPECT_EQ(windowClass.hCursor, LoadCursorA(0, (LPCSTR)IDC_ARROW));
    EXPECT_EQ(windowClass.hbrBackground, (HBRUSH)16);
    EXPECT_EQ(windowClass.lpszMenuName, nullptr);

    WindowRecord *record = RecordOf(3);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->handle, window);
    EXPECT_EQ(record->backgroundColor, (COLORREF)-1);
    EXPECT_EQ(record->mdiClient, (HWND)0);
    EXPECT_EQ(record->messageCallback, nullptr);
    EXPECT_EQ(record->backgroundBrush, (HBRUSH)0);
    EXPECT_EQ(record->eraseCallback, nullptr);
    ASSERT_EQ(record->acceleratorCount, 2);
    ASSERT_TRUE(IsBusyHeapBlock(processHeap, record->accelerators));
    const ACCEL expected[2] = {{FVIRTKEY | FNOINVERT, VK_TAB, 1212},
                               {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, 1213}};
    ACCEL copied[3] = {};
    ASSERT_EQ(CopyAcceleratorTableA(record->acceleratorTable, copied, 3), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(record->accelerators[i].fVirt, expected[i].fVirt) << i;
        EXPECT_EQ(record->accelerators[i].key, expected[i].key) << i;
        EXPECT_EQ(record->accelerators[i].cmd, expected[i].cmd) << i;
        EXPECT_EQ(copied[i].fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT),
                  expected[i].fVirt & (FVIRTKEY | FSHIFT))
            << i;
        EXPECT_EQ(copied[i].key, VK_TAB) << i;
        EXPECT_EQ(copied[i].cmd, expected[i].cmd) << i;
    }

    ACCEL *accelerators = record->accelerators;
    HACCEL table = record->acceleratorTable;
    CloseWindowObject(3);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(WindowHandleOf(3), (HWND)0);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_3"));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, accelerators));
    EXPECT_EQ(CopyAcceleratorTableA(table, 0, 0), 0);
    EXPECT_EQ(CountThreadWindows(), windowsBefore);
}

TEST_F(WindowObjectTest, ANullTitleIsEmpty) {
    HWND window = (HWND)OpenWindowObject(1, 10, 10, 100, 50, nullptr, WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetWindowTextLengthA(window), 0);
}

TEST_F(WindowObjectTest, DynamicNumberIsTheRecordAddressAndNamesTheClassInSignedDecimal) {
    ObjectNumber first = OpenWindowObject(OBJECT_ANY, 10, 10, 120, 80, "A", WINDOW_HIDDEN);
    ObjectNumber second = OpenWindowObject(OBJECT_ANY, 10, 10, 120, 80, "B", WINDOW_HIDDEN);
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_NE(first, second);
    for (ObjectNumber number : {first, second}) {
        WindowRecord *record = RecordOf(number);
        ASSERT_EQ((ObjectNumber)record, number);
        HWND window = WindowHandleOf(number);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(record->handle, window);
        EXPECT_EQ(ClassNameOf(window), "WindowClass_" + std::to_string((long)number));
        EXPECT_EQ((ObjectNumber)GetPropA(window, "QV_WindowID"), number + 1);
    }
    CloseWindowObject(first);
    EXPECT_EQ(WindowHandleOf(first), (HWND)0);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_" + std::to_string((long)first)));
    EXPECT_TRUE(IsWindow(WindowHandleOf(second)));
}

// The system adds a caption to every overlapped window, so a missing WS_CAPTION shows up as a
// client area of the wrong size; the library's own bits must never reach the system.
TEST_F(WindowObjectTest, ClientAreaIsExactlyTheInnerSizeAndFlagsGiveTheShowState) {
    enum { NORMAL, MAXIMIZED, MINIMIZED };
    const struct {
        const char *name;
        int flags;
        bool visible;
        int showState;
        DWORD styleBits; // of WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_THICKFRAME
    } cases[] = {
        {"default", WINDOW_DEFAULT_FLAGS, true, NORMAL, WS_CAPTION | WS_SYSMENU},
        {"no flags", 0, true, NORMAL, WS_CAPTION},
        {"hidden only", WINDOW_HIDDEN, false, NORMAL, WS_CAPTION},
        {"hidden centred", WINDOW_HIDDEN | WINDOW_CENTERED, false, NORMAL, WS_CAPTION},
        {"popup with border", (int)(WS_POPUP | WS_BORDER), true, NORMAL, WS_POPUP | WS_BORDER},
        {"hidden popup", (int)(WS_POPUP | WINDOW_HIDDEN), false, NORMAL, WS_POPUP},
        {"sizable", WS_OVERLAPPEDWINDOW, true, NORMAL, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME},
        {"maximized", WINDOW_DEFAULT_FLAGS | WS_MAXIMIZE | WS_MAXIMIZEBOX, true, MAXIMIZED,
         WS_CAPTION | WS_SYSMENU},
        {"minimized", WINDOW_DEFAULT_FLAGS | WS_MINIMIZE, true, MINIMIZED, WS_CAPTION | WS_SYSMENU},
    };
    for (const auto &c : cases) {
        HWND window = (HWND)OpenWindowObject(2, 30, 40, 250, 120, c.name, c.flags);
        ASSERT_TRUE(IsWindow(window)) << c.name;
        EXPECT_EQ(IsWindowVisible(window) != 0, c.visible) << c.name;
        EXPECT_EQ(IsZoomed(window) != 0, c.showState == MAXIMIZED) << c.name;
        EXPECT_EQ(IsIconic(window) != 0, c.showState == MINIMIZED) << c.name;
        EXPECT_EQ(StyleOf(window) & (WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_THICKFRAME),
                  c.styleBits)
            << c.name;
        if (c.showState == NORMAL) {
            EXPECT_EQ(ClientSizeOf(window).cx, 250) << c.name;
            EXPECT_EQ(ClientSizeOf(window).cy, 120) << c.name;
        }
        if (c.showState == NORMAL && !(c.flags & WINDOW_CENTERED)) {
            EXPECT_EQ(WindowRectOf(window).left, 30) << c.name;
            EXPECT_EQ(WindowRectOf(window).top, 40) << c.name;
        }
        CloseWindowObject(2);
        EXPECT_FALSE(IsWindow(window)) << c.name;
    }
}

TEST_F(WindowObjectTest, PositionIgnoreInEitherCoordinateLetsTheSystemChooseBoth) {
    const struct {
        int x, y;
    } cases[] = {
        {POSITION_IGNORE, POSITION_IGNORE}, {POSITION_IGNORE, 200}, {200, POSITION_IGNORE}};
    for (const auto &c : cases) {
        HWND window = (HWND)OpenWindowObject(4, c.x, c.y, 300, 200, "", WINDOW_DEFAULT_FLAGS);
        ASSERT_TRUE(IsWindow(window)) << c.x << "," << c.y;
        RECT rect = WindowRectOf(window);
        EXPECT_GE(rect.left, 0) << c.x << "," << c.y;
        EXPECT_GE(rect.top, 0) << c.x << "," << c.y;
        EXPECT_LT(rect.top, GetSystemMetrics(SM_CYSCREEN)) << c.x << "," << c.y;
        EXPECT_EQ(ClientSizeOf(window).cx, 300);
        EXPECT_EQ(ClientSizeOf(window).cy, 200);
        CloseWindowObject(4);
    }
}

// The program's import entry of CreateWindowExA, and what the calls through it asked for.
extern "C" HWND(WINAPI *importedCreateWindowExA)(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int,
                                                 HWND, HMENU, HINSTANCE,
                                                 LPVOID) __asm__("__imp__CreateWindowExA@48");

struct CreationPosition {
    std::string className;
    int x, y;
};
std::vector<CreationPosition> creations;
decltype(importedCreateWindowExA) platformCreateWindowExA;

HWND WINAPI RecordCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                                  int y, int width, int height, HWND parent, HMENU menu,
                                  HINSTANCE instance, LPVOID data) {
    creations.push_back({IS_INTRESOURCE(className) ? "" : className, x, y});
    return platformCreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                   menu, instance, data);
}

// POSITION_IGNORE in either coordinate hands CW_USEDEFAULT for both to the system, which then
// places the window; a position of the caller's own goes through unchanged.
TEST_F(WindowObjectTest, PositionIgnoreInEitherCoordinateAsksTheSystemForBoth) {
    const struct {
        int x, y;
        int expectedX, expectedY;
    } cases[] = {
        {POSITION_IGNORE, POSITION_IGNORE, CW_USEDEFAULT, CW_USEDEFAULT},
        {POSITION_IGNORE, 200, CW_USEDEFAULT, CW_USEDEFAULT},
        {200, POSITION_IGNORE, CW_USEDEFAULT, CW_USEDEFAULT},
        {120, 80, 120, 80},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        creations.clear();
        {
            ImportEntryPatch<decltype(importedCreateWindowExA)> recording(&importedCreateWindowExA,
                                                                          RecordCreateWindowExA);
            platformCreateWindowExA = recording.platform;
            ASSERT_TRUE(OpenWindowObject(4, c.x, c.y, 300, 200, "", WINDOW_DEFAULT_FLAGS));
        }
        ASSERT_EQ(1u, creations.size());
        EXPECT_EQ("WindowClass_4", creations[0].className);
        EXPECT_EQ(c.expectedX, creations[0].x);
        EXPECT_EQ(c.expectedY, creations[0].y);
        CloseWindowObject(4);
    }
}

TEST_F(WindowObjectTest, CenteredWindowIsCentredOnTheScreenAndCutToIt) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);

    HWND large =
        (HWND)OpenWindowObject(5, POSITION_IGNORE, POSITION_IGNORE, screenWidth + 900,
                               screenHeight + 700, "", WINDOW_DEFAULT_FLAGS | WINDOW_CENTERED);
    ASSERT_TRUE(IsWindow(large));
    RECT rect = WindowRectOf(large);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, screenWidth);
    EXPECT_EQ(rect.bottom, screenHeight);

    RECT outer = {0, 0, 301, 151};
    AdjustWindowRect(&outer, WINDOW_DEFAULT_FLAGS, FALSE);
    int outerWidth = outer.right - outer.left;
    int outerHeight = outer.bottom - outer.top;
    HWND small =
        (HWND)OpenWindowObject(5, 7, 7, 301, 151, "", WINDOW_DEFAULT_FLAGS | WINDOW_CENTERED);
    ASSERT_TRUE(IsWindow(small));
    rect = WindowRectOf(small);
    EXPECT_EQ(rect.left, (screenWidth - outerWidth) / 2);
    EXPECT_EQ(rect.top, (screenHeight - outerHeight) / 2);
    EXPECT_EQ(ClientSizeOf(small).cx, 301);
    EXPECT_EQ(ClientSizeOf(small).cy, 151);
}

// Popup windows without a border: the outer size is the inner size.
TEST_F(WindowObjectTest, CenterOnParentUsesTheParentWindow) {
    const struct {
        RECT reference; // x, y, width, height
        int width, height;
        int x, y;
    } cases[] = {
        {{0, 0, 200, 100}, 400, 300, 0, 0}, // -100, -100 become 0
        {{100, 100, 400, 300}, 200, 100, 200, 200},
        {{500, 300, 201, 101}, 400, 300, 401, 201}, // -199 / 2 rounds toward zero
        {{50, 200, 100, 100}, 500, 40, 0, 230},     // only x is raised to 0
    };
    for (const auto &c : cases) {
        HWND reference = CreatePlainPopup(c.reference.left, c.reference.top, c.reference.right,
                                          c.reference.bottom, true);
        ASSERT_TRUE(IsWindow(reference));
        HWND window =
            (HWND)OpenWindowObject(6, POSITION_IGNORE, POSITION_IGNORE, c.width, c.height, "",
                                   (int)WS_POPUP | WINDOW_CENTER_ON_PARENT, reference);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(GetWindow(window, GW_OWNER), reference);
        RECT rect = WindowRectOf(window);
        EXPECT_EQ(rect.left, c.x) << c.x << "," << c.y;
        EXPECT_EQ(rect.top, c.y) << c.x << "," << c.y;
        EXPECT_EQ(rect.right - rect.left, c.width);
        CloseWindowObject(6);
        DestroyWindow(reference);
    }
}

TEST_F(WindowObjectTest, CenterOnParentWithoutParentUsesTheActiveWindow) {
    HWND active = (HWND)OpenWindowObject(7, 100, 80, 400, 300, "", (int)WS_POPUP);
    ASSERT_TRUE(IsWindow(active));
    ASSERT_EQ(GetActiveWindow(), active);
    HWND window = (HWND)OpenWindowObject(8, 5, 5, 200, 100, "",
                                         (int)WS_POPUP | WINDOW_CENTER_ON_PARENT | WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(WindowRectOf(window).left, 200);
    EXPECT_EQ(WindowRectOf(window).top, 180);
    EXPECT_EQ(GetWindow(window, GW_OWNER), (HWND)0);
}

TEST_F(WindowObjectTest, CenterOnParentWithoutAnyReferenceKeepsThePositionGiven) {
    ASSERT_EQ(GetActiveWindow(), (HWND)0);
    HWND placed = (HWND)OpenWindowObject(9, 40, 50, 200, 100, "",
                                         (int)WS_POPUP | WINDOW_CENTER_ON_PARENT | WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(placed));
    EXPECT_EQ(WindowRectOf(placed).left, 40);
    EXPECT_EQ(WindowRectOf(placed).top, 50);

    // Without a position of its own the system chooses one, rather than -65535.
    HWND chosen =
        (HWND)OpenWindowObject(10, POSITION_IGNORE, POSITION_IGNORE, 200, 100, "",
                               WINDOW_DEFAULT_FLAGS | WINDOW_CENTER_ON_PARENT | WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(chosen));
    EXPECT_GE(WindowRectOf(chosen).left, 0);
    EXPECT_GE(WindowRectOf(chosen).top, 0);
}

TEST_F(WindowObjectTest, ReopeningALiveNumberClosesTheOldWindowFirst) {
    HWND old = (HWND)OpenWindowObject(5, 10, 10, 100, 100, "old", WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(old));
    CbtRecorder cbt;
    HWND reopened = (HWND)OpenWindowObject(5, 10, 10, 100, 100, "new", WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(reopened));
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(WindowHandleOf(5), reopened);
    EXPECT_EQ(ClassNameOf(reopened), "WindowClass_5");
    int destroyed = cbt.IndexOf(HCBT_DESTROYWND, old);
    int created = cbt.IndexOf(HCBT_CREATEWND, reopened);
    ASSERT_GE(destroyed, 0);
    ASSERT_GE(created, 0);
    EXPECT_LT(destroyed, created);
    WNDCLASSA windowClass;
    ASSERT_TRUE(GetClassInfoA(moduleHandle, "WindowClass_5", &windowClass));
    EXPECT_EQ(windowClass.lpfnWndProc, WindowProcedure);
    EXPECT_EQ(CountThreadWindows(), windowsBefore + 1);
}

TEST_F(WindowObjectTest, FailedCreationUndoesTheSlotAndTheClass) {
    HWND notAWindow = (HWND)0x1234;
    ASSERT_FALSE(IsWindow(notAWindow));
    int objectBlocks = CountBusyBlocks(objectHeap);

    EXPECT_EQ(OpenWindowObject(11, 10, 10, 100, 100, "", WINDOW_DEFAULT_FLAGS, notAWindow), 0);
    EXPECT_EQ(WindowHandleOf(11), (HWND)0);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_11"));

    EXPECT_EQ(OpenWindowObject(OBJECT_ANY, 10, 10, 100, 100, "", WINDOW_DEFAULT_FLAGS, notAWindow),
              0);
    EXPECT_EQ(CountWindowObjects(), 0);
    EXPECT_EQ(CountBusyBlocks(objectHeap), objectBlocks);

    // A live window with the number is closed before the attempt.
    HWND old = (HWND)OpenWindowObject(11, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(old));
    EXPECT_EQ(OpenWindowObject(11, 10, 10, 100, 100, "", WINDOW_DEFAULT_FLAGS, notAWindow), 0);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_EQ(WindowHandleOf(11), (HWND)0);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_11"));

    // Negative numbers other than OBJECT_ANY name no slot.
    EXPECT_EQ(OpenWindowObject(-5, 10, 10, 100, 100, "", WINDOW_HIDDEN), 0);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_-5"));
    EXPECT_EQ(CountWindowObjects(), 0);
    EXPECT_EQ(CountThreadWindows(), windowsBefore);
}

TEST_F(WindowObjectTest, ClosingAnOwnedWindowActivatesItsOwnerFirst) {
    HWND owner = (HWND)OpenWindowObject(1, 10, 10, 300, 200, "owner");
    ASSERT_TRUE(IsWindow(owner));
    HWND owned = (HWND)OpenWindowObject(2, 40, 40, 200, 100, "owned", WINDOW_DEFAULT_FLAGS, owner);
    ASSERT_TRUE(IsWindow(owned));
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
    ASSERT_EQ(GetActiveWindow(), owned);

    CbtRecorder cbt;
    CloseWindowObject(2);
    int activated = cbt.IndexOf(HCBT_ACTIVATE, owner);
    int destroyed = cbt.IndexOf(HCBT_DESTROYWND, owned);
    ASSERT_GE(activated, 0);
    ASSERT_GE(destroyed, 0);
    EXPECT_LT(activated, destroyed);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_TRUE(IsWindow(owner));
}

TEST_F(WindowObjectTest, AWindowDestroyedWithItsOwnerIsStillReleasedByClosing) {
    HWND owner = (HWND)OpenWindowObject(1, 10, 10, 300, 200, "owner", WINDOW_HIDDEN);
    HWND owned = (HWND)OpenWindowObject(2, 40, 40, 200, 100, "owned", WINDOW_HIDDEN, owner);
    ASSERT_TRUE(IsWindow(owned));
    CloseWindowObject(1);
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_EQ(WindowHandleOf(2), owned); // the record keeps its stale handle until closed
    EXPECT_TRUE(ClassIsRegistered("WindowClass_2"));
    CloseWindowObject(2);
    EXPECT_EQ(WindowHandleOf(2), (HWND)0);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_2"));
}

// Properties the window still carries when it receives WM_DESTROY.
struct PropertiesAtDestroy {
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DESTROY) {
            destroyed = true;
            windowId = GetPropA(window, "QV_WindowID");
            dropAccept = GetPropA(window, "QV_DropAccept");
        }
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    static inline WNDPROC previous;
    static inline bool destroyed;
    static inline HANDLE windowId;
    static inline HANDLE dropAccept;
};

TEST_F(WindowObjectTest, ClosingRemovesThePropertiesFirstAndDeletesTheBackgroundBrush) {
    HWND window = (HWND)OpenWindowObject(3, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(window));
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    RecordOf(3)->backgroundBrush = brush;
    SetPropA(window, "QV_DropAccept", (HANDLE)1);
    PropertiesAtDestroy::destroyed = false;
    PropertiesAtDestroy::windowId = PropertiesAtDestroy::dropAccept = (HANDLE)-1;
    PropertiesAtDestroy::previous =
        (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)PropertiesAtDestroy::Procedure);
    CloseWindowObject(3);
    ASSERT_TRUE(PropertiesAtDestroy::destroyed);
    EXPECT_EQ(PropertiesAtDestroy::windowId, (HANDLE)0);
    EXPECT_EQ(PropertiesAtDestroy::dropAccept, (HANDLE)0);
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_3"));
}

TEST_F(WindowObjectTest, CloseAllWindowsClosesStaticNumbersInOrderThenDynamicOldestFirst) {
    HWND six = (HWND)OpenWindowObject(6, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    HWND two = (HWND)OpenWindowObject(2, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    ObjectNumber older = OpenWindowObject(OBJECT_ANY, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    ObjectNumber newer = OpenWindowObject(OBJECT_ANY, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    ASSERT_TRUE(older && newer);
    HWND olderWindow = WindowHandleOf(older);
    HWND newerWindow = WindowHandleOf(newer);

    DropRecord *drop = IssueDropRecord(32);
    void *dropFiles = drop->data;
    SendMessageA(two, MSG_WINDOW_DROP, 0, (LPARAM)drop);
    ASSERT_EQ(Events()->dropData, drop);

    CbtRecorder cbt;
    CloseAllWindows();
    std::vector<HWND> expected = {two, six, olderWindow, newerWindow};
    EXPECT_EQ(cbt.WindowsOf(HCBT_DESTROYWND), expected);
    for (ObjectNumber number : {(ObjectNumber)6, (ObjectNumber)2, older, newer}) {
        EXPECT_EQ(WindowHandleOf(number), (HWND)0) << number;
        EXPECT_FALSE(ClassIsRegistered(WindowClassNameOf(number))) << number;
    }
    EXPECT_EQ(CountWindowObjects(), 0);
    EXPECT_EQ(Events()->dropData, nullptr);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, drop));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, dropFiles));
    EXPECT_EQ(CountThreadWindows(), windowsBefore);

    // With no window open it only frees the drop record.
    HWND last = (HWND)OpenWindowObject(2, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    drop = IssueDropRecord(0);
    SendMessageA(last, MSG_WINDOW_DROP, 0, (LPARAM)drop);
    CloseWindowObject(2);
    ASSERT_EQ(Events()->dropData, drop);
    CloseAllWindows();
    EXPECT_EQ(Events()->dropData, nullptr);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, drop));
}

// Window objects opened and closed by handlers while an open is under way: the application-wide
// hook sees the messages of a window that is being created (it has no number yet) and of a window
// object without a hook of its own.
struct NestedCalls {
    static LRESULT CALLBACK Hook(HWND window, UINT message, WPARAM, LPARAM) {
        if (message == WM_CREATE && openOnCreate) {
            ObjectNumber number = openOnCreate;
            openOnCreate = 0;
            nestedWindow = (HWND)OpenWindowObject(number, 0, 0, 50, 50, "", WINDOW_HIDDEN);
            CloseWindowObject(closeOnCreate);
        } else if (message == WM_CREATE && closeOnShow == (HWND)-1) {
            closeOnShow = window; // the window being created is the one to close when shown
        } else if (message == WM_SHOWWINDOW && closeOnShow == window) {
            closeOnShow = 0;
            CloseWindowObject(closedNumber);
        }
        return CONTINUE_DEFAULT;
    }
    static inline ObjectNumber openOnCreate; // the number a creation's WM_CREATE opens, or 0
    static inline ObjectNumber closeOnCreate;
    static inline HWND nestedWindow;
    static inline HWND closeOnShow; // the window whose showing closes closedNumber; -1 takes the
                                    // next window created
    static inline ObjectNumber closedNumber;
};

TEST_F(WindowObjectTest, OpensAndClosesInTheMessagesOfAnOpenLeaveTheTableSound) {
    HWND doomed = (HWND)OpenWindowObject(3, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(doomed));
    // A number beyond the slots: the nested open grows the array and moves it.
    const ObjectNumber beyond = windowTable->capacity + 20;
    char *slotsBefore = windowTable->slots;
    NestedCalls::openOnCreate = beyond;
    NestedCalls::closeOnCreate = 3;
    Events()->appCallback = NestedCalls::Hook;
    HWND outer = (HWND)OpenWindowObject(5, 10, 10, 100, 100, "outer");
    Events()->appCallback = 0;
    ASSERT_NE(windowTable->slots, slotsBefore) << "the array did not move; nothing was tried";
    ASSERT_TRUE(IsWindow(outer));
    EXPECT_EQ(WindowHandleOf(5), outer);
    EXPECT_EQ((INT_PTR)GetPropA(outer, "QV_WindowID"), 6);
    ASSERT_NE(RecordOf(5), nullptr);
    EXPECT_TRUE(RecordOf(5)->acceleratorTable);
    EXPECT_EQ(WindowHandleOf(beyond), NestedCalls::nestedWindow);
    EXPECT_TRUE(IsWindow(NestedCalls::nestedWindow));
    EXPECT_EQ(WindowHandleOf(3), (HWND)0);
    EXPECT_FALSE(IsWindow(doomed));
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));

    // A handler that closes the window object while it is being shown: the open fails, and
    // nothing of it is left.
    int blocks = CountBusyBlocks(processHeap);
    NestedCalls::closeOnShow = (HWND)-1;
    NestedCalls::closedNumber = 7;
    CbtRecorder cbt;
    Events()->appCallback = NestedCalls::Hook;
    EXPECT_EQ(OpenWindowObject(7, 10, 10, 100, 100, "shown and closed"), 0);
    Events()->appCallback = 0;
    ASSERT_EQ(cbt.WindowsOf(HCBT_CREATEWND).size(), 1u);
    EXPECT_FALSE(IsWindow(cbt.WindowsOf(HCBT_CREATEWND)[0]));
    EXPECT_EQ(WindowHandleOf(7), (HWND)0);
    EXPECT_FALSE(ClassIsRegistered("WindowClass_7"));
    EXPECT_EQ(CountBusyBlocks(processHeap), blocks);
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
}

TEST_F(WindowObjectTest, NumbersThatNameNoWindowDoNothing) {
    HWND window = (HWND)OpenWindowObject(1, 10, 10, 100, 100, "", WINDOW_HIDDEN);
    ASSERT_TRUE(IsWindow(window));
    static int notARecord;
    const ObjectNumber numbers[] = {
        0, 2, 15, 16, 12345, -7, OBJECT_ANY, (ObjectNumber)&notARecord, (ObjectNumber)0x7FFFFFFF};
    for (ObjectNumber number : numbers) {
        EXPECT_EQ(WindowHandleOf(number), (HWND)0) << number;
        CloseWindowObject(number);
    }
    EXPECT_EQ(WindowHandleOf(1), window);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(CountWindowObjects(), 1);
}

} // namespace
