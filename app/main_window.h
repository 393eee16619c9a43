// The tool's main window: its five controls, the event loop with its handlers, and the
// libraries' end steps.
#pragma once

#include <windows.h>

#include "runtime/object_table.h"

// The program's only window.
enum { WINDOW_MAIN = 0 };

// The controls of the main window, numbered apart from the windows.
enum {
    CONTROL_COUNT = 0, // spin box: how many identifiers, 1 to 99
    CONTROL_START = 1, // push button "Start"
    CONTROL_COPY = 2,  // push button "Copy"
    CONTROL_EXIT = 3,  // push button "Exit"
    CONTROL_TEXT = 4,  // rich-text area that receives the generated block
};

// The main window's size and caption.
enum {
    MAIN_WINDOW_WIDTH = 600, // client area
    MAIN_WINDOW_HEIGHT = 300,
};
constexpr char MAIN_WINDOW_TITLE[] = "Quorvel v1.01";

// 0 while the program runs; 1 ends the event loop after the event being dispatched.
extern int quitFlag;

// Opens WINDOW_MAIN and creates its five controls in it. Returns 0 in every case; when the window
// cannot be opened, no control is created.
int OpenMainWindow();
// The main window as the program starts with it: opened with its controls, the count at 1. False
// when the window cannot be opened.
bool StartMainWindow();

// Handlers of the event loop; each returns 0.
// EVENT_MENU: the window has no menu, so nothing is done.
int HandleMenuEvent(ObjectNumber item);
// EVENT_CONTROL: a click (detail 0) on "Start" generates the block, on "Copy" copies the text
// area's text, on "Exit" ends the loop; every other control event is ignored.
int HandleControlEvent(ObjectNumber source, int detail);
// EVENT_SIZE of the main window: nothing to lay out, the window has a fixed size.
int HandleSizeEvent();

// Dispatches one event code that WaitEvent returned to its handler; unknown codes and raw
// message numbers do nothing.
void DispatchEvent(int code);
// Waits for events and dispatches them until quitFlag is 1.
void RunEventLoop();

// The libraries' end steps: closes every window object, then ends the object library.
void ShutdownLibraries();
