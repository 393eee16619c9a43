// Live window sizing: real mouse drags and key presses run through WaitEvent, on sizable runtime
// windows.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "input_support.h"
#include "window_test_support.h"
#include "runtime/heaps.h"
#include "windows/events.h"
#include "windows/sizing.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

namespace {

constexpr ObjectNumber SIZED_WINDOW = 50;
constexpr ObjectNumber PARENT_WINDOW = 51;
constexpr ObjectNumber CHILD_WINDOW = 52;
// The limits that the sized window answers WM_GETMINMAXINFO with.
constexpr POINT MIN_TRACK = {220, 160};
constexpr POINT MAX_TRACK = {560, 420};

SizeMoveState *Sizing() {
    return (SizeMoveState *)StateBlockGet(sizeMoveState);
}

bool Same(const RECT &a, const RECT &b) {
    return EqualRect(&a, &b) != 0;
}

bool Same(const POINT &a, const POINT &b) {
    return a.x == b.x && a.y == b.y;
}

RECT WindowRectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

POINT CursorPos() {
    POINT point = {};
    GetCursorPos(&point);
    return point;
}

std::string Text(const RECT &rect) {
    return "(" + std::to_string(rect.left) + ", " + std::to_string(rect.top) + ", " +
           std::to_string(rect.right) + ", " + std::to_string(rect.bottom) + ")";
}

std::string Text(const POINT &point) {
    return "(" + std::to_string(point.x) + ", " + std::to_string(point.y) + ")";
}

RECT Moved(const RECT &rect, const RECT &by) {
    return {rect.left + by.left, rect.top + by.top, rect.right + by.right, rect.bottom + by.bottom};
}

HCURSOR SharedCursor(int id) {
    return (HCURSOR)LoadImageA(0, MAKEINTRESOURCEA(id), IMAGE_CURSOR, 0, 0,
                               LR_SHARED | LR_DEFAULTSIZE);
}

// Index of the first event with this code at or after `from`, or -1.
int IndexOf(const SeenEvents &events, int code, int from = 0) {
    for (int i = from; i < (int)events.size(); ++i) {
        if (events[i].code == code) {
            return i;
        }
    }
    return -1;
}

// Ends the system's modal move or size loop with an Escape key if it still runs after a bound,
// so that a test that fails does not hang.
Later ModalLoopGuard(HWND window) {
    return Later(10000, [window] { PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0); });
}

// Full-window dragging set for the test and put back afterwards, without touching the profile.
class DragFullWindows {
  public:
    explicit DragFullWindows(BOOL on) {
        SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &saved, 0);
        Set(on);
    }
    ~DragFullWindows() { Set(saved); }
    void Set(BOOL on) { SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, on, 0, 0); }

  private:
    BOOL saved = FALSE;
};

// Where a press on the frame names an edge, and where the sizing puts the cursor for it: the
// point that reproduces the window's rectangle.
POINT EdgePoint(const RECT &r, int edge) {
    int midX = (r.left + r.right) / 2;
    int midY = (r.top + r.bottom) / 2;
    switch (edge) {
    case WMSZ_LEFT: return {r.left, midY};
    case WMSZ_RIGHT: return {r.right - 2, midY};
    case WMSZ_TOP: return {midX, r.top};
    case WMSZ_BOTTOM: return {midX, r.bottom - 2};
    case WMSZ_TOPLEFT: return {r.left + 2, r.top + 2};
    case WMSZ_TOPRIGHT: return {r.right - 2, r.top};
    case WMSZ_BOTTOMLEFT: return {r.left, r.bottom - 2};
    default: return {r.right - 2, r.bottom - 2};
    }
}

// The window rectangle that a point of a drag gives, from the rectangle before it: the dragged
// edges go to the point (the right and the bottom edge 2 pixels beyond it, the corner of a top-left
// drag 2 pixels before it on both axes), each stopped where the window would get smaller than
// MIN_TRACK or larger than MAX_TRACK; the other edges stay.
RECT SizedRect(RECT r, int edge, POINT p) {
    bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
    bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
    bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
    bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
    int corner = edge == WMSZ_TOPLEFT ? 2 : 0;
    auto width = [](int w) { return std::clamp(w, (int)MIN_TRACK.x, (int)MAX_TRACK.x); };
    auto height = [](int h) { return std::clamp(h, (int)MIN_TRACK.y, (int)MAX_TRACK.y); };
    if (left) {
        r.left = r.right - width(r.right - (p.x - corner));
    }
    if (right) {
        r.right = r.left + width(p.x + 2 - r.left);
    }
    if (top) {
        r.top = r.bottom - height(r.bottom - (p.y - corner));
    }
    if (bottom) {
        r.bottom = r.top + height(p.y + 2 - r.top);
    }
    return r;
}

// A sizable runtime window with the keyboard focus, its top-level window in the foreground,
// full-window dragging on, and a spy that answers WM_GETMINMAXINFO with the test's limits and
// counts the messages that arrive while a sizing runs.
class SizingTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(Sizing()->active);
        OpenSizedWindow();
        ASSERT_TRUE(window);
        spy.reset(new WindowSpy(window));
        spy->before = [this](UINT message, WPARAM, LPARAM lParam, LRESULT *result) {
            messagesWhileSizing += Sizing()->active != 0;
            if (message != WM_GETMINMAXINFO) {
                return false;
            }
            ((MINMAXINFO *)lParam)->ptMinTrackSize = MIN_TRACK;
            ((MINMAXINFO *)lParam)->ptMaxTrackSize = MAX_TRACK;
            *result = 0;
            return true;
        };
        ASSERT_TRUE(BringToForeground(parent ? parent : window));
        SetFocus(window);
        MoveMouse(CenterOf(WindowRectOf(window)));
        start = WindowRectOf(window);
        spy->messages.clear();
        messagesWhileSizing = 0;
    }

    void TearDown() override {
        if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) {
            SendLeftButton(false);
        }
        SettleEvents([] { return true; });
        if (Sizing()->active) {
            ADD_FAILURE() << "a sizing is still running";
            ReleaseCapture();
        }
        EXPECT_EQ((HWND)0, GetCapture());
        if (spy) {
            ExpectEveryMoveSized();
        }
        spy.reset();
        CloseWindowObject(number);
        if (parent) {
            CloseWindowObject(PARENT_WINDOW);
        }
        RunPendingEvents();
    }

    // A top-level window with a sizing border, 300 x 200 of client area at (200, 150).
    virtual void OpenSizedWindow() {
        number = SIZED_WINDOW;
        window = (HWND)OpenWindowObject(number, 200, 150, 300, 200, "Sizing", WS_OVERLAPPEDWINDOW);
    }

    static POINT CenterOf(const RECT &r) {
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }

    // Moves the mouse for real and waits until the cursor stands there (the move is made again if
    // an echo of the X pointer's way left the cursor elsewhere; see DragTo).
    void MoveMouse(POINT point, SeenEvents *codes = nullptr) {
        RetrievedMessages retrieved;
        for (int attempt = 0; attempt < 3 && !Same(point, CursorPos()); ++attempt) {
            SendMouseMoveTo(point.x, point.y);
            SettleCursorAt(point, codes);
        }
        std::string seen;
        for (const RetrievedMessage &each : retrieved.All()) {
            seen += " " + std::to_string(each.message) + "@" + Text(each.point);
        }
        EXPECT_TRUE(Same(point, CursorPos()))
            << "the cursor did not reach " << Text(point) << ", messages:" << seen.substr(0, 2000);
    }

    // Starts a sizing from the system menu's Size command, as the menu posts it.
    void StartKeyboardSizing(SeenEvents *codes = nullptr) {
        PostMessageA(window, WM_SYSCOMMAND, SC_SIZE, 0);
        ASSERT_TRUE(SettleEvents([] { return Sizing()->active != 0; }, codes));
        ASSERT_EQ(0, Sizing()->edge);
    }

    // A key of a keyboard sizing: the sizing may put the cursor somewhere, so the press is settled
    // once the pointer's echo of that has come as well.
    bool TypeSizingKey(WORD key, SeenEvents *codes = nullptr) {
        return TypeKey(key, false, codes) && RunUntilQuiet(codes);
    }

    // Presses the left button on a point of the frame and waits for the sizing to start.
    void PressOnFrame(POINT point, int edge, SeenEvents *codes = nullptr) {
        MoveMouse(point);
        SendLeftButtonAt(point.x, point.y, true);
        ASSERT_TRUE(SettleEvents([] { return Sizing()->active != 0; }, codes))
            << "no sizing for a press at " << Text(point);
        ASSERT_EQ(edge, Sizing()->edge);
        ASSERT_EQ(window, GetCapture());
    }

    // Walks the spy's record on from where the last walk stopped. A mouse sizing runs from the
    // WM_SYSCOMMAND that names its edge to the WM_CAPTURECHANGED that ends it; within it, every
    // WM_MOUSEMOVE that reaches the window is followed at once by a WM_SIZING with the edge and
    // the rectangle that the move's point gives (SizedRect) from the rectangle that the window's
    // answer to the WM_SIZING before left. A keyboard sizing (edge 0) is checked by its tests.
    void ExpectEveryMoveSized() {
        const std::vector<SpiedMessage> &record = spy->messages;
        if (walked > record.size()) {
            walked = 0; // the record was cleared
            sizingEdge = 0;
        }
        for (; walked < record.size(); ++walked) {
            const SpiedMessage &each = record[walked];
            switch (each.message) {
            case WM_SYSCOMMAND:
                if (!sizingEdge && (each.wParam & 0xFFF0) == SC_SIZE &&
                    (each.wParam & 0xF) <= WMSZ_BOTTOMRIGHT) {
                    sizingEdge = (int)(each.wParam & 0xF);
                    sizingRect = each.window;
                }
                break;
            case WM_MOUSEMOVE:
                if (sizingEdge) {
                    ExpectMoveSized(walked, sizingEdge,
                                    SizedRect(sizingRect, sizingEdge, each.point));
                }
                break;
            case WM_SIZING: sizingRect = each.answered; break;
            case WM_CAPTURECHANGED: sizingEdge = 0; break;
            default: break;
            }
        }
    }

    // The move at this place of the record is followed at once by a WM_SIZING with the edge and
    // the rectangle.
    void ExpectMoveSized(size_t move, int edge, const RECT &expected) {
        const std::vector<SpiedMessage> &record = spy->messages;
        std::string where = "the move to " + Text(record[move].point) + " (message " +
                            std::to_string(move) + " of the record)";
        if (move + 1 >= record.size() || record[move + 1].message != WM_SIZING) {
            ADD_FAILURE() << where << " got no WM_SIZING";
            return;
        }
        EXPECT_EQ((WPARAM)edge, record[move + 1].wParam) << where;
        EXPECT_TRUE(Same(expected, record[move + 1].rect))
            << where << " gave " << Text(record[move + 1].rect) << ", expected " << Text(expected);
    }

    // The last WM_MOUSEMOVE in the record at or after `from`, or null.
    const SpiedMessage *LastMove(size_t from) const {
        const SpiedMessage *last = nullptr;
        for (size_t i = from; i < spy->messages.size(); ++i) {
            if (spy->messages[i].message == WM_MOUSEMOVE) {
                last = &spy->messages[i];
            }
        }
        return last;
    }

    // The points of the moves in the record at or after `from`, for a failure's message.
    std::string MovesSince(size_t from) const {
        std::string moves;
        for (size_t i = from; i < spy->messages.size(); ++i) {
            if (spy->messages[i].message == WM_MOUSEMOVE) {
                moves += " " + Text(spy->messages[i].point);
            }
        }
        return moves.empty() ? " none" : moves;
    }

    // Moves the mouse during a drag and checks each move that reached the window, then the
    // rectangle. Under Wine the X pointer's echo of where the cursor came from can reach the
    // window after the move itself: only when the record shows that (the window's last move is
    // not the one sent) is the move made again, to the same point.
    void DragTo(POINT point, const RECT &expected, SeenEvents *codes = nullptr) {
        std::string seen;
        for (int attempt = 0; attempt < 3; ++attempt) {
            size_t from = spy->messages.size();
            SendMouseMoveTo(point.x, point.y);
            SettleCursorAt(point, codes);
            ExpectEveryMoveSized();
            seen += MovesSince(from) + ";";
            const SpiedMessage *last = LastMove(from);
            if (last && Same(point, last->point)) {
                break;
            }
        }
        EXPECT_TRUE(Same(expected, WindowRectOf(window)))
            << "expected " << Text(expected) << ", got " << Text(WindowRectOf(window))
            << " after a move to " << Text(point) << "; moves the window saw:" << seen;
    }

    // Lets the button go at a point (the release moves the cursor there first) and waits for
    // the sizing to end; every move of the drag was sized.
    void ReleaseButton(POINT point, SeenEvents *codes = nullptr) {
        SendLeftButtonAt(point.x, point.y, false);
        EXPECT_TRUE(SettleEvents([] { return Sizing()->active == 0; }, codes));
        ExpectEveryMoveSized();
    }

    const SpiedMessage *LastSizing() const {
        for (auto each = spy->messages.rbegin(); each != spy->messages.rend(); ++each) {
            if (each->message == WM_SIZING) {
                return &*each;
            }
        }
        return nullptr;
    }

    DragFullWindows dragFullWindows{TRUE};
    ObjectNumber number = 0;
    HWND window = 0;
    HWND parent = 0;
    std::unique_ptr<WindowSpy> spy;
    int messagesWhileSizing = 0;
    RECT start = {};
    // How far ExpectEveryMoveSized has walked the record, and the mouse sizing it is in: its
    // edge (0 outside one) and the window rectangle as the last WM_SIZING left it.
    size_t walked = 0;
    int sizingEdge = 0;
    RECT sizingRect = {};
};

// The sized window is a child window (WS_CHILD) of a large runtime window that stays where it is,
// so that the sizing moves it in its parent's coordinates.
//
// Most sizing tests use it. Under Wine every cursor move also moves the X pointer, and the X
// events that come back are turned into mouse moves again, relative to the X window under the
// pointer: that is only exact while that X window stays in place, which a child window (drawn in
// its parent's X window) allows and a top-level window whose left or top edge moves does not.
class ChildSizingTest : public SizingTest {
  protected:
    void OpenSizedWindow() override {
        parent = (HWND)OpenWindowObject(PARENT_WINDOW, 20, 20, 960, 680, "Parent");
        ASSERT_TRUE(parent);
        number = CHILD_WINDOW;
        window = (HWND)OpenWindowObject(number, 300, 200, 300, 200, "Sized",
                                        WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, parent);
    }
};

// Sets the thread's state of the left button: up, and toggled or not.
void SetLeftButtonState(BYTE state) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_LBUTTON] = state;
    SetKeyboardState(keys);
}

TEST_F(SizingTest, SizeCommandStartsTheSizingWithFullWindowDragging) {
    ASSERT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    SetLeftButtonState(0);
    EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, SC_SIZE | WMSZ_BOTTOMRIGHT, 0));
    // The command returned at once: no modal loop ran, the sizing waits for the event loop.
    EXPECT_EQ(1, Sizing()->active);
    EXPECT_EQ(WMSZ_BOTTOMRIGHT, Sizing()->edge);
    EXPECT_EQ(window, GetCapture());
    EXPECT_TRUE(Same(start, Sizing()->rect)) << Text(Sizing()->rect);
    EXPECT_EQ(MIN_TRACK.x, Sizing()->minMax.ptMinTrackSize.x);
    EXPECT_EQ(MIN_TRACK.y, Sizing()->minMax.ptMinTrackSize.y);
    EXPECT_EQ(MAX_TRACK.x, Sizing()->minMax.ptMaxTrackSize.x);
    EXPECT_EQ(MAX_TRACK.y, Sizing()->minMax.ptMaxTrackSize.y);
    // The limits were asked for, and the button that a press on the frame holds was pressed.
    std::vector<UINT> sent;
    for (const SpiedMessage &each : spy->messages) {
        if (each.message != WM_SYSCOMMAND && each.message != WM_CAPTURECHANGED) {
            sent.push_back(each.message);
        }
    }
    EXPECT_EQ((std::vector<UINT>{WM_GETMINMAXINFO, WM_LBUTTONDOWN}), sent);
    EXPECT_EQ(0, spy->Count(WM_ENTERSIZEMOVE));

    // WM_ENTERSIZEMOVE was posted: the event loop hands it out as a raw message number.
    EXPECT_EQ(WM_ENTERSIZEMOVE, (UINT)WaitEvent(0));
    EXPECT_EQ(number, EventWindow());
    ReleaseCapture();
    EXPECT_EQ(0, Sizing()->active);
    EXPECT_EQ(WM_EXITSIZEMOVE, (UINT)WaitEvent(0));
    EXPECT_EQ(number, EventWindow());
    EXPECT_TRUE(Same(start, WindowRectOf(window)));

    // A button that is up but toggled (GetKeyState is not 0) gets no press of its own.
    SetLeftButtonState(0x01);
    spy->messages.clear();
    EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, SC_SIZE | WMSZ_RIGHT, 0));
    EXPECT_EQ(WMSZ_RIGHT, Sizing()->edge);
    EXPECT_EQ(1, spy->Count(WM_GETMINMAXINFO));
    EXPECT_EQ(0, spy->Count(WM_LBUTTONDOWN));
    ReleaseCapture();
    EXPECT_EQ(0, Sizing()->active);
    SetLeftButtonState(0);
}

// The size commands that the sizing does not take over reach the rest of the translation: the
// window's own hook sees them (and answers them, so that no system loop runs).
std::vector<WPARAM> hookedCommands;

LRESULT CALLBACK RecordSystemCommand(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_SYSCOMMAND) {
        return CONTINUE_DEFAULT;
    }
    hookedCommands.push_back(wParam);
    return 0;
}

TEST_F(SizingTest, SizeCommandsWithALowNibbleAboveEightAreLeftToTheSystem) {
    WindowRecord *record = (WindowRecord *)ObjectTableFind(windowTable, number);
    ASSERT_TRUE(record);
    record->messageCallback = RecordSystemCommand;
    for (WPARAM nibble = 8; nibble <= 15; ++nibble) {
        SCOPED_TRACE("nibble " + std::to_string(nibble));
        hookedCommands.clear();
        spy->messages.clear();
        EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, SC_SIZE | nibble, 0));
        bool takenOver = nibble == WMSZ_BOTTOMRIGHT; // the last edge
        EXPECT_EQ(takenOver, hookedCommands.empty());
        EXPECT_EQ(takenOver, Sizing()->active == 1);
        EXPECT_EQ(takenOver ? window : (HWND)0, GetCapture());
        EXPECT_EQ(takenOver ? 1 : 0, spy->Count(WM_GETMINMAXINFO));
        ReleaseCapture();
        SeenEvents codes;
        RunPendingEvents(&codes);
        EXPECT_EQ(takenOver, Contains(codes, WM_ENTERSIZEMOVE));
    }
    record->messageCallback = 0;
}

// Taking the capture sends WM_CAPTURECHANGED to the runtime window that held it: that must not end
// the sizing that is just starting.
TEST_F(ChildSizingTest, ASizingThatTakesTheCaptureFromAnotherRuntimeWindowRuns) {
    SetLeftButtonState(0);
    SetCapture(parent);
    SeenEvents codes;
    EXPECT_EQ(0, SendMessageA(window, WM_SYSCOMMAND, SC_SIZE | WMSZ_RIGHT, 0));
    EXPECT_EQ(window, GetCapture());
    // The window follows the mouse, and the sizing ends once, when the capture goes.
    POINT point = EdgePoint(start, WMSZ_RIGHT);
    DragTo({point.x + 24, point.y}, Moved(start, {0, 0, 24, 0}), &codes);
    ReleaseCapture();
    RunPendingEvents(&codes);
    EXPECT_EQ(0, Sizing()->active);
    EXPECT_NE(-1, IndexOf(codes, WM_ENTERSIZEMOVE));
    EXPECT_LT(IndexOf(codes, WM_ENTERSIZEMOVE), IndexOf(codes, WM_EXITSIZEMOVE));
    EXPECT_EQ(-1, IndexOf(codes, WM_EXITSIZEMOVE, IndexOf(codes, WM_EXITSIZEMOVE) + 1));
}

// Keys that reach another runtime window while a child is sized (the focus is in the parent)
// belong to that window: they neither size nor move it, nor end the child's sizing.
TEST_F(ChildSizingTest, KeysForAnotherRuntimeWindowLeaveTheSizingAlone) {
    SeenEvents codes;
    StartKeyboardSizing(&codes);
    RECT parentRect = WindowRectOf(parent);
    SetFocus(parent);
    for (WORD key : {(WORD)VK_RIGHT, (WORD)VK_RIGHT, (WORD)VK_DOWN, (WORD)VK_RETURN}) {
        ASSERT_TRUE(TypeSizingKey(key, &codes)) << key;
    }
    EXPECT_TRUE(Same(parentRect, WindowRectOf(parent))) << Text(WindowRectOf(parent));
    EXPECT_TRUE(Same(start, WindowRectOf(window))) << Text(WindowRectOf(window));
    EXPECT_EQ(window, GetCapture());
    EXPECT_FALSE(Contains(codes, WM_EXITSIZEMOVE));
    // The sized window's own keys still work.
    SetFocus(window);
    ASSERT_TRUE(TypeSizingKey(VK_RIGHT, &codes));
    ASSERT_TRUE(TypeSizingKey(VK_RIGHT, &codes));
    EXPECT_TRUE(Same(Moved(start, {0, 0, 10, 0}), WindowRectOf(window)))
        << Text(WindowRectOf(window));
    ASSERT_TRUE(TypeSizingKey(VK_ESCAPE, &codes));
    EXPECT_EQ((HWND)0, GetCapture());
    EXPECT_TRUE(Contains(codes, WM_EXITSIZEMOVE));
}

TEST_F(SizingTest, FrameDragWithoutFullWindowDraggingIsLeftToTheSystem) {
    dragFullWindows.Set(FALSE);
    POINT press = EdgePoint(start, WMSZ_RIGHT);
    MoveMouse(press);
    Later guard = ModalLoopGuard(window);
    // The system's own sizing loop runs inside the dispatch of the press: the whole drag is
    // queued before the loop runs, and stays over the window, which has no capture yet.
    SendLeftButtonAt(press.x, press.y, true);
    SendMouseMoveTo(press.x - 30, press.y);
    SendLeftButtonAt(press.x - 30, press.y, false);
    SeenEvents codes;
    EXPECT_TRUE(RunEventsUntil([&] { return spy->Count(WM_EXITSIZEMOVE) == 1; }, &codes));
    EXPECT_FALSE(guard.fired);
    // The system sent its own WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE from its modal loop; the
    // runtime never started a sizing, so it posted nothing.
    EXPECT_EQ(1, spy->Count(WM_ENTERSIZEMOVE));
    SettleEvents([] { return true; }, &codes);
    EXPECT_FALSE(Contains(codes, WM_ENTERSIZEMOVE));
    EXPECT_FALSE(Contains(codes, WM_EXITSIZEMOVE));
    EXPECT_EQ(0, messagesWhileSizing);
    EXPECT_EQ((HWND)0, GetCapture());
}

TEST_F(SizingTest, CaptionDragIsLeftToTheSystem) {
    POINT press = {start.left + 60, start.top + GetSystemMetrics(SM_CYFRAME) + 6};
    MoveMouse(press);
    ASSERT_EQ(HTCAPTION, SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(press.x, press.y)));
    Later guard = ModalLoopGuard(window);
    SendLeftButtonAt(press.x, press.y, true);
    SendMouseMoveTo(press.x + 40, press.y + 25);
    SendLeftButtonAt(press.x + 40, press.y + 25, false);
    SeenEvents codes;
    EXPECT_TRUE(RunEventsUntil([&] { return spy->Count(WM_EXITSIZEMOVE) == 1; }, &codes));
    EXPECT_FALSE(guard.fired);
    // The system's move loop ran, and a move never sizes.
    EXPECT_EQ(1, spy->Count(WM_ENTERSIZEMOVE));
    EXPECT_EQ(0, spy->Count(WM_SIZING));
    SettleEvents([] { return true; }, &codes);
    RECT now = WindowRectOf(window);
    EXPECT_EQ(start.right - start.left, now.right - now.left);
    EXPECT_EQ(start.bottom - start.top, now.bottom - now.top);
    EXPECT_FALSE(Contains(codes, WM_ENTERSIZEMOVE));
    EXPECT_EQ(0, messagesWhileSizing);
    EXPECT_EQ((HWND)0, GetCapture());
}

struct DragCase {
    int edge;
    POINT delta; // mouse move from the press point
    RECT moved;  // expected change of left, top, right, bottom
};

// Each edge and corner, outwards and inwards.
const DragCase dragCases[] = {
    {WMSZ_LEFT, {-30, 7}, {-30, 0, 0, 0}},       {WMSZ_RIGHT, {25, -9}, {0, 0, 25, 0}},
    {WMSZ_TOP, {11, -20}, {0, -20, 0, 0}},       {WMSZ_BOTTOM, {-13, 35}, {0, 0, 0, 35}},
    {WMSZ_TOPLEFT, {15, 12}, {15, 12, 0, 0}},    {WMSZ_TOPRIGHT, {-17, -6}, {0, -6, -17, 0}},
    {WMSZ_BOTTOMLEFT, {-8, 19}, {-8, 0, 0, 19}}, {WMSZ_BOTTOMRIGHT, {21, -16}, {0, 0, 21, -16}},
};

TEST_F(ChildSizingTest, MouseDragMovesOnlyTheDraggedEdges) {
    for (const DragCase &each : dragCases) {
        SCOPED_TRACE("edge " + std::to_string(each.edge));
        RECT before = WindowRectOf(window);
        POINT press = EdgePoint(before, each.edge);
        PressOnFrame(press, each.edge);
        RECT expected = Moved(before, each.moved);
        POINT to = {press.x + each.delta.x, press.y + each.delta.y};
        DragTo(to, expected);
        // The window saw the working rectangle, with the edge, before it was moved there.
        const SpiedMessage *sizing = LastSizing();
        ASSERT_TRUE(sizing);
        EXPECT_EQ((WPARAM)each.edge, sizing->wParam);
        EXPECT_TRUE(Same(expected, sizing->rect)) << Text(sizing->rect);
        ReleaseButton(to);
        EXPECT_EQ((HWND)0, GetCapture());
        EXPECT_TRUE(Same(expected, WindowRectOf(window))) << Text(WindowRectOf(window));
    }
}

TEST_F(SizingTest, TopLevelWindowFollowsADragOfItsRightAndBottomEdges) {
    for (const DragCase &each : dragCases) {
        if (each.edge != WMSZ_RIGHT && each.edge != WMSZ_BOTTOM && each.edge != WMSZ_BOTTOMRIGHT) {
            continue; // these move the window's origin: see ChildSizingTest
        }
        SCOPED_TRACE("edge " + std::to_string(each.edge));
        RECT before = WindowRectOf(window);
        POINT press = EdgePoint(before, each.edge);
        PressOnFrame(press, each.edge);
        RECT expected = Moved(before, each.moved);
        POINT to = {press.x + each.delta.x, press.y + each.delta.y};
        DragTo(to, expected);
        ReleaseButton(to);
        EXPECT_TRUE(Same(expected, WindowRectOf(window))) << Text(WindowRectOf(window));
    }
}

struct LimitCase {
    int edge;
    POINT (*to)(const RECT &before);      // where the mouse goes
    RECT (*expected)(const RECT &before); // the rectangle at the limit
};

// Limits 220 x 160 to 560 x 420; the edge opposite the dragged one never moves. The cases run one
// after the other on the same window, in an order that keeps every point on the screen.
const LimitCase limitCases[] = {
    {WMSZ_LEFT,
     [](const RECT &r) {
         return POINT{r.right - 30, r.top + 50};
     },
     [](const RECT &r) {
         return RECT{r.right - 220, r.top, r.right, r.bottom};
     }},
    {WMSZ_BOTTOM,
     [](const RECT &r) {
         return POINT{r.left + 50, r.top + 460};
     },
     [](const RECT &r) {
         return RECT{r.left, r.top, r.right, r.top + 420};
     }},
    {WMSZ_RIGHT,
     [](const RECT &r) {
         return POINT{r.left + 565, r.top + 50};
     },
     [](const RECT &r) {
         return RECT{r.left, r.top, r.left + 560, r.bottom};
     }},
    {WMSZ_TOP,
     [](const RECT &r) {
         return POINT{r.left + 50, r.bottom - 30};
     },
     [](const RECT &r) {
         return RECT{r.left, r.bottom - 160, r.right, r.bottom};
     }},
    {WMSZ_BOTTOMRIGHT,
     [](const RECT &r) {
         return POINT{r.left + 10, r.top + 10};
     },
     [](const RECT &r) {
         return RECT{r.left, r.top, r.left + 220, r.top + 160};
     }},
    {WMSZ_TOPLEFT,
     [](const RECT &r) {
         return POINT{r.right - 600, r.bottom - 460};
     },
     [](const RECT &r) {
         return RECT{r.right - 560, r.bottom - 420, r.right, r.bottom};
     }},
};

// The window may change the rectangle that WM_SIZING proposes: the window is moved to the changed
// one, after a mouse move and after an arrow key's step alike.
TEST_F(ChildSizingTest, TheWindowsAnswerToWmSizingDecidesTheRectangle) {
    auto limits = spy->before;
    spy->before = [limits](UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result) {
        if (message != WM_SIZING) {
            return limits(message, wParam, lParam, result);
        }
        ((RECT *)lParam)->right += 7;
        ((RECT *)lParam)->bottom -= 4;
        *result = TRUE;
        return true;
    };
    POINT press = EdgePoint(start, WMSZ_BOTTOMRIGHT);
    PressOnFrame(press, WMSZ_BOTTOMRIGHT);
    POINT to = {press.x + 21, press.y + 16};
    RECT dragged = Moved(start, {0, 0, 28, 12});
    DragTo(to, dragged);
    ReleaseButton(to);
    EXPECT_TRUE(Same(dragged, WindowRectOf(window))) << Text(WindowRectOf(window));

    MoveMouse(CenterOf(dragged));
    StartKeyboardSizing();
    ASSERT_TRUE(TypeSizingKey(VK_RIGHT));
    ASSERT_TRUE(TypeSizingKey(VK_RIGHT));
    RECT stepped = Moved(dragged, {0, 0, 17, -4});
    EXPECT_TRUE(Same(stepped, WindowRectOf(window))) << Text(WindowRectOf(window));
    ASSERT_TRUE(TypeSizingKey(VK_RETURN));
    EXPECT_TRUE(Same(stepped, WindowRectOf(window))) << Text(WindowRectOf(window));
}

TEST_F(ChildSizingTest, MouseDragStopsAtTheTrackLimits) {
    for (const LimitCase &each : limitCases) {
        SCOPED_TRACE("edge " + std::to_string(each.edge));
        RECT before = WindowRectOf(window);
        PressOnFrame(EdgePoint(before, each.edge), each.edge);
        RECT expected = each.expected(before);
        POINT to = each.to(before);
        DragTo(to, expected);
        // The working rectangle already stopped at the limit before the window was moved.
        const SpiedMessage *sizing = LastSizing();
        ASSERT_TRUE(sizing);
        EXPECT_TRUE(Same(expected, sizing->rect)) << Text(sizing->rect);
        ReleaseButton(to);
        EXPECT_TRUE(Same(expected, WindowRectOf(window))) << Text(WindowRectOf(window));
    }
}

TEST_F(ChildSizingTest, WindowEventsReachWaitEventWhileTheDragIsUnderWay) {
    SeenEvents codes;
    POINT press = EdgePoint(start, WMSZ_TOPLEFT);
    PressOnFrame(press, WMSZ_TOPLEFT, &codes);
    DragTo({press.x - 20, press.y - 10}, Moved(start, {-20, -10, 0, 0}), &codes);
    POINT to = {press.x - 35, press.y - 5};
    DragTo(to, Moved(start, {-35, -5, 0, 0}), &codes);
    // The button is still down and the sizing runs: the window's events already came out.
    ASSERT_TRUE(Sizing()->active);
    int enter = IndexOf(codes, WM_ENTERSIZEMOVE);
    ASSERT_LE(0, enter);
    EXPECT_LT(enter, IndexOf(codes, EVENT_SIZE, enter)) << "no EVENT_SIZE during the drag";
    EXPECT_LT(enter, IndexOf(codes, EVENT_MOVE, enter)) << "no EVENT_MOVE during the drag";
    for (const SeenEvent &each : codes) {
        if (each.code == EVENT_SIZE || each.code == EVENT_MOVE || each.code == WM_ENTERSIZEMOVE) {
            EXPECT_EQ(number, each.window) << each.code;
        }
    }
    EXPECT_FALSE(Contains(codes, WM_EXITSIZEMOVE));
    ReleaseButton(to, &codes);
    int exit = IndexOf(codes, WM_EXITSIZEMOVE);
    ASSERT_LT(enter, exit);
    EXPECT_EQ(number, codes[exit].window);
    EXPECT_EQ(-1, IndexOf(codes, WM_ENTERSIZEMOVE, enter + 1));
}

// One arrow key of a keyboard sizing and what it leads to. Cursor points are given against the
// start rectangle R and the start cursor C: an anchor and an offset on each axis.
enum Anchor { AT_LEFT, AT_RIGHT, AT_TOP, AT_BOTTOM, AT_CURSOR };

struct KeyStep {
    WORD key;
    int edge;
    Anchor xAnchor;
    int x;
    Anchor yAnchor;
    int y;
    int cursor; // the shape chosen by the key, or 0 for a step
    RECT moved; // change of the window rectangle against R
};

struct KeySequence {
    const char *name;
    std::vector<KeyStep> steps;
};

const KeySequence keySequences[] = {
    {"right edge, then top-right corner",
     {{VK_RIGHT, WMSZ_RIGHT, AT_RIGHT, -2, AT_CURSOR, 0, 32644, {0, 0, 0, 0}},
      {VK_RIGHT, WMSZ_RIGHT, AT_RIGHT, 8, AT_CURSOR, 0, 0, {0, 0, 10, 0}},
      {VK_LEFT, WMSZ_RIGHT, AT_RIGHT, -2, AT_CURSOR, 0, 0, {0, 0, 0, 0}},
      {VK_UP, WMSZ_TOPRIGHT, AT_RIGHT, -2, AT_TOP, 0, 32643, {0, 0, 0, 0}},
      {VK_UP, WMSZ_TOPRIGHT, AT_RIGHT, -2, AT_TOP, -10, 0, {0, -10, 0, 0}},
      {VK_RIGHT, WMSZ_TOPRIGHT, AT_RIGHT, 8, AT_TOP, -10, 0, {0, -10, 10, 0}}}},
    {"left edge, then bottom-left corner",
     {{VK_LEFT, WMSZ_LEFT, AT_LEFT, 0, AT_CURSOR, 0, 32644, {0, 0, 0, 0}},
      {VK_LEFT, WMSZ_LEFT, AT_LEFT, -10, AT_CURSOR, 0, 0, {-10, 0, 0, 0}},
      {VK_RIGHT, WMSZ_LEFT, AT_LEFT, 0, AT_CURSOR, 0, 0, {0, 0, 0, 0}},
      {VK_DOWN, WMSZ_BOTTOMLEFT, AT_LEFT, 0, AT_BOTTOM, -2, 32643, {0, 0, 0, 0}},
      {VK_DOWN, WMSZ_BOTTOMLEFT, AT_LEFT, 0, AT_BOTTOM, 8, 0, {0, 0, 0, 10}},
      {VK_LEFT, WMSZ_BOTTOMLEFT, AT_LEFT, -10, AT_BOTTOM, 8, 0, {-10, 0, 0, 10}}}},
    {"top edge, then top-left corner",
     {{VK_UP, WMSZ_TOP, AT_CURSOR, 0, AT_TOP, 0, 32645, {0, 0, 0, 0}},
      {VK_UP, WMSZ_TOP, AT_CURSOR, 0, AT_TOP, -10, 0, {0, -10, 0, 0}},
      {VK_DOWN, WMSZ_TOP, AT_CURSOR, 0, AT_TOP, 0, 0, {0, 0, 0, 0}},
      {VK_LEFT, WMSZ_TOPLEFT, AT_LEFT, 2, AT_TOP, 2, 32642, {0, 0, 0, 0}},
      {VK_LEFT, WMSZ_TOPLEFT, AT_LEFT, -8, AT_TOP, 2, 0, {-10, 0, 0, 0}},
      {VK_UP, WMSZ_TOPLEFT, AT_LEFT, -8, AT_TOP, -8, 0, {-10, -10, 0, 0}}}},
    {"bottom edge, then bottom-right corner",
     {{VK_DOWN, WMSZ_BOTTOM, AT_CURSOR, 0, AT_BOTTOM, -2, 32645, {0, 0, 0, 0}},
      {VK_DOWN, WMSZ_BOTTOM, AT_CURSOR, 0, AT_BOTTOM, 8, 0, {0, 0, 0, 10}},
      {VK_UP, WMSZ_BOTTOM, AT_CURSOR, 0, AT_BOTTOM, -2, 0, {0, 0, 0, 0}},
      {VK_RIGHT, WMSZ_BOTTOMRIGHT, AT_RIGHT, -2, AT_BOTTOM, -2, 32642, {0, 0, 0, 0}},
      {VK_RIGHT, WMSZ_BOTTOMRIGHT, AT_RIGHT, 8, AT_BOTTOM, -2, 0, {0, 0, 10, 0}},
      {VK_DOWN, WMSZ_BOTTOMRIGHT, AT_RIGHT, 8, AT_BOTTOM, 8, 0, {0, 0, 10, 10}}}},
    {"right edge, then bottom-right corner",
     {{VK_RIGHT, WMSZ_RIGHT, AT_RIGHT, -2, AT_CURSOR, 0, 32644, {0, 0, 0, 0}},
      {VK_DOWN, WMSZ_BOTTOMRIGHT, AT_RIGHT, -2, AT_BOTTOM, -2, 32642, {0, 0, 0, 0}},
      {VK_LEFT, WMSZ_BOTTOMRIGHT, AT_RIGHT, -12, AT_BOTTOM, -2, 0, {0, 0, -10, 0}}}},
    {"left edge, then top-left corner",
     {{VK_LEFT, WMSZ_LEFT, AT_LEFT, 0, AT_CURSOR, 0, 32644, {0, 0, 0, 0}},
      {VK_UP, WMSZ_TOPLEFT, AT_LEFT, 2, AT_TOP, 2, 32642, {0, 0, 0, 0}},
      {VK_DOWN, WMSZ_TOPLEFT, AT_LEFT, 2, AT_TOP, 12, 0, {0, 10, 0, 0}}}},
    {"top edge, then top-right corner",
     {{VK_UP, WMSZ_TOP, AT_CURSOR, 0, AT_TOP, 0, 32645, {0, 0, 0, 0}},
      {VK_RIGHT, WMSZ_TOPRIGHT, AT_RIGHT, -2, AT_TOP, 0, 32643, {0, 0, 0, 0}},
      {VK_LEFT, WMSZ_TOPRIGHT, AT_RIGHT, -12, AT_TOP, 0, 0, {0, 0, -10, 0}}}},
    {"bottom edge, then bottom-left corner",
     {{VK_DOWN, WMSZ_BOTTOM, AT_CURSOR, 0, AT_BOTTOM, -2, 32645, {0, 0, 0, 0}},
      {VK_LEFT, WMSZ_BOTTOMLEFT, AT_LEFT, 0, AT_BOTTOM, -2, 32643, {0, 0, 0, 0}},
      {VK_RIGHT, WMSZ_BOTTOMLEFT, AT_LEFT, 10, AT_BOTTOM, -2, 0, {10, 0, 0, 0}}}},
};

int Resolve(Anchor anchor, int offset, const RECT &r, const POINT &cursor, bool horizontal) {
    switch (anchor) {
    case AT_LEFT: return r.left + offset;
    case AT_RIGHT: return r.right + offset;
    case AT_TOP: return r.top + offset;
    case AT_BOTTOM: return r.bottom + offset;
    default: return (horizontal ? cursor.x : cursor.y) + offset;
    }
}

TEST_F(ChildSizingTest, ArrowKeysChooseAnEdgeThenStepTenPixelsAndEnterOrEscapeKeepTheSize) {
    int round = 0;
    for (const KeySequence &sequence : keySequences) {
        SCOPED_TRACE(sequence.name);
        RECT r = WindowRectOf(window);
        POINT c = CenterOf(r);
        MoveMouse(c);
        SeenEvents codes;
        StartKeyboardSizing(&codes);
        EXPECT_EQ(SharedCursor(32646), GetCursor());
        for (const KeyStep &step : sequence.steps) {
            SCOPED_TRACE("key " + std::to_string(step.key));
            ASSERT_TRUE(TypeKey(step.key, false, &codes));
            EXPECT_EQ(step.edge, Sizing()->edge);
            // Where the sizing put the cursor.
            POINT cursor = {Resolve(step.xAnchor, step.x, r, c, true),
                            Resolve(step.yAnchor, step.y, r, c, false)};
            EXPECT_TRUE(SettleCursorAt(cursor, &codes))
                << "the cursor is at " << Text(CursorPos()) << ", expected " << Text(cursor);
            if (step.cursor) {
                EXPECT_EQ(SharedCursor(step.cursor), GetCursor());
            }
            RECT expected = Moved(r, step.moved);
            EXPECT_TRUE(Same(expected, WindowRectOf(window)))
                << Text(WindowRectOf(window)) << ", expected " << Text(expected);
        }
        // Enter and Escape end the sizing alike, at the size reached.
        RECT reached = WindowRectOf(window);
        WORD end = round++ % 2 ? VK_ESCAPE : VK_RETURN;
        ASSERT_TRUE(TypeSizingKey(end, &codes));
        EXPECT_EQ(0, Sizing()->active) << "after key " << end;
        EXPECT_EQ((HWND)0, GetCapture());
        EXPECT_TRUE(Same(reached, WindowRectOf(window))) << Text(WindowRectOf(window));
        EXPECT_LT(IndexOf(codes, WM_ENTERSIZEMOVE), IndexOf(codes, WM_EXITSIZEMOVE));
    }
}

// A keyboard sizing that saw no move of the user's puts the cursor back where it stood when the
// sizing began. The record shows that no move of the user's came: every move that reached the
// window during the sizing was the report of one of the sizing's own cursor placements.
TEST_F(ChildSizingTest, KeyboardSizingWithoutMouseMovesPutsTheCursorBack) {
    for (WORD end : {(WORD)VK_RETURN, (WORD)VK_ESCAPE}) {
        SCOPED_TRACE("key " + std::to_string(end));
        RECT r = WindowRectOf(window);
        POINT c = CenterOf(r);
        MoveMouse(c);
        size_t from = spy->messages.size();
        StartKeyboardSizing();
        for (WORD key : {(WORD)VK_RIGHT, (WORD)VK_RIGHT, (WORD)VK_DOWN, (WORD)VK_DOWN}) {
            ASSERT_TRUE(TypeSizingKey(key));
        }
        // Where the sizing put the cursor: the right edge, 10 pixels out, the bottom-right
        // corner, 10 pixels down.
        const POINT placements[] = {c,
                                    {r.right - 2, c.y},
                                    {r.right + 8, c.y},
                                    {r.right + 8, r.bottom - 2},
                                    {r.right + 8, r.bottom + 8}};
        // Waits for the last placement's report (under Wine an echo may hold the cursor
        // elsewhere for a while: that is no move of the user's either).
        SettleCursorAt(placements[4]);
        ASSERT_TRUE(TypeSizingKey(end));
        ASSERT_EQ(0, Sizing()->active);
        bool sizing = false;
        for (size_t i = from; i < spy->messages.size(); ++i) {
            const SpiedMessage &each = spy->messages[i];
            sizing |= each.message == WM_SYSCOMMAND;
            if (each.message == WM_CAPTURECHANGED) {
                break;
            }
            if (sizing && each.message == WM_MOUSEMOVE) {
                bool own = false;
                for (const POINT &placement : placements) {
                    own |= Same(placement, each.point);
                }
                EXPECT_TRUE(own) << "a move to " << Text(each.point) << " during the sizing";
            }
        }
        EXPECT_TRUE(SettleCursorAt(c)) << Text(CursorPos()) << ", expected " << Text(c);
        EXPECT_TRUE(Same(Moved(r, {0, 0, 10, 10}), WindowRectOf(window)))
            << Text(WindowRectOf(window));
    }
}

// The user's mouse move during a keyboard sizing sizes the window at once, and the cursor stays
// where the user left it when the sizing ends.
TEST_F(ChildSizingTest, MouseMoveDuringAKeyboardSizingLeavesTheCursorWhereItIs) {
    StartKeyboardSizing();
    ASSERT_TRUE(TypeSizingKey(VK_RIGHT));
    ASSERT_EQ(WMSZ_RIGHT, Sizing()->edge);
    SettleCursorAt({start.right - 2, CenterOf(start).y});
    // The user moves the mouse once. Only when the record shows that Wine's echo of the sizing's
    // cursor placement reached the window after it is the move made again, to the same point.
    POINT moved = {start.right + 20, start.top + 100};
    size_t from = spy->messages.size();
    for (int attempt = 0; attempt < 3; ++attempt) {
        size_t sent = spy->messages.size();
        SendMouseMoveTo(moved.x, moved.y);
        SettleCursorAt(moved);
        const SpiedMessage *last = LastMove(sent);
        if (last && Same(moved, last->point)) {
            break;
        }
    }
    EXPECT_TRUE(Same(moved, CursorPos())) << Text(CursorPos());
    // The first move to the point is the user's: it sized the window.
    size_t user = from;
    while (user < spy->messages.size() && !(spy->messages[user].message == WM_MOUSEMOVE &&
                                            Same(moved, spy->messages[user].point))) {
        ++user;
    }
    ASSERT_LT(user, spy->messages.size()) << "moves the window saw:" << MovesSince(from);
    ExpectMoveSized(user, WMSZ_RIGHT, Moved(start, {0, 0, 22, 0}));
    EXPECT_TRUE(Same(Moved(start, {0, 0, 22, 0}), WindowRectOf(window)))
        << Text(WindowRectOf(window));
    EXPECT_EQ(0, Sizing()->restoreCursor);
    // An arrow key now steps from where the user left the cursor.
    ASSERT_TRUE(TypeSizingKey(VK_RIGHT));
    EXPECT_TRUE(Same(Moved(start, {0, 0, 32, 0}), WindowRectOf(window)))
        << Text(WindowRectOf(window));
    const POINT stepped = {moved.x + 10, moved.y};
    ASSERT_TRUE(TypeSizingKey(VK_RETURN));
    EXPECT_EQ(0, Sizing()->active);
    // Nothing puts the cursor back to where the sizing began: it stays where the step left it.
    EXPECT_TRUE(SettleEvents([&] { return Same(stepped, CursorPos()); })) << Text(CursorPos());
}

TEST_F(ChildSizingTest, ChildWindowIsSizedInItsParentsCoordinates) {
    RECT inParent = WindowRectOf(window);
    MapWindowPoints(0, parent, (POINT *)&inParent, 2);
    ASSERT_EQ(300, inParent.left);
    ASSERT_EQ(200, inParent.top);

    SeenEvents codes;
    StartKeyboardSizing(&codes);
    for (WORD key : {VK_LEFT, VK_LEFT, VK_UP, VK_UP, VK_RETURN}) {
        ASSERT_TRUE(TypeSizingKey(key, &codes));
    }
    EXPECT_EQ(0, Sizing()->active);

    RECT now = WindowRectOf(window);
    MapWindowPoints(0, parent, (POINT *)&now, 2);
    RECT expected = Moved(inParent, {-10, -10, 0, 0});
    EXPECT_TRUE(Same(expected, now)) << Text(now) << ", expected " << Text(expected);
    EXPECT_EQ(parent, GetParent(window));
    bool moved = false;
    for (const SeenEvent &each : codes) {
        moved |= each.code == EVENT_MOVE && each.window == CHILD_WINDOW;
    }
    EXPECT_TRUE(moved);
}

// Messages of the sizing that arrive while no sizing runs.
struct StrayMessage {
    const char *name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

const StrayMessage strayMessages[] = {
    {"Enter", WM_KEYDOWN, VK_RETURN, 0},
    {"Escape", WM_KEYDOWN, VK_ESCAPE, 0},
    {"Left", WM_KEYDOWN, VK_LEFT, 0},
    {"Down", WM_KEYDOWN, VK_DOWN, 0},
    {"mouse move", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5)},
    {"button up", WM_LBUTTONUP, 0, MAKELPARAM(5, 5)},
    {"capture changed", WM_CAPTURECHANGED, 0, 0},
};

TEST_F(SizingTest, SizingMessagesWhileNoSizingRunsChangeNothing) {
    SeenEvents codes;
    for (const StrayMessage &each : strayMessages) {
        PostMessageA(window, each.message, each.wParam, each.lParam);
        RunPendingEvents(&codes);
        EXPECT_EQ(0, Sizing()->active) << each.name;
    }
    // Real arrow keys and a real mouse move as well.
    ASSERT_TRUE(TypeKey(VK_RIGHT, false, &codes));
    ASSERT_TRUE(TypeKey(VK_DOWN, false, &codes));
    MoveMouse({start.right - 2, start.bottom - 2}, &codes);
    MoveMouse({start.right + 30, start.bottom + 30}, &codes);
    EXPECT_EQ(0, Sizing()->active);
    EXPECT_EQ((HWND)0, GetCapture());
    EXPECT_TRUE(Same(start, WindowRectOf(window))) << Text(WindowRectOf(window));
    EXPECT_FALSE(Contains(codes, WM_EXITSIZEMOVE));
    EXPECT_FALSE(Contains(codes, WM_ENTERSIZEMOVE));
    EXPECT_EQ(0, messagesWhileSizing);
}

// Ways in which the sized window loses the capture in the middle of a drag.
struct CaptureLoss {
    const char *name;
    void (*take)(HWND sized, HWND other);
};

const CaptureLoss captureLosses[] = {
    {"ReleaseCapture", [](HWND, HWND) { ReleaseCapture(); }},
    {"another window takes the capture", [](HWND, HWND other) { SetCapture(other); }},
    {"WM_CANCELMODE", [](HWND sized, HWND) { SendMessageA(sized, WM_CANCELMODE, 0, 0); }},
};

TEST_F(ChildSizingTest, LostCaptureEndsTheDragCleanly) {
    HWND other = (HWND)OpenWindowObject(53, 600, 500, 120, 80, "Other");
    ASSERT_TRUE(other);
    ASSERT_TRUE(BringToForeground(parent));
    for (const CaptureLoss &loss : captureLosses) {
        SCOPED_TRACE(loss.name);
        RECT before = WindowRectOf(window);
        POINT press = EdgePoint(before, WMSZ_BOTTOMRIGHT);
        SeenEvents codes;
        PressOnFrame(press, WMSZ_BOTTOMRIGHT, &codes);
        RECT dragged = Moved(before, {0, 0, 15, 12});
        DragTo({press.x + 15, press.y + 12}, dragged, &codes);

        loss.take(window, other);
        EXPECT_EQ(0, Sizing()->active);
        // The button is still down: moving on and letting go changes nothing any more.
        MoveMouse({press.x + 60, press.y + 50}, &codes);
        SendLeftButton(false);
        SettleEvents([] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); }, &codes);
        EXPECT_EQ(0, Sizing()->active);
        EXPECT_TRUE(Same(dragged, WindowRectOf(window))) << Text(WindowRectOf(window));
        EXPECT_LT(IndexOf(codes, WM_ENTERSIZEMOVE), IndexOf(codes, WM_EXITSIZEMOVE));
        EXPECT_EQ(-1, IndexOf(codes, WM_EXITSIZEMOVE, IndexOf(codes, WM_EXITSIZEMOVE) + 1));
        HWND capture = GetCapture();
        EXPECT_TRUE(capture == 0 || capture == other);
        ReleaseCapture();
        RunPendingEvents();
    }
    CloseWindowObject(53);
    RunPendingEvents();
}

TEST_F(ChildSizingTest, ClosingTheWindowEndsItsSizing) {
    POINT press = EdgePoint(start, WMSZ_RIGHT);
    PressOnFrame(press, WMSZ_RIGHT);
    spy.reset();
    CloseWindowObject(number);
    EXPECT_EQ(0, Sizing()->active);
    EXPECT_EQ((HWND)0, GetCapture());
    // The parent is not sized by the moves that follow, nor by the button's release.
    RECT parentRect = WindowRectOf(parent);
    MoveMouse({press.x + 40, press.y + 20});
    SendLeftButton(false);
    RunUntilQuiet();
    EXPECT_EQ(0, Sizing()->active);
    EXPECT_TRUE(Same(parentRect, WindowRectOf(parent)));
}

} // namespace
