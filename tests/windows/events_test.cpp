// Event retrieval: the pending-event queue, WaitEvent, FlushWindowMessages, the getters and the
// drop records the event state owns.
#include <string.h>

#include "input_support.h"
#include "window_test_support.h"

namespace {

typedef std::vector<std::pair<int, ObjectNumber>> Queue;

// A hidden window object to post messages to; hidden, so that opening it queues nothing.
class EventsTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window = (HWND)OpenWindowObject(1, 10, 10, 200, 100, "events", WINDOW_HIDDEN);
        ASSERT_TRUE(IsWindow(window));
        DrainEvents();
    }
    // A drop record issued as a drop target would, with a data block when asked for.
    DropRecord *NewDropRecord(bool withData) {
        DropRecord *record = IssueDropRecord(withData ? 40 : 0);
        EXPECT_TRUE(record && IsBusyHeapBlock(processHeap, record));
        EXPECT_EQ(withData, record && record->data && IsBusyHeapBlock(processHeap, record->data));
        return record;
    }
    HWND window = 0;
};

TEST_F(EventsTest, QueuedEventsAreHandedOutBeforeWaitingMessages) {
    ASSERT_TRUE(PostMessageA(window, WM_APP + 1, 11, 22));
    Events()->window = 42;
    Events()->detail = 7;
    PushPendingEvent(Events(), EVENT_SIZE, 0);
    PushPendingEvent(Events(), EVENT_CLOSE, 0);

    EXPECT_EQ(WaitEvent(0), EVENT_SIZE);
    EXPECT_EQ(EventWindow(), 0);
    EXPECT_EQ(EventDetail(), -1);
    EXPECT_EQ(Events()->pendingCode, 0);
    MSG waiting;
    EXPECT_TRUE(PeekMessageA(&waiting, window, WM_APP + 1, WM_APP + 1, PM_NOREMOVE));

    Events()->window = 42;
    EXPECT_EQ(WaitEvent(0), EVENT_CLOSE);
    EXPECT_EQ(EventWindow(), 0);
    EXPECT_EQ(EventDetail(), -1);
    EXPECT_EQ(Events()->queueHead, nullptr);
    EXPECT_EQ(Events()->queueTail, nullptr);

    EXPECT_EQ(WaitEvent(0), WM_APP + 1);
    EXPECT_EQ(EventWindow(), 1);
    EXPECT_EQ(Events()->wParam, 11u);
    EXPECT_EQ(Events()->lParam, 22);
    EXPECT_EQ(WaitEvent(0), 0);
}

TEST_F(EventsTest, ARepeatOfTheNewestEventIsDropped) {
    const struct {
        Queue pushed;
        Queue queued;
    } cases[] = {
        {{{5, 0}, {5, 0}}, {{5, 0}}},
        {{{5, 0}, {3, 0}, {5, 0}}, {{5, 0}, {3, 0}, {5, 0}}},
        {{{5, 0}, {5, 1}}, {{5, 0}, {5, 1}}},
        {{{15, -1}, {15, -1}, {15, -1}, {13104, -1}, {13104, -1}}, {{15, -1}, {13104, -1}}},
    };
    for (const auto &c : cases) {
        for (const auto &event : c.pushed) {
            PushPendingEvent(Events(), event.first, event.second);
        }
        EXPECT_EQ(QueuedEvents(), c.queued);
        Queue handedOut;
        for (size_t i = 0; i < c.queued.size(); ++i) {
            int code = WaitEvent(0);
            handedOut.push_back({code, EventWindow()});
        }
        EXPECT_EQ(handedOut, c.queued);
        EXPECT_EQ(Events()->queueHead, nullptr);
        EXPECT_EQ(Events()->queueTail, nullptr);
    }

    // After the last hand-out, the next event is both head and tail; and an event equal to one
    // already handed out is queued again.
    PushPendingEvent(Events(), EVENT_MOVE, 2);
    ASSERT_NE(Events()->queueHead, nullptr);
    EXPECT_EQ(Events()->queueHead, Events()->queueTail);
    EXPECT_EQ(Events()->queueHead->next, nullptr);
    PendingEvent *node = Events()->queueHead;
    EXPECT_EQ(WaitEvent(0), EVENT_MOVE);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, node));
    PushPendingEvent(Events(), EVENT_MOVE, 2);
    EXPECT_EQ(QueuedEvents(), (Queue{{EVENT_MOVE, 2}}));
}

TEST_F(EventsTest, NothingArrivingGivesZeroAndChangesOnlyTheDetail) {
    const int timeouts[] = {0, 30};
    for (int timeout : timeouts) {
        Events()->source = 77;
        Events()->window = 5;
        Events()->detail = 9;
        Events()->wParam = 123;
        Events()->lParam = 456;
        EXPECT_EQ(WaitEvent(timeout), 0) << timeout;
        EXPECT_EQ(EventSource(), 77) << timeout;
        EXPECT_EQ(EventWindow(), 5) << timeout;
        EXPECT_EQ(EventDetail(), -1) << timeout;
        EXPECT_EQ(Events()->wParam, 123u) << timeout;
        EXPECT_EQ(Events()->lParam, 456) << timeout;
        EXPECT_EQ(Events()->pendingCode, 0) << timeout;
    }
}

TEST_F(EventsTest, APositiveTimeoutStillReturnsAMessageThatArrives) {
    ASSERT_TRUE(PostMessageA(window, WM_APP + 4, 1, 2));
    EXPECT_EQ(WaitEvent(30), WM_APP + 4);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 5, 3, 4));
    EXPECT_EQ(WaitEvent(-1), WM_APP + 5);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 6, 5, 6));
    EXPECT_EQ(WaitEvent(-20), WM_APP + 6); // any negative timeout waits without limit
    EXPECT_EQ(Events()->wParam, 5u);
    EXPECT_EQ(Events()->lParam, 6);
}

// A message that another thread posts while WaitEvent waits with a timeout ends the wait: it is
// the result, long before the timeout.
DWORD WINAPI PostLater(void *window) {
    Sleep(100);
    PostMessageA((HWND)window, WM_APP + 12, 7, 8);
    return 0;
}

TEST_F(EventsTest, AMessagePostedDuringAWaitWithATimeoutIsReturned) {
    MSG waiting;
    ASSERT_FALSE(PeekMessageA(&waiting, 0, 0, 0, PM_NOREMOVE));
    HANDLE poster = CreateThread(0, 0, PostLater, window, 0, 0);
    ASSERT_TRUE(poster);
    EXPECT_EQ(WaitEvent(20000), WM_APP + 12);
    EXPECT_EQ(Events()->wParam, 7u);
    EXPECT_EQ(Events()->lParam, 8);
    WaitForSingleObject(poster, INFINITE);
    CloseHandle(poster);
}

// A message that another thread sends while WaitEvent waits runs inside the wait; an event it
// raises, queued or immediate, ends the wait and is the result, as if the message had been posted.
TEST_F(EventsTest, AnEventRaisedByAMessageSentDuringAWaitIsReturnedAtOnce) {
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        int code;
        ObjectNumber source; // -1: the row raises no source
    } rows[] = {
        {WM_CLOSE, 0, 0, EVENT_CLOSE, -1},
        {WM_COMMAND, 7, 0, EVENT_MENU, 7},
        {MSG_CONTROL_EVENT, 4, 2, EVENT_CONTROL, 4},
    };
    const int timeouts[] = {3000, -1};
    for (const auto &row : rows) {
        for (int timeout : timeouts) {
            Events()->source = -1;
            SentMessage sent = {window, row.message, row.wParam, row.lParam, 50, 0};
            HANDLE sender = CreateThread(0, 0, SendLater, &sent, 0, 0);
            ASSERT_TRUE(sender);
            EXPECT_EQ(WaitEvent(timeout), row.code) << row.message << " " << timeout;
            EXPECT_EQ(EventSource(), row.source) << row.message;
            EXPECT_EQ(EventWindow(), 1) << row.message;
            WaitForSingleObject(sender, INFINITE);
            CloseHandle(sender);
            EXPECT_EQ(WaitEvent(0), 0) << row.message << ": the event was returned once";
            EXPECT_EQ(Events()->queueHead, nullptr) << row.message;
        }
    }
}

// Messages that only this thread's windows or the system send within the thread, posted by
// anybody: dropped before dispatch, by WaitEvent (which returns WM_NULL) and by
// FlushWindowMessages, so that nothing reads through their pointers or takes the window for one
// being created or destroyed. Sent from another thread, they are answered with 0 unread.
TEST_F(EventsTest, ForgedThreadOnlyMessagesAreNeverDispatched) {
    const UINT messages[] = {WM_NOTIFY, WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY};
    const LPARAM bogus = 8; // no pointer to anything
    int posted = 0;
    for (UINT message : messages) {
        // The system refuses to post some of them (a pointer that it would have to carry).
        if (PostMessageA(window, message, 0, bogus)) {
            EXPECT_EQ(WM_NULL, WaitEvent(0)) << message;
            PostMessageA(window, message, 0, bogus);
            FlushWindowMessages();
            posted++;
        }
        SentMessage sent = {window, message, 0, bogus, 50, 1};
        HANDLE sender = CreateThread(0, 0, SendLater, &sent, 0, 0);
        ASSERT_TRUE(sender);
        EXPECT_EQ(0, WaitEvent(300)) << message;
        WaitForSingleObject(sender, INFINITE);
        CloseHandle(sender);
        EXPECT_EQ(0, sent.answer) << message;
        EXPECT_TRUE(IsWindow(window)) << message;
        EXPECT_EQ(window, RecordOf(1) ? RecordOf(1)->handle : 0) << message;
        EXPECT_EQ((HANDLE)2, GetPropA(window, "QV_WindowID")) << message;
    }
    EXPECT_GE(posted, 2) << "WM_NOTIFY and WM_DESTROY at least can be posted";
    // The window still turns its messages into events.
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(EVENT_CLOSE, WaitEvent(0));
}

// Whatever loop of the thread retrieves a posted thread-only message, the system's modal loops and
// a loop of the application's own among them, it dispatches WM_NULL in its place: the message
// reaches no window, also none that the runtime's procedures do not guard.
TEST_F(EventsTest, APostedThreadOnlyMessageReachesNoWindowThroughAnyLoop) {
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, window, 0, 0, 0);
    ASSERT_TRUE(plain);
    MessageRecorder recorder(plain);
    const UINT messages[] = {WM_NOTIFY, WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY};
    int posted = 0;
    for (UINT message : messages) {
        posted += PostMessageA(plain, message, 0, 8) ? 1 : 0;
    }
    ASSERT_GE(posted, 2) << "WM_NOTIFY and WM_DESTROY at least can be posted";
    MSG retrieved;
    while (PeekMessageA(&retrieved, 0, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&retrieved);
    }
    for (UINT message : messages) {
        EXPECT_EQ(0, recorder.Count(message)) << message;
    }
    EXPECT_EQ(posted, recorder.Count(WM_NULL));
    EXPECT_TRUE(IsWindow(plain));
}

// An event that a sent message raises in the round that retrieves a forged message is the result:
// it does not wait for a message that is dispatched.
TEST_F(EventsTest, AnEventRaisedBesideAForgedMessageIsReturned) {
    ASSERT_TRUE(PostMessageA(window, WM_NOTIFY, 0, 8));
    SentMessage sent = {window, MSG_CONTROL_EVENT, 6, 2, 0, 1};
    HANDLE sender = CreateThread(0, 0, SendLater, &sent, 0, 0);
    ASSERT_TRUE(sender);
    // The sent message waits in the queue before the wait begins.
    for (int tries = 0; tries < 5000 && !(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE);
         tries++) {
        Sleep(1);
    }
    ASSERT_TRUE(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE);
    EXPECT_EQ(EVENT_CONTROL, WaitEvent(0));
    EXPECT_EQ(6, EventSource());
    EXPECT_EQ(2, EventDetail());
    WaitForSingleObject(sender, INFINITE);
    CloseHandle(sender);
    EXPECT_EQ(0, WaitEvent(0));
}

// Milliseconds since the object was made.
class Stopwatch {
  public:
    Stopwatch() { QueryPerformanceCounter(&start); }
    double Milliseconds() const {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return (double)(now.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart;
    }

  private:
    LARGE_INTEGER start;
};

constexpr UINT WATCHDOG_MESSAGE = WM_APP + 30;

// A wait with a timeout that nothing ends returns 0 once that time has passed. The upper bound is
// generous for a busy machine and still far below what a slip of units (seconds for milliseconds)
// would take; a watchdog ends such a wait with a message of its own, so that it fails, not hangs.
TEST_F(EventsTest, AWaitWithATimeoutReturnsZeroAfterThatTime) {
    for (int timeout : {150, 400}) {
        SCOPED_TRACE(timeout);
        Later watchdog(10000, [waiting = GetCurrentThreadId()] {
            PostThreadMessageA(waiting, WATCHDOG_MESSAGE, 0, 0);
        });
        Stopwatch waited;
        EXPECT_EQ(WaitEvent(timeout), 0);
        double elapsed = waited.Milliseconds();
        // A wait never ends before its time; a timer tick (16 ms) is the platform's resolution.
        EXPECT_GE(elapsed, timeout - 16);
        EXPECT_LT(elapsed, 5000);
    }
    DrainEvents();
}

// Real input ends a wait with a timeout long before its time: a key pressed while WaitEvent
// waits comes back as its message.
TEST_F(EventsTest, InputEndsAWaitWithATimeout) {
    HWND shown = (HWND)OpenWindowObject(2, 40, 40, 200, 100, "keys");
    ASSERT_TRUE(BringToForeground(shown));
    SetFocus(shown);
    DrainEvents();
    RetrievedMessages retrieved;
    Later press(100, [] {
        SendKey(VK_F8, false);
        SendKey(VK_F8, true);
    });
    Stopwatch waited;
    EXPECT_EQ(WaitEvent(20000), WM_KEYDOWN);
    EXPECT_LT(waited.Milliseconds(), 10000);
    EXPECT_EQ(Events()->wParam, (WPARAM)VK_F8);
    EXPECT_EQ(retrieved.Count(WM_KEYDOWN, VK_F8), 1);
    RunEventsUntil([&] { return retrieved.Count(WM_KEYUP, VK_F8) == 1; });
    CloseWindowObject(2);
    DrainEvents();
}

// WM_QUIT is a message like any other: WaitEvent without a timeout returns its number.
TEST_F(EventsTest, WmQuitComesBackAsItsNumber) {
    PostQuitMessage(5);
    EXPECT_EQ(WaitEvent(-1), WM_QUIT);
    EXPECT_EQ(Events()->wParam, 5u);
    ASSERT_TRUE(PostMessageA(window, WM_APP + 13, 0, 0));
    EXPECT_EQ(WaitEvent(-1), WM_APP + 13);
}

// The getters show what the last event set; events and messages that do not set a field leave it.
TEST_F(EventsTest, GettersKeepFieldsThatTheLastEventDidNotSet) {
    ASSERT_TRUE(PostMessageA(window, MSG_CONTROL_EVENT, 7, 9));
    EXPECT_EQ(WaitEvent(0), EVENT_CONTROL);
    EXPECT_EQ(EventSource(), 7);
    EXPECT_EQ(EventMenuItem(), 7);
    EXPECT_EQ(EventDetail(), 9);
    EXPECT_EQ(EventWindow(), 1);
    EXPECT_EQ(EventSource(), 7); // reading changes nothing

    // A message that raises no event comes back as its number, with its parameters.
    ASSERT_TRUE(PostMessageA(window, WM_APP + 2, 11, 22));
    EXPECT_EQ(WaitEvent(0), WM_APP + 2);
    EXPECT_EQ(Events()->wParam, 11u);
    EXPECT_EQ(Events()->lParam, 22);
    EXPECT_EQ(EventSource(), 7);
    EXPECT_EQ(EventDetail(), -1);
    EXPECT_EQ(EventWindow(), 1);

    // A thread message does not pass through the window procedure: the window stays.
    Events()->window = 99;
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 3, 33, 44));
    EXPECT_EQ(WaitEvent(0), WM_APP + 3);
    EXPECT_EQ(EventWindow(), 99);
    EXPECT_EQ(EventSource(), 7);
    EXPECT_EQ(Events()->wParam, 33u);
    EXPECT_EQ(Events()->lParam, 44);

    // A queued event sets only the window.
    PushPendingEvent(Events(), EVENT_MOVE, 1);
    EXPECT_EQ(WaitEvent(0), EVENT_MOVE);
    EXPECT_EQ(EventSource(), 7);
    EXPECT_EQ(EventWindow(), 1);
    EXPECT_EQ(Events()->wParam, 33u);

    // A window drop leaves source and detail.
    Events()->detail = 3;
    DropRecord *drop = NewDropRecord(false);
    ASSERT_TRUE(PostMessageA(window, MSG_WINDOW_DROP, 5, (LPARAM)drop));
    EXPECT_EQ(WaitEvent(0), EVENT_WINDOW_DROP);
    EXPECT_EQ(EventSource(), 7);
    EXPECT_EQ(EventDetail(), -1);
    EXPECT_EQ(Events()->dropData, drop);
}

TEST_F(EventsTest, FlushDispatchesAndDiscardsThePendingCodeButKeepsTheQueue) {
    PushPendingEvent(Events(), EVENT_SIZE, 1);
    ASSERT_TRUE(PostMessageA(window, MSG_CONTROL_EVENT, 12, 34));
    Events()->source = -3;
    FlushWindowMessages();
    EXPECT_EQ(Events()->pendingCode, 0);
    EXPECT_EQ(EventSource(), 12); // the message was dispatched
    EXPECT_EQ(QueuedEvents(), (Queue{{EVENT_SIZE, 1}}));
    MSG waiting;
    EXPECT_FALSE(PeekMessageA(&waiting, 0, 0, 0, PM_NOREMOVE));

    // A code left from outside any dispatch is discarded too.
    Events()->pendingCode = EVENT_MENU;
    FlushWindowMessages();
    EXPECT_EQ(Events()->pendingCode, 0);
    EXPECT_EQ(WaitEvent(0), EVENT_SIZE);
    EXPECT_EQ(WaitEvent(0), 0);
}

TEST_F(EventsTest, ADropRecordIsReadableUntilTheNextWaitEventWhichFreesIt) {
    const struct {
        UINT message;
        WPARAM wParam;
        bool withData;
        int code;
        ObjectNumber source;
    } cases[] = {
        {MSG_WINDOW_DROP, 5, true, EVENT_WINDOW_DROP, -3},
        {MSG_WINDOW_DROP, 5, false, EVENT_WINDOW_DROP, -3},
        {MSG_CONTROL_DROP, 4, true, EVENT_CONTROL_DROP, 4},
        {MSG_CONTROL_DROP, 4, false, EVENT_CONTROL_DROP, 4},
    };
    for (const auto &c : cases) {
        DropRecord *drop = NewDropRecord(c.withData);
        void *data = drop->data;
        Events()->source = -3;
        ASSERT_TRUE(PostMessageA(window, c.message, c.wParam, (LPARAM)drop));
        EXPECT_EQ(WaitEvent(0), c.code);
        EXPECT_EQ(EventSource(), c.source);
        EXPECT_EQ(Events()->dropData, drop);
        EXPECT_TRUE(IsBusyHeapBlock(processHeap, drop));
        EXPECT_EQ(drop->data, data);
        EXPECT_EQ(WaitEvent(0), 0);
        EXPECT_EQ(Events()->dropData, nullptr);
        EXPECT_FALSE(IsBusyHeapBlock(processHeap, drop));
        if (data) {
            EXPECT_FALSE(IsBusyHeapBlock(processHeap, data));
        }
    }
}

TEST_F(EventsTest, ALeftoverDropRecordIsFreedByCloseAllWindows) {
    DropRecord *drop = NewDropRecord(true);
    void *data = drop->data;
    ASSERT_TRUE(PostMessageA(window, MSG_CONTROL_DROP, 2, (LPARAM)drop));
    EXPECT_EQ(WaitEvent(0), EVENT_CONTROL_DROP);
    CloseAllWindows();
    EXPECT_EQ(Events()->dropData, nullptr);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, drop));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, data));
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
}

// Further drops, in the same dispatch, in a flush or in a send outside WaitEvent, leave every
// record that an event took over readable until the next WaitEvent frees them all.
TEST_F(EventsTest, EveryDropRecordStaysReadableUntilTheNextWaitEvent) {
    DropRecord *first = NewDropRecord(true);
    DropRecord *second = NewDropRecord(false);
    memset(first->data, 0x3C, 40);
    first->fields[0] = (void *)11;
    ASSERT_TRUE(PostMessageA(window, MSG_WINDOW_DROP, 0, (LPARAM)first));
    EXPECT_EQ(WaitEvent(0), EVENT_WINDOW_DROP);
    EXPECT_EQ(Events()->dropData, first);

    // A drop that a flush dispatches is discarded with its code; the current record stays.
    ASSERT_TRUE(PostMessageA(window, MSG_CONTROL_DROP, 3, (LPARAM)second));
    FlushWindowMessages();
    EXPECT_EQ(Events()->pendingCode, 0);
    EXPECT_EQ(Events()->queueHead, nullptr);
    EXPECT_EQ(Events()->dropData, first);
    // One sent outside any dispatch becomes the current drop event, to be handed out by the next
    // WaitEvent; the one it replaces stays.
    DropRecord *third = NewDropRecord(true);
    EXPECT_EQ(SendMessageA(window, MSG_CONTROL_DROP, 4, (LPARAM)third), 0);
    EXPECT_EQ(Events()->dropData, third);
    EXPECT_EQ(Events()->pendingCode, EVENT_CONTROL_DROP);
    for (DropRecord *record : {first, second, third}) {
        EXPECT_TRUE(IsBusyHeapBlock(processHeap, record)) << record;
    }
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, first->data));
    EXPECT_EQ(first->fields[0], (void *)11);
    EXPECT_EQ(((unsigned char *)first->data)[39], 0x3C);
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, third->data));

    // The same record again is no longer outstanding: nothing happens.
    EXPECT_EQ(SendMessageA(window, MSG_WINDOW_DROP, 0, (LPARAM)second), 0);
    EXPECT_EQ(Events()->dropData, third);
    EXPECT_EQ(Events()->pendingCode, EVENT_CONTROL_DROP);

    // The drop event that is still to come keeps its record through the next WaitEvent; the
    // others go.
    void *thirdData = third->data;
    ASSERT_TRUE(PostMessageA(window, WM_APP + 7, 0, 0));
    EXPECT_EQ(WaitEvent(0), EVENT_CONTROL_DROP);
    EXPECT_EQ(EventSource(), 4);
    EXPECT_EQ(Events()->dropData, third);
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, third));
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, thirdData));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, first));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, second));
    EXPECT_EQ(WaitEvent(0), WM_APP + 7);
    EXPECT_EQ(Events()->dropData, nullptr);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, third));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, thirdData));
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
}

// Two drops in the dispatch of one message: the later one is the event, the earlier one stays
// readable until the next WaitEvent.
TEST_F(EventsTest, TheLaterOfTwoDropsInOneDispatchIsTheEvent) {
    DropRecord *first = NewDropRecord(true);
    DropRecord *second = NewDropRecord(false);
    WindowSpy spy(window);
    spy.before = [&](UINT message, WPARAM, LPARAM, LRESULT *) {
        if (message == WM_APP + 8) {
            SendMessageA(window, MSG_WINDOW_DROP, 0, (LPARAM)first);
            SendMessageA(window, MSG_CONTROL_DROP, 6, (LPARAM)second);
        }
        return false;
    };
    ASSERT_TRUE(PostMessageA(window, WM_APP + 8, 0, 0));
    EXPECT_EQ(WaitEvent(0), EVENT_CONTROL_DROP);
    EXPECT_EQ(EventSource(), 6);
    EXPECT_EQ(Events()->dropData, second);
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, first));
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, first->data));
    EXPECT_EQ(WaitEvent(0), 0);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, first));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, second));
}

TEST_F(EventsTest, ARecordWhoseSixthFieldPointsToItselfIsFreedOnce) {
    DropRecord *drop = NewDropRecord(false);
    drop->data = drop;
    ASSERT_TRUE(PostMessageA(window, MSG_WINDOW_DROP, 0, (LPARAM)drop));
    EXPECT_EQ(WaitEvent(0), EVENT_WINDOW_DROP);
    EXPECT_EQ(WaitEvent(0), 0);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, drop));
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));

    // A second HeapFree of the block would fail and leave its error code behind.
    drop = NewDropRecord(false);
    drop->data = drop;
    EXPECT_EQ(SendMessageA(window, MSG_WINDOW_DROP, 0, (LPARAM)drop), 0);
    SetLastError(0xBEEF);
    FreeDropData(Events());
    EXPECT_EQ(GetLastError(), 0xBEEFu);
    EXPECT_EQ(Events()->dropData, nullptr);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, drop));
}

// A drop target whose post fails discards its record; a discarded record, or anything else, is
// not taken by a later drop message.
TEST_F(EventsTest, ADiscardedRecordIsFreedAndNoLongerTaken) {
    DropRecord *drop = NewDropRecord(true);
    void *data = drop->data;
    DiscardDropRecord(drop);
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, drop));
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, data));
    EXPECT_EQ(SendMessageA(window, MSG_WINDOW_DROP, 0, (LPARAM)drop), 0);
    EXPECT_EQ(Events()->pendingCode, 0);
    EXPECT_EQ(Events()->dropData, nullptr);

    // Discarding what is not outstanding frees nothing: a taken record, a block of the heap.
    DropRecord *taken = NewDropRecord(false);
    EXPECT_EQ(SendMessageA(window, MSG_WINDOW_DROP, 0, (LPARAM)taken), 0);
    void *block = HeapAlloc(processHeap, 0, sizeof(DropRecord));
    DiscardDropRecord(taken);
    DiscardDropRecord((DropRecord *)block);
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, taken));
    EXPECT_TRUE(IsBusyHeapBlock(processHeap, block));
    EXPECT_EQ(Events()->dropData, taken);
    HeapFree(processHeap, 0, block);
    DrainEvents();
    EXPECT_FALSE(IsBusyHeapBlock(processHeap, taken));
}

// The program's own import entries of the calls that a wait makes.
extern "C" BOOL(WINAPI *importedPeekMessageA)(MSG *, HWND, UINT, UINT,
                                              UINT) __asm__("__imp__PeekMessageA@20");
extern "C" DWORD(WINAPI *importedMsgWaitForMultipleObjectsEx)(
    DWORD, const HANDLE *, DWORD, DWORD, DWORD) __asm__("__imp__MsgWaitForMultipleObjectsEx@20");
extern "C" DWORD(WINAPI *importedGetVersion)() __asm__("__imp__GetVersion@0");

// Counts the looks into the message queue that the program makes.
int peeks;
BOOL(WINAPI *platformPeekMessageA)(MSG *, HWND, UINT, UINT, UINT);
BOOL WINAPI CountedPeekMessageA(MSG *message, HWND window, UINT first, UINT last, UINT flags) {
    peeks++;
    return platformPeekMessageA(message, window, first, last, flags);
}

// A window with a child that has been repainted internally: under Wine the queue then shows
// QS_PAINT with no WM_PAINT left to retrieve, as the spin box leaves it after a resize.
class IdleWaitTest : public EventsTest {
  protected:
    void SetUp() override {
        EventsTest::SetUp();
        child =
            CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, window, 0, 0, 0);
        ASSERT_TRUE(child);
        ShowWindow(window, SW_SHOWNA);
        RedrawWindow(child, 0, 0, RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE);
        DrainEvents();
    }
    HWND child = 0;
};

// An idle wait blocks: over a second in which nothing comes it looks into the queue a handful of
// times, where a wait that returned at once for a status already shown would look thousands of
// times and take a whole processor.
TEST_F(IdleWaitTest, AnIdleWaitLooksIntoTheQueueAHandfulOfTimes) {
    ImportEntryPatch<decltype(importedPeekMessageA)> counting(&importedPeekMessageA,
                                                              CountedPeekMessageA);
    platformPeekMessageA = counting.platform;
    peeks = 0;
    EXPECT_EQ(0, WaitEvent(1000));
    EXPECT_LT(peeks, 50) << "looks into the queue during one idle second with a timeout";

    peeks = 0;
    {
        Later wake(1000, [this] { PostMessageA(window, WM_APP + 40, 0, 0); });
        EXPECT_EQ(WM_APP + 40, WaitEvent(-1));
    }
    EXPECT_LT(peeks, 50) << "looks into the queue during one idle second without a timeout";
}

// What the wait asks of the system: every kind of input, with pointer and touch input where the
// system reports Windows 8 or later. Windows 7 refuses a wake mask with bits it does not know;
// where the system reports Windows 7, the wait asks without them, blocks, and still ends for a
// message.
DWORD reportedVersion;
DWORD WINAPI ReportedVersion() {
    return reportedVersion;
}
std::vector<DWORD> wakeMasks;
DWORD(WINAPI *platformMsgWait)(DWORD, const HANDLE *, DWORD, DWORD, DWORD);
DWORD WINAPI RecordedMsgWait(DWORD count, const HANDLE *handles, DWORD milliseconds, DWORD mask,
                             DWORD flags) {
    wakeMasks.push_back(mask);
    if (LOBYTE(LOWORD(reportedVersion)) == 6 && HIBYTE(LOWORD(reportedVersion)) < 2 &&
        (mask & ~(DWORD)QS_ALLINPUT)) {
        SetLastError(ERROR_INVALID_PARAMETER); // as Windows 7 answers bits it does not know
        return WAIT_FAILED;
    }
    return platformMsgWait(count, handles, milliseconds, mask, flags);
}

TEST_F(IdleWaitTest, TheWaitAsksForPointerAndTouchInputWhereTheSystemHasThem) {
    const struct {
        const char *system;
        DWORD version; // as GetVersion answers: minor version in the high byte of the low word
        DWORD pointerAndTouch;
    } systems[] = {
        {"Windows 7", 0x1DB10106, 0},
        {"Windows 8", 0x23F00206, 0x1800},
        {"Windows 10", 0x47BB000A, 0x1800},
    };
    ImportEntryPatch<decltype(importedGetVersion)> version(&importedGetVersion, ReportedVersion);
    ImportEntryPatch<decltype(importedMsgWaitForMultipleObjectsEx)> waiting(
        &importedMsgWaitForMultipleObjectsEx, RecordedMsgWait);
    platformMsgWait = waiting.platform;
    ImportEntryPatch<decltype(importedPeekMessageA)> counting(&importedPeekMessageA,
                                                              CountedPeekMessageA);
    platformPeekMessageA = counting.platform;
    for (const auto &system : systems) {
        SCOPED_TRACE(system.system);
        reportedVersion = system.version;
        wakeMasks.clear();
        peeks = 0;
        {
            Later post(300, [this] { PostMessageA(window, WM_APP + 41, 0, 0); });
            EXPECT_EQ(WM_APP + 41, WaitEvent(10000));
        }
        ASSERT_FALSE(wakeMasks.empty());
        for (DWORD mask : wakeMasks) {
            EXPECT_EQ((DWORD)QS_ALLINPUT | system.pointerAndTouch, mask);
        }
        EXPECT_LT(peeks, 50);
    }
}

// A button's click that the application sends itself, as a handler would.
void SendClick(HWND window, HWND button, int id) {
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
}

struct Handed {
    int code;
    ObjectNumber source;
    int detail;
    bool operator==(const Handed &other) const {
        return code == other.code && source == other.source && detail == other.detail;
    }
};
std::ostream &operator<<(std::ostream &out, const Handed &handed) {
    return out << "{" << handed.code << ", " << handed.source << ", " << handed.detail << "}";
}

// An event that a message sent outside WaitEvent raises is handed out once, with its source and
// detail, in the order raised: followed by a posted message, beside a queued size event, and
// before an event that a message sent during the next wait raises.
TEST_F(EventsTest, AnEventRaisedOutsideWaitEventComesOutOnceInTheOrderRaised) {
    HWND start = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, window, (HMENU)7, 0, 0);
    HWND copy = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, window, (HMENU)8, 0, 0);
    ASSERT_TRUE(start && copy);
    DrainEvents();
    // A window event or a message sets no source: the getter shows the source that the window
    // procedure wrote last, here the click's.
    const Handed click7 = {EVENT_CONTROL, 7, BN_CLICKED};
    const Handed click8 = {EVENT_CONTROL, 8, BN_CLICKED};
    const Handed size = {EVENT_SIZE, 7, -1};
    const Handed posted = {WM_APP + 50, 7, -1};
    const Handed sent = {EVENT_CONTROL, 4, 2};
    auto sizeEvent = [&] { SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 100)); };
    const struct {
        const char *sequence;
        std::function<void()> raise;
        bool sendDuringWait; // another thread sends MSG_CONTROL_EVENT (4, 2) during the wait
        std::vector<Handed> expected;
    } cases[] = {
        {"a click, then a posted message",
         [&] {
             SendClick(window, start, 7);
             PostMessageA(window, WM_APP + 50, 0, 0);
         },
         false,
         {click7, posted}},
        {"a click, then a size event",
         [&] {
             SendClick(window, start, 7);
             sizeEvent();
         },
         false,
         {click7, size}},
        {"a size event, then a click",
         [&] {
             sizeEvent();
             SendClick(window, start, 7);
         },
         false,
         {size, click7}},
        {"two clicks",
         [&] {
             SendClick(window, start, 7);
             SendClick(window, copy, 8);
         },
         false,
         {click7, click8}},
        {"a click, then an event sent during the wait",
         [&] { SendClick(window, start, 7); },
         true,
         {click7, sent}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sequence);
        Events()->source = -2;
        c.raise();
        std::vector<Handed> handed;
        SentMessage message = {window, MSG_CONTROL_EVENT, 4, 2, 300, 0};
        HANDLE sender = c.sendDuringWait ? CreateThread(0, 0, SendLater, &message, 0, 0) : 0;
        for (size_t i = 0; i < c.expected.size(); i++) {
            int code = WaitEvent(5000);
            handed.push_back({code, EventSource(), EventDetail()});
        }
        if (sender) {
            WaitForSingleObject(sender, INFINITE);
            CloseHandle(sender);
        }
        EXPECT_EQ(c.expected, handed);
        EXPECT_EQ(0, WaitEvent(0)) << "each event comes out once";
    }
}

// An application hook that opens window object 2 when asked with WM_APP + 60, and answers with its
// handle.
LRESULT CALLBACK OpenWindowOnRequest(HWND, UINT message, WPARAM, LPARAM) {
    if (message != WM_APP + 60) {
        return CONTINUE_DEFAULT;
    }
    return OpenWindowObject(2, 20, 20, 120, 80, "opened", WINDOW_HIDDEN);
}

// The thread's own creations go through whoever sent the message that led to them: a hook that
// opens a window while the thread answers another thread's message gets its window, whose
// creation messages are the system's.
TEST_F(EventsTest, AHookOpensAWindowWhileAnsweringAnotherThreadsMessage) {
    RecordOf(1)->messageCallback = OpenWindowOnRequest;
    SentMessage sent = {window, WM_APP + 60, 0, 0, 0, 0};
    HANDLE sender = CreateThread(0, 0, SendLater, &sent, 0, 0);
    ASSERT_TRUE(sender);
    while (WaitForSingleObject(sender, 0) == WAIT_TIMEOUT) {
        WaitEvent(10);
    }
    CloseHandle(sender);
    RecordOf(1)->messageCallback = 0;
    HWND opened = WindowHandleOf(2);
    EXPECT_NE((HWND)0, opened);
    EXPECT_EQ((LRESULT)opened, sent.answer);
    EXPECT_TRUE(IsWindow(opened));
    EXPECT_EQ(WindowClassNameOf(2), ClassNameOf(opened));
}

} // namespace
