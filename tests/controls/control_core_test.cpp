// The control core: the library's start, registration, numbers, replacement, release, the generic
// operations by number and control events, with real controls of every kind.
#include "control_fixture.h"

#include <commctrl.h>
#include <richedit.h>

#include <utility>
#include <vector>

#include "controls/button.h"
#include "controls/spin_box.h"
#include "controls/text_area.h"
#include "runtime/heaps.h"
#include "runtime/process_globals.h"

namespace {

// One creation of each kind, as a table row.
struct Kind {
    const char *name;
    int code;
    INT_PTR (*create)(ObjectNumber number);
};

INT_PTR CreateTestButton(ObjectNumber number) {
    return CreateButton(number, 10, 10, 100, 25, "Button");
}
INT_PTR CreateTestSpinBox(ObjectNumber number) {
    return CreateSpinBox(number, 120, 10, 80, 25, 1, 99, SPIN_NUMERIC);
}
INT_PTR CreateTestTextArea(ObjectNumber number) {
    return CreateTextArea(number, 10, 50, 300, 100);
}

const Kind KINDS[] = {
    {"button", KIND_BUTTON, CreateTestButton},
    {"spin box", KIND_SPIN_BOX, CreateTestSpinBox},
    {"text area", KIND_TEXT_AREA, CreateTestTextArea},
};

using ControlCoreTest = ControlTest;

BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
    ++*(int *)counter;
    return TRUE;
}

// The windows within a window, at every depth.
int CountChildWindows(HWND parent) {
    int count = 0;
    EnumChildWindows(parent, CountWindow, (LPARAM)&count);
    return count;
}

// An application hook that opens a control (a button unless told otherwise) from inside another
// control's creation or destruction: on each message that it is armed for, after skipping as many
// as it is told to, but not from inside itself.
struct NestedOpen {
    static LRESULT CALLBACK Hook(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
        bool notified = message == WM_PARENTNOTIFY && LOWORD(wParam) == trigger &&
                        (!triggerChild || (HWND)lParam == triggerChild);
        if (busy || !(notified || message == WM_APP + 77)) {
            return CONTINUE_DEFAULT;
        }
        if (skip > 0) {
            skip--;
            return CONTINUE_DEFAULT;
        }
        busy = true;
        if (numberToOpen != OBJECT_ANY) {
            if (open(numberToOpen)) {
                opened.push_back(numberToOpen);
            }
        } else {
            // Numbers beyond the capacity until the array moves: blocks that fill the heap's free
            // space, kept to the end of the test, soon stand after it and keep it from growing in
            // place.
            char *slots = controlTable->slots;
            for (int round = 0; round < 64 && controlTable->slots == slots; round++) {
                blockers.push_back(HeapAlloc(processHeap, 0, 0x4000));
                ObjectNumber number = controlTable->capacity + 20;
                if (CreateTestButton(number)) {
                    opened.push_back(number);
                }
            }
            moves += controlTable->slots != slots;
        }
        busy = false;
        return CONTINUE_DEFAULT;
    }
    static inline bool busy;
    static inline INT_PTR (*open)(ObjectNumber number) = CreateTestButton;
    static inline int skip;
    static inline UINT trigger;
    static inline HWND triggerChild; // the child whose notification counts, or null for any
    static inline ObjectNumber numberToOpen;
    static inline std::vector<ObjectNumber> opened;
    static inline std::vector<void *> blockers;
    static inline int moves; // how often the hook moved the slot array
};

// Creating a control runs handlers (the parent's notifications, the queued messages that the text
// area's creation dispatches): a hook that opens a control beyond the table's capacity there moves
// the slot array, and the control being created still gets its whole record.
TEST_F(ControlCoreTest, AControlOpenedDuringACreationMovesNoRecordAway) {
    for (const Kind &kind : KINDS) {
        for (ObjectNumber number : {(ObjectNumber)3, (ObjectNumber)OBJECT_ANY}) {
            SCOPED_TRACE(testing::Message() << kind.name << " " << number);
            NestedOpen::trigger = WM_CREATE;
            NestedOpen::triggerChild = 0;
            NestedOpen::numberToOpen = OBJECT_ANY;
            NestedOpen::opened.clear();
            NestedOpen::moves = 0;
            PostMessageA(window, WM_APP + 77, 0, 0);
            Events()->appCallback = NestedOpen::Hook;
            INT_PTR created = kind.create(number);
            Events()->appCallback = 0;
            DrainEvents(0);
            ASSERT_NE(0, created);
            EXPECT_FALSE(NestedOpen::opened.empty());
            // The hook runs on every notification of the creation: the array may move more than
            // once, and come back to where it stood.
            EXPECT_GT(NestedOpen::moves, 0) << "the slot array never moved";
            EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
            ObjectNumber found = number == OBJECT_ANY ? (ObjectNumber)created : number;
            ControlRecord *record = RecordOf(found);
            ASSERT_NE(nullptr, record);
            EXPECT_EQ(kind.code, record->ops->kind);
            HWND main = number == OBJECT_ANY ? record->handle : (HWND)created;
            EXPECT_EQ(main, record->handle);
            EXPECT_EQ(found, (ObjectNumber)GetPropA(main, CONTROL_ID_PROPERTY));
            if (kind.code == KIND_SPIN_BOX) {
                EXPECT_TRUE(IsWindow(record->spinBox.upDownHandle));
                SetControlState(found, 42);
                EXPECT_EQ(42, GetControlState(found));
                EXPECT_EQ(NO_OWN_COLOR, record->ops->getColor(record, BACKGROUND_COLOR));
            }
            if (kind.code == KIND_TEXT_AREA) {
                AddControlItem(found, -1, "line");
                EXPECT_EQ("line", ControlText(found));
                EXPECT_EQ(NO_OWN_COLOR, record->ops->getColor(record, FRONT_COLOR));
            }
            DestroyWindow(main);
            for (ObjectNumber opened : NestedOpen::opened) {
                DestroyWindow(RecordOf(opened)->handle);
            }
            EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
        }
    }
    for (void *blocker : NestedOpen::blockers) {
        HeapFree(processHeap, 0, blocker);
    }
    NestedOpen::blockers.clear();
}

// A control created with the number of a control that is being destroyed keeps its record: the
// old window's end releases only its own. The spin box's end destroys its up-down part, whose
// notification reaches the parent while the old edit part is in its last message.
TEST_F(ControlCoreTest, ANumberTakenAgainDuringTheDestructionKeepsTheNewRecord) {
    HWND old = (HWND)CreateTestSpinBox(5);
    ASSERT_NE((HWND)0, old);
    NestedOpen::trigger = WM_DESTROY;
    NestedOpen::triggerChild = RecordOf(5)->spinBox.upDownHandle;
    NestedOpen::numberToOpen = 5;
    NestedOpen::opened.clear();
    Events()->appCallback = NestedOpen::Hook;
    DestroyWindow(old);
    Events()->appCallback = 0;
    ASSERT_EQ(1u, NestedOpen::opened.size());
    EXPECT_FALSE(IsWindow(old));
    ControlRecord *record = RecordOf(5);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(KIND_BUTTON, record->ops->kind);
    EXPECT_TRUE(IsWindow(record->handle));
    EXPECT_EQ(5, GetWindowLongA(record->handle, GWL_ID));
    EXPECT_EQ((HANDLE)5, GetPropA(record->handle, CONTROL_ID_PROPERTY));
    EXPECT_EQ("Button", ControlText(5));
    EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
    DestroyWindow(record->handle);
    EXPECT_EQ(nullptr, RecordOf(5));
}

// A creation during which a handler gave the control's number to another control fails: the
// other control keeps its record and works, and nothing of the failed one stays behind. The spin
// box's handlers run when its up-down part is made (the second notification of a creation), the
// text area's in the dispatch of what is queued (the posted trigger).
TEST_F(ControlCoreTest, ACreationWhoseNumberAHandlerGaveAwayFails) {
    const struct {
        const Kind &kind;
        int skip;
    } cases[] = {{KINDS[1], 1}, {KINDS[2], 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.kind.name);
        int windowsBefore = CountChildWindows(window);
        NestedOpen::trigger = WM_CREATE;
        NestedOpen::triggerChild = 0;
        NestedOpen::skip = c.skip;
        NestedOpen::numberToOpen = 4;
        NestedOpen::opened.clear();
        if (c.kind.code == KIND_TEXT_AREA) {
            PostMessageA(window, WM_APP + 77, 0, 0);
            NestedOpen::trigger = WM_APP + 77; // no notification counts, only the posted message
        }
        Events()->appCallback = NestedOpen::Hook;
        INT_PTR created = c.kind.create(4);
        Events()->appCallback = 0;
        DrainEvents(0);
        EXPECT_EQ(0, created);
        ASSERT_EQ(1u, NestedOpen::opened.size());
        ControlRecord *record = RecordOf(4);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(KIND_BUTTON, record->ops->kind);
        EXPECT_TRUE(IsWindow(record->handle));
        EXPECT_EQ("Button", ControlText(4));
        EXPECT_EQ(windowsBefore + 1, CountChildWindows(window)) << "only the button is left";
        DestroyWindow(record->handle);
        EXPECT_EQ(nullptr, RecordOf(4));
    }
}

// A control that cannot be destroyed, because its destruction is under way, gives up its number
// to a control created in its place: the new control starts from a zeroed record and works.
TEST_F(ControlCoreTest, AControlCreatedInThePlaceOfOneBeingDestroyedWorks) {
    for (const Kind *kind : {&KINDS[1], &KINDS[2]}) {
        SCOPED_TRACE(kind->name);
        HWND old = (HWND)CreateTestSpinBox(5);
        ASSERT_NE((HWND)0, old);
        RecordOf(5)->ops->setColor(RecordOf(5), BACKGROUND_COLOR, RGB(10, 20, 30));
        NestedOpen::trigger = WM_DESTROY;
        NestedOpen::triggerChild = RecordOf(5)->spinBox.upDownHandle;
        NestedOpen::skip = 0;
        NestedOpen::numberToOpen = 5;
        NestedOpen::open = kind->create;
        NestedOpen::opened.clear();
        Events()->appCallback = NestedOpen::Hook;
        DestroyWindow(old);
        Events()->appCallback = 0;
        NestedOpen::open = CreateTestButton;
        DrainEvents(0);
        ASSERT_EQ(1u, NestedOpen::opened.size());
        EXPECT_FALSE(IsWindow(old));
        ControlRecord *record = RecordOf(5);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(kind->code, record->ops->kind);
        EXPECT_EQ(NO_OWN_COLOR, record->ops->getColor(record, BACKGROUND_COLOR));
        if (kind->code == KIND_SPIN_BOX) {
            SetControlState(5, 42);
            EXPECT_EQ(42, GetControlState(5));
        } else {
            EXPECT_EQ(0, record->ops->countItems(record));
            AddControlItem(5, -1, "line");
            EXPECT_EQ("line", ControlText(5));
        }
        DestroyWindow(record->handle);
        EXPECT_EQ(nullptr, RecordOf(5));
        EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
    }
}

// A control whose parent belongs to another thread goes when that thread destroys the parent: its
// destruction messages are the system's, and its record is released with its window.
TEST_F(ControlCoreTest, AControlGoesWithAParentThatAnotherThreadDestroys) {
    for (const Kind &kind : KINDS) {
        SCOPED_TRACE(kind.name);
        OtherThreadWindow foreign(WS_POPUP);
        ASSERT_TRUE(IsWindow(foreign.window));
        UseControlParent(foreign.window);
        INT_PTR created = kind.create(8);
        UseControlParent(window);
        ASSERT_NE(0, created);
        HWND main = RecordOf(8)->handle;
        // Its own thread destroys the parent (the default answer to WM_CLOSE), while this thread
        // answers the messages that the destruction sends it.
        SendMessageA(foreign.window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(foreign.window));
        EXPECT_FALSE(IsWindow(main));
        EXPECT_EQ(nullptr, RecordOf(8)) << "the record outlived its window";
        EXPECT_TRUE(HeapValidate(processHeap, 0, 0));
    }
}

TEST_F(ControlCoreTest, LibraryStartsWithTheDefaultFontAndState) {
    EXPECT_EQ((HFONT)GetStockObject(DEFAULT_GUI_FONT), defaultFont);
    ControlLibraryState *state = (ControlLibraryState *)StateBlockGet(controlLibraryState);
    EXPECT_EQ(defaultFont, state->font);
    EXPECT_EQ(10, state->auxCount);
    ASSERT_NE(nullptr, state->auxArray);
    EXPECT_EQ(0, state->scratch);
    EXPECT_EQ(window, state->parentWindow);
    EXPECT_EQ(32, controlTable->elementSize);
    EXPECT_EQ((ObjectTableCallback)DestroyReplacedControl, controlTable->onReuse);
    EXPECT_EQ((HWND)12345, UseControlParent((HWND)12345));
    EXPECT_EQ((HWND)12345, state->parentWindow);
    UseControlParent(window);
}

// Every kind: a static number gives back the window, which carries the number as its identifier
// and "QV_ID", runs under ControlProcedure and has the library's font.
TEST_F(ControlCoreTest, RegistrationBindsTheWindowToTheNumber) {
    ObjectNumber number = 3;
    for (const Kind &kind : KINDS) {
        SCOPED_TRACE(kind.name);
        HWND control = (HWND)kind.create(number);
        ASSERT_TRUE(IsWindow(control));
        ControlRecord *record = RecordOf(number);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(control, record->handle);
        EXPECT_EQ(kind.code, record->ops->kind);
        EXPECT_EQ(148, record->ops->tableSize);
        EXPECT_EQ(0, record->reserved);
        EXPECT_EQ(number, GetWindowLongA(control, GWL_ID));
        EXPECT_EQ(number, (ObjectNumber)GetPropA(control, CONTROL_ID_PROPERTY));
        EXPECT_EQ((LONG_PTR)ControlProcedure, GetWindowLongPtrA(control, GWLP_WNDPROC));
        EXPECT_NE(nullptr, record->previousProc);
        EXPECT_NE((WNDPROC)ControlProcedure, record->previousProc);
        if (kind.code == KIND_TEXT_AREA) {
            // A rich edit takes the font into its character format.
            LOGFONTA font = {};
            GetObjectA(defaultFont, sizeof font, &font);
            CHARFORMATA format = {};
            format.cbSize = sizeof format;
            SendMessageA(control, EM_GETCHARFORMAT, SCF_DEFAULT, (LPARAM)&format);
            EXPECT_STREQ(font.lfFaceName, format.szFaceName);
        } else {
            EXPECT_EQ((LRESULT)defaultFont, SendMessageA(control, WM_GETFONT, 0, 0));
        }
        EXPECT_EQ(window, GetParent(control));
        EXPECT_TRUE(GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP);
        number++;
    }
}

// OBJECT_ANY: the record's address is the number, returned, stored on the window and accepted by
// the generic operations; the node goes when the window does.
TEST_F(ControlCoreTest, DynamicNumberIsTheRecordAddress) {
    for (const Kind &kind : KINDS) {
        SCOPED_TRACE(kind.name);
        INT_PTR number = kind.create(OBJECT_ANY);
        ASSERT_NE(0, number);
        ControlRecord *record = RecordOf(number);
        ASSERT_EQ((ControlRecord *)number, record);
        EXPECT_GT(number, 0);
        HWND control = record->handle;
        EXPECT_EQ(number, GetWindowLongA(control, GWL_ID));
        EXPECT_EQ(number, (INT_PTR)GetPropA(control, CONTROL_ID_PROPERTY));
        EXPECT_EQ(kind.code, record->ops->kind);
        DestroyWindow(control);
        EXPECT_EQ(nullptr, RecordOf(number));
    }
    INT_PTR check = CreateButton(OBJECT_ANY, 10, 10, 100, 25, "Check", BS_AUTOCHECKBOX);
    ASSERT_NE(0, check);
    SetControlState(check, 1);
    EXPECT_EQ(1, GetControlState(check));
    EXPECT_EQ("Check", ControlText(check));
}

// A static number that a live control holds: the old control's windows go first, and the new one
// gets a zeroed record of its own kind.
TEST_F(ControlCoreTest, ReplacingANumberDestroysTheOldControl) {
    HWND edit = (HWND)CreateTestSpinBox(2);
    ControlRecord *record = RecordOf(2);
    ASSERT_NE(nullptr, record);
    HWND upDown = record->spinBox.upDownHandle;
    record->ops->setColor(record, BACKGROUND_COLOR, RGB(1, 99, 1));
    HBRUSH brush = record->spinBox.backgroundBrush;

    HWND button = (HWND)CreateTestButton(2);
    ASSERT_TRUE(IsWindow(button));
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_FALSE(IsWindow(upDown));
    EXPECT_EQ(0u, GetObjectType(brush));
    record = RecordOf(2);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(button, record->handle);
    EXPECT_EQ(KIND_BUTTON, record->ops->kind);
    for (INT_PTR word : record->kindWords) {
        EXPECT_EQ(0, word);
    }

    HWND area = (HWND)CreateTestTextArea(2);
    EXPECT_FALSE(IsWindow(button));
    record = RecordOf(2);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(area, record->handle);
    EXPECT_EQ(0, record->textArea.emptyLineState);
    EXPECT_EQ(NO_OWN_COLOR, record->textArea.frontColor);
}

// A creation that fails changes nothing: the control that holds the number lives on.
TEST_F(ControlCoreTest, FailedCreationLeavesTheOldControlAlive) {
    HWND old = (HWND)CreateTestSpinBox(1);
    ControlRecord *record = RecordOf(1);
    ASSERT_NE(nullptr, record);
    HWND upDown = record->spinBox.upDownHandle;
    SetControlState(1, 42);

    UseControlParent(0);
    for (const Kind &kind : KINDS) {
        SCOPED_TRACE(kind.name);
        EXPECT_EQ(0, kind.create(1));
        EXPECT_EQ(0, kind.create(OBJECT_ANY));
    }
    UseControlParent(window);
    EXPECT_TRUE(IsWindow(old));
    EXPECT_TRUE(IsWindow(upDown));
    EXPECT_EQ(record, RecordOf(1));
    EXPECT_EQ(old, record->handle);
    EXPECT_EQ(42, GetControlState(1));
}

// A number that no table slot can hold is refused, and the window made for it does not linger.
TEST_F(ControlCoreTest, NegativeNumberIsRefused) {
    int children = 0;
    for (const Kind &kind : KINDS) {
        SCOPED_TRACE(kind.name);
        EXPECT_EQ(0, kind.create(-5));
    }
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        children++;
    }
    EXPECT_EQ(0, children);
}

// Watches a control's messages from above ControlProcedure.
WNDPROC watchedNext;
ObjectNumber watchedNumber;
bool liveAtDestroy;
bool releasedAfterNcDestroy;
LRESULT CALLBACK WatchRelease(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        liveAtDestroy = RecordOf(watchedNumber) != nullptr;
    }
    LRESULT result = CallWindowProcA(watchedNext, control, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        releasedAfterNcDestroy =
            RecordOf(watchedNumber) == nullptr && GetWindowLongA(control, GWL_ID) == -1 &&
            !GetPropA(control, CONTROL_ID_PROPERTY) && !GetPropA(control, DROP_ACCEPT_PROPERTY);
    }
    return result;
}

TEST_F(ControlCoreTest, RecordIsReleasedAtNcDestroy) {
    for (const Kind &kind : KINDS) {
        SCOPED_TRACE(kind.name);
        watchedNumber = 6;
        liveAtDestroy = releasedAfterNcDestroy = false;
        HWND control = (HWND)kind.create(watchedNumber);
        ASSERT_TRUE(IsWindow(control));
        SetPropA(control, DROP_ACCEPT_PROPERTY, (HANDLE)1);
        watchedNext = (WNDPROC)SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)WatchRelease);
        DestroyWindow(control);
        EXPECT_TRUE(liveAtDestroy);
        EXPECT_TRUE(releasedAfterNcDestroy);
        EXPECT_EQ(0, GetControlState(watchedNumber));
        EXPECT_EQ("", ControlText(watchedNumber));
    }
}

// What the procedure under a control's subclass receives, and for which window.
struct ForwardRecorder {
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        seen.push_back({window, message});
        return CallWindowProcA(forwardTo, window, message, wParam, lParam);
    }
    static inline WNDPROC forwardTo;
    static inline std::vector<std::pair<HWND, UINT>> seen;
};

// A window whose identifier names no record of its own gets the default processing: nothing is
// forwarded to the procedure of another control.
TEST_F(ControlCoreTest, ProcedureOfAWindowWithoutItsRecordDefaults) {
    HWND button = (HWND)CreateButton(5, 10, 10, 100, 25, "Caption");
    ControlRecord *record = RecordOf(5);
    ASSERT_TRUE(record);
    ForwardRecorder::forwardTo = record->previousProc;
    ForwardRecorder::seen.clear();
    record->previousProc = ForwardRecorder::Procedure;
    HWND stranger = CreateWindowExA(0, "STATIC", "old", WS_CHILD, 0, 0, 10, 10, window, (HMENU)5,
                                    moduleHandle, 0);
    ControlProcedure(stranger, WM_SETTEXT, 0, (LPARAM) "new");
    EXPECT_TRUE(ForwardRecorder::seen.empty()) << ForwardRecorder::seen.size() << " forwarded";
    char text[16] = "";
    GetWindowTextA(stranger, text, sizeof text);
    EXPECT_STREQ("new", text);
    GetWindowTextA(button, text, sizeof text);
    EXPECT_STREQ("Caption", text);
    // The control's own window is forwarded to its own procedure.
    ForwardRecorder::seen.clear();
    ControlProcedure(button, WM_GETTEXTLENGTH, 0, 0);
    EXPECT_EQ((std::vector<std::pair<HWND, UINT>>{{button, WM_GETTEXTLENGTH}}),
              ForwardRecorder::seen);
    ForwardRecorder::seen.clear();

    SetWindowLongA(stranger, GWL_ID, -1);
    EXPECT_EQ(DefWindowProcA(stranger, WM_GETTEXTLENGTH, 0, 0),
              ControlProcedure(stranger, WM_GETTEXTLENGTH, 0, 0));
    SetWindowLongA(stranger, GWL_ID, 77);
    EXPECT_EQ(3, ControlProcedure(stranger, WM_GETTEXTLENGTH, 0, 0));
    EXPECT_TRUE(ForwardRecorder::seen.empty());
    record->previousProc = ForwardRecorder::forwardTo;
    DestroyWindow(stranger);
}

// Numbers without a live control: every generic operation does nothing.
TEST_F(ControlCoreTest, GenericOperationsOnMissingNumbersDoNothing) {
    HWND button = (HWND)CreateTestButton(1);
    DestroyWindow(button);
    BufferAppend("before");
    int cursor = stringBuffer.cursor;
    ObjectNumber missing[] = {1, 0, 49, 50, 5000, -2, OBJECT_ANY, (ObjectNumber)&cursor};
    for (ObjectNumber number : missing) {
        SCOPED_TRACE(number);
        SetControlState(number, 1);
        EXPECT_EQ(0, GetControlState(number));
        AddControlItem(number, -1, "x");
        AddControlItem(number, 0, nullptr);
        ClearControlItems(number);
        GetControlText(number, cursor);
        EXPECT_EQ(cursor, stringBuffer.cursor);
    }
    EXPECT_EQ(0, memcmp(stringBuffer.base + cursor - 6, "before", 6));
    stringBuffer.cursor = 0;
}

// Live controls with empty slots: the operation does nothing, or falls back to the window text.
TEST_F(ControlCoreTest, EmptySlotsDoNothingOrReadTheWindowText) {
    CreateButton(1, 10, 10, 100, 25, "Start");
    AddControlItem(1, -1, "more");
    ClearControlItems(1);
    EXPECT_EQ("Start", ControlText(1));
    EXPECT_EQ(0, GetControlState(1));

    CreateTestTextArea(2);
    AddControlItem(2, -1, "line");
    SetControlState(2, 1);
    EXPECT_EQ(0, GetControlState(2));
    EXPECT_EQ("line", ControlText(2));

    // The window text lands at the position given; the cursor ends right after it.
    BufferAppend("0123456789");
    GetControlText(1, 4);
    EXPECT_EQ(9, stringBuffer.cursor);
    EXPECT_EQ(0, memcmp(stringBuffer.base, "0123Start", 10));
    stringBuffer.cursor = 0;
}

// A window that answers a length short of its text and fills all the room that WM_GETTEXT gives it,
// leaving no NUL, as a rich edit does with a text of two-byte characters.
WNDPROC overfullNext;
LRESULT CALLBACK OverfullText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETTEXTLENGTH: return 2;
    case WM_GETTEXT: memset((char *)lParam, 'w', wParam); return (LRESULT)wParam;
    default: return CallWindowProcA(overfullNext, window, message, wParam, lParam);
    }
}

// The read of a window text takes the bytes that the window says it copied into the room made
// for them, and nothing that lies beyond that room in the string buffer.
TEST_F(ControlCoreTest, AWindowTextReadStaysInsideItsRoom) {
    HWND button = (HWND)CreateTestButton(1);
    overfullNext = (WNDPROC)SetWindowLongPtrA(button, GWLP_WNDPROC, (LONG_PTR)OverfullText);
    // Bytes beyond the cursor that are no part of any text.
    int mark = stringBuffer.cursor;
    BufferAppend(std::string(64, 'x').c_str());
    stringBuffer.cursor = mark;
    EXPECT_EQ(std::string(2 * AnsiCharacterBytes(), 'w'), ControlText(1));
    EXPECT_EQ(mark, stringBuffer.cursor);
    SetWindowLongPtrA(button, GWLP_WNDPROC, (LONG_PTR)overfullNext);
}

// A null text is the empty item.
TEST_F(ControlCoreTest, NullItemIsTheEmptyItem) {
    CreateTestTextArea(2);
    AddControlItem(2, -1, "a");
    AddControlItem(2, -1, nullptr);
    AddControlItem(2, -1, "b");
    EXPECT_EQ("a\r\n\r\nb", ControlText(2));
}

TEST_F(ControlCoreTest, ControlEventReachesTheNumberedWindow) {
    HWND button = (HWND)CreateTestButton(4);
    EXPECT_TRUE(PostControlEvent(button, 1234));
    ASSERT_TRUE(WaitForEvent(EVENT_CONTROL));
    EXPECT_EQ(4, EventSource());
    EXPECT_EQ(1234, EventDetail());
    EXPECT_EQ(TEST_WINDOW, EventWindow());
}

// The event window is the first one from the control upwards that is a window object, or the
// outermost one.
TEST_F(ControlCoreTest, EventWindowIsTheNearestNumberedAncestor) {
    HWND group = CreateWindowExA(0, "STATIC", 0, WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, window, 0,
                                 moduleHandle, 0);
    UseControlParent(group);
    HWND nested = (HWND)CreateTestButton(5);
    UseControlParent(window);
    EXPECT_EQ(window, FindEventWindow(nested));
    EXPECT_EQ(window, FindEventWindow(group));
    EXPECT_EQ(window, FindEventWindow(window));

    EXPECT_TRUE(PostControlEvent(nested, -1));
    ASSERT_TRUE(WaitForEvent(EVENT_CONTROL));
    EXPECT_EQ(5, EventSource());
    EXPECT_EQ(-1, EventDetail());

    // Outside any window object: the outermost ancestor, whatever it carries.
    HWND outer = CreateWindowExA(0, "STATIC", 0, WS_POPUP, 0, 0, 50, 50, 0, 0, moduleHandle, 0);
    HWND middle =
        CreateWindowExA(0, "STATIC", 0, WS_CHILD, 0, 0, 50, 50, outer, 0, moduleHandle, 0);
    HWND inner =
        CreateWindowExA(0, "STATIC", 0, WS_CHILD, 0, 0, 50, 50, middle, 0, moduleHandle, 0);
    EXPECT_EQ(outer, FindEventWindow(inner));
    SetPropA(middle, WINDOW_ID_PROPERTY, (HANDLE)3);
    EXPECT_EQ(middle, FindEventWindow(inner));
    EXPECT_EQ(middle, FindEventWindow(middle));
    RemovePropA(middle, WINDOW_ID_PROPERTY);
    DestroyWindow(outer);
}

} // namespace
