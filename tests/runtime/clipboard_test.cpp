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

// A program that pastes Unicode text reads CF_UNICODETEXT, which the system makes from the CF_TEXT
// text: it gets the characters copied, also where the input language's code page is not the one
// the text is in (code page 936 under an English keyboard, as the tests run it).
TEST(CopyTextToClipboard, AUnicodeReaderGetsTheCharactersCopied) {
    const std::wstring line = CodePageLine() + L"\r\nEndDataSection";
    const std::string bytes = AnsiText(line);
    ASSERT_FALSE(bytes.empty());
    ASSERT_NE(CopyTextToClipboard("previous content"), nullptr);
    EXPECT_NE(CopyTextToClipboard(bytes.c_str()), nullptr);
    std::string copied;
    ASSERT_TRUE(::ReadClipboardText(&copied));
    EXPECT_EQ(bytes, copied);
    std::wstring pasted;
    ASSERT_TRUE(ReadClipboardUnicodeText(&pasted));
    EXPECT_EQ(line, pasted);
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
    {
        HolderLetsGoWhenMet letsGo(&holder);
        EXPECT_NE(CopyTextToClipboard("new content"), nullptr);
        EXPECT_GE(HolderLetsGoWhenMet::refusals, 1) << "the copy never met the clipboard held";
    }
    EXPECT_EQ(holder.Finish(), 0u);
    ClipboardText content = ReadClipboardText();
    ASSERT_TRUE(content.present);
    EXPECT_STREQ(content.bytes, "new content");
}

// The program's import entries of the platform calls that can fail.
extern "C" HGLOBAL(WINAPI *importedGlobalAlloc)(UINT, SIZE_T) __asm__("__imp__GlobalAlloc@8");
extern "C" LPVOID(WINAPI *importedGlobalLock)(HGLOBAL) __asm__("__imp__GlobalLock@4");
extern "C" HANDLE(WINAPI *importedSetClipboardData)(UINT,
                                                    HANDLE) __asm__("__imp__SetClipboardData@8");

// Refusals in place of the platform's calls, each counted.
int refusals;

HGLOBAL WINAPI RefuseGlobalAlloc(UINT, SIZE_T) {
    ++refusals;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

LPVOID WINAPI RefuseGlobalLock(HGLOBAL) {
    ++refusals;
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
}

HANDLE WINAPI RefuseSetClipboardData(UINT, HANDLE) {
    ++refusals;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return 0;
}

// Opens and closes the clipboard with a window of the thread's own: an opening without a window
// does not keep out others that open it without one. It cannot while another thread holds it.
bool OpenAndCloseTheClipboard() {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, 0);
    bool opened = window && OpenClipboard(window);
    if (opened) {
        CloseClipboard();
    }
    DestroyWindow(window);
    return opened;
}

// A platform call that fails in the middle of the copy: the result is 0, the clipboard holds what
// it should, and it is closed again.
struct FailedStep {
    const char *name;
    HANDLE (*copy)(); // copies "new content" with the step refused
    bool emptied;     // the clipboard is empty afterwards (else unchanged)
};

const FailedStep failedSteps[] = {
    {"the block cannot be allocated",
     [] {
         ImportEntryPatch<decltype(importedGlobalAlloc)> failing(&importedGlobalAlloc,
                                                                 RefuseGlobalAlloc);
         return CopyTextToClipboard("new content");
     },
     false},
    {"the block cannot be locked",
     [] {
         ImportEntryPatch<decltype(importedGlobalLock)> failing(&importedGlobalLock,
                                                                RefuseGlobalLock);
         return CopyTextToClipboard("new content");
     },
     true},
    {"the clipboard refuses the block",
     [] {
         ImportEntryPatch<decltype(importedSetClipboardData)> failing(&importedSetClipboardData,
                                                                      RefuseSetClipboardData);
         return CopyTextToClipboard("new content");
     },
     true},
};

TEST(CopyTextToClipboard, AFailedStepGivesZeroAndClosesTheClipboard) {
    for (const FailedStep &step : failedSteps) {
        SCOPED_TRACE(step.name);
        ASSERT_NE(CopyTextToClipboard("content before"), nullptr);
        refusals = 0;
        EXPECT_EQ(step.copy(), nullptr);
        EXPECT_EQ(refusals, 1) << "the step was not reached once";
        EXPECT_TRUE(TrueOnAnotherThread(OpenAndCloseTheClipboard)) << "the clipboard was left open";
        ClipboardText content = ReadClipboardText();
        if (step.emptied) {
            EXPECT_FALSE(content.present) << content.bytes;
            EXPECT_EQ(CountClipboardFormats(), 0);
        } else {
            ASSERT_TRUE(content.present);
            EXPECT_EQ(content.size, sizeof "content before");
            EXPECT_STREQ(content.bytes, "content before");
        }
    }
    // Nothing of the failures stays: the next copy goes through.
    EXPECT_NE(CopyTextToClipboard("afterwards"), nullptr);
    EXPECT_STREQ(ReadClipboardText().bytes, "afterwards");
}

} // namespace
