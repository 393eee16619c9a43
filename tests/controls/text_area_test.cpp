// The text area: a real rich edit control used as a list of lines. Its text reads back with CR LF
// between lines, as a rich edit control gives it through WM_GETTEXT.
#include "control_fixture.h"

#include <commctrl.h>
#include <richedit.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/text_area.h"

namespace {

const ObjectNumber AREA = 4;

// The program's own library loads (LoadLibraryA and LoadLibraryExA), while the object lives: the
// imports that every call of this program goes through are pointed at recorders for that long.
// Each load is recorded by the library's name (upper case, without a folder); the names given
// fail, as on a system that lacks those libraries.
extern "C" HMODULE(WINAPI *importedLoadLibraryA)(LPCSTR) __asm__("__imp__LoadLibraryA@4");
extern "C" HMODULE(WINAPI *importedLoadLibraryExA)(LPCSTR, HANDLE,
                                                   DWORD) __asm__("__imp__LoadLibraryExA@12");
struct LoadCounter {
    explicit LoadCounter(std::vector<std::string> missing = {})
        : plain(&importedLoadLibraryA, Record), extended(&importedLoadLibraryExA, RecordEx) {
        refused = std::move(missing);
        loaded.clear();
        real = plain.platform;
        realEx = extended.platform;
    }
    // Records a load; true when it is to fail.
    static bool Refused(LPCSTR name) {
        std::string base = name ? name : "";
        size_t slash = base.find_last_of("\\/");
        base = base.substr(slash == std::string::npos ? 0 : slash + 1);
        for (char &c : base) {
            c = (char)toupper((unsigned char)c);
        }
        loaded.push_back(base);
        for (const std::string &each : refused) {
            if (each == base) {
                SetLastError(ERROR_MOD_NOT_FOUND);
                return true;
            }
        }
        return false;
    }
    static HMODULE WINAPI Record(LPCSTR name) { return Refused(name) ? 0 : real(name); }
    static HMODULE WINAPI RecordEx(LPCSTR name, HANDLE file, DWORD flags) {
        return Refused(name) ? 0 : realEx(name, file, flags);
    }
    static inline HMODULE(WINAPI *real)(LPCSTR);
    static inline HMODULE(WINAPI *realEx)(LPCSTR, HANDLE, DWORD);
    static inline std::vector<std::string> refused;
    static inline std::vector<std::string> loaded;
    ImportEntryPatch<decltype(importedLoadLibraryA)> plain;
    ImportEntryPatch<decltype(importedLoadLibraryExA)> extended;
};

class TextAreaTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        area = (HWND)CreateTextArea(AREA, 0, 0, 600, 260);
        ASSERT_NE((HWND)0, area);
        record = RecordOf(AREA);
        ASSERT_NE(nullptr, record);
        ops = record->ops;
    }
    void Append(std::vector<const char *> lines) {
        for (const char *line : lines) {
            AddControlItem(AREA, -1, line);
        }
    }
    std::string Text() { return ControlText(AREA); }
    int Count() { return ops->countItems(record); }
    int State() { return record->textArea.emptyLineState; }
    // One line read through the string buffer at the cursor; checks that the cursor ends right
    // after the text.
    std::string Line(int index) {
        int mark = stringBuffer.cursor;
        ops->getItemText(record, index, 0, mark);
        std::string line(stringBuffer.base + mark);
        EXPECT_EQ(mark + (int)line.size(), stringBuffer.cursor);
        stringBuffer.cursor = mark;
        return line;
    }
    COLORREF TextColor(WPARAM which) {
        CHARFORMATA format = {};
        format.cbSize = sizeof format;
        SendMessageA(area, EM_GETCHARFORMAT, which, (LPARAM)&format);
        return (format.dwEffects & CFE_AUTOCOLOR) ? NO_OWN_COLOR : format.crTextColor;
    }
    HWND area = 0;
    ControlRecord *record = nullptr;
    ControlOps *ops = nullptr;
};

TEST_F(TextAreaTest, CreationMakesARegisteredRichEdit) {
    char className[32] = "";
    GetClassNameA(area, className, sizeof className);
    EXPECT_STREQ("RichEdit20A", className);
    EXPECT_NE((HMODULE)0, richEdit20Module);
    const LONG scrollBars = WS_HSCROLL | WS_VSCROLL; // shown and hidden by the control itself
    EXPECT_EQ(0x503111C4 & ~scrollBars, GetWindowLongA(area, GWL_STYLE) & ~scrollBars);
    EXPECT_TRUE(GetWindowLongA(area, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(KIND_TEXT_AREA, ops->kind);
    EXPECT_EQ(148, ops->tableSize);
    // ControlProcedure, then the kind's own procedure, then the rich edit's.
    EXPECT_EQ((WNDPROC)TextAreaProcedure, record->previousProc);
    WNDCLASSA richEdit = {};
    ASSERT_TRUE(GetClassInfoA(0, "RichEdit20A", &richEdit) ||
                GetClassInfoA(richEdit20Module, "RichEdit20A", &richEdit));
    EXPECT_EQ(richEdit.lpfnWndProc, textAreaBaseProc);
    EXPECT_EQ(0, Count());
    EXPECT_EQ("", Text());
    EXPECT_EQ(NO_OWN_COLOR, ops->getColor(record, FRONT_COLOR));
    EXPECT_EQ(NO_OWN_COLOR, ops->getColor(record, BACKGROUND_COLOR));
    EXPECT_EQ(NO_OWN_COLOR, ops->getColor(record, 5));

    // Later text areas use the library that is already there: no further load.
    HMODULE loaded = richEdit20Module;
    EXPECT_EQ(GetModuleHandleA("RICHED20.DLL"), loaded);
    LoadCounter counter;
    ASSERT_NE(0, CreateTextArea(OBJECT_ANY, 0, 0, 100, 100));
    ASSERT_NE(0, CreateTextArea(9, 0, 0, 100, 100));
    EXPECT_EQ(std::vector<std::string>{}, LoadCounter::loaded);
    EXPECT_EQ(loaded, richEdit20Module);
}

// The text limit is the largest the control takes: typed characters go in, also after a text far
// longer than the control's default limit.
TEST_F(TextAreaTest, TheUserCanTypeIntoALongText) {
    EXPECT_EQ(0x7FFFFFFF, SendMessageA(area, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(area, WM_CHAR, 'a', 1);
    EXPECT_EQ("a", Text());
    ops->setText(record, std::string(100000, 'x').c_str());
    SendMessageA(area, EM_SETSEL, 100000, 100000);
    SendMessageA(area, WM_CHAR, 'b', 1);
    EXPECT_EQ(std::string(100000, 'x') + "b", Text());
}

TEST_F(TextAreaTest, AppendingJoinsLinesWithoutATrailingBreak) {
    Append({"one", "two", "three"});
    EXPECT_EQ("one\r\ntwo\r\nthree", Text());
    EXPECT_EQ(3, Count());
    EXPECT_EQ(0, State());
}

// An empty line appended to an empty control is kept as a pending line until the next append.
TEST_F(TextAreaTest, EmptyFirstLineIsPendingUntilTheNextAppend) {
    Append({""});
    EXPECT_EQ("", Text());
    EXPECT_EQ(1, Count());
    EXPECT_EQ(1, State());
    Append({"x"});
    EXPECT_EQ("\r\nx", Text());
    EXPECT_EQ(2, Count());
    EXPECT_EQ(2, State());
    Append({"y"});
    EXPECT_EQ("\r\nx\r\ny", Text());
    EXPECT_EQ(3, Count());
}

TEST_F(TextAreaTest, EmptyLineAfterTextEndsTheTextWithABreak) {
    Append({"a", "b"});
    Append({""});
    EXPECT_EQ("a\r\nb\r\n", Text());
    EXPECT_EQ(3, Count());
    Append({"c"});
    EXPECT_EQ("a\r\nb\r\n\r\nc", Text());
    EXPECT_EQ(4, Count());
}

TEST_F(TextAreaTest, ClearLeavesNoLine) {
    Append({"", "a"});
    ClearControlItems(AREA);
    EXPECT_EQ("", Text());
    EXPECT_EQ(0, Count());
    EXPECT_EQ(0, State());
    Append({""});
    ClearControlItems(AREA);
    EXPECT_EQ(0, Count());
    Append({"fresh"});
    EXPECT_EQ("fresh", Text());
}

TEST_F(TextAreaTest, InsertingPutsTheLineBeforeTheNumberedOne) {
    Append({"old"});
    AddControlItem(AREA, 0, "new");
    EXPECT_EQ("new\r\nold", Text());
    EXPECT_EQ(2, Count());
    AddControlItem(AREA, 1, "mid");
    EXPECT_EQ("new\r\nmid\r\nold", Text());
    // A line number past the end appends.
    AddControlItem(AREA, 17, "end");
    EXPECT_EQ("new\r\nmid\r\nold\r\nend", Text());
    EXPECT_EQ(4, Count());
}

// A negative position, one that names no line, or any position while the control holds no line
// appends; a position that names a line inserts before it.
TEST_F(TextAreaTest, APositionThatNamesNoLineAppends) {
    const struct {
        std::vector<const char *> before;
        int position;
        const char *text;
        const char *after;
        int count;
    } cases[] = {
        {{}, 0, "x", "x", 1},
        {{}, 3, "x", "x", 1},
        {{}, -1, "x", "x", 1},
        {{}, -2, "x", "x", 1},
        {{}, 0, "", "", 1},
        {{"a", "b"}, -2, "x", "a\r\nb\r\nx", 3},
        {{"a", "b"}, -100, "x", "a\r\nb\r\nx", 3},
        {{"a", "b"}, 2, "x", "a\r\nb\r\nx", 3},
        {{"a", "b"}, 1, "x", "a\r\nx\r\nb", 3},
        {{"a", "b"}, 0, "x", "x\r\na\r\nb", 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.before.size() << " lines, position " << c.position);
        ClearControlItems(AREA);
        Append(c.before);
        AddControlItem(AREA, c.position, c.text);
        EXPECT_EQ(c.after, Text());
        EXPECT_EQ(c.count, Count());
    }
    // An append after the first line that went in at position 0 adds no blank line.
    ClearControlItems(AREA);
    AddControlItem(AREA, 0, "x");
    Append({"y"});
    EXPECT_EQ("x\r\ny", Text());
    EXPECT_EQ(2, Count());
}

// A line longer than a 16-bit count reads back whole.
TEST_F(TextAreaTest, ALongLineReadsBackWhole) {
    const int lengths[] = {65535, 65536, 70000};
    for (int length : lengths) {
        SCOPED_TRACE(length);
        std::string line(length, 'q');
        line[0] = 'A';
        line[length - 1] = 'Z';
        ClearControlItems(AREA);
        Append({"short", line.c_str(), "end"});
        ASSERT_EQ(length, (int)SendMessageA(area, EM_LINELENGTH, 6, 0));
        EXPECT_TRUE(line == Line(1)) << "read " << Line(1).size() << " characters";
        EXPECT_EQ("end", Line(2));
    }
}

// The text as the control shows it, in Unicode, each line break as CR LF.
std::wstring ShownText(HWND area) {
    std::wstring text(0x20000, 0);
    GETTEXTEX get = {};
    get.cb = (DWORD)text.size() * (DWORD)sizeof(wchar_t);
    get.flags = GT_USECRLF;
    get.codepage = 1200; // UTF-16
    text.resize(SendMessageW(area, EM_GETTEXTEX, (WPARAM)&get, (LPARAM)&text[0]));
    return text;
}

// A short block as the generator writes it, and the same as one text with CR LF between lines.
const std::vector<const char *> BLOCK = {
    "DataSection", "  Uuid_Number_1:", "  Data.l $0A1B2C3D", "  Data.w $00E5, $4F60",
    "  ",          "EndDataSection"};
const char BLOCK_TEXT[] = "DataSection\r\n  Uuid_Number_1:\r\n  Data.l $0A1B2C3D\r\n"
                          "  Data.w $00E5, $4F60\r\n  \r\nEndDataSection";

// Characters as the user's input reaches the control: WM_UNICHAR, which carries each one whole,
// as an input method or a program that posts input delivers it.
void TypeInto(HWND area, const std::wstring &text) {
    for (wchar_t character : text) {
        SendMessageW(area, WM_UNICHAR, character, 1);
    }
}

// A Unicode text pasted from the clipboard.
void PasteInto(HWND area, const std::wstring &text) {
    ASSERT_TRUE(WriteClipboardUnicodeText(text));
    SendMessageA(area, WM_PASTE, 0, 0);
}

// A line of the code page that the program runs in reads back byte for byte, whether the program
// set it, the user typed or pasted it, alone or before or after a block: in code pages 932 and 936
// most of its characters take two bytes, and the whole text is read in bytes, not in characters.
TEST_F(TextAreaTest, TextOfTheCodePageReadsBackByteForByte) {
    const std::wstring line = CodePageLine();
    const std::string bytes = AnsiText(line);
    ASSERT_FALSE(bytes.empty());
    const std::string block = BLOCK_TEXT;
    const struct {
        const char *name;
        std::function<void()> put;
        std::string text;
    } cases[] = {
        {"set", [&] { ops->setText(record, bytes.c_str()); }, bytes},
        {"typed", [&] { TypeInto(area, line); }, bytes},
        {"pasted", [&] { PasteInto(area, line); }, bytes},
        {"appended after a block",
         [&] {
             Append(BLOCK);
             AddControlItem(AREA, -1, bytes.c_str());
         },
         block + "\r\n" + bytes},
        {"pasted after a block",
         [&] {
             Append(BLOCK);
             SendMessageA(area, EM_SETSEL, -1, -1);
             PasteInto(area, L"\r\n" + line);
         },
         block + "\r\n" + bytes},
        {"typed at the top of a block",
         [&] {
             Append(BLOCK);
             SendMessageA(area, EM_SETSEL, 0, 0);
             TypeInto(area, line);
         },
         bytes + block},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ClearControlItems(AREA);
        c.put();
        ASSERT_EQ(WideText(c.text), ShownText(area)) << "the control does not show the text";
        EXPECT_EQ(c.text, Text());
    }
}

// A line of 40,000 characters of the code page (80,000 bytes where they take two) between two
// others: the whole text and the line read back whole.
TEST_F(TextAreaTest, ALongLineOfTheCodePageReadsBackWhole) {
    std::wstring line;
    while (line.size() < 40000) {
        line += CodePageLine();
    }
    line.resize(40000);
    const std::string bytes = AnsiText(line);
    ASSERT_FALSE(bytes.empty());
    Append({"DataSection", bytes.c_str(), "EndDataSection"});
    EXPECT_TRUE("DataSection\r\n" + bytes + "\r\nEndDataSection" == Text())
        << "read " << Text().size() << " bytes";
    EXPECT_TRUE(bytes == Line(1)) << "read " << Line(1).size() << " bytes";
    EXPECT_EQ("EndDataSection", Line(2));
}

TEST_F(TextAreaTest, OneLineReadsWithoutItsBreak) {
    Append({"first", "", "third line"});
    EXPECT_EQ("first", Line(0));
    EXPECT_EQ("", Line(1));
    EXPECT_EQ("third line", Line(2));
    EXPECT_EQ("", Line(3));
    EXPECT_EQ("", Line(-1));
    // Read at a position before the cursor: it replaces what lay there.
    BufferAppend("0123456789");
    ops->getItemText(record, 2, 0, 3);
    EXPECT_EQ(13, stringBuffer.cursor);
    EXPECT_STREQ("012third line", stringBuffer.base);
    stringBuffer.cursor = 0;
}

TEST_F(TextAreaTest, SetItemTextReplacesOneLineAndKeepsItsBreak) {
    Append({"a", "b", "c"});
    ops->setItemText(record, 1, "bee", 0);
    EXPECT_EQ("a\r\nbee\r\nc", Text());
    ops->setItemText(record, 2, nullptr, 0);
    EXPECT_EQ("a\r\nbee\r\n", Text());
    EXPECT_EQ(3, Count());
    // A line that does not exist changes nothing.
    ops->setItemText(record, 7, "x", 0);
    ops->setItemText(record, -1, "x", 0);
    EXPECT_EQ("a\r\nbee\r\n", Text());
}

TEST_F(TextAreaTest, RemoveItemTakesTheLineWithItsBreak) {
    Append({"a", "b", "c", "d"});
    ops->removeItem(record, 1);
    EXPECT_EQ("a\r\nc\r\nd", Text());
    EXPECT_EQ(3, Count());
    // The last line goes without the break before it.
    ops->removeItem(record, 2);
    EXPECT_EQ("a\r\nc\r\n", Text());
    // Lines that do not exist: nothing is lost.
    SendMessageA(area, EM_SETSEL, 4, 4);
    ops->removeItem(record, -1);
    ops->removeItem(record, 9);
    EXPECT_EQ("a\r\nc\r\n", Text());
    ops->removeItem(record, 0);
    ops->removeItem(record, 0);
    ops->removeItem(record, 0);
    EXPECT_EQ("", Text());
    EXPECT_EQ(0, Count());
}

TEST_F(TextAreaTest, RemovingThePendingEmptyLineForgetsIt) {
    Append({"only"});
    ops->removeItem(record, 0);
    EXPECT_EQ(0, Count());
    Append({""});
    EXPECT_EQ(1, State());
    Append({"x"});
    ops->removeItem(record, 1);
    ops->removeItem(record, 0);
    EXPECT_EQ("", Text());
    EXPECT_EQ(0, State());
    EXPECT_EQ(0, Count());
}

TEST_F(TextAreaTest, SetTextReplacesOrClears) {
    Append({""});
    ops->setText(record, "x\ny");
    EXPECT_EQ("x\r\ny", Text());
    EXPECT_EQ(2, Count());
    ops->setText(record, "");
    EXPECT_EQ(0, Count());
    EXPECT_EQ(0, State());
    ops->setText(record, "z");
    ops->setText(record, nullptr);
    EXPECT_EQ("", Text());
    EXPECT_EQ(0, Count());
}

// Text put in without an append settles a pending empty line: a new whole text replaces it, an
// inserted or replaced line leaves it a real line. No blank line that nobody added appears on the
// next append.
TEST_F(TextAreaTest, APendingEmptyLineIsRealOrGoneOnceTextGoesIn) {
    const struct {
        const char *name;
        void (*put)(ControlRecord *record);
        const char *text;
        int count;
    } cases[] = {
        {"setText", [](ControlRecord *r) { r->ops->setText(r, "x\ny"); }, "x\r\ny\r\nz", 3},
        {"insert", [](ControlRecord *) { AddControlItem(AREA, 0, "t"); }, "t\r\n\r\nz", 3},
        {"insert empty", [](ControlRecord *) { AddControlItem(AREA, 0, ""); }, "\r\n\r\nz", 3},
        {"setItemText", [](ControlRecord *r) { r->ops->setItemText(r, 0, "w", 0); }, "w\r\nz", 2},
        // The user types into the pending line: it is the line that holds the typed text.
        {"typed", [](ControlRecord *r) { SendMessageA(r->handle, WM_CHAR, 'a', 1); }, "a\r\nz", 2},
        // Replaced by an empty text, the line is still the pending empty one.
        {"setItemText empty", [](ControlRecord *r) { r->ops->setItemText(r, 0, "", 0); }, "\r\nz",
         2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ClearControlItems(AREA);
        Append({""});
        c.put(record);
        Append({"z"});
        EXPECT_EQ(c.text, Text());
        EXPECT_EQ(c.count, Count());
    }
}

TEST_F(TextAreaTest, ReadOnlyAttribute) {
    EXPECT_EQ(0, ops->getAttribute(record, ATTR_READ_ONLY));
    ops->setAttribute(record, ATTR_READ_ONLY, 1);
    EXPECT_EQ(1, ops->getAttribute(record, ATTR_READ_ONLY));
    EXPECT_TRUE(GetWindowLongA(area, GWL_STYLE) & ES_READONLY);
    // The program's own lines still go in.
    Append({"kept"});
    EXPECT_EQ("kept", Text());
    ops->setAttribute(record, ATTR_READ_ONLY, 0);
    EXPECT_EQ(0, ops->getAttribute(record, ATTR_READ_ONLY));
    ops->setAttribute(record, 1, 1);
    EXPECT_EQ(0, ops->getAttribute(record, 1));
    EXPECT_EQ(0, ops->getAttribute(record, ATTR_READ_ONLY));
}

TEST_F(TextAreaTest, TextColourSurvivesAFontChange) {
    Append({"red text"});
    ops->setColor(record, FRONT_COLOR, RGB(255, 0, 0));
    EXPECT_EQ(RGB(255, 0, 0), ops->getColor(record, FRONT_COLOR));
    SendMessageA(area, EM_SETSEL, 0, -1);
    EXPECT_EQ(RGB(255, 0, 0), TextColor(SCF_SELECTION));
    EXPECT_EQ(RGB(255, 0, 0), TextColor(SCF_DEFAULT));

    HFONT font = (HFONT)GetStockObject(ANSI_FIXED_FONT);
    SendMessageA(area, WM_SETFONT, (WPARAM)font, 1);
    Append({"later"});
    SendMessageA(area, EM_SETSEL, 0, -1);
    EXPECT_EQ(RGB(255, 0, 0), TextColor(SCF_SELECTION));
    EXPECT_EQ(RGB(255, 0, 0), TextColor(SCF_DEFAULT));

    // Text coloured past the text area (the rich edit keeps a colour through a font change by
    // itself): the next font change brings the text area's own colour back.
    CHARFORMATA blue = {};
    blue.cbSize = sizeof blue;
    blue.dwMask = CFM_COLOR;
    blue.crTextColor = RGB(0, 0, 255);
    SendMessageA(area, EM_SETCHARFORMAT, SCF_ALL, (LPARAM)&blue);
    SendMessageA(area, EM_SETCHARFORMAT, SCF_DEFAULT, (LPARAM)&blue);
    SendMessageA(area, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), 1);
    SendMessageA(area, EM_SETSEL, 0, -1);
    EXPECT_EQ(RGB(255, 0, 0), TextColor(SCF_SELECTION));
    EXPECT_EQ(RGB(255, 0, 0), TextColor(SCF_DEFAULT));

    ops->setColor(record, FRONT_COLOR, NO_OWN_COLOR);
    EXPECT_EQ(NO_OWN_COLOR, ops->getColor(record, FRONT_COLOR));
    SendMessageA(area, EM_SETSEL, 0, -1);
    EXPECT_EQ(NO_OWN_COLOR, TextColor(SCF_SELECTION));
    ops->setColor(record, 3, RGB(1, 1, 1));
    EXPECT_EQ(NO_OWN_COLOR, ops->getColor(record, 3));
}

TEST_F(TextAreaTest, BackgroundColour) {
    ops->setColor(record, BACKGROUND_COLOR, RGB(0, 0, 128));
    EXPECT_EQ(RGB(0, 0, 128), ops->getColor(record, BACKGROUND_COLOR));
    // EM_SETBKGNDCOLOR answers with the colour it replaces.
    EXPECT_EQ(RGB(0, 0, 128), (COLORREF)SendMessageA(area, EM_SETBKGNDCOLOR, 0, RGB(0, 0, 128)));
    ops->setColor(record, BACKGROUND_COLOR, NO_OWN_COLOR);
    EXPECT_EQ(NO_OWN_COLOR, ops->getColor(record, BACKGROUND_COLOR));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), (COLORREF)SendMessageA(area, EM_SETBKGNDCOLOR, 1, 0));
}

// The messages that reach the rich edit from the line operations, recorded from above the
// control's own procedures.
struct Sent {
    UINT message;
    WPARAM wParam;
    LPARAM lParam; // for EM_REPLACESEL: unused, the text is in text
    std::string text;
    bool operator==(const Sent &other) const {
        return message == other.message && wParam == other.wParam && lParam == other.lParam &&
               text == other.text;
    }
};
std::vector<Sent> sent;
WNDPROC recordedNext;
LRESULT CALLBACK RecordLineMessages(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETTEXTLENGTH:
    case EM_SETSEL:
    case EM_LINEINDEX:
    case EM_LINELENGTH:
    case EM_HIDESELECTION: sent.push_back({message, wParam, lParam, ""}); break;
    case EM_REPLACESEL: sent.push_back({message, wParam, 0, (const char *)lParam}); break;
    }
    return CallWindowProcA(recordedNext, control, message, wParam, lParam);
}

std::ostream &operator<<(std::ostream &out, const Sent &one) {
    return out << one.message << "(" << one.wParam << ", " << one.lParam << ", \"" << one.text
               << "\")";
}

TEST_F(TextAreaTest, LineOperationsSendTheirMessagesInOrder) {
    recordedNext = (WNDPROC)SetWindowLongPtrA(area, GWLP_WNDPROC, (LONG_PTR)RecordLineMessages);
    const WPARAM end = (WPARAM)-1;
    sent.clear();
    AddControlItem(AREA, -1, "");
    EXPECT_EQ((std::vector<Sent>{{EM_LINEINDEX, end, 0, ""},
                                 {EM_HIDESELECTION, 1, 0, ""},
                                 {WM_GETTEXTLENGTH, 0, 0, ""},
                                 {EM_SETSEL, 0, 0, ""},
                                 {EM_REPLACESEL, 1, 0, ""},
                                 {EM_HIDESELECTION, 0, 0, ""}}),
              sent);

    // The pending empty line becomes a break before the next line; the control was empty. Whether
    // the user typed into the pending line is looked at first.
    sent.clear();
    AddControlItem(AREA, -1, "ab");
    EXPECT_EQ((std::vector<Sent>{{WM_GETTEXTLENGTH, 0, 0, ""},
                                 {EM_LINEINDEX, end, 0, ""},
                                 {EM_HIDESELECTION, 1, 0, ""},
                                 {WM_GETTEXTLENGTH, 0, 0, ""},
                                 {EM_SETSEL, 0, 0, ""},
                                 {EM_REPLACESEL, 1, 0, "\n"},
                                 {EM_REPLACESEL, 1, 0, "ab"},
                                 {EM_HIDESELECTION, 0, 0, ""}}),
              sent);

    // Text present: a break, then the line, at the end of the text (CR LF counted as two).
    sent.clear();
    AddControlItem(AREA, -1, "c");
    EXPECT_EQ((std::vector<Sent>{{EM_LINEINDEX, end, 0, ""},
                                 {EM_HIDESELECTION, 1, 0, ""},
                                 {WM_GETTEXTLENGTH, 0, 0, ""},
                                 {EM_SETSEL, 4, 4, ""},
                                 {EM_REPLACESEL, 1, 0, "\n"},
                                 {EM_REPLACESEL, 1, 0, "c"},
                                 {EM_HIDESELECTION, 0, 0, ""}}),
              sent);

    // Inserting before line 1, which starts at character 1 (a break counts one character there).
    sent.clear();
    AddControlItem(AREA, 1, "new");
    EXPECT_EQ((std::vector<Sent>{{EM_LINEINDEX, 1, 0, ""},
                                 {EM_HIDESELECTION, 1, 0, ""},
                                 {EM_SETSEL, 1, 1, ""},
                                 {EM_REPLACESEL, 1, 0, "new"},
                                 {EM_REPLACESEL, 1, 0, "\n"},
                                 {EM_HIDESELECTION, 0, 0, ""}}),
              sent);
    EXPECT_EQ("\r\nnew\r\nab\r\nc", Text());

    // Removing line 2 ("ab", starting at character 5) takes it up to the start of line 3.
    sent.clear();
    ops->removeItem(record, 2);
    EXPECT_EQ((std::vector<Sent>{{EM_LINEINDEX, 2, 0, ""},
                                 {EM_LINEINDEX, 3, 0, ""},
                                 {EM_HIDESELECTION, 1, 0, ""},
                                 {EM_SETSEL, 5, 8, ""},
                                 {EM_REPLACESEL, 1, 0, ""},
                                 {EM_HIDESELECTION, 0, 0, ""},
                                 {WM_GETTEXTLENGTH, 0, 0, ""}}),
              sent);
    EXPECT_EQ("\r\nnew\r\nc", Text());
    SetWindowLongPtrA(area, GWLP_WNDPROC, (LONG_PTR)recordedNext);
}

// Which rich edit library the text area finds is settled once per process, at its first creation:
// these tests run in a fresh process of this program of their own (QUORVEL_FRESH_PROCESS set),
// where the program's loads of the named libraries are refused as a system without them refuses
// them. Elsewhere they pass without doing anything: the runner below starts them.
const char FRESH_PROCESS[] = "QUORVEL_FRESH_PROCESS";

class TextAreaLibraryTest : public ControlTest {
  protected:
    void SetUp() override {
        if (!GetEnvironmentVariableA(FRESH_PROCESS, 0, 0)) {
            GTEST_SKIP() << "runs in a process of its own";
        }
        ControlTest::SetUp();
        ASSERT_EQ(0, GetModuleHandleA("RICHED20.DLL")) << "a rich edit library was loaded before";
    }
};

// Without the rich edit 2.0 library the text area is the older control, class "RichEdit", and
// works as a text area; each library is asked for once in the process.
TEST_F(TextAreaLibraryTest, WithoutTheNewerLibraryTheOlderServes) {
    LoadCounter missing({"RICHED20.DLL"});
    for (ObjectNumber number : {AREA, (ObjectNumber)9}) {
        SCOPED_TRACE(number);
        HWND area = (HWND)CreateTextArea(number, 0, 0, 300, 200);
        ASSERT_NE((HWND)0, area);
        char className[32] = "";
        GetClassNameA(area, className, sizeof className);
        // Class names are compared without regard to case ("RICHEDIT" is the same class).
        EXPECT_EQ(0, lstrcmpiA("RichEdit", className)) << className;
        AddControlItem(number, -1, "one");
        AddControlItem(number, -1, "two");
        // A line of the code page, whose characters may take two bytes each.
        const std::string line = AnsiText(CodePageLine());
        AddControlItem(number, -1, line.c_str());
        // The older control may end its lines with LF alone, or with CR LF.
        std::string text = ControlText(number);
        EXPECT_TRUE(text == "one\r\ntwo\r\n" + line || text == "one\ntwo\n" + line) << text;
        ControlRecord *record = RecordOf(number);
        ASSERT_NE(nullptr, record);
        EXPECT_EQ(3, record->ops->countItems(record));
    }
    EXPECT_EQ((std::vector<std::string>{"RICHED20.DLL", "RICHED32.DLL"}), LoadCounter::loaded);
    EXPECT_EQ((HMODULE)0, richEdit20Module);
}

// With neither library there is no text area: every creation returns 0 and leaves no window and
// no record; each library is asked for once in the process.
TEST_F(TextAreaLibraryTest, WithNeitherLibraryNoTextAreaIsMade) {
    LoadCounter missing({"RICHED20.DLL", "RICHED32.DLL"});
    int windows = CountThreadWindows();
    HWND children = GetWindow(window, GW_CHILD);
    for (int attempt = 0; attempt < 3; attempt++) {
        SCOPED_TRACE(attempt);
        EXPECT_EQ(0, CreateTextArea(AREA, 0, 0, 300, 200));
        EXPECT_EQ(0, CreateTextArea(OBJECT_ANY, 0, 0, 300, 200));
        EXPECT_EQ(nullptr, RecordOf(AREA));
        EXPECT_EQ(windows, CountThreadWindows());
        EXPECT_EQ(children, GetWindow(window, GW_CHILD));
    }
    EXPECT_EQ((std::vector<std::string>{"RICHED20.DLL", "RICHED32.DLL"}), LoadCounter::loaded);
}

// Runs each of the tests above in a fresh process of this program and requires it to pass.
TEST(TextAreaLibraries, EachTestRunsInAFreshProcess) {
    if (GetEnvironmentVariableA(FRESH_PROCESS, 0, 0)) {
        GTEST_SKIP() << "already in the fresh process";
    }
    char self[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(0, self, MAX_PATH));
    for (const char *test :
         {"WithoutTheNewerLibraryTheOlderServes", "WithNeitherLibraryNoTextAreaIsMade"}) {
        SCOPED_TRACE(test);
        std::string commandLine = std::string("\"") + self +
                                  "\" --gtest_color=no "
                                  "--gtest_filter=TextAreaLibraryTest." +
                                  test;
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, 0, TRUE};
        HANDLE readEnd = 0, writeEnd = 0;
        ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        PROCESS_INFORMATION process = {};
        SetEnvironmentVariableA(FRESH_PROCESS, "1");
        BOOL started = CreateProcessA(self, &commandLine[0], 0, 0, TRUE, CREATE_NO_WINDOW, 0, 0,
                                      &startup, &process);
        SetEnvironmentVariableA(FRESH_PROCESS, 0);
        CloseHandle(writeEnd);
        ASSERT_TRUE(started);
        std::string output;
        char chunk[4096];
        DWORD read = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &read, 0) && read) {
            output.append(chunk, read);
        }
        CloseHandle(readEnd);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
        DWORD exitCode = 1;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        EXPECT_EQ(0u, exitCode) << output;
        EXPECT_NE(std::string::npos, output.find("[       OK ] TextAreaLibraryTest.")) << output;
    }
}

} // namespace
