// Hostile messages: a seeded stream of messages that another program could send the running tool,
// with parameters drawn at random wherever nothing is read through them. The tool must not crash,
// must raise exactly the events that the translation gives for each message (and act only on
// those), and must still work afterwards.
//
// What is sent, and what is left out for reasons of the platform:
// - Every number of the spans that the window procedure translates: 3 to 21 (WM_MOVE to
//   WM_SYSCOLORCHANGE), 78 (WM_NOTIFY), 273 to 312 (WM_COMMAND to WM_CTLCOLORSTATIC) and 12500 to
//   13130 (the private messages), posted to the main window as any program may post them; and
//   WM_SETFONT, the one message a control's own procedure acts on, posted to each control.
// - Messages whose parameters point at something are not posted: the system refuses to post them
//   (below WM_USER) and copies them between processes only with their data. They are sent here
//   with valid data: WM_NOTIFY with a valid notification record (the platform does not carry it
//   between processes at all, so only this process's own controls send it), WM_SETTEXT and
//   WM_GETTEXT with valid buffers. Sent with a random pointer, DefWindowProc itself would read it.
// - The drop messages take their pointer from any sender by design: they get drop records that
//   the event layer issued, and every kind of foreign pointer (random values, the stack, static
//   data, other heaps, blocks of processHeap too small or already freed, records of the right
//   shape that were never issued, and the runtime's own live blocks and the inside of them, as a
//   program that scans the tool's memory would find them).
// - Left out: WM_SETREDRAW (11), whose default processing switches the window's visible style on
//   and off as for any window; WM_SYSCOMMAND (274), whose default processing runs the system's
//   modal move, size and menu loops and minimises or closes the window; WM_TIMER (275) and the
//   system timer message (280), for which DispatchMessage calls lParam as a function; and, to the
//   controls, WM_DESTROY and WM_NCDESTROY, which tear down the platform's own control state under
//   a live window (any window of any program breaks when another process sends them by hand).
#include <string.h>

#include <algorithm>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/uuid_block.h"
#include "harness.h"
#include "robustness_support.h"
#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "runtime/string_engine.h"
#include "test_support.h"
#include "windows/events.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

#include <commctrl.h>

namespace {

const unsigned SEED = 20240611;
const int MESSAGE_COUNT = 100000;
// Put into EventState's wParam and lParam before each retrieval: WaitEvent stores a message's
// parameters there only when it returns the raw message number, not an event.
const LPARAM UNTOUCHED = 0x5EED0001;
const UINT WM_SYSTEM_TIMER = 0x118;

EventState *Events() {
    return (EventState *)StateBlockGet(eventState);
}

// One event as WaitEvent handed it out.
struct Event {
    int code;
    ObjectNumber source;
    int detail;
    void *drop;
    bool operator==(const Event &other) const {
        return code == other.code && source == other.source && detail == other.detail &&
               drop == other.drop;
    }
};

std::ostream &operator<<(std::ostream &out, const Event &event) {
    return out << "{" << event.code << ", source " << event.source << ", detail " << event.detail
               << ", drop " << event.drop << "}";
}

// What one message must lead to: its immediate events, its queued events (all of the main window,
// number 0), and what the application does with them.
struct Expected {
    std::vector<Event> immediate;
    std::vector<int> queued;
    bool focusMoves = false; // the control losing and the one taking the focus may notify
    bool mayRepaint = false; // a repaint by hand may erase the background
    int starts = 0, copies = 0, quits = 0;
};

// The control numbers as the window procedure finds them from a window: only windows of this
// thread whose "QV_ID" equals their identifier and that name a live control; -1 otherwise.
ObjectNumber RoutedControl(HWND window) {
    if (!window || GetWindowThreadProcessId(window, 0) != GetCurrentThreadId()) {
        return -1;
    }
    ObjectNumber number = (ObjectNumber)GetPropA(window, CONTROL_ID_PROPERTY);
    if (number != GetWindowLongA(window, GWL_ID) || !ControlOf(number)) {
        return -1;
    }
    return number;
}

// Identifiers made: the generator's calls, counted on their way to the system's UuidCreate. A Start
// of the application shows as a change of the count.
int identifiersMade;

RPC_STATUS RPC_ENTRY CountedUuidCreate(UUID *uuid) {
    identifiersMade++;
    return UuidCreate(uuid);
}

// The notifications that the main window's controls send it (WM_COMMAND sent, never posted, by
// the platform's own control code), recorded by a hook on the thread's sent messages.
std::vector<Event> controlNotifications;
// The erasures of the main window's background that the platform sends it (the hostile stream
// posts its own). Controls of version 6 of the common controls draw their parent's background
// under them when they paint (DrawThemeParentBackground sends the parent WM_ERASEBKGND), so that a
// message that makes a control repaint, such as WM_SETFONT or WM_SYSCOLORCHANGE, has the parent
// erased too; each such erasure is a repaint of its own.
int sentErasures;
HWND hookedWindow;

LRESULT CALLBACK RecordNotification(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && sent->message == WM_COMMAND && sent->hwnd == hookedWindow &&
        sent->lParam && IsChild(hookedWindow, (HWND)sent->lParam)) {
        controlNotifications.push_back(
            {EVENT_CONTROL, GetWindowLongA((HWND)sent->lParam, GWL_ID), HIWORD(sent->wParam), 0});
    }
    if (code == HC_ACTION && sent->message == WM_ERASEBKGND && sent->hwnd == hookedWindow) {
        sentErasures++;
    }
    return CallNextHookEx(0, code, wParam, lParam);
}

class HostileMessages : public testing::Test {
  protected:
    void SetUp() override {
        quitFlag = 0;
        OpenMainWindow();
        main = WindowHandleOf(WINDOW_MAIN);
        ASSERT_TRUE(main);
        SetForegroundWindow(main);
        SetControlState(CONTROL_COUNT, 1);
        ASSERT_TRUE(pump.Click(CONTROL_START));
        pump.Drain();
        // A child that reports as a menu (identifier -10000), and a window that is gone.
        menuChild = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, main, (HMENU)-10000,
                                    moduleHandle, 0);
        gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, 0, 0, moduleHandle, 0);
        DestroyWindow(gone);
        for (ObjectNumber number = CONTROL_COUNT; number <= CONTROL_TEXT; number++) {
            controls.push_back(ControlOf(number)->handle);
        }
        controls.push_back(ControlOf(CONTROL_COUNT)->spinBox.upDownHandle);
        handles = controls;
        handles.insert(handles.end(), {main, menuChild, gone, other.window, GetDesktopWindow(),
                                       (HWND)0, (HWND)1, (HWND)0xFFFF});
        privateHeap = HeapCreate(0, 0, 0);
        // The runtime's own blocks as they stand once the tool runs.
        for (HANDLE heap : {processHeap, objectHeap, StringHeap}) {
            std::vector<HeapBlock> blocks = BusyBlocks(heap);
            ownBlocks.insert(ownBlocks.end(), blocks.begin(), blocks.end());
        }
        ASSERT_FALSE(ownBlocks.empty());
        uuidSource = CountedUuidCreate;
        hookedWindow = main;
        hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordNotification, 0, GetCurrentThreadId());
        ASSERT_TRUE(hook);
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook);
        uuidSource = UuidCreate;
        for (const auto &kept : keptBlocks) {
            HeapFree(kept.first, 0, kept.second);
        }
        HeapDestroy(privateHeap);
        ShutdownLibraries();
        quitFlag = 0;
    }

    unsigned Draw() { return random(); }
    int Below(int n) { return (int)(random() % (unsigned)n); }
    HWND AnyHandle() { return handles[Below((int)handles.size())]; }

    // A parameter where nothing is read through it: of every kind a sender might put there.
    UINT_PTR AnyParameter() {
        static const UINT_PTR edges[] = {0,          1,          0xFFFF,     0x10000,
                                         0x7FFFFFFF, 0x80000000, 0xFFFF0000, 0xFFFFFFFF};
        static const WORD commands[] = {0, 1, 2, 3, 4, 5, CMD_FOCUS_NEXT, CMD_FOCUS_PREVIOUS};
        static const WORD codes[] = {0, 1, 2, EN_SETFOCUS, EN_KILLFOCUS, EN_CHANGE, 0xFFFF};
        static int onStack;
        switch (Below(8)) {
        case 0:
        case 1: return Draw();
        case 2: return Below(8);
        case 3: return edges[Below(8)];
        case 4: return (UINT_PTR)AnyHandle();
        case 5:
            return MAKEWPARAM(Below(4) ? commands[Below(8)] : Draw(),
                              Below(4) ? codes[Below(7)] : Draw());
        case 6: return Below(2) ? (UINT_PTR)&onStack : (UINT_PTR)&SEED;
        default: return WM_MOUSEFIRST + Below(10); // the mouse messages of tray clicks
        }
    }

    // A drop record as a drop target of this process would have it issued, with its data block or
    // none.
    DropRecord *NewDropRecord() { return IssueDropRecord(Below(2) ? 1 + Below(64) : 0); }

    // The pointer of a drop message: a valid record (true), or a foreign pointer (false).
    LPARAM DropPointer(bool *valid) {
        static char staticBlock[64];
        *valid = false;
        switch (Below(14)) {
        case 0:
        case 1:
        case 2:
        case 3: *valid = true; return (LPARAM)NewDropRecord();
        case 12:
        case 13: { // a block of the runtime's own, or the inside of one
            const auto &block = ownBlocks[Below((int)ownBlocks.size())];
            SIZE_T offset = Below(3) ? 0 : (Below((int)block.size) & ~3);
            return (LPARAM)(block.address + offset);
        }
        case 4: return (LPARAM)AnyParameter();
        case 5: { // a record that an event took and freed, unless its block is in use again
            void *stale = consumed.empty() ? nullptr : consumed[Below((int)consumed.size())];
            return stale && !IsBusyHeapBlock(processHeap, stale) ? (LPARAM)stale : 5;
        }
        case 6: return Below(2) ? (LPARAM)stackBlock : (LPARAM)staticBlock;
        case 7: return (LPARAM)Kept(privateHeap, HeapAlloc(privateHeap, HEAP_ZERO_MEMORY, 64));
        case 8: return (LPARAM)Kept(objectHeap, HeapAlloc(objectHeap, HEAP_ZERO_MEMORY, 64));
        case 9: { // too small to hold a record, or the inside of a block
            char *block = (char *)HeapAlloc(processHeap, HEAP_ZERO_MEMORY, Below(2) ? 12 : 64);
            return (LPARAM)((char *)Kept(processHeap, block) +
                            (HeapSize(processHeap, 0, block) > 12 ? 4 : 0));
        }
        default: { // a record of processHeap whose further block is foreign
            DropRecord *record = (DropRecord *)Kept(
                processHeap, HeapAlloc(processHeap, HEAP_ZERO_MEMORY, sizeof(DropRecord)));
            void *freed = HeapAlloc(processHeap, 0, 32);
            HeapFree(processHeap, 0, freed);
            void *const foreign[] = {stackBlock, staticBlock, (char *)record + 4, freed,
                                     (void *)(AnyParameter() | 1)};
            record->data = foreign[Below(5)];
            return (LPARAM)record;
        }
        }
    }

    // Remembers a foreign block, to free it at the end.
    void *Kept(HANDLE heap, void *block) {
        keptBlocks.push_back({heap, block});
        return block;
    }

    // Posts or sends one message of the stream and says what it must lead to.
    Expected SendOne();
    // Hands out every event that waits, as the program's loop does, and records the events (not
    // the raw message numbers) in order, the queued ones apart.
    void Observe(std::vector<Event> *immediate, std::vector<int> *queued);

    std::mt19937 random{SEED};
    EventPump pump;
    OtherThreadWindow other{WS_POPUP, 1};
    HWND main = 0, menuChild = 0, gone = 0;
    std::vector<HWND> controls, handles;
    HANDLE privateHeap = 0;
    HHOOK hook = 0;
    std::vector<void *> consumed;                      // drop records that an event took and freed
    std::vector<std::pair<HANDLE, void *>> keptBlocks; // foreign blocks, never taken
    std::vector<HeapBlock> ownBlocks;                  // the runtime's live blocks at the start
    // A block on the stack of the running test, which outlives the messages that point into it.
    char *stackBlock = nullptr;
};

// The events of a WM_COMMAND, as the translation gives them; no control kind answers it.
void ExpectCommand(Expected *expected, WPARAM wParam, LPARAM lParam) {
    if (lParam) {
        ObjectNumber source = GetWindowLongA((HWND)lParam, GWL_ID);
        if (source == -10000) {
            expected->immediate.push_back({EVENT_MENU, LOWORD(wParam), HIWORD(wParam), 0});
        } else {
            expected->immediate.push_back({EVENT_CONTROL, source, HIWORD(wParam), 0});
        }
    } else if (HIWORD(wParam) == 0) {
        expected->immediate.push_back({EVENT_MENU, (ObjectNumber)wParam, -1, 0});
    } else if (LOWORD(wParam) == CMD_FOCUS_NEXT || LOWORD(wParam) == CMD_FOCUS_PREVIOUS) {
        // The focus moves: the controls that lose and take it notify as they always do.
    } else {
        expected->immediate.push_back({EVENT_MENU, LOWORD(wParam), -1, 0});
    }
}

// The tray click of a deferred tray message, or none.
void ExpectTray(Expected *expected, WPARAM wParam, LPARAM lParam) {
    static const LPARAM clicks[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK};
    for (int detail = 0; detail < 4; detail++) {
        if (clicks[detail] == lParam) {
            expected->immediate.push_back({EVENT_TRAY, (ObjectNumber)wParam, detail, 0});
        }
    }
}

Expected HostileMessages::SendOne() {
    static const UINT translated[] = {WM_MOVE,
                                      WM_SIZE,
                                      WM_ACTIVATE,
                                      WM_CLOSE,
                                      WM_ERASEBKGND,
                                      WM_SYSCOLORCHANGE,
                                      WM_NOTIFY,
                                      WM_COMMAND,
                                      WM_HSCROLL,
                                      WM_VSCROLL,
                                      WM_CTLCOLORMSGBOX,
                                      WM_CTLCOLOREDIT,
                                      WM_CTLCOLORLISTBOX,
                                      WM_CTLCOLORBTN,
                                      WM_CTLCOLORDLG,
                                      WM_CTLCOLORSCROLLBAR,
                                      WM_CTLCOLORSTATIC,
                                      MSG_TRAY_NOTIFY,
                                      MSG_TRAY_DEFERRED,
                                      MSG_CONTROL_EVENT,
                                      13104,
                                      MSG_WINDOW_DROP,
                                      MSG_CONTROL_DROP,
                                      MSG_FORWARD_TO_CONTROL};
    static const struct {
        UINT first, last;
    } spans[] = {
        {WM_MOVE, WM_SYSCOLORCHANGE}, {WM_NOTIFY, WM_NOTIFY}, {WM_COMMAND, 312}, {12500, 13130}};
    Expected expected;
    UINT message = WM_NULL;
    int choice = Below(20);
    if (choice < 10) {
        message = translated[Below(sizeof translated / sizeof *translated)];
    } else if (choice < 18) {
        while (message == WM_NULL || message == WM_SETREDRAW || message == WM_SETTEXT ||
               message == WM_GETTEXT || message == WM_SYSCOMMAND || message == WM_TIMER ||
               message == WM_SYSTEM_TIMER) {
            int span = Below(4);
            message = spans[span].first + Below((int)(spans[span].last - spans[span].first + 1));
        }
    } else if (choice == 18) {
        // The control procedures' own message, to a control.
        PostMessageA(controls[Below((int)controls.size())], WM_SETFONT, AnyParameter(),
                     (LPARAM)AnyParameter());
        return expected;
    } else {
        // Text in and out of the main window, with valid buffers.
        char text[64];
        if (Below(2)) {
            int length = Below(40);
            for (int i = 0; i < length; i++) {
                text[i] = (char)(' ' + Below(95));
            }
            text[length] = 0;
            SendMessageA(main, WM_SETTEXT, 0, (LPARAM)text);
        } else {
            SendMessageA(main, WM_GETTEXT, Below(sizeof text + 1), (LPARAM)text);
        }
        return expected;
    }
    WPARAM wParam = AnyParameter();
    LPARAM lParam = (LPARAM)AnyParameter();
    switch (message) {
    case WM_NOTIFY: {
        // A step of an up-down, or any other notification, from any window.
        NMUPDOWN step = {};
        step.hdr.hwndFrom = AnyHandle();
        step.hdr.idFrom = AnyParameter();
        step.hdr.code = Below(2) ? (UINT)UDN_DELTAPOS : (UINT)AnyParameter();
        step.iPos = (int)Draw();
        step.iDelta = Below(3) ? (int)Draw() : 0;
        if (step.hdr.code == (UINT)UDN_DELTAPOS && RoutedControl(step.hdr.hwndFrom) == 0) {
            expected.immediate.push_back({EVENT_CONTROL, 0, step.iDelta > 0 ? 1 : -1, 0});
        }
        SendMessageA(main, WM_NOTIFY, wParam, (LPARAM)&step);
        return expected;
    }
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case MSG_FORWARD_TO_CONTROL:
        if (Below(2)) {
            lParam = (LPARAM)AnyHandle(); // most often a window, as these messages name one
        }
        if (message == WM_COMMAND) {
            ExpectCommand(&expected, wParam, lParam);
        }
        break;
    case WM_MOVE: expected.queued.push_back(EVENT_MOVE); break;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
            expected.queued.push_back(EVENT_SIZE);
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            expected.queued.push_back(EVENT_ACTIVATE);
        }
        break;
    case WM_CLOSE:
        expected.queued.push_back(EVENT_CLOSE);
        expected.quits = 1;
        break;
    case WM_ERASEBKGND: expected.queued.push_back(EVENT_REPAINT); break;
    case WM_PAINT: expected.mayRepaint = true; break;
    case MSG_TRAY_NOTIFY:
    case MSG_TRAY_DEFERRED: ExpectTray(&expected, wParam, lParam); break;
    case MSG_CONTROL_EVENT:
        expected.immediate.push_back({EVENT_CONTROL, (ObjectNumber)wParam, (int)lParam, 0});
        break;
    case MSG_WINDOW_DROP:
    case MSG_CONTROL_DROP: {
        bool valid;
        lParam = DropPointer(&valid);
        if (valid) {
            bool window = message == MSG_WINDOW_DROP;
            // A window drop leaves source and detail as they were: the main window's last ones.
            ObjectNumber source = window ? Events()->source : (ObjectNumber)wParam;
            expected.immediate.push_back(
                {window ? EVENT_WINDOW_DROP : EVENT_CONTROL_DROP, source, -1, (void *)lParam});
            consumed.push_back((void *)lParam);
        }
        break;
    }
    }
    for (const Event &event : expected.immediate) {
        if (event.code == EVENT_CONTROL && event.detail == BN_CLICKED) {
            expected.starts += event.source == CONTROL_START;
            expected.copies += event.source == CONTROL_COPY;
            expected.quits += event.source == CONTROL_EXIT;
        }
    }
    EXPECT_TRUE(PostMessageA(main, message, wParam, lParam)) << message;
    return expected;
}

void HostileMessages::Observe(std::vector<Event> *immediate, std::vector<int> *queued) {
    EventState *state = Events();
    while (EventWaiting()) {
        bool fromQueue = state->queueHead != nullptr;
        state->wParam = UNTOUCHED;
        state->lParam = UNTOUCHED;
        int code = WaitEvent(-1);
        if (fromQueue) {
            EXPECT_EQ(WINDOW_MAIN, EventWindow()) << code;
            queued->push_back(code);
        } else if (state->wParam == UNTOUCHED && state->lParam == UNTOUCHED) {
            EXPECT_EQ(WINDOW_MAIN, EventWindow()) << code;
            immediate->push_back({code, EventSource(), EventDetail(), state->dropData});
        }
        DispatchEvent(code);
    }
}

TEST_F(HostileMessages, ARandomStreamRaisesOnlyTheTranslatedEventsAndTheToolStillWorks) {
    char onStack[64] = {};
    stackBlock = onStack;
    const int heapBlocks = CountBusyBlocks(processHeap);
    const int startCursor = stringBuffer.cursor;
    int mismatches = 0, starts = 0, copies = 0, quits = 0, eventsSeen = 0;
    for (int i = 0; i < MESSAGE_COUNT && mismatches < 10; i++) {
        int identifiersBefore = identifiersMade;
        DWORD clipboardBefore = GetClipboardSequenceNumber();
        controlNotifications.clear();
        sentErasures = 0;
        Expected expected = SendOne();
        EXPECT_EQ(0, Events()->pendingCode) << "message " << i << ": an event left behind";

        std::vector<Event> immediate;
        std::vector<int> queued;
        Observe(&immediate, &queued);
        eventsSeen += (int)(immediate.size() + queued.size());
        // Notifications that the controls sent meanwhile are events of their own, as the platform
        // raises them; each may show as one event.
        for (const Event &notification : controlNotifications) {
            auto found = std::find(immediate.begin(), immediate.end(), notification);
            if (found != immediate.end()) {
                immediate.erase(found);
            }
        }
        // Each erasure that the platform sent may show as one repaint.
        for (int k = 0; k < sentErasures; k++) {
            auto found = std::find(queued.begin(), queued.end(), (int)EVENT_REPAINT);
            if (found != queued.end()) {
                queued.erase(found);
            }
        }
        if (expected.mayRepaint && queued.size() == 1 && queued[0] == EVENT_REPAINT) {
            queued.clear();
        }
        bool started = identifiersMade != identifiersBefore;
        bool copied = GetClipboardSequenceNumber() != clipboardBefore;
        bool quit = quitFlag != 0;
        quitFlag = 0;
        bool same = immediate == expected.immediate && queued == expected.queued &&
                    started == (expected.starts > 0) && copied == (expected.copies > 0) &&
                    quit == (expected.quits > 0) && stringBuffer.cursor == startCursor;
        if (!same) {
            mismatches++;
            ADD_FAILURE() << "message " << i << ": " << testing::PrintToString(immediate)
                          << " immediate, expected " << testing::PrintToString(expected.immediate)
                          << "; queued " << testing::PrintToString(queued) << ", expected "
                          << testing::PrintToString(expected.queued) << "; started " << started
                          << " copied " << copied << " quit " << quit;
        }
        starts += started;
        copies += copied;
        quits += quit;
    }
    printf("%d messages, %d events, %d starts, %d copies, %d exits asked for\n", MESSAGE_COUNT,
           eventsSeen, starts, copies, quits);

    // Nothing of the runtime's heap was freed that it did not own, nor kept that it took.
    EXPECT_TRUE(RuntimeHeapsValid());
    int keptOnProcessHeap = 0;
    for (const auto &kept : keptBlocks) {
        keptOnProcessHeap += kept.first == processHeap;
    }
    printf("busy blocks of processHeap: %d before, %d after, %d of them the test's own foreign "
           "blocks\n",
           heapBlocks, CountBusyBlocks(processHeap), keptOnProcessHeap);
    EXPECT_EQ(heapBlocks + keptOnProcessHeap, CountBusyBlocks(processHeap));

    ExpectStartAndCopyWork(&pump, 5);
}

} // namespace
