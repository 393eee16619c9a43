// The control library's router: what a window receives about a child reaches the child's kind
// when the child is a live control whose kind answers such messages.
#include "control_fixture.h"

#include <vector>

#include "runtime/heaps.h"
#include "runtime/process_globals.h"

namespace {

// A control kind of the tests' own whose onParentMessage records its calls.
struct RoutedCall {
    ControlRecord *record;
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<RoutedCall> routed;
LRESULT routedAnswer;

LRESULT RecordParentMessage(ControlRecord *record, HWND window, UINT message, WPARAM wParam,
                            LPARAM lParam) {
    routed.push_back({record, window, message, wParam, lParam});
    return routedAnswer;
}

ControlOps MakeOps(bool withParentHandler) {
    ControlOps ops = {};
    ops.kind = 99;
    ops.tableSize = sizeof ops;
    ops.onParentMessage = withParentHandler ? RecordParentMessage : nullptr;
    return ops;
}
ControlOps routingOps = MakeOps(true);
ControlOps silentOps = MakeOps(false);

HWND CreateChild(HWND parent, INT_PTR id) {
    return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, parent, (HMENU)id,
                           moduleHandle, 0);
}

// A STATIC child registered as a control of the given kind; released when its window goes. The
// registration's font change repaints it, and what its painting sent the parent is forgotten.
HWND AddControl(HWND parent, ObjectNumber number, ControlOps *ops) {
    HWND child = CreateChild(parent, NO_CONTROL_ID);
    ControlRecord *record = (ControlRecord *)ObjectTableAllocate(controlTable, number);
    RegisterControl(number, record, child, ops);
    routed.clear();
    return child;
}

class RoutingTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        control = AddControl(window, 3, &routingOps);
        routed.clear();
        routedAnswer = 0x5151;
    }
    void TearDown() override {
        ControlTest::TearDown();
        EXPECT_EQ(RecordOf(3), nullptr); // released with its window
    }
    HWND control = 0;
};

TEST_F(RoutingTest, ControlMessagesGoToTheKindsParentHandler) {
    ASSERT_EQ(GetWindowLongA(control, GWL_ID), 3);
    EXPECT_EQ(SendMessageA(window, WM_CTLCOLORSTATIC, 0x1111, (LPARAM)control), 0x5151);
    ASSERT_EQ(routed.size(), 1u);
    EXPECT_EQ(routed[0].record, RecordOf(3));
    EXPECT_EQ(routed[0].window, window);
    EXPECT_EQ(routed[0].message, (UINT)WM_CTLCOLORSTATIC);
    EXPECT_EQ(routed[0].wParam, 0x1111u);
    EXPECT_EQ(routed[0].lParam, (LPARAM)control);
    // Answered NOT_HANDLED, a command becomes the control's event.
    routedAnswer = NOT_HANDLED;
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(3, 0), (LPARAM)control), 0);
    EXPECT_EQ(Events()->pendingCode, EVENT_CONTROL);
    EXPECT_EQ(EventSource(), 3);
}

TEST_F(RoutingTest, ControlsThatCannotBeFoundOrHaveNoHandlerAreNotRouted) {
    HWND silent = AddControl(window, 4, &silentOps);
    EXPECT_EQ(RouteToControl(silent, window, WM_CTLCOLORSTATIC, 0, (LPARAM)silent), NOT_HANDLED);
    // Property and identifier disagree.
    HWND mismatched = AddControl(window, 5, &routingOps);
    SetPropA(mismatched, CONTROL_ID_PROPERTY, (HANDLE)3);
    // An identifier with no control behind it.
    HWND unregistered = CreateChild(window, 6);
    SetPropA(unregistered, CONTROL_ID_PROPERTY, (HANDLE)6);
    for (HWND child : {mismatched, unregistered}) {
        EXPECT_EQ(RouteToControl(child, window, WM_CTLCOLORSTATIC, 0, (LPARAM)child), NOT_HANDLED);
    }
    EXPECT_TRUE(routed.empty());
    RemovePropA(unregistered, CONTROL_ID_PROPERTY);
}

TEST_F(RoutingTest, AChildWithoutPropertyAndIdentifierZeroIsControlZero) {
    HWND controlZero = AddControl(window, 0, &routingOps);
    HWND anonymous = CreateChild(window, 0);
    EXPECT_EQ(RouteToControl(anonymous, window, WM_CTLCOLORSTATIC, 0, (LPARAM)anonymous), 0x5151);
    ASSERT_EQ(routed.size(), 1u);
    EXPECT_EQ(routed[0].record, RecordOf(0));
    EXPECT_EQ(RecordOf(0)->handle, controlZero);
    EXPECT_EQ(routed[0].lParam, (LPARAM)anonymous);
}

// Handles that name no window of this thread read as property 0 and identifier 0; with a control 0
// present they must still not reach it.
TEST_F(RoutingTest, HandlesThatNameNoWindowOfThisThreadDoNotReachControlZero) {
    AddControl(window, 0, &routingOps);
    OtherThreadWindow foreign;
    ASSERT_TRUE(IsWindow(foreign.window));
    for (LPARAM handle : {(LPARAM)0x1234, (LPARAM)0xDEADBEEF, (LPARAM)foreign.window}) {
        EXPECT_EQ(SendMessageA(window, WM_CTLCOLORSTATIC, 0, handle),
                  DefWindowProcA(window, WM_CTLCOLORSTATIC, 0, handle))
            << handle;
    }
    EXPECT_TRUE(routed.empty());
}

} // namespace
