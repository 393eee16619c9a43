// Fixture and recorders shared by the tests of the window layer.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "test_support.h"
#include "windows/events.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"

inline EventState *Events() {
    return (EventState *)StateBlockGet(eventState);
}

// Hands out every queued event and dispatches every waiting message, so that a test starts from an
// empty queue, no pending code and no drop record.
inline void DrainEvents() {
    for (int i = 0; i < 1000 && WaitEvent(0) != 0; ++i) {
    }
    FreeDropData(Events());
    Events()->pendingCode = 0;
}

// The queue as (code, window) pairs, oldest first; the queue itself is left as it is.
inline std::vector<std::pair<int, ObjectNumber>> QueuedEvents() {
    std::vector<std::pair<int, ObjectNumber>> events;
    for (PendingEvent *event = Events()->queueHead; event; event = event->next) {
        events.push_back({event->code, event->window});
    }
    return events;
}

// A message that another thread sends, after a delay, while the test thread waits; the answer
// that the sender got is kept.
struct SentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD delay; // milliseconds before the send
    LRESULT answer;
};

// Thread procedure for CreateThread, with a SentMessage.
inline DWORD WINAPI SendLater(void *parameter) {
    SentMessage *sent = (SentMessage *)parameter;
    Sleep(sent->delay);
    sent->answer = SendMessageA(sent->window, sent->message, sent->wParam, sent->lParam);
    return 0;
}

// Runs an action on a thread of its own once a delay has passed, unless the object goes first: a
// watchdog that ends a wait or a modal loop which a failing test would leave running.
class Later {
  public:
    Later(DWORD delay, std::function<void()> act) : delay(delay), act(std::move(act)) {
        cancel = CreateEventA(0, TRUE, FALSE, 0);
        thread = CreateThread(0, 0, Run, this, 0, 0);
    }
    ~Later() {
        SetEvent(cancel);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        CloseHandle(cancel);
    }
    Later(const Later &) = delete;
    Later &operator=(const Later &) = delete;
    bool fired = false; // the action ran

  private:
    static DWORD WINAPI Run(void *self) {
        Later *later = (Later *)self;
        if (WaitForSingleObject(later->cancel, later->delay) == WAIT_TIMEOUT) {
            later->fired = true;
            later->act();
        }
        return 0;
    }
    DWORD delay;
    std::function<void()> act;
    HANDLE cancel;
    HANDLE thread;
};

inline std::string ClassNameOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

inline std::string WindowClassNameOf(ObjectNumber number) {
    char name[64];
    sprintf(name, "WindowClass_%ld", (long)number);
    return name;
}

inline bool ClassIsRegistered(const std::string &name) {
    WNDCLASSA windowClass;
    return GetClassInfoA(moduleHandle, name.c_str(), &windowClass) != 0;
}

inline WindowRecord *RecordOf(ObjectNumber number) {
    return (WindowRecord *)ObjectTableFind(windowTable, number);
}

// Every test starts with an empty event queue and ends with every window object closed, its class
// unregistered and the thread's window count back where it was.
class WindowTest : public testing::Test {
  protected:
    void SetUp() override {
        CloseAllWindows();
        DrainEvents();
        windowsBefore = CountThreadWindows();
    }
    void TearDown() override {
        std::vector<ObjectNumber> numbers;
        ObjectNumber number;
        ObjectTableFirst(windowTable);
        while (ObjectTableNext(windowTable, &number)) {
            numbers.push_back(number);
        }
        CloseAllWindows();
        DrainEvents();
        for (ObjectNumber closed : numbers) {
            EXPECT_FALSE(ClassIsRegistered(WindowClassNameOf(closed))) << closed;
        }
        EXPECT_EQ(CountThreadWindows(), windowsBefore);
    }
    int windowsBefore = 0;
};

// Records what a thread-local CBT hook sees: window creation, activation and destruction.
struct CbtRecorder {
    struct Entry {
        int code;
        HWND window;
    };
    CbtRecorder() {
        current = this;
        hook = SetWindowsHookExA(WH_CBT, Record, 0, GetCurrentThreadId());
    }
    ~CbtRecorder() {
        UnhookWindowsHookEx(hook);
        current = 0;
    }
    // Position of the first entry with this code and window, or -1.
    int IndexOf(int code, HWND window) const {
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].code == code && entries[i].window == window) {
                return (int)i;
            }
        }
        return -1;
    }
    std::vector<HWND> WindowsOf(int code) const {
        std::vector<HWND> windows;
        for (const Entry &entry : entries) {
            if (entry.code == code) {
                windows.push_back(entry.window);
            }
        }
        return windows;
    }
    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
        if (current &&
            (code == HCBT_CREATEWND || code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) &&
            !IsImeWindow((HWND)wParam)) {
            current->entries.push_back({code, (HWND)wParam});
        }
        return CallNextHookEx(0, code, wParam, lParam);
    }
    static inline CbtRecorder *current;
    HHOOK hook;
    std::vector<Entry> entries;
};

// Records the messages a window receives by subclassing it, as Wine's message tests do.
struct MessageRecorder {
    struct Entry {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    explicit MessageRecorder(HWND window) : window(window) {
        SetPropA(window, "MessageRecorder", this);
        previous = (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)Record);
    }
    ~MessageRecorder() {
        if (IsWindow(window)) {
            SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)previous);
            RemovePropA(window, "MessageRecorder");
        }
    }
    int Count(UINT message) const {
        int count = 0;
        for (const Entry &entry : entries) {
            count += entry.message == message;
        }
        return count;
    }
    static LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        MessageRecorder *recorder = (MessageRecorder *)GetPropA(window, "MessageRecorder");
        recorder->entries.push_back({message, wParam, lParam});
        WNDPROC previous = recorder->previous;
        if (message == WM_NCDESTROY) {
            RemovePropA(window, "MessageRecorder");
        }
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    HWND window;
    WNDPROC previous;
    std::vector<Entry> entries;
};
