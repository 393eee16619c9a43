// Drives the real quorvel.exe from outside, as a user would: it starts the program as a process
// of its own, finds its windows, clicks and types with real input (SendInput), and reads only
// what a user sees: window texts, geometry, styles and the clipboard. Nothing here calls the
// program's functions.
//
// Input goes to the foreground window, as on a desktop: click into the tool before typing.
// Waits are bounded polls for a condition; their limit only keeps a broken run from hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

// The longest any wait polls before it gives up.
const DWORD WAIT_LIMIT_MS = 20000;

// Polls the condition until it holds (true) or the limit has passed (false).
bool WaitUntil(const std::function<bool()> &condition, DWORD limitMs = WAIT_LIMIT_MS);

// The full path of quorvel.exe: QUORVEL_EXE from the environment, else the one beside the running
// program (as in the kit that runs the tests on Windows), else the build's own, found through its
// path relative to the running program.
std::string QuorvelExePath();

// Input, in screen coordinates.
void MoveMouseTo(int x, int y);
void PressMouseButton();   // left button down where the mouse is
void ReleaseMouseButton(); // left button up
void ClickAt(int x, int y);
// The centre of the window's rectangle on the screen.
POINT WindowCentre(HWND window);
void ClickWindow(HWND window);
void KeyDown(WORD virtualKey);
void KeyUp(WORD virtualKey);
void PressKey(WORD virtualKey);
// The key while the modifier (VK_SHIFT, VK_CONTROL, VK_MENU) is held.
void PressKeyWith(WORD modifier, WORD virtualKey);
// Types the characters one key at a time, with Shift where the layout needs it.
void TypeText(const char *text);

// What a user sees.
// The window's text (WM_GETTEXT, across processes), in Unicode as the window shows it, and in the
// ANSI code page; empty when the window does not answer.
std::wstring WindowTextW(HWND window);
std::string WindowText(HWND window);
std::string WindowClass(HWND window);
// The window that has the keyboard focus in the thread of the given window, or 0.
HWND FocusOf(HWND window);
// The window's rectangle in the client coordinates of another window.
RECT RectInClientOf(HWND window, HWND reference);

// The generated block as read from the text area.
struct BlockShape {
    bool valid;                           // every line is where and what it must be
    int count;                            // identifiers in the block
    std::string fault;                    // the first line that is wrong, when not valid
    std::vector<std::string> identifiers; // each identifier's three data lines, joined
};
// Checks a text area's text line by line: "DataSection", then per identifier a numbered label,
// "  Data.l $" with 8, "  Data.w $" with 2 x 4 and "  Data.b $" with 8 x 2 uppercase hex digits,
// a two-space spacer, and "EndDataSection" last.
BlockShape ReadBlock(const std::string &text);
// True when the text is a whole block, as it stands once "Start" is done.
bool IsCompleteBlock(const std::string &text);

// A running quorvel.exe and its windows. The destructor ends the process if it still runs.
class QuorvelTool {
  public:
    QuorvelTool() = default;
    ~QuorvelTool();
    QuorvelTool(const QuorvelTool &) = delete;
    QuorvelTool &operator=(const QuorvelTool &) = delete;

    // Starts the program without a command line and waits until its main window shows its five
    // controls and answers messages. False, with the reason in fault, when it does not.
    bool Launch();
    // Finds a quorvel.exe that is already running (the first main window of class
    // "WindowClass_0"), without owning its process's end.
    bool Attach();

    bool IsRunning() const;
    // Waits for the process to end; false when it is still running at the limit.
    bool WaitForExit(DWORD *exitCode);
    // Ends a process that still runs.
    void Terminate();
    // Leaves the process running when this object goes.
    void LeaveRunning() { owned = false; }

    // The text area's whole text, and the count shown in the spin box.
    std::string Text() const { return WindowText(textArea); }
    std::string CountText() const { return WindowText(countEdit); }

    // Clicks "Start" and waits until the text area holds a whole block other than the one it
    // held before; the new text is returned in text. False when none comes.
    bool StartAndWait(std::string *text);
    // The middle of the up-down's upper (up) or lower (down) arrow, on the screen.
    POINT UpArrow() const;
    POINT DownArrow() const;
    // Clicks into the spin box's edit field and replaces its text by typing; true once the field
    // shows the text.
    bool TypeCount(const char *text);

    HANDLE process = 0;
    DWORD processId = 0;
    HWND mainWindow = 0;
    HWND textArea = 0;
    HWND countEdit = 0;
    HWND countUpDown = 0;
    HWND startButton = 0;
    HWND copyButton = 0;
    HWND exitButton = 0;
    std::string fault;

  private:
    bool FindWindows();
    bool owned = false;
};
