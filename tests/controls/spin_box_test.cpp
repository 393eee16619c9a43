// The spin box: an edit part and an up-down in a real window.
#include <gtest/gtest.h>

#include "controls/control_core.h"
#include "controls/spin_box.h"
#include "windows/window_objects.h"

namespace {

const ObjectNumber TEST_WINDOW = 7;

class SpinBoxTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(0, OpenWindowObject(TEST_WINDOW, 0, 0, 600, 300, "spin"));
        UseControlParent(WindowHandleOf(TEST_WINDOW));
    }
    void TearDown() override { CloseWindowObject(TEST_WINDOW); }
};

TEST_F(SpinBoxTest, Smoke) {
    HWND edit = (HWND)CreateSpinBox(0, 230, 270, 80, 25, 1, 99, SPIN_NUMERIC);
    ASSERT_NE((HWND)0, edit);
    SetControlState(0, 1);
    EXPECT_EQ(1, GetControlState(0));
    char text[16] = "";
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ("1", text);
    ControlRecord *record = (ControlRecord *)ObjectTableFind(controlTable, 0);
    ASSERT_NE(nullptr, record);
    RECT area;
    GetWindowRect(edit, &area);
    EXPECT_EQ(68, area.right - area.left);
    GetWindowRect(record->spinBox.upDownHandle, &area);
    EXPECT_EQ(12, area.right - area.left);
}

} // namespace
