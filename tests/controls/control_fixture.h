// A real top-level window that the controls of a test live in, and helpers that read the string
// buffer and wait for events.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "controls/control_core.h"
#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "windows/events.h"
#include "windows/window_objects.h"
#include "windows/window_procedure.h"
#include "test_support.h"

// The window object that every controls test opens.
const ObjectNumber TEST_WINDOW = 7;

// The live record of a control number, or null.
inline ControlRecord *RecordOf(ObjectNumber number) {
    return (ControlRecord *)ObjectTableFind(controlTable, number);
}

// The window layer's event state: the event that the last wait handed out, and what waits.
inline EventState *Events() {
    return (EventState *)StateBlockGet(eventState);
}

// Runs WaitEvent until it returns the event code, or until about five seconds have passed with
// messages or without (a limit for a failure only: a busy machine may take its time). Returns
// whether the event came.
inline bool WaitForEvent(int code) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        if (WaitEvent(100) == code) {
            return true;
        }
    }
    return false;
}

// Hands out everything that is waiting and counts the events of one code among it.
inline int DrainEvents(int code) {
    int count = 0;
    for (int round = 0; round < 1000; round++) {
        int result = WaitEvent(0);
        if (result == 0) {
            break;
        }
        count += result == code;
    }
    return count;
}

class ControlTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(0, OpenWindowObject(TEST_WINDOW, 0, 0, 600, 300, "controls"));
        window = WindowHandleOf(TEST_WINDOW);
        UseControlParent(window);
        DrainEvents(0);
    }
    void TearDown() override {
        CloseWindowObject(TEST_WINDOW);
        DrainEvents(0);
    }
    HWND window = 0;
};
