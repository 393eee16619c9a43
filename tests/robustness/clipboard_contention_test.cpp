// "Copy" while another program holds the clipboard open, and a copy of a very large text.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "harness.h"
#include "robustness_support.h"
#include "test_support.h"
#include "windows/window_objects.h"

namespace {

const char LEFT_THERE[] = "left on the clipboard by another program";

// The clipboard's CF_TEXT block exactly as it is: every byte of it, its NUL included.
bool ClipboardBlock(std::string *bytes) {
    if (!OpenClipboard(0)) {
        return false;
    }
    HANDLE data = GetClipboardData(CF_TEXT);
    const char *address = data ? (const char *)GlobalLock(data) : nullptr;
    if (address) {
        bytes->assign(address, GlobalSize(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return address != nullptr;
}

class ClipboardContention : public testing::Test {
  protected:
    void SetUp() override {
        quitFlag = 0;
        OpenMainWindow();
        ASSERT_TRUE(WindowHandleOf(WINDOW_MAIN));
        SetControlState(CONTROL_COUNT, 3);
        ASSERT_TRUE(pump.Click(CONTROL_START));
        pump.Drain();
        block = ControlText(CONTROL_TEXT);
        ASSERT_TRUE(IsCompleteBlock(block));
    }
    void TearDown() override {
        EXPECT_TRUE(RuntimeHeapsValid());
        ShutdownLibraries();
        quitFlag = 0;
    }
    EventPump pump;
    std::string block;
};

TEST_F(ClipboardContention, CopyWhileTheClipboardIsHeldChangesNothingAndWorksOnceItIsFree) {
    ASSERT_TRUE(WriteClipboardText(LEFT_THERE));
    ClipboardHolderProcess holder;
    ASSERT_TRUE(holder.Start()) << "the other program did not get the clipboard";
    DWORD sequence = GetClipboardSequenceNumber();

    // Each click is handled and returns while the other program still holds the clipboard: Copy
    // tries again for a moment, then gives up instead of waiting for it. The bound is generous; it
    // catches a wait that is not bounded, or one counted in the wrong unit.
    for (int click = 0; click < 20; click++) {
        DWORD start = GetTickCount();
        ASSERT_TRUE(pump.Click(CONTROL_COPY)) << click;
        EXPECT_LT(GetTickCount() - start, 2000u) << click;
        ASSERT_TRUE(holder.IsHolding()) << click;
    }
    EXPECT_EQ(sequence, GetClipboardSequenceNumber()) << "the clipboard was changed";
    EXPECT_EQ(block, ControlText(CONTROL_TEXT));
    EXPECT_EQ(0u, holder.Finish());
    std::string text;
    ASSERT_TRUE(ReadClipboardText(&text));
    EXPECT_EQ(LEFT_THERE, text);

    // Free again: the next click copies.
    ASSERT_TRUE(pump.Click(CONTROL_COPY));
    ASSERT_TRUE(ReadClipboardText(&text));
    EXPECT_EQ(block, text);
    EXPECT_EQ(block, ControlText(CONTROL_TEXT));
    EXPECT_EQ(0, pump.cursorFaults);
}

// A holder that lets go a moment after the copy first met the clipboard held, as a clipboard
// manager does: the block lands all the same.
TEST_F(ClipboardContention, CopyWhileTheClipboardIsHeldForAMomentStillCopies) {
    ASSERT_TRUE(WriteClipboardText(LEFT_THERE));
    ClipboardHolderProcess holder;
    ASSERT_TRUE(holder.Start()) << "the other program did not get the clipboard";
    {
        HolderLetsGoWhenMet letsGo(&holder);
        ASSERT_TRUE(pump.Click(CONTROL_COPY));
        EXPECT_GE(HolderLetsGoWhenMet::refusals, 1) << "the copy never met the clipboard held";
    }
    EXPECT_EQ(holder.Finish(), 0u);
    std::string text;
    ASSERT_TRUE(ReadClipboardText(&text));
    EXPECT_EQ(block, text);
    EXPECT_EQ(block, ControlText(CONTROL_TEXT));
}

TEST_F(ClipboardContention, AMebibyteOfTextCopiesByteForByte) {
    // Lines of every printable character, of many lengths (empty ones among them), joined
    // by CR LF as the text area gives its line breaks back; 1 MiB in all. No tabs: the rich edit
    // control of the platform keeps each one apart and takes minutes to lay out a mebibyte of them.
    const size_t size = 1 << 20;
    std::string large;
    large.reserve(size);
    for (unsigned line = 0; large.size() + 2 + 1500 < size; line++) {
        size_t length = (line * 389) % 1500;
        for (size_t i = 0; i < length; i++) {
            large += (char)(' ' + (line + i) % 95);
        }
        large += "\r\n";
    }
    large.resize(size, 'x'); // the last line
    ControlRecord *text = ControlOf(CONTROL_TEXT);
    text->ops->setText(text, large.c_str());
    ASSERT_EQ(large.size(), ControlText(CONTROL_TEXT).size());
    ASSERT_TRUE(ControlText(CONTROL_TEXT) == large);

    ASSERT_TRUE(pump.Click(CONTROL_COPY));
    std::string copied;
    ASSERT_TRUE(ClipboardBlock(&copied));
    ASSERT_EQ(size + 1, copied.size()) << "the text and its NUL, nothing more";
    EXPECT_EQ(0, copied.back());
    copied.pop_back();
    EXPECT_TRUE(copied == large);
    EXPECT_TRUE(ControlText(CONTROL_TEXT) == large);
    EXPECT_EQ(0, pump.cursorFaults);
}

} // namespace
