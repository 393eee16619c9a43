// Clipboard text on the real system clipboard, also while another process holds it open.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include "runtime/clipboard.h"
#include "test_support.h"

namespace {

// The clipboard's CF_TEXT content as another reader sees it: the block's size and its bytes.
struct ClipboardText {
    bool present;
    SIZE_T size;
    char bytes[64];
};

ClipboardText ReadClipboardText() {
    ClipboardText text = {};
    if (!OpenClipboard(0)) {
        ADD_FAILURE() << "the clipboard cannot be opened for reading";
        return text;
    }
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        text.present = true;
        text.size = GlobalSize(data);
        const char *bytes = (const char *)GlobalLock(data);
        if (bytes) {
            memcpy(text.bytes, bytes,
                   text.size < sizeof text.bytes ? text.size : sizeof text.bytes);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

TEST(CopyTextToClipboard, EmptyAndNullTextsLeaveTheEmptyText) {
    const char *const texts[] = {"", nullptr};
    for (const char *text : texts) {
        ASSERT_NE(CopyTextToClipboard("previous content"), nullptr);
        EXPECT_NE(CopyTextToClipboard(text), nullptr) << (text ? "empty" : "null");
        ClipboardText content = ReadClipboardText();
        ASSERT_TRUE(content.present);
        EXPECT_EQ(content.size, 1u) << "only the NUL";
        EXPECT_EQ(content.bytes[0], 0);
    }
}

TEST(CopyTextToClipboard, HandsOverLineBreaksAndEveryByteAsTheyAre) {
    const char text[] = "DataSection\r\n  Data.l $1F\nlast\r\n\r\n\xE9\x7F\tend";
    ASSERT_NE(CopyTextToClipboard("previous content"), nullptr);
    EXPECT_NE(CopyTextToClipboard(text), nullptr);
    ClipboardText content = ReadClipboardText();
    ASSERT_TRUE(content.present);
    ASSERT_EQ(content.size, sizeof text);
    EXPECT_EQ(memcmp(content.bytes, text, sizeof text), 0);
}

TEST(CopyTextToClipboard, ChangesNothingWhileAnotherProcessHoldsTheClipboard) {
    ASSERT_NE(CopyTextToClipboard("content before"), nullptr);
    ClipboardHolderProcess holder;
    ASSERT_TRUE(holder.Start()) << "the holder did not get the clipboard";
    EXPECT_EQ(CopyTextToClipboard("new content"), nullptr);
    EXPECT_EQ(CopyTextToClipboard(nullptr), nullptr);
    EXPECT_EQ(holder.Finish(), 0u);

    ClipboardText content = ReadClipboardText();
    ASSERT_TRUE(content.present);
    EXPECT_EQ(content.size, sizeof "content before");
    EXPECT_STREQ(content.bytes, "content before");

    EXPECT_NE(CopyTextToClipboard("new content"), nullptr) << "free again, the call goes through";
    EXPECT_STREQ(ReadClipboardText().bytes, "new content");
}

// Another program that holds the clipboard for a moment, as a clipboard manager does after every
// change, only delays the copy: it lands once the clipboard is free.
TEST(CopyTextToClipboard, LandsWhenAnotherProgramLetsGoWithinAMoment) {
    ASSERT_NE(CopyTextToClipboard("content before"), nullptr);
    ClipboardHolderProcess holder;
    ASSERT_TRUE(holder.Start()) << "the holder did not get the clipboard";
    HANDLE releaser = holder.FinishLater(100);
    ASSERT_TRUE(releaser);
    EXPECT_NE(CopyTextToClipboard("new content"), nullptr);
    WaitForSingleObject(releaser, INFINITE);
    DWORD holderExit = 1;
    GetExitCodeThread(releaser, &holderExit);
    CloseHandle(releaser);
    EXPECT_EQ(holderExit, 0u);
    ClipboardText content = ReadClipboardText();
    ASSERT_TRUE(content.present);
    EXPECT_STREQ(content.bytes, "new content");
}

} // namespace
