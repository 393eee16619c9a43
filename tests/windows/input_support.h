// Support for the window tests: real input (key presses and mouse moves through SendInput), the
// event loop run until a condition holds, a record of the messages the loop retrieved, and a spy
// on the messages that reach one window.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "runtime/object_table.h"

// One result of WaitEvent: the code, and the window that EventWindow gave with it.
struct SeenEvent {
    int code;
    ObjectNumber window;
};
typedef std::vector<SeenEvent> SeenEvents;
// True when the events hold this code (for any window).
bool Contains(const SeenEvents &events, int code);

// One message as the event loop retrieved it.
struct RetrievedMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    POINT point; // cursor position of the message, in screen coordinates
};

// The messages that the thread removed from its queue since the view was made (or cleared).
class RetrievedMessages {
  public:
    RetrievedMessages();
    RetrievedMessages(const RetrievedMessages &) = delete;
    RetrievedMessages &operator=(const RetrievedMessages &) = delete;
    // How many messages of this number (and wParam, unless any) were retrieved so far.
    int Count(UINT message, WPARAM wParam, bool anyWParam = false) const;
    const std::vector<RetrievedMessage> &All() const;
    void Clear();
};

// Runs WaitEvent until the condition holds; false when it still does not after the given number
// of rounds (each waits at most 10 ms for a message). Every event that WaitEvent returned is
// appended to codes when given.
bool RunEventsUntil(const std::function<bool()> &condition, SeenEvents *codes = nullptr,
                    int rounds = 500);
// Runs WaitEvent until the condition holds once the input has settled: the desktop's thread has
// passed on the input it owed and nothing waits any more. False when that does not happen within a
// bounded number of rounds.
bool SettleEvents(const std::function<bool()> &condition, SeenEvents *codes = nullptr,
                  int rounds = 500);
// Runs WaitEvent until the input has settled.
bool RunUntilQuiet(SeenEvents *codes = nullptr);
// Runs WaitEvent until the cursor stands at the screen point once the input has settled; false
// when it does not get there.
bool SettleCursorAt(POINT point, SeenEvents *codes = nullptr);
// Runs WaitEvent until nothing is left to hand out or dispatch.
void RunPendingEvents(SeenEvents *codes = nullptr);

// Makes the window the foreground and active window, as a click on it would; false if it does
// not become so.
bool BringToForeground(HWND window);

// Presses and releases a key through SendInput, with Shift held around it when asked, and runs
// the event loop until the key's release has been retrieved and nothing waits any more. False
// when it never arrived. A key that moves the cursor needs SettleCursorAt as well.
bool TypeKey(WORD key, bool shift = false, SeenEvents *codes = nullptr);
// Presses or releases a key through SendInput; does not run the loop.
void SendKey(WORD key, bool up);
// Moves the cursor to a screen point through SendInput (absolute move); does not run the loop.
void SendMouseMoveTo(int x, int y);
// Presses or releases the left button through SendInput where the cursor stands.
void SendLeftButton(bool down);
// Presses or releases the left button through SendInput at a screen point (the cursor moves
// there with the same input).
void SendLeftButtonAt(int x, int y, bool down);

// One message that reached a spied window.
struct SpiedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    RECT rect;     // the rectangle that came with WM_SIZING, as it arrived
    RECT answered; // that rectangle as the window's answer to WM_SIZING left it
    POINT point;   // the point of a WM_MOUSEMOVE in screen coordinates, mapped on its arrival
    RECT window;   // the window's rectangle when the message arrived
};

// Subclasses a window and records every message that reaches it; `before` may answer a message
// itself (return true and set the result) instead of passing it on.
class WindowSpy {
  public:
    explicit WindowSpy(HWND window);
    ~WindowSpy();
    WindowSpy(const WindowSpy &) = delete;
    WindowSpy &operator=(const WindowSpy &) = delete;
    int Count(UINT message) const;
    std::vector<SpiedMessage> messages;
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)> before;

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
    HWND window;
};
