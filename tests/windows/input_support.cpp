// Support for the window tests: real input, the event loop, message records.
#include "input_support.h"

#include <commctrl.h>

#include "windows/events.h"

namespace {

// Rounds of the event loop before a wait gives up; each round waits at most 10 ms for a message.
constexpr int EVENT_ROUNDS = 500;
// Rounds before the cursor counts as elsewhere: it follows a move within about 100 ms.
constexpr int CURSOR_ROUNDS = 100;

std::vector<RetrievedMessage> retrieved;
HHOOK retrievalHook;

LRESULT CALLBACK RecordRetrieval(int code, WPARAM removal, LPARAM lParam) {
    if (code == HC_ACTION && removal == PM_REMOVE) {
        const MSG *message = (const MSG *)lParam;
        retrieved.push_back(
            {message->hwnd, message->message, message->wParam, message->lParam, message->pt});
    }
    return CallNextHookEx(0, code, removal, lParam);
}

// Waits until the thread of the desktop window has run its message loop twice. Under Wine's
// virtual desktop that thread turns the X pointer's crossing events into mouse input of its own,
// at its own pace: once it has come round twice, the input it owed for earlier cursor moves is in
// this thread's queue.
void WaitForDesktopThread() {
    for (int round = 0; round < 2; ++round) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(GetDesktopWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    }
}

// True when a message waits in this thread's queue; it stays there. PeekMessageA is given a
// message to fill even so: the platform documents no null one.
bool MessageWaiting() {
    MSG message;
    return PeekMessageA(&message, 0, 0, 0, PM_NOREMOVE | PM_NOYIELD) != FALSE;
}

// The hook stays for the rest of the test program once a test needs it.
void WatchRetrievedMessages() {
    if (!retrievalHook) {
        retrievalHook = SetWindowsHookExA(WH_GETMESSAGE, RecordRetrieval, 0, GetCurrentThreadId());
    }
}

} // namespace

bool Contains(const SeenEvents &events, int code) {
    for (const SeenEvent &each : events) {
        if (each.code == code) {
            return true;
        }
    }
    return false;
}

RetrievedMessages::RetrievedMessages() {
    WatchRetrievedMessages();
    retrieved.clear();
}

int RetrievedMessages::Count(UINT message, WPARAM wParam, bool anyWParam) const {
    int count = 0;
    for (const RetrievedMessage &each : retrieved) {
        if (each.message == message && (anyWParam || each.wParam == wParam)) {
            ++count;
        }
    }
    return count;
}

const std::vector<RetrievedMessage> &RetrievedMessages::All() const {
    return retrieved;
}

void RetrievedMessages::Clear() {
    retrieved.clear();
}

bool RunEventsUntil(const std::function<bool()> &condition, SeenEvents *codes, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (condition()) {
            return true;
        }
        int code = WaitEvent(10);
        if (code && codes) {
            codes->push_back({code, EventWindow()});
        }
    }
    return condition();
}

void RunPendingEvents(SeenEvents *codes) {
    for (int round = 0; round < EVENT_ROUNDS; ++round) {
        int code = WaitEvent(0);
        // 0 is also what a message that comes back as WM_NULL gives: go on while any waits.
        if (!code && !MessageWaiting()) {
            return;
        }
        if (code && codes) {
            codes->push_back({code, EventWindow()});
        }
    }
}

bool SettleEvents(const std::function<bool()> &condition, SeenEvents *codes, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        if (condition()) {
            // The desktop's thread may still owe input for earlier cursor moves: once it has
            // passed that on and the queue is empty, the condition is the settled state.
            WaitForDesktopThread();
            RunPendingEvents(codes);
            if (condition()) {
                return true;
            }
        }
        int code = WaitEvent(10);
        if (code && codes) {
            codes->push_back({code, EventWindow()});
        }
    }
    return false;
}

bool RunUntilQuiet(SeenEvents *codes) {
    return SettleEvents([] { return true; }, codes);
}

bool SettleCursorAt(POINT point, SeenEvents *codes) {
    // Under Wine every cursor move also moves the X pointer, and the X server's report of the
    // pointer's way comes back as mouse moves at once (the point it left among them); the cursor
    // position then follows the X pointer again only when it has not changed for 100 ms.
    return SettleEvents(
        [point] {
            POINT cursor = {};
            GetCursorPos(&cursor);
            return cursor.x == point.x && cursor.y == point.y;
        },
        codes, CURSOR_ROUNDS);
}

bool BringToForeground(HWND window) {
    SetForegroundWindow(window);
    return RunEventsUntil(
        [&] { return GetForegroundWindow() == window && GetActiveWindow() == window; });
}

void SendKey(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = (WORD)MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

bool TypeKey(WORD key, bool shift, SeenEvents *codes) {
    WatchRetrievedMessages();
    // The release of the last key sent is the mark that the whole press went through the loop.
    WORD last = shift ? (WORD)VK_SHIFT : key;
    auto releases = [last] {
        int count = 0;
        for (const RetrievedMessage &each : retrieved) {
            count += each.message == WM_KEYUP && each.wParam == last;
        }
        return count;
    };
    int before = releases();
    if (shift) {
        SendKey(VK_SHIFT, false);
    }
    SendKey(key, false);
    SendKey(key, true);
    if (shift) {
        SendKey(VK_SHIFT, true);
    }
    // A key moves no cursor: its press is settled once its release has been retrieved and nothing
    // it led to waits any more.
    return RunEventsUntil([&] { return releases() > before && !MessageWaiting(); }, codes);
}

namespace {

// A mouse input at a screen point: normalised absolute coordinates that map back exactly onto
// the pixel.
INPUT MouseInputAt(int x, int y, DWORD flags) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (LONG)(((long long)x * 65536 + width - 1) / width);
    input.mi.dy = (LONG)(((long long)y * 65536 + height - 1) / height);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

} // namespace

void SendMouseMoveTo(int x, int y) {
    INPUT input = MouseInputAt(x, y, 0);
    SendInput(1, &input, sizeof input);
}

void SendLeftButton(bool down) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

void SendLeftButtonAt(int x, int y, bool down) {
    INPUT input = MouseInputAt(x, y, down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    SendInput(1, &input, sizeof input);
}

WindowSpy::WindowSpy(HWND window) : window(window) {
    SetWindowSubclass(window, Procedure, 1, (DWORD_PTR)this);
}

WindowSpy::~WindowSpy() {
    if (IsWindow(window)) {
        RemoveWindowSubclass(window, Procedure, 1);
    }
}

int WindowSpy::Count(UINT message) const {
    int count = 0;
    for (const SpiedMessage &each : messages) {
        count += each.message == message;
    }
    return count;
}

LRESULT CALLBACK WindowSpy::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self) {
    WindowSpy *spy = (WindowSpy *)self;
    SpiedMessage seen = {message, wParam, lParam, {}, {}, {}, {}};
    GetWindowRect(window, &seen.window);
    if (message == WM_SIZING && lParam) {
        seen.rect = *(RECT *)lParam;
    }
    if (message == WM_MOUSEMOVE) {
        seen.point = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        MapWindowPoints(window, 0, &seen.point, 1);
    }
    // Messages sent while this one is handled are recorded after it: it is found again by its
    // place in the record.
    size_t index = spy->messages.size();
    spy->messages.push_back(seen);
    LRESULT result = 0;
    if (!spy->before || !spy->before(message, wParam, lParam, &result)) {
        result = DefSubclassProc(window, message, wParam, lParam);
    }
    if (message == WM_SIZING && lParam && index < spy->messages.size()) {
        spy->messages[index].answered = *(RECT *)lParam;
    }
    return result;
}
