// The identifier block, written into a real text area and read back.
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/uuid_block.h"
#include "controls/control_core.h"
#include "controls/text_area.h"
#include "runtime/string_engine.h"
#include "windows/window_objects.h"

namespace {

const ObjectNumber TEST_WINDOW = 7;
const ObjectNumber TEXT = 4;

// The whole text of a control, read through the string buffer.
std::string ControlText(ObjectNumber number) {
    int mark = stringBuffer.cursor;
    GetControlText(number, mark);
    std::string text(stringBuffer.base + mark, stringBuffer.cursor - mark);
    stringBuffer.cursor = mark;
    return text;
}

std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

class UuidBlockTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(0, OpenWindowObject(TEST_WINDOW, 0, 0, 600, 300, "block"));
        UseControlParent(WindowHandleOf(TEST_WINDOW));
        ASSERT_NE(0, CreateTextArea(TEXT, 0, 0, 600, 260));
    }
    void TearDown() override {
        CloseWindowObject(TEST_WINDOW);
        uuidSource = UuidCreate;
    }
};

TEST_F(UuidBlockTest, SmokeOneIdentifier) {
    GenerateUuidBlock(TEXT, 1);
    std::vector<std::string> lines = SplitLines(ControlText(TEXT));
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ("DataSection", lines[0]);
    EXPECT_EQ("  Uuid_Number_1:", lines[1]);
    EXPECT_EQ("  ", lines[5]);
    EXPECT_EQ("EndDataSection", lines[6]);
    EXPECT_EQ(0, stringBuffer.cursor);
}

} // namespace
