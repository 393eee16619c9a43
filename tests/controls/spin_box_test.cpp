// The spin box: an edit part and an up-down in a real window, driven by number, by its arrows and
// keys, and coloured through its parent's WM_CTLCOLOR* messages.
#include "control_fixture.h"

#include <commctrl.h>

#include "controls/brush_cache.h"
#include "controls/spin_box.h"
#include "full_object_heap.h"

namespace {

const ObjectNumber SPIN = 0;

class SpinBoxTest : public ControlTest {
  protected:
    // The application's spin box: 80 x 25 at (230, 270), 1 to 99, numeric, set to 1.
    void CreateCountBox(int flags = SPIN_NUMERIC) {
        edit = (HWND)CreateSpinBox(SPIN, 230, 270, 80, 25, 1, 99, flags);
        ASSERT_NE((HWND)0, edit);
        record = RecordOf(SPIN);
        ASSERT_NE(nullptr, record);
        upDown = record->spinBox.upDownHandle;
        ASSERT_TRUE(IsWindow(upDown));
        SetControlState(SPIN, 1);
        DrainEvents(0);
    }
    // A part's window rectangle in the parent's client coordinates.
    RECT ClientRectOf(HWND part) {
        RECT area;
        GetWindowRect(part, &area);
        MapWindowPoints(0, window, (POINT *)&area, 2);
        return area;
    }
    std::string EditText() {
        char text[64] = "";
        GetWindowTextA(edit, text, sizeof text);
        return text;
    }
    // Waits for the next step event of the spin box and returns its detail, +1 or -1; 0 when none
    // comes. The edit part's own notifications (the text change of a step) are passed over.
    int NextStep() {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 1000) {
            if (WaitEvent(50) == EVENT_CONTROL && EventSource() == SPIN &&
                (EventDetail() == 1 || EventDetail() == -1)) {
                return EventDetail();
            }
        }
        return 0;
    }
    // Hands out what is waiting and counts the step events among it.
    int DrainSteps() {
        int count = 0;
        for (int round = 0; round < 1000; round++) {
            int result = WaitEvent(0);
            if (result == 0) {
                break;
            }
            count += result == EVENT_CONTROL && (EventDetail() == 1 || EventDetail() == -1);
        }
        return count;
    }
    HWND edit = 0;
    HWND upDown = 0;
    ControlRecord *record = nullptr;
};

TEST_F(SpinBoxTest, CreationBindsBothPartsToTheNumber) {
    CreateCountBox();
    EXPECT_EQ(KIND_SPIN_BOX, record->ops->kind);
    EXPECT_EQ(148, record->ops->tableSize);
    EXPECT_EQ(edit, record->handle);
    EXPECT_EQ(SPIN, GetWindowLongA(upDown, GWL_ID));
    EXPECT_EQ(SPIN, (ObjectNumber)GetPropA(upDown, CONTROL_ID_PROPERTY));
    EXPECT_EQ(edit, (HWND)SendMessageA(upDown, UDM_GETBUDDY, 0, 0));
    char className[32] = "";
    GetClassNameA(edit, className, sizeof className);
    EXPECT_STRCASEEQ("Edit", className);
    GetClassNameA(upDown, className, sizeof className);
    EXPECT_STREQ(UPDOWN_CLASSA, className);
    EXPECT_EQ(0x50010002, GetWindowLongA(edit, GWL_STYLE) & 0x5FFFFFFF);
    EXPECT_TRUE(GetWindowLongA(edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
              GetWindowLongA(upDown, GWL_STYLE) & 0xFF);
    EXPECT_EQ(NO_OWN_COLOR, record->ops->getColor(record, FRONT_COLOR));
    EXPECT_EQ(NO_OWN_COLOR, record->ops->getColor(record, BACKGROUND_COLOR));
    EXPECT_EQ(NO_OWN_COLOR, record->ops->getColor(record, 3));
    EXPECT_EQ((HBRUSH)0, record->spinBox.backgroundBrush);
    // No getText slot: the generic reading gives the edit part's text.
    EXPECT_EQ("1", ControlText(SPIN));
}

TEST_F(SpinBoxTest, FlagsChooseReadOnlyAndNumericStyles) {
    CreateCountBox(SPIN_READ_ONLY);
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(GetWindowLongA(upDown, GWL_STYLE) & UDS_SETBUDDYINT);
    // Without UDS_SETBUDDYINT the up-down does not write its position into the edit part.
    SetControlState(SPIN, 5);
    EXPECT_EQ(5, GetControlState(SPIN));
    EXPECT_EQ("", EditText());
}

TEST_F(SpinBoxTest, RangeIsKeptAsSixteenBitValues) {
    CreateCountBox();
    EXPECT_EQ(1, record->ops->getAttribute(record, ATTR_MINIMUM));
    EXPECT_EQ(99, record->ops->getAttribute(record, ATTR_MAXIMUM));
    EXPECT_EQ(0, record->ops->getAttribute(record, 3));

    record->ops->setAttribute(record, ATTR_MAXIMUM, 50);
    EXPECT_EQ(1, record->ops->getAttribute(record, ATTR_MINIMUM));
    EXPECT_EQ(50, record->ops->getAttribute(record, ATTR_MAXIMUM));
    record->ops->setAttribute(record, ATTR_MINIMUM, -5);
    EXPECT_EQ(65531, record->ops->getAttribute(record, ATTR_MINIMUM));
    EXPECT_EQ(50, record->ops->getAttribute(record, ATTR_MAXIMUM));
    record->ops->setAttribute(record, 3, 7);
    EXPECT_EQ(MAKELONG(50, -5), (LONG)SendMessageA(upDown, UDM_GETRANGE, 0, 0));

    ASSERT_NE(0, CreateSpinBox(1, 10, 10, 80, 25, -5, 0x12345));
    ControlRecord *other = RecordOf(1);
    EXPECT_EQ(65531, other->ops->getAttribute(other, ATTR_MINIMUM));
    EXPECT_EQ(0x2345, other->ops->getAttribute(other, ATTR_MAXIMUM));
}

TEST_F(SpinBoxTest, StateIsThePositionInsideTheRange) {
    CreateCountBox();
    struct {
        int value;
        int state;
        const char *text;
    } cases[] = {{50, 50, "50"},  {99, 99, "99"}, {1, 1, "1"},
                 {500, 99, "99"}, {0, 1, "1"},    {-7, 1, "1"}};
    for (const auto &c : cases) {
        SetControlState(SPIN, c.value);
        EXPECT_EQ(c.state, GetControlState(SPIN)) << c.value;
        EXPECT_EQ(c.text, EditText()) << c.value;
    }
}

// Whatever is typed into the edit part, the count read from the spin box stays in its range.
TEST_F(SpinBoxTest, TypedTextNeverGivesACountOutsideTheRange) {
    CreateCountBox();
    SetControlState(SPIN, 30);
    const char *texts[] = {"abc", "", "500", "0", "-3", "100", "65537", "4x", " ", "99999999999"};
    for (const char *text : texts) {
        SetWindowTextA(edit, text);
        int state = GetControlState(SPIN);
        EXPECT_GE(state, 1) << '"' << text << '"';
        EXPECT_LE(state, 99) << '"' << text << '"';
    }
    SetWindowTextA(edit, "42");
    EXPECT_EQ(42, GetControlState(SPIN));
    SetWindowTextA(edit, "hello");
    EXPECT_EQ(42, GetControlState(SPIN));

    // A range narrowed below the position does not let the old position through either.
    SetControlState(SPIN, 80);
    record->ops->setAttribute(record, ATTR_MAXIMUM, 50);
    int state = GetControlState(SPIN);
    EXPECT_GE(state, 1);
    EXPECT_LE(state, 50);

    // A reversed range (its up arrow counts down) holds the count between its two ends as well.
    ASSERT_NE(0, CreateSpinBox(1, 10, 10, 80, 25, 99, 1, SPIN_NUMERIC));
    HWND reversed = RecordOf(1)->handle;
    for (const char *text : {"500", "0", "-3", "abc"}) {
        SetWindowTextA(reversed, text);
        state = GetControlState(1);
        EXPECT_GE(state, 1) << '"' << text << '"';
        EXPECT_LE(state, 99) << '"' << text << '"';
    }
    SetWindowTextA(reversed, "42");
    EXPECT_EQ(42, GetControlState(1));
}

TEST_F(SpinBoxTest, ArrowKeysStepWithAnEventEach) {
    CreateCountBox();
    SetControlState(SPIN, 10);
    SendMessageA(edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(1, NextStep());
    EXPECT_EQ(SPIN, EventSource());
    EXPECT_EQ(TEST_WINDOW, EventWindow());
    EXPECT_EQ(11, GetControlState(SPIN));
    EXPECT_EQ("11", EditText());

    SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(-1, NextStep());
    EXPECT_EQ(-1, NextStep());
    EXPECT_EQ(9, GetControlState(SPIN));
    // One event per step: the up-down's WM_VSCROLL after each step raises none.
    EXPECT_EQ(0, DrainSteps());
}

// A click on the up-down's upper or lower arrow, posted as the mouse messages the system sends.
TEST_F(SpinBoxTest, ArrowClicksStepWithAnEventEach) {
    CreateCountBox();
    SetControlState(SPIN, 10);
    RECT area;
    GetClientRect(upDown, &area);
    LPARAM upper = MAKELPARAM(area.right / 2, area.bottom / 4);
    LPARAM lower = MAKELPARAM(area.right / 2, area.bottom * 3 / 4);

    PostMessageA(upDown, WM_LBUTTONDOWN, MK_LBUTTON, upper);
    PostMessageA(upDown, WM_LBUTTONUP, 0, upper);
    EXPECT_EQ(1, NextStep());
    EXPECT_EQ(SPIN, EventSource());
    EXPECT_EQ(11, GetControlState(SPIN));
    EXPECT_EQ("11", EditText());

    PostMessageA(upDown, WM_LBUTTONDOWN, MK_LBUTTON, lower);
    PostMessageA(upDown, WM_LBUTTONUP, 0, lower);
    EXPECT_EQ(-1, NextStep());
    EXPECT_EQ(10, GetControlState(SPIN));
    EXPECT_EQ("10", EditText());
    EXPECT_EQ(0, DrainSteps());
}

// A step at the end of the range still reports the user's intent with its event; the position
// stays in range.
TEST_F(SpinBoxTest, StepAtTheEndOfTheRangeStaysInside) {
    CreateCountBox();
    const struct {
        int state;
        WPARAM key;
        int detail;
    } ends[] = {{99, VK_UP, 1}, {1, VK_DOWN, -1}};
    for (const auto &end : ends) {
        SCOPED_TRACE(end.state);
        SetControlState(SPIN, end.state);
        SendMessageA(edit, WM_KEYDOWN, end.key, 0);
        EXPECT_EQ(end.detail, NextStep());
        EXPECT_EQ(SPIN, EventSource());
        EXPECT_EQ(0, DrainSteps());
        EXPECT_EQ(end.state, GetControlState(SPIN));
        EXPECT_EQ(std::to_string(end.state), EditText());
    }
}

// A key that another thread sends to the edit part, whose notification the up-down sends the
// parent from this thread while it answers.
struct SentKey {
    HWND edit;
    WPARAM key;
};
DWORD WINAPI SendKeyDown(void *parameter) {
    SentKey *sent = (SentKey *)parameter;
    SendMessageA(sent->edit, WM_KEYDOWN, sent->key, 0);
    return 0;
}

// An arrow key that another thread sends steps the count and raises the step event, as one that
// this thread sends does: the up-down's notification is this thread's own.
TEST_F(SpinBoxTest, AnArrowKeySentFromAnotherThreadRaisesItsStep) {
    CreateCountBox();
    SetControlState(SPIN, 10);
    DrainEvents(0);
    const struct {
        WPARAM key;
        int detail;
        int state;
    } keys[] = {{VK_UP, 1, 11}, {VK_DOWN, -1, 10}};
    for (const auto &k : keys) {
        SCOPED_TRACE(k.detail);
        SentKey sent = {edit, k.key};
        HANDLE sender = CreateThread(0, 0, SendKeyDown, &sent, 0, 0);
        ASSERT_TRUE(sender);
        EXPECT_EQ(k.detail, NextStep());
        WaitForSingleObject(sender, INFINITE);
        CloseHandle(sender);
        EXPECT_EQ(k.state, GetControlState(SPIN));
        EXPECT_EQ(0, DrainSteps());
    }
}

// The parent's answers to the up-down's messages, as the system would send them.
TEST_F(SpinBoxTest, ParentAnswersStepNotificationAndSwallowsScrolls) {
    CreateCountBox();
    SetControlState(SPIN, 10);
    DrainEvents(0); // the edit part's notifications of its new text
    NMUPDOWN step = {};
    step.hdr.hwndFrom = upDown;
    step.hdr.idFrom = SPIN;
    step.hdr.code = UDN_DELTAPOS;
    step.iPos = 10;
    step.iDelta = 3;
    EXPECT_EQ(0, SendMessageA(window, WM_NOTIFY, SPIN, (LPARAM)&step));
    ASSERT_TRUE(WaitForEvent(EVENT_CONTROL));
    EXPECT_EQ(1, EventDetail());
    step.iDelta = 0;
    EXPECT_EQ(0, SendMessageA(window, WM_NOTIFY, SPIN, (LPARAM)&step));
    ASSERT_TRUE(WaitForEvent(EVENT_CONTROL));
    EXPECT_EQ(-1, EventDetail());

    // Other notifications and the scroll messages raise nothing.
    step.hdr.code = NM_CLICK;
    SendMessageA(window, WM_NOTIFY, SPIN, (LPARAM)&step);
    EXPECT_EQ(0,
              SendMessageA(window, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10), (LPARAM)upDown));
    EXPECT_EQ(0,
              SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 10), (LPARAM)upDown));
    EXPECT_EQ(0, DrainEvents(EVENT_CONTROL));
}

// Typing in the edit part reaches the application as control events with the notification code.
TEST_F(SpinBoxTest, EditNotificationsBecomeControlEvents) {
    CreateCountBox();
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(SPIN, EN_CHANGE), (LPARAM)edit);
    ASSERT_TRUE(WaitForEvent(EVENT_CONTROL));
    EXPECT_EQ(SPIN, EventSource());
    EXPECT_EQ(EN_CHANGE, EventDetail());
}

TEST_F(SpinBoxTest, SetTextSlotRaisesNoEvent) {
    CreateCountBox();
    record->ops->setText(record, "42");
    // Nothing that the change of text raised is left for the next wait to hand out.
    EXPECT_EQ(0, Events()->pendingCode);
    EXPECT_EQ(nullptr, Events()->queueHead);
    EXPECT_EQ("42", EditText());
    EXPECT_EQ(42, GetControlState(SPIN));
    EXPECT_EQ(0, DrainEvents(EVENT_CONTROL));
}

TEST_F(SpinBoxTest, LayoutSplitsTheWidthBetweenTheParts) {
    CreateCountBox();
    RECT editArea = ClientRectOf(edit);
    RECT upDownArea = ClientRectOf(upDown);
    EXPECT_EQ(230, editArea.left);
    EXPECT_EQ(270, editArea.top);
    EXPECT_EQ(68, editArea.right - editArea.left);
    EXPECT_EQ(25, editArea.bottom - editArea.top);
    EXPECT_EQ(298, upDownArea.left);
    EXPECT_EQ(270, upDownArea.top);
    EXPECT_EQ(12, upDownArea.right - upDownArea.left);
    EXPECT_EQ(25, upDownArea.bottom - upDownArea.top);
    EXPECT_EQ(80, record->ops->compositeWidth(record));

    // Every value kept: the edit part stays, the up-down sits at its right edge.
    record->ops->resize(record, POSITION_IGNORE, POSITION_IGNORE, POSITION_IGNORE, POSITION_IGNORE);
    editArea = ClientRectOf(edit);
    upDownArea = ClientRectOf(upDown);
    EXPECT_EQ(230, editArea.left);
    EXPECT_EQ(68, editArea.right - editArea.left);
    EXPECT_EQ(298, upDownArea.left);
    EXPECT_EQ(12, upDownArea.right - upDownArea.left);

    // A new place and height; the width kept means the edit part's own width.
    record->ops->resize(record, 10, 20, POSITION_IGNORE, 31);
    editArea = ClientRectOf(edit);
    upDownArea = ClientRectOf(upDown);
    EXPECT_EQ(10, editArea.left);
    EXPECT_EQ(20, editArea.top);
    EXPECT_EQ(68, editArea.right - editArea.left);
    EXPECT_EQ(31, editArea.bottom - editArea.top);
    EXPECT_EQ(78, upDownArea.left);
    EXPECT_EQ(15, upDownArea.right - upDownArea.left);
    EXPECT_EQ(31, upDownArea.bottom - upDownArea.top);
    EXPECT_EQ(83, record->ops->compositeWidth(record));
}

TEST_F(SpinBoxTest, HideTakesBothParts) {
    CreateCountBox();
    record->ops->hide(record, 1);
    EXPECT_FALSE(IsWindowVisible(edit));
    EXPECT_FALSE(IsWindowVisible(upDown));
    record->ops->hide(record, 0);
    EXPECT_TRUE(IsWindowVisible(edit));
    EXPECT_TRUE(IsWindowVisible(upDown));
}

// WM_CTLCOLOR* answers seen through the parent's window procedure, on a memory device context.
class SpinBoxColorTest : public SpinBoxTest {
  protected:
    void SetUp() override {
        SpinBoxTest::SetUp();
        dc = CreateCompatibleDC(0);
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkColor(dc, RGB(4, 5, 6));
    }
    void TearDown() override {
        DeleteDC(dc);
        SpinBoxTest::TearDown();
    }
    LRESULT Ask(UINT message) { return SendMessageA(window, message, (WPARAM)dc, (LPARAM)edit); }
    LRESULT AskSystem(UINT message) {
        return DefWindowProcA(window, message, (WPARAM)dc, (LPARAM)edit);
    }
    HDC dc = 0;
};

TEST_F(SpinBoxColorTest, NoColoursKeepTheSystemLookWhileEditable) {
    CreateCountBox();
    EXPECT_EQ(NOT_HANDLED, record->ops->onParentMessage(record, window, WM_CTLCOLOREDIT, (WPARAM)dc,
                                                        (LPARAM)edit));
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
    EXPECT_EQ(RGB(4, 5, 6), GetBkColor(dc));
    EXPECT_EQ(AskSystem(WM_CTLCOLOREDIT), Ask(WM_CTLCOLOREDIT));
}

TEST_F(SpinBoxColorTest, ReadOnlyLooksEditableInAnEnabledWindow) {
    CreateCountBox(SPIN_READ_ONLY | SPIN_NUMERIC);
    EXPECT_EQ((LRESULT)GetSysColorBrush(COLOR_BTNHIGHLIGHT), Ask(WM_CTLCOLORSTATIC));
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), GetBkColor(dc));

    EnableWindow(window, FALSE);
    SetTextColor(dc, RGB(1, 2, 3));
    LRESULT system = AskSystem(WM_CTLCOLORSTATIC);
    SetTextColor(dc, RGB(1, 2, 3));
    EXPECT_EQ(system, Ask(WM_CTLCOLORSTATIC));
    EnableWindow(window, TRUE);
}

TEST_F(SpinBoxColorTest, TextColourAloneGetsTheHighlightBackground) {
    CreateCountBox();
    record->ops->setColor(record, FRONT_COLOR, RGB(255, 0, 0));
    EXPECT_EQ(RGB(255, 0, 0), record->ops->getColor(record, FRONT_COLOR));
    EXPECT_EQ((LRESULT)GetSysColorBrush(COLOR_BTNHIGHLIGHT), Ask(WM_CTLCOLOREDIT));
    EXPECT_EQ(RGB(255, 0, 0), GetTextColor(dc));
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), GetBkColor(dc));
    // The static variant answers as the edit one once a colour is set.
    SetTextColor(dc, 0);
    EXPECT_EQ((LRESULT)GetSysColorBrush(COLOR_BTNHIGHLIGHT), Ask(WM_CTLCOLORSTATIC));
    EXPECT_EQ(RGB(255, 0, 0), GetTextColor(dc));
}

TEST_F(SpinBoxColorTest, BackgroundColourHoldsOneCachedBrush) {
    CreateCountBox();
    const COLORREF green = RGB(0, 200, 0);
    record->ops->setColor(record, BACKGROUND_COLOR, green);
    HBRUSH brush = record->spinBox.backgroundBrush;
    ASSERT_NE((HBRUSH)0, brush);
    EXPECT_EQ((LRESULT)brush, Ask(WM_CTLCOLOREDIT));
    EXPECT_EQ(green, GetBkColor(dc));
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc)); // no text colour of its own
    LOGBRUSH look = {};
    ASSERT_EQ((int)sizeof look, GetObjectA(brush, sizeof look, &look));
    EXPECT_EQ(green, look.lbColor);

    // Setting the colour again lets go of the held brush first: one reference, not two.
    record->ops->setColor(record, BACKGROUND_COLOR, green);
    HBRUSH again = record->spinBox.backgroundBrush;
    ASSERT_NE((HBRUSH)0, again);
    BrushEntry *entry = (BrushEntry *)ObjectListObjectOf(brushList);
    EXPECT_EQ(green, entry->color);
    EXPECT_EQ(again, entry->brush);
    EXPECT_EQ(1, entry->references);
    EXPECT_TRUE(brush == again || GetObjectType(brush) == 0);
    record->ops->setColor(record, BACKGROUND_COLOR, NO_OWN_COLOR);
    EXPECT_EQ((HBRUSH)0, record->spinBox.backgroundBrush);
    EXPECT_EQ(NO_OWN_COLOR, record->ops->getColor(record, BACKGROUND_COLOR));
    EXPECT_EQ(0u, GetObjectType(again));
    EXPECT_EQ(AskSystem(WM_CTLCOLOREDIT), Ask(WM_CTLCOLOREDIT));
}

// A background colour for which the cache can give no brush, because the object heap is full: the
// spin box holds no brush and answers WM_CTLCOLOREDIT with 0, on which the edit part falls back to
// the system's brush; the colour is still the one set, and still paints the text's background.
TEST_F(SpinBoxColorTest, ABackgroundColourWithoutABrushAnswersZero) {
    CreateCountBox();
    const COLORREF teal = RGB(0, 128, 128);
    {
        FullObjectHeap full;
        record->ops->setColor(record, BACKGROUND_COLOR, teal);
        EXPECT_EQ((HBRUSH)0, record->spinBox.backgroundBrush);
        EXPECT_EQ(teal, record->ops->getColor(record, BACKGROUND_COLOR));
        EXPECT_EQ(0, Ask(WM_CTLCOLOREDIT));
        EXPECT_EQ(teal, GetBkColor(dc));
        EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
        // The edit part paints with the system's brush meanwhile.
        RedrawWindow(edit, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    EXPECT_EQ(nullptr, brushList);
    // With room again, setting the colour gets its brush.
    record->ops->setColor(record, BACKGROUND_COLOR, teal);
    ASSERT_NE((HBRUSH)0, record->spinBox.backgroundBrush);
    EXPECT_EQ((LRESULT)record->spinBox.backgroundBrush, Ask(WM_CTLCOLOREDIT));
    record->ops->setColor(record, BACKGROUND_COLOR, NO_OWN_COLOR);
}

// Both colours: the text in the front colour on the background colour, with the background's
// brush; the read-only variant answers the same.
TEST_F(SpinBoxColorTest, BothColoursPaintTextOnTheBackground) {
    CreateCountBox();
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF navy = RGB(0, 0, 128);
    record->ops->setColor(record, FRONT_COLOR, red);
    record->ops->setColor(record, BACKGROUND_COLOR, navy);
    for (UINT message : {(UINT)WM_CTLCOLOREDIT, (UINT)WM_CTLCOLORSTATIC}) {
        SCOPED_TRACE(message);
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkColor(dc, RGB(4, 5, 6));
        HBRUSH brush = (HBRUSH)Ask(message);
        EXPECT_EQ(red, GetTextColor(dc));
        EXPECT_EQ(navy, GetBkColor(dc));
        LOGBRUSH look = {};
        ASSERT_EQ((int)sizeof look, GetObjectA(brush, sizeof look, &look));
        EXPECT_EQ(navy, look.lbColor);
    }
    record->ops->setColor(record, BACKGROUND_COLOR, NO_OWN_COLOR);
}

TEST_F(SpinBoxTest, DestroyTakesTheUpDownAndTheBrush) {
    CreateCountBox();
    record->ops->setColor(record, BACKGROUND_COLOR, RGB(9, 99, 199));
    HBRUSH brush = record->spinBox.backgroundBrush;
    ASSERT_NE((HBRUSH)0, brush);
    DestroyWindow(edit);
    EXPECT_FALSE(IsWindow(upDown));
    EXPECT_EQ(nullptr, RecordOf(SPIN));
    EXPECT_EQ(0u, GetObjectType(brush));
    EXPECT_EQ(0, GetControlState(SPIN));
}

// Closing the window that holds the spin box ends it as completely as destroying it by itself.
TEST_F(SpinBoxTest, ClosingTheParentReleasesRecordAndBrush) {
    CreateCountBox();
    record->ops->setColor(record, BACKGROUND_COLOR, RGB(9, 99, 198));
    HBRUSH brush = record->spinBox.backgroundBrush;
    ASSERT_NE((HBRUSH)0, brush);
    CloseWindowObject(TEST_WINDOW);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_FALSE(IsWindow(upDown));
    EXPECT_EQ(nullptr, RecordOf(SPIN));
    EXPECT_EQ(0u, GetObjectType(brush));
}

// The up-down destroyed on its own leaves the edit part a live, subclassed control.
TEST_F(SpinBoxTest, UpDownDestroyedFirstLeavesTheControlWhole) {
    CreateCountBox();
    DestroyWindow(upDown);
    EXPECT_EQ((LONG_PTR)ControlProcedure, GetWindowLongPtrA(edit, GWLP_WNDPROC));
    EXPECT_EQ(record, RecordOf(SPIN));
    DestroyWindow(edit);
    EXPECT_EQ(nullptr, RecordOf(SPIN));
}

TEST_F(SpinBoxTest, DynamicNumberReachesTheRecordFromBothParts) {
    INT_PTR number = CreateSpinBox(OBJECT_ANY, 10, 10, 80, 25, 1, 99, SPIN_NUMERIC);
    ASSERT_NE(0, number);
    ControlRecord *dynamic = RecordOf(number);
    ASSERT_EQ((ControlRecord *)number, dynamic);
    HWND dynamicUpDown = dynamic->spinBox.upDownHandle;
    EXPECT_EQ(number, GetWindowLongA(dynamic->handle, GWL_ID));
    EXPECT_EQ(number, GetWindowLongA(dynamicUpDown, GWL_ID));
    EXPECT_EQ(number, (INT_PTR)GetPropA(dynamicUpDown, CONTROL_ID_PROPERTY));
    SetControlState(number, 20);
    SendMessageA(dynamic->handle, WM_KEYDOWN, VK_UP, 0);
    bool stepped = false;
    while (!stepped && WaitForEvent(EVENT_CONTROL)) {
        stepped = EventSource() == number && EventDetail() == 1;
    }
    EXPECT_TRUE(stepped);
    EXPECT_EQ(21, GetControlState(number));
    DestroyWindow(dynamic->handle);
    EXPECT_FALSE(IsWindow(dynamicUpDown));
    EXPECT_EQ(nullptr, RecordOf(number));
}

} // namespace
