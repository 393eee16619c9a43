// The text area: a multi-line rich edit control that the program treats as a list of lines. Lines
// are appended, inserted, replaced, removed and read by number; the whole text is read at once. The
// rich edit library is loaded on the first creation. A small procedure of the kind's own sits under
// the control's subclass and applies the text colour again after every font change.
#include "controls/text_area.h"

#include <richedit.h>
#include <string.h>

#include "controls/control_core.h"
#include "runtime/process_globals.h"
#include "runtime/string_engine.h"
#include "windows/events.h"

enum : DWORD {
    TEXT_AREA_STYLE = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_WANTRETURN |
                      ES_NOHIDESEL | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE,
};
static_assert(TEXT_AREA_STYLE == 0x503111C4, "text area style");
static_assert(ATTR_READ_ONLY == ES_READONLY, "the read-only attribute is the style bit");
static_assert(sizeof(CHARFORMATA) == 60, "CHARFORMAT of rich edit 2.0");

// The largest text limit the rich edit control takes as a positive count.
static const WPARAM TEXT_AREA_LARGEST_LIMIT = 0x7FFFFFFF;

// The line separator that appending and inserting put between lines.
static const char TEXT_AREA_LINE_BREAK[] = "\n";

// emptyLineState values. An empty rich edit shows no text, yet the list of lines can hold one
// empty line: appending an empty text to an empty control makes it pending. Whatever puts text in
// next settles it: an append writes its line break, an insert or a replaced line leave it standing
// as a real line (TEXT_AREA_EMPTY_LINE_REAL), and a new whole text or a clear replace it (back to
// TEXT_AREA_NO_EMPTY_LINE).
enum {
    TEXT_AREA_NO_EMPTY_LINE = 0,  // an empty control holds no line
    TEXT_AREA_EMPTY_LINE = 1,     // the control is empty but holds one empty line
    TEXT_AREA_EMPTY_LINE_REAL = 2 // that empty line now stands in the text as a line of its own
};

HMODULE richEdit20Module;
WNDPROC textAreaBaseProc;

static ControlOps textAreaOps;
static bool textAreaOpsReady;

// The kind words of a text area's record.
static TextAreaFields *TextAreaFieldsOf(ControlRecord *record) {
    return &record->textArea;
}

// Sends a message to the rich edit window.
static LRESULT TextAreaSend(ControlRecord *record, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(record->handle, message, wParam, lParam);
}

// Replaces the selection with a text; the change can be undone.
static void TextAreaReplaceSelection(ControlRecord *record, const char *text) {
    TextAreaSend(record, EM_REPLACESEL, 1, (LPARAM)text);
}

// Character index of a line's start; -1 when the line does not exist.
static int TextAreaLineStart(ControlRecord *record, int index) {
    return (int)TextAreaSend(record, EM_LINEINDEX, (WPARAM)index, 0);
}

// Hides the selection while an edit runs (1), shows it again (0).
static void TextAreaHideSelection(ControlRecord *record, int hidden) {
    TextAreaSend(record, EM_HIDESELECTION, (WPARAM)hidden, 0);
}

// The pending empty line once text has gone in without an append: an empty control that held
// one empty line and now holds text holds it as a real line, so that the next append does not
// add its line break again.
static void TextAreaSettlePendingLine(ControlRecord *record) {
    TextAreaFields *fields = TextAreaFieldsOf(record);
    if (fields->emptyLineState == TEXT_AREA_EMPTY_LINE &&
        GetWindowTextLengthA(record->handle) != 0) {
        fields->emptyLineState = TEXT_AREA_EMPTY_LINE_REAL;
    }
}

// Inserts a line before the line numbered position, or appends it after the last line when
// position is negative, names no line, or the control holds no line at all. Appending never leaves
// a line break at the end.
static void TextAreaAddItem(ControlRecord *record, int position, const char *text, int further) {
    (void)further;
    TextAreaFields *fields = TextAreaFieldsOf(record);
    if (!text) {
        text = "";
    }
    // Text typed into a pending empty line made it a real one: it needs no break of its own.
    TextAreaSettlePendingLine(record);
    int start = TextAreaLineStart(record, position);
    TextAreaHideSelection(record, 1);
    // An empty control that holds no line still answers 0 for the start of line 0.
    bool append = position < 0 || start == -1 ||
                  (start == 0 && fields->emptyLineState == TEXT_AREA_NO_EMPTY_LINE &&
                   GetWindowTextLengthA(record->handle) == 0);
    if (append) {
        int length = (int)TextAreaSend(record, WM_GETTEXTLENGTH, 0, 0);
        TextAreaSend(record, EM_SETSEL, (WPARAM)length, length);
        if (fields->emptyLineState == TEXT_AREA_EMPTY_LINE) {
            TextAreaReplaceSelection(record, TEXT_AREA_LINE_BREAK);
            fields->emptyLineState = TEXT_AREA_EMPTY_LINE_REAL;
        }
        if (length != 0) {
            TextAreaReplaceSelection(record, TEXT_AREA_LINE_BREAK);
        } else if (!*text && fields->emptyLineState == TEXT_AREA_NO_EMPTY_LINE) {
            fields->emptyLineState = TEXT_AREA_EMPTY_LINE;
        }
        TextAreaReplaceSelection(record, text);
    } else {
        TextAreaSend(record, EM_SETSEL, (WPARAM)start, start);
        TextAreaReplaceSelection(record, text);
        TextAreaReplaceSelection(record, TEXT_AREA_LINE_BREAK);
        TextAreaSettlePendingLine(record);
    }
    TextAreaHideSelection(record, 0);
}

// Deletes a line with the line break that ends it. An index that names no line deletes nothing.
static void TextAreaRemoveItem(ControlRecord *record, int index) {
    int start = index < 0 ? -1 : TextAreaLineStart(record, index);
    if (start == -1) {
        return;
    }
    int next = TextAreaLineStart(record, index + 1);
    TextAreaHideSelection(record, 1);
    TextAreaSend(record, EM_SETSEL, (WPARAM)start, next);
    TextAreaReplaceSelection(record, "");
    TextAreaHideSelection(record, 0);
    if (GetWindowTextLengthA(record->handle) == 0) {
        TextAreaFieldsOf(record)->emptyLineState = TEXT_AREA_NO_EMPTY_LINE;
    }
}

// Deletes all text; the control then holds no line.
static void TextAreaClearItems(ControlRecord *record) {
    SetWindowTextA(record->handle, "");
    TextAreaFieldsOf(record)->emptyLineState = TEXT_AREA_NO_EMPTY_LINE;
}

// Number of lines: 0 for an empty control that holds no empty line.
static int TextAreaCountItems(ControlRecord *record) {
    if (GetWindowTextLengthA(record->handle) == 0 &&
        TextAreaFieldsOf(record)->emptyLineState == TEXT_AREA_NO_EMPTY_LINE) {
        return 0;
    }
    return (int)TextAreaSend(record, EM_GETLINECOUNT, 0, 0);
}

// Replaces the whole text; a null or empty text clears the control.
static void TextAreaSetText(ControlRecord *record, const char *text) {
    if (!text || !*text) {
        TextAreaClearItems(record);
        return;
    }
    SetWindowTextA(record->handle, text);
    // The new text replaces every line, a pending empty one too.
    TextAreaFieldsOf(record)->emptyLineState = TEXT_AREA_NO_EMPTY_LINE;
}

// The room that the whole text needs in bytes of the ANSI code page, each line break as CR LF. Rich
// edit 2.0 counts its bytes itself; its WM_GETTEXTLENGTH counts characters, which take two bytes
// each in a double-byte code page. The older control knows no such count: its length is taken
// times the most bytes of a character.
static int TextAreaTextBytes(ControlRecord *record) {
    if (richEdit20Module) {
        GETTEXTLENGTHEX count;
        count.flags = GTL_NUMBYTES | GTL_PRECISE | GTL_USECRLF;
        count.codepage = CP_ACP;
        LRESULT bytes = TextAreaSend(record, EM_GETTEXTLENGTHEX, (WPARAM)&count, 0);
        if (bytes >= 0) {
            return (int)bytes;
        }
    }
    return AnsiTextRoom(GetWindowTextLengthA(record->handle));
}

// Writes the whole text at position in the string buffer, as the window gives it; the cursor ends
// right after it.
static void TextAreaGetText(ControlRecord *record, int position) {
    ReadWindowTextBytes(record->handle, TextAreaTextBytes(record), position);
}

// Writes one line's text, without its line break, at position in the string buffer; the cursor
// ends right after it. A line that does not exist reads as the empty text. The line is read as a
// character range, which has no length limit (EM_GETLINE takes its buffer's size as a 16-bit word
// and would cut a line of 65,536 characters or more).
static void TextAreaGetItemText(ControlRecord *record, int index, int further, int position) {
    (void)further;
    int start = index < 0 ? -1 : TextAreaLineStart(record, index);
    int length = start == -1 ? 0 : (int)TextAreaSend(record, EM_LINELENGTH, (WPARAM)start, 0);
    int size = AnsiTextRoom(length) + 1; // the text and a NUL
    char *address = BufferReserve(size, position);
    int copied = 0;
    if (length > 0) {
        TEXTRANGEA range;
        range.chrg.cpMin = start;
        range.chrg.cpMax = start + length;
        range.lpstrText = address;
        copied = (int)TextAreaSend(record, EM_GETTEXTRANGE, 0, (LPARAM)&range);
        if (copied < 0 || copied >= size) {
            copied = 0;
        }
    }
    address[copied] = 0;
    BufferGiveBack(size - copied);
}

// Replaces one line's text; the line break after it stays. An index that names no line changes
// nothing.
static void TextAreaSetItemText(ControlRecord *record, int index, const char *text, int further) {
    (void)further;
    if (!text) {
        text = "";
    }
    int start = index < 0 ? -1 : TextAreaLineStart(record, index);
    if (start == -1) {
        return;
    }
    int length = (int)TextAreaSend(record, EM_LINELENGTH, (WPARAM)start, 0);
    TextAreaHideSelection(record, 1);
    TextAreaSend(record, EM_SETSEL, (WPARAM)start, start + length);
    TextAreaReplaceSelection(record, text);
    TextAreaHideSelection(record, 0);
    TextAreaSettlePendingLine(record);
}

// ATTR_READ_ONLY: 1 while the control is read-only. Any other attribute reads 0.
static int TextAreaGetAttribute(ControlRecord *record, int attribute) {
    if (attribute != ATTR_READ_ONLY) {
        return 0;
    }
    return (TextAreaSend(record, EM_GETOPTIONS, 0, 0) & ECO_READONLY) ? 1 : 0;
}

// ATTR_READ_ONLY: makes the control read-only for a non-zero value. Other attributes do nothing.
static void TextAreaSetAttribute(ControlRecord *record, int attribute, int value) {
    if (attribute == ATTR_READ_ONLY) {
        TextAreaSend(record, EM_SETREADONLY, value ? 1 : 0, 0);
    }
}

// Sets the background colour, or the text colour of all present and later text. NO_OWN_COLOR gives
// the system's window colour or the automatic text colour.
static void TextAreaSetColor(ControlRecord *record, int type, COLORREF color) {
    TextAreaFields *fields = TextAreaFieldsOf(record);
    switch (type) {
    case BACKGROUND_COLOR:
        if (color == NO_OWN_COLOR) {
            TextAreaSend(record, EM_SETBKGNDCOLOR, 1, 0);
        } else {
            TextAreaSend(record, EM_SETBKGNDCOLOR, 0, (LPARAM)color);
        }
        fields->backgroundColor = color;
        break;
    case FRONT_COLOR: {
        CHARFORMATA format;
        memset(&format, 0, sizeof format);
        format.cbSize = sizeof format;
        format.dwMask = CFM_COLOR;
        format.dwEffects = color == NO_OWN_COLOR ? CFE_AUTOCOLOR : 0;
        format.crTextColor = color;
        TextAreaSend(record, EM_SETCHARFORMAT, SCF_ALL, (LPARAM)&format);
        TextAreaSend(record, EM_SETCHARFORMAT, SCF_DEFAULT, (LPARAM)&format);
        fields->frontColor = color;
        break;
    }
    }
}

static COLORREF TextAreaGetColor(ControlRecord *record, int type) {
    TextAreaFields *fields = TextAreaFieldsOf(record);
    switch (type) {
    case BACKGROUND_COLOR: return fields->backgroundColor;
    case FRONT_COLOR: return fields->frontColor;
    default: return NO_OWN_COLOR;
    }
}

LRESULT CALLBACK TextAreaProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETFONT) {
        return CallWindowProcA(textAreaBaseProc, window, message, wParam, lParam);
    }
    CallWindowProcA(textAreaBaseProc, window, message, wParam, lParam);
    ObjectNumber number = (ObjectNumber)GetPropA(window, CONTROL_ID_PROPERTY);
    if (number == GetWindowLongA(window, GWL_ID)) {
        ControlRecord *record = (ControlRecord *)ObjectTableFind(controlTable, number);
        if (record) {
            TextAreaSetColor(record, FRONT_COLOR, TextAreaFieldsOf(record)->frontColor);
        }
    }
    return 0;
}

// Fills the kind's operations table and loads the rich edit library; called on the first creation.
// A failed load is not tried again.
static void TextAreaFillOps() {
    memset(&textAreaOps, 0, sizeof textAreaOps);
    textAreaOps.kind = KIND_TEXT_AREA;
    textAreaOps.tableSize = sizeof textAreaOps;
    textAreaOps.getText = TextAreaGetText;
    textAreaOps.setText = TextAreaSetText;
    textAreaOps.addItem = TextAreaAddItem;
    textAreaOps.removeItem = TextAreaRemoveItem;
    textAreaOps.clearItems = TextAreaClearItems;
    textAreaOps.countItems = TextAreaCountItems;
    textAreaOps.getItemText = TextAreaGetItemText;
    textAreaOps.setItemText = TextAreaSetItemText;
    textAreaOps.getAttribute = TextAreaGetAttribute;
    textAreaOps.setAttribute = TextAreaSetAttribute;
    textAreaOps.setColor = TextAreaSetColor;
    textAreaOps.getColor = TextAreaGetColor;
    // From the system folder only: a file of that name beside the program is never loaded.
    richEdit20Module = LoadSystemLibrary("RICHED20.DLL");
    if (!richEdit20Module) {
        LoadSystemLibrary("RICHED32.DLL");
    }
    textAreaOpsReady = true;
}

INT_PTR CreateTextArea(ObjectNumber number, int x, int y, int width, int height, int flags) {
    if (!textAreaOpsReady) {
        TextAreaFillOps();
    }
    const char *className = richEdit20Module ? "RichEdit20A" : "RichEdit";
    HWND window = CreateControlWindow(WS_EX_CLIENTEDGE, className, 0,
                                      TEXT_AREA_STYLE | (DWORD)flags, x, y, width, height);
    if (!window) {
        return 0;
    }
    ControlRecord *record = AllocateControlRecord(number, window);
    if (!record) {
        return 0;
    }
    TextAreaFields *fields = TextAreaFieldsOf(record);
    fields->frontColor = NO_OWN_COLOR;
    fields->backgroundColor = NO_OWN_COLOR;
    // The largest limit: the control keeps the limit as a signed count, and one of 0xFFFFFFFF would
    // read as -1, a limit that refuses every character the user types.
    SendMessageA(window, EM_LIMITTEXT, TEXT_AREA_LARGEST_LIMIT, 0);
    textAreaBaseProc =
        (WNDPROC)SetWindowLongPtrA(window, GWLP_WNDPROC, (LONG_PTR)TextAreaProcedure);
    ObjectNumber slotNumber = number == OBJECT_ANY ? (ObjectNumber)record : number;
    // The flush runs every handler of the queued messages: the record is looked up again.
    FlushWindowMessages();
    record = FindCreatedControlRecord(slotNumber, window);
    if (!record || !IsWindow(window)) {
        DestroyWindow(window);
        return 0;
    }
    return RegisterControl(number, record, window, &textAreaOps);
}
