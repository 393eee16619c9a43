// "Copy" as a user presses it: the text area's text on the clipboard, as plain text.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

const char SENTINEL[] = "left on the clipboard before Copy";

// Puts the sentinel on the clipboard, clicks Copy, and waits until the clipboard holds something
// else; that is returned in copied.
bool CopyAndWait(QuorvelTool &tool, std::string *copied) {
    if (!WaitUntil([] { return WriteClipboardText(SENTINEL); })) {
        return false;
    }
    ClickWindow(tool.copyButton);
    return WaitUntil([copied] { return ReadClipboardText(copied) && *copied != SENTINEL; });
}

TEST(QuorvelCopy, BeforeStartCopiesAnEmptyText) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string copied;
    ASSERT_TRUE(CopyAndWait(tool, &copied)) << "the clipboard still holds: " << copied;
    EXPECT_EQ("", copied);
    EXPECT_EQ("", tool.Text());
}

TEST(QuorvelCopy, AfterStartCopiesTheTextByteForByte) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string text;
    ASSERT_TRUE(tool.TypeCount("3")) << tool.fault;
    ASSERT_TRUE(tool.StartAndWait(&text));

    std::string copied;
    ASSERT_TRUE(CopyAndWait(tool, &copied));
    EXPECT_EQ(text, copied);
    EXPECT_EQ(3, ReadBlock(copied).count);
    // Copy leaves the text area as it was, and copies the same text again.
    EXPECT_EQ(text, tool.Text());
    ASSERT_TRUE(CopyAndWait(tool, &copied));
    EXPECT_EQ(text, copied);
}

// A line of the code page that the tool runs in, pasted from a Unicode program at the top of the
// block and on a line after it: Copy puts every byte of the text shown on the clipboard, and a
// program that pastes Unicode text reads the characters shown (in code pages 932 and 936 most of
// them take two bytes).
TEST(QuorvelCopy, PastedTextOfTheCodePageIsCopiedWhole) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string block;
    ASSERT_TRUE(tool.StartAndWait(&block));
    const std::wstring line = CodePageLine();
    ASSERT_TRUE(WaitUntil([&] { return WriteClipboardUnicodeText(line); }));
    ClickWindow(tool.textArea);
    PressKeyWith(VK_CONTROL, VK_HOME);
    PressKeyWith(VK_CONTROL, 'V');
    PressKeyWith(VK_CONTROL, VK_END);
    PressKey(VK_RETURN);
    PressKeyWith(VK_CONTROL, 'V');
    const std::wstring shown = line + WideText(block) + L"\r\n" + line;
    ASSERT_TRUE(WaitUntil([&] { return WindowTextW(tool.textArea) == shown; }))
        << "the text area shows " << WindowText(tool.textArea).size() << " bytes";

    std::string copied;
    ASSERT_TRUE(CopyAndWait(tool, &copied));
    EXPECT_TRUE(AnsiText(shown) == copied)
        << "copied " << copied.size() << " of " << AnsiText(shown).size() << " bytes";
    std::wstring pasted;
    ASSERT_TRUE(ReadClipboardUnicodeText(&pasted));
    EXPECT_TRUE(shown == pasted) << "a Unicode program reads " << pasted.size() << " of "
                                 << shown.size() << " characters";
}

// The clipboard's text in a format, as another program pastes it: the ANSI, Unicode or OEM text,
// turned into the ANSI code page. False when the format is not there.
bool ReadClipboardFormat(UINT format, std::string *text) {
    if (!WaitUntil([] { return OpenClipboard(0) != 0; })) {
        return false;
    }
    HANDLE data = GetClipboardData(format);
    const void *address = data ? GlobalLock(data) : nullptr;
    if (address) {
        if (format == CF_UNICODETEXT) {
            int size = WideCharToMultiByte(CP_ACP, 0, (const wchar_t *)address, -1, 0, 0, 0, 0);
            text->assign(size > 0 ? size - 1 : 0, 0);
            WideCharToMultiByte(CP_ACP, 0, (const wchar_t *)address, -1, &(*text)[0], size, 0, 0);
        } else if (format == CF_OEMTEXT) {
            std::string oem = (const char *)address;
            text->assign(oem.size(), 0);
            OemToCharBuffA(oem.c_str(), &(*text)[0], (DWORD)oem.size());
        } else {
            *text = (const char *)address;
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    return address != nullptr;
}

// Puts a text on the clipboard in one format only, as another program may leave it.
bool LeaveOnClipboard(UINT format, const std::string &text) {
    if (!WaitUntil([] { return OpenClipboard(0) != 0; })) {
        return false;
    }
    EmptyClipboard();
    HGLOBAL block = 0;
    if (format == CF_UNICODETEXT) {
        std::wstring wide(text.begin(), text.end());
        block = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
        memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    } else {
        block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    }
    GlobalUnlock(block);
    bool set = SetClipboardData(format, block) != 0;
    CloseClipboard();
    return set;
}

// Whatever another program left on the clipboard, and in whichever text format, every text
// format gives the copied text afterwards.
TEST(QuorvelCopy, EveryTextFormatGivesTheCopiedText) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::string text;
    ASSERT_TRUE(tool.StartAndWait(&text));
    for (UINT left : {(UINT)CF_UNICODETEXT, (UINT)CF_OEMTEXT, (UINT)CF_TEXT}) {
        SCOPED_TRACE(left);
        ASSERT_TRUE(LeaveOnClipboard(left, SENTINEL));
        DWORD sequence = GetClipboardSequenceNumber();
        ClickWindow(tool.copyButton);
        ASSERT_TRUE(WaitUntil([&] { return GetClipboardSequenceNumber() != sequence; }));
        for (UINT format : {(UINT)CF_TEXT, (UINT)CF_UNICODETEXT, (UINT)CF_OEMTEXT}) {
            std::string pasted;
            EXPECT_TRUE(WaitUntil([&] {
                return ReadClipboardFormat(format, &pasted) && pasted == text;
            })) << "format "
                << format << " gives: " << pasted.substr(0, 80);
        }
    }
}

} // namespace
