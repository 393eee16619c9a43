// A hostile neighbour: another program that sends and posts the tool drop messages whose pointer
// is each 8-byte-aligned address at the start of each of the tool's private memory regions, where
// its heaps keep their first blocks (its tables and state blocks among them). None of them is a
// drop record that the tool issued: the tool must take nothing over, and go on working.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// The drop messages, as any program may send them to a runtime window.
const UINT WINDOW_DROP = 13105;
const UINT CONTROL_DROP = 13106;
// How much of the start of each region is scanned.
const SIZE_T SCANNED_BYTES = 4096;
// Posted messages go in batches, each followed by a click on "Start": the tool retrieves posted
// messages before input, so the new block shows that the batch has been through its event loop.
const size_t POSTED_BATCH = 2000;

// Every 8-byte-aligned address of the first SCANNED_BYTES of each committed, writable private
// region of the process.
std::vector<LPARAM> StartsOfPrivateRegions(HANDLE process) {
    std::vector<LPARAM> addresses;
    MEMORY_BASIC_INFORMATION info;
    for (UINT_PTR at = 0; VirtualQueryEx(process, (void *)at, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE &&
            (info.Protect & (PAGE_READWRITE | PAGE_EXECUTE_READWRITE))) {
            UINT_PTR base = (UINT_PTR)info.BaseAddress;
            SIZE_T scanned = info.RegionSize < SCANNED_BYTES ? info.RegionSize : SCANNED_BYTES;
            for (SIZE_T offset = 0; offset < scanned; offset += 8) {
                addresses.push_back((LPARAM)(base + offset));
            }
        }
        UINT_PTR next = (UINT_PTR)info.BaseAddress + info.RegionSize;
        if (next <= at) {
            break;
        }
        at = next;
    }
    return addresses;
}

// Still the tool it was: "Start" writes a whole block of the count shown, "Copy" puts it on the
// clipboard, and "Exit" ends the tool with code 0.
void WritesCopiesAndEnds(QuorvelTool &tool, int count) {
    std::string text;
    ASSERT_TRUE(tool.StartAndWait(&text));
    BlockShape shape = ReadBlock(text);
    EXPECT_TRUE(shape.valid) << shape.fault;
    EXPECT_EQ(count, shape.count);
    ASSERT_TRUE(WaitUntil([] { return WriteClipboardText("before Copy"); }));
    ClickWindow(tool.copyButton);
    std::string copied;
    EXPECT_TRUE(WaitUntil([&] { return ReadClipboardText(&copied) && copied == text; }))
        << "the clipboard holds: " << copied.substr(0, 200);
    ClickWindow(tool.exitButton);
    DWORD exitCode = 1;
    ASSERT_TRUE(tool.WaitForExit(&exitCode)) << "still running";
    EXPECT_EQ(0u, exitCode);
}

TEST(QuorvelNeighbour, DropMessagesAtTheToolsOwnAddressesLeaveItWorking) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    std::vector<LPARAM> addresses = StartsOfPrivateRegions(tool.process);
    ASSERT_GT(addresses.size(), 1000u);
    printf("%d addresses scanned\n", (int)addresses.size());

    // Sent: each reaches the window procedure while this program waits for the answer.
    for (size_t i = 0; i < addresses.size(); i++) {
        UINT message = i % 2 ? CONTROL_DROP : WINDOW_DROP;
        DWORD_PTR result = 1;
        ASSERT_TRUE(SendMessageTimeoutA(tool.mainWindow, message, 4, addresses[i], SMTO_NORMAL,
                                        WAIT_LIMIT_MS, &result))
            << "no answer for " << std::hex << addresses[i];
        EXPECT_EQ(0u, result);
    }
    // Posted: they come through the tool's event loop.
    std::string text;
    for (size_t first = 0; first < addresses.size(); first += POSTED_BATCH) {
        for (size_t i = first; i < addresses.size() && i < first + POSTED_BATCH; i++) {
            ASSERT_TRUE(
                PostMessageA(tool.mainWindow, i % 2 ? WINDOW_DROP : CONTROL_DROP, 4, addresses[i]));
        }
        ASSERT_TRUE(tool.StartAndWait(&text)) << "after the batch from " << first;
    }

    // Still the tool it was: a whole block, its copy, and an orderly end.
    ASSERT_TRUE(tool.TypeCount("7")) << tool.fault;
    WritesCopiesAndEnds(tool, 7);
}

// Messages that only the system or the tool's own windows send within the tool: a notification,
// whose pointer the system does not carry over to another process, and the lifecycle messages of
// windows that nobody is creating or destroying. A neighbour posts and sends them to the main
// window and to every control window; the tool must read nothing through the pointers, free
// nothing, and go on working, its genuine notifications included.
TEST(QuorvelNeighbour, ForgedNotificationsAndLifecycleMessagesLeaveItWorking) {
    QuorvelTool tool;
    ASSERT_TRUE(tool.Launch()) << tool.fault;
    // A well-formed notification in this program's memory: in the tool, its address is nothing.
    NMUPDOWN ownNotification = {};
    ownNotification.hdr.hwndFrom = tool.countUpDown;
    ownNotification.hdr.idFrom = 0;
    ownNotification.hdr.code = UDN_DELTAPOS;
    ownNotification.iDelta = 50;
    const LPARAM pointers[] = {0,          1,          0x10000,    0x00400000,
                               0x7FFE0000, 0x7FFFFFF8, (LPARAM)-8, (LPARAM)&ownNotification};
    for (LPARAM pointer : pointers) {
        PostMessageA(tool.mainWindow, WM_NOTIFY, 0, pointer); // the system may refuse to post it
        // Whether the sender hears of an answer is the system's affair: what counts is the tool.
        DWORD_PTR result = 1;
        SendMessageTimeoutA(tool.mainWindow, WM_NOTIFY, 0, pointer, SMTO_NORMAL, WAIT_LIMIT_MS,
                            &result);
    }
    const HWND windows[] = {tool.mainWindow, tool.countEdit,  tool.countUpDown, tool.startButton,
                            tool.copyButton, tool.exitButton, tool.textArea};
    const UINT lifecycle[] = {WM_DESTROY, WM_NCDESTROY};
    for (HWND window : windows) {
        for (UINT message : lifecycle) {
            PostMessageA(window, message, 0, 0);
            DWORD_PTR result = 1;
            ASSERT_TRUE(
                SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, WAIT_LIMIT_MS, &result))
                << "no answer from " << WindowClass(window) << " for " << message;
        }
    }
    // The tool answers another program that asks for its window texts.
    for (HWND window : windows) {
        char text[64];
        DWORD_PTR length = 0;
        ASSERT_TRUE(SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_NORMAL,
                                        WAIT_LIMIT_MS, &length))
            << WindowClass(window);
    }

    // The spin box steps with the arrow keys: the up-down's own notifications still count.
    ClickWindow(tool.countEdit);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(tool.mainWindow) == tool.countEdit; }));
    PressKey(VK_UP);
    PressKey(VK_UP);
    EXPECT_TRUE(WaitUntil([&] { return tool.CountText() == "3"; })) << tool.CountText();
    WritesCopiesAndEnds(tool, 3);
}

struct MenuSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindVisibleMenu(HWND window, LPARAM value) {
    MenuSearch *search = (MenuSearch *)value;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == search->processId && IsWindowVisible(window) &&
        WindowClass(window) == "#32768") {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

// True while a popup menu of the process shows.
bool VisibleMenuOf(DWORD processId) {
    MenuSearch search = {processId, false};
    EnumWindows(FindVisibleMenu, (LPARAM)&search);
    return search.found;
}

// The state of the tool's thread as the system reports it (GUI_INMENUMODE, GUI_INMOVESIZE, ...).
DWORD ThreadModes(const QuorvelTool &tool) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(tool.mainWindow, 0);
    return GetGUIThreadInfo(thread, &info) ? info.flags : 0;
}

// Forged lifecycle messages and notifications that a neighbour posts while the tool's thread runs
// one of the system's own modal loops, which retrieve and dispatch whatever is posted: the system
// menu's (Alt+Space) and the move loop (then M, moving by keyboard). The loop ends with Escape,
// real input, which the thread retrieves only after everything posted before it. The tool must
// dispatch none of them, and go on working.
TEST(QuorvelNeighbour, ForgedMessagesPostedIntoTheSystemsModalLoopsLeaveItWorking) {
    const struct {
        const char *loop;
        WORD key;   // after Alt+Space, or 0
        DWORD mode; // the thread's mode while the loop runs
    } loops[] = {{"the system menu", 0, GUI_INMENUMODE}, {"the move loop", 'M', GUI_INMOVESIZE}};
    for (const auto &loop : loops) {
        SCOPED_TRACE(loop.loop);
        QuorvelTool tool;
        ASSERT_TRUE(tool.Launch()) << tool.fault;
        ClickWindow(tool.textArea);
        ASSERT_TRUE(WaitUntil([&] { return FocusOf(tool.mainWindow) == tool.textArea; }));
        PressKeyWith(VK_MENU, VK_SPACE);
        ASSERT_TRUE(WaitUntil([&] { return (ThreadModes(tool) & GUI_INMENUMODE) != 0; }))
            << "the system menu did not open";
        if (loop.key) {
            PressKey(loop.key);
            ASSERT_TRUE(WaitUntil([&] { return (ThreadModes(tool) & loop.mode) != 0; }))
                << "the loop did not start";
        }
        const HWND windows[] = {tool.countEdit,  tool.countUpDown, tool.startButton,
                                tool.copyButton, tool.exitButton,  tool.textArea,
                                tool.mainWindow};
        for (HWND window : windows) {
            PostMessageA(window, WM_NCDESTROY, 0, 0);
            PostMessageA(window, WM_DESTROY, 0, 0);
        }
        for (LPARAM pointer : {(LPARAM)8, (LPARAM)0x10000, (LPARAM)0x7FFFFFF8}) {
            PostMessageA(tool.mainWindow, WM_NOTIFY, 0, pointer);
        }
        // Escape ends the move, or closes the menu; a second one leaves the menu mode that the
        // closed system menu leaves behind.
        PressKey(VK_ESCAPE);
        ASSERT_TRUE(WaitUntil([&] {
            return (ThreadModes(tool) & loop.mode) == 0 || !VisibleMenuOf(tool.processId);
        })) << "the loop did not end";
        if (ThreadModes(tool) & GUI_INMENUMODE) {
            PressKey(VK_ESCAPE);
        }
        ASSERT_TRUE(WaitUntil([&] {
            return (ThreadModes(tool) & (GUI_INMENUMODE | GUI_INMOVESIZE)) == 0;
        })) << "the thread stays in the mode "
            << ThreadModes(tool);
        WritesCopiesAndEnds(tool, 1);
    }
}

} // namespace
