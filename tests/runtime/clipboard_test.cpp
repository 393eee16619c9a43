// Clipboard text on the real system clipboard, also while another process holds it open.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include "runtime/clipboard.h"

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

// Another program with the clipboard open: started from the holder program that is built next
// to this test program, and told through two named events when to let go.
class OtherProcessHolder {
  public:
    OtherProcessHolder() : process() {
        sprintf(heldName, "QuorvelClipboardHeld%lu", GetCurrentProcessId());
        sprintf(releaseName, "QuorvelClipboardRelease%lu", GetCurrentProcessId());
        held = CreateEventA(0, TRUE, FALSE, heldName);
        release = CreateEventA(0, TRUE, FALSE, releaseName);
    }
    ~OtherProcessHolder() {
        Finish();
        CloseHandle(held);
        CloseHandle(release);
    }

    // True once the holder has the clipboard open.
    bool Start() {
        char path[MAX_PATH];
        GetModuleFileNameA(0, path, MAX_PATH);
        strcpy(strrchr(path, '\\') + 1, "clipboard_holder.exe");
        char commandLine[2 * MAX_PATH];
        sprintf(commandLine, "\"%s\" %s %s", path, heldName, releaseName);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(path, commandLine, 0, 0, FALSE, CREATE_NO_WINDOW, 0, 0, &startup,
                            &process)) {
            return false;
        }
        HANDLE waits[] = {held, process.hProcess};
        return WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
    }
    // Lets the holder close the clipboard, waits until it has ended and returns its exit code.
    DWORD Finish() {
        DWORD code = 0xFFFFFFFF;
        if (process.hProcess) {
            SetEvent(release);
            WaitForSingleObject(process.hProcess, 30000);
            GetExitCodeProcess(process.hProcess, &code);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
            process.hProcess = 0;
        }
        return code;
    }

  private:
    char heldName[64];
    char releaseName[64];
    HANDLE held;
    HANDLE release;
    PROCESS_INFORMATION process;
};

TEST(CopyTextToClipboard, ChangesNothingWhileAnotherProcessHoldsTheClipboard) {
    ASSERT_NE(CopyTextToClipboard("content before"), nullptr);
    OtherProcessHolder holder;
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

} // namespace
