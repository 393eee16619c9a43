// Message trust: the thread's hooks, the marks of windows that the system creates or destroys, and
// the judgement of thread-only messages.
#include "windows/message_trust.h"

#include <stddef.h>
#include <string.h>

// The windows that the system is creating or destroying on this thread, oldest first. Creations
// and destructions nest only as deep as handlers make them; a full list forgets its oldest mark.
enum { TRUST_MARK_ROOM = 32 };
struct TrustMarks {
    HWND windows[TRUST_MARK_ROOM];
    int count;
};

static TrustMarks creating;
static TrustMarks destroying;
static WNDPROC trustClassProcedure;
static HHOOK trustMessageHook;
static HHOOK trustCbtHook;

static bool TrustHasMark(const TrustMarks *marks, HWND window) {
    for (int i = 0; i < marks->count; i++) {
        if (marks->windows[i] == window) {
            return true;
        }
    }
    return false;
}

// Takes the window's marks out of the list; with all set, also the marks of windows that are gone.
static void TrustDropMarks(TrustMarks *marks, HWND window, bool all) {
    int kept = 0;
    for (int i = 0; i < marks->count; i++) {
        HWND marked = marks->windows[i];
        if (marked != window && (!all || IsWindow(marked))) {
            marks->windows[kept++] = marked;
        }
    }
    marks->count = kept;
}

// Marks a window; marks of windows that are gone make room first.
static void TrustAddMark(TrustMarks *marks, HWND window) {
    TrustDropMarks(marks, window, true);
    if (marks->count == TRUST_MARK_ROOM) {
        memmove(marks->windows, marks->windows + 1, sizeof(HWND) * (TRUST_MARK_ROOM - 1));
        marks->count--;
    }
    marks->windows[marks->count++] = window;
}

// Messages that only arise within the thread that owns the window (see the header).
static bool IsThreadOnlyMessage(UINT message) {
    return message == WM_NOTIFY || message == WM_NCCREATE || message == WM_CREATE ||
           message == WM_DESTROY || message == WM_NCDESTROY;
}

// WH_GETMESSAGE: a posted thread-only message becomes WM_NULL, for every loop that retrieves it.
static LRESULT CALLBACK TrustRetrievedMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        MSG *message = (MSG *)lParam;
        if (IsThreadOnlyMessage(message->message)) {
            message->message = WM_NULL;
        }
    }
    return CallNextHookEx(trustMessageHook, code, wParam, lParam);
}

// WH_CBT: marks the windows that the system starts to create with the class procedure, and every
// window that it starts to destroy.
static LRESULT CALLBACK TrustCreationOrDestruction(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = (HWND)wParam;
    if (code == HCBT_CREATEWND &&
        GetWindowLongPtrA(window, GWLP_WNDPROC) == (LONG_PTR)trustClassProcedure) {
        TrustAddMark(&creating, window);
    } else if (code == HCBT_DESTROYWND) {
        TrustAddMark(&destroying, window);
    }
    return CallNextHookEx(trustCbtHook, code, wParam, lParam);
}

void InitMessageTrust(WNDPROC classProcedure) {
    trustClassProcedure = classProcedure;
    DWORD thread = GetCurrentThreadId();
    trustMessageHook = SetWindowsHookExA(WH_GETMESSAGE, TrustRetrievedMessage, 0, thread);
    trustCbtHook = SetWindowsHookExA(WH_CBT, TrustCreationOrDestruction, 0, thread);
}

// A destruction is genuine while the window, or a window it goes with, is being destroyed on this
// thread, or when it goes with a window of another thread.
static bool TrustDestruction(HWND window) {
    DWORD thread = GetCurrentThreadId();
    for (HWND at = window; at; at = GetParent(at)) {
        if (TrustHasMark(&destroying, at) || GetWindowThreadProcessId(at, 0) != thread) {
            return true;
        }
    }
    return false;
}

bool IsOwnNotification(LPARAM lParam, UINT size) {
    // The caller's frame and everything below it are not the sender's: the sender called down to
    // here, so its structure lies between this frame and the base of the stack.
    UINT_PTR low = (UINT_PTR)__builtin_frame_address(0);
    UINT_PTR high;
    // The base of the thread's stack, from its thread information block (NT_TIB.StackBase).
    __asm__("movl %%fs:%c1, %0" : "=r"(high) : "i"(offsetof(NT_TIB, StackBase)));
    UINT_PTR at = (UINT_PTR)lParam;
    return at % __alignof__(NMHDR) == 0 && at > low && at < high && size <= high - at;
}

bool IsMessageTrusted(HWND window, UINT message, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
    case WM_CREATE: return TrustHasMark(&creating, window);
    case WM_DESTROY:
    case WM_NCDESTROY: return TrustDestruction(window);
    case WM_NOTIFY:
        return IsOwnNotification(lParam, sizeof(NMHDR)) &&
               GetWindowThreadProcessId(((const NMHDR *)lParam)->hwndFrom, 0) ==
                   GetCurrentThreadId();
    default: return true;
    }
}

LRESULT AnswerTrustedMessage(WNDPROC answer, HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam) {
    if (!IsMessageTrusted(window, message, lParam)) {
        return 0;
    }
    LRESULT result = answer(window, message, wParam, lParam);
    if (message == WM_CREATE) {
        TrustDropMarks(&creating, window, false);
    } else if (message == WM_NCDESTROY) {
        TrustDropMarks(&creating, window, false);
        TrustDropMarks(&destroying, window, false);
    }
    return result;
}
