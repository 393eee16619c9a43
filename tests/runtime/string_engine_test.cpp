// The string engine's producers on the real private heap.
#include <gtest/gtest.h>
#include <string.h>

#include "runtime/string_engine.h"

namespace {

struct ProducerCase {
    const char *name;
    void (*produce)(int position);
    const char *expected;
};

TEST(FormatHex32, WritesUppercaseDigitsWithoutLeadingZeros) {
    const struct {
        int value;
        const char *expected;
    } cases[] = {{0, "0"}, {0x1F, "1F"}, {-1, "FFFFFFFF"}, {(int)0x80000000u, "80000000"}};
    for (const auto &c : cases) {
        int mark = stringBuffer.cursor;
        FormatHex32(c.value, mark);
        EXPECT_STREQ(stringBuffer.base + mark, c.expected) << c.value;
        EXPECT_EQ(stringBuffer.cursor, mark + (int)strlen(c.expected)) << c.value;
        stringBuffer.cursor = mark;
    }
}

} // namespace
