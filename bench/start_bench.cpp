// start99: the Start action at count 99 in the tool's own main window, against two baselines in
// a fresh rich edit control of the same class, styles, size and font: one WM_SETTEXT of the same
// text (start99_vs_settext: how far the line-by-line road is from the control's own floor), and
// plain Win32 code that does the same Start without the runtime: the identifiers from UuidCreate,
// each line written with snprintf, and exactly the messages that the text area sends, in the same
// order (start99_vs_raw: the runtime's own share). All three are timed until the window has
// painted the result.
#include <richedit.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "bench_support.h"
#include "controls/control_core.h"
#include "runtime/string_engine.h"
#include "windows/window_objects.h"
#include "test_support.h"

namespace {

const int ROUNDS = 21;
const int COUNT = 99;
const char HOST_CLASS[] = "BenchRichEditHost";

// Paints whatever the action left invalid in the window and its children, now.
void PaintNow(HWND window) {
    RedrawWindow(window, 0, 0, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// A plain top-level window of the main window's size, below it on the screen, that holds the
// fresh rich edit controls of the baselines.
HWND OpenHostWindow(HWND mainWindow) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(0);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = HOST_CLASS;
    RegisterClassA(&windowClass);
    RECT frame = {};
    GetWindowRect(mainWindow, &frame);
    return CreateWindowExA(0, HOST_CLASS, "baseline", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0,
                           frame.bottom - frame.top + 20, frame.right - frame.left,
                           frame.bottom - frame.top, 0, 0, GetModuleHandleA(0), 0);
}

// A rich edit control as the text area makes it, with the same class, styles, size, text limit
// and font.
HWND CreateFreshRichEdit(HWND host, HWND textArea) {
    char className[64] = "";
    GetClassNameA(textArea, className, sizeof className);
    HWND control = CreateWindowExA(WS_EX_CLIENTEDGE, className, 0,
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                                       ES_WANTRETURN | ES_NOHIDESEL | ES_AUTOHSCROLL |
                                       ES_AUTOVSCROLL | ES_MULTILINE,
                                   0, 0, 600, 260, host, 0, GetModuleHandleA(0), 0);
    SendMessageA(control, EM_LIMITTEXT, 0x7FFFFFFF, 0);
    SendMessageA(control, WM_SETFONT, (WPARAM)defaultFont, 1);
    PaintNow(host);
    return control;
}

// The text area's append of one line, as plain messages.
void AppendLine(HWND control, const char *line) {
    SendMessageA(control, EM_LINEINDEX, (WPARAM)-1, 0);
    SendMessageA(control, EM_HIDESELECTION, 1, 0);
    LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(control, EM_SETSEL, (WPARAM)length, length);
    if (length) {
        SendMessageA(control, EM_REPLACESEL, 1, (LPARAM) "\n");
    }
    SendMessageA(control, EM_REPLACESEL, 1, (LPARAM)line);
    SendMessageA(control, EM_HIDESELECTION, 0, 0);
}

// Start at 99 without the runtime: the same identifiers' source, lines and messages, the repaints
// held and one paint after.
void RawStart(HWND control) {
    SendMessageA(control, WM_SETREDRAW, FALSE, 0);
    SetWindowTextA(control, "");
    AppendLine(control, "DataSection");
    for (int i = 1; i <= COUNT; i++) {
        char line[64];
        snprintf(line, sizeof line, "  Uuid_Number_%d:", i);
        AppendLine(control, line);
        UUID uuid = {};
        UuidCreate(&uuid);
        snprintf(line, sizeof line, "  Data.l $%08lX", (unsigned long)uuid.Data1);
        AppendLine(control, line);
        snprintf(line, sizeof line, "  Data.w $%04X, $%04X", uuid.Data2, uuid.Data3);
        AppendLine(control, line);
        snprintf(line, sizeof line,
                 "  Data.b $%02X, $%02X, $%02X, $%02X, $%02X, $%02X, $%02X, $%02X", uuid.Data4[0],
                 uuid.Data4[1], uuid.Data4[2], uuid.Data4[3], uuid.Data4[4], uuid.Data4[5],
                 uuid.Data4[6], uuid.Data4[7]);
        AppendLine(control, line);
        AppendLine(control, "  ");
    }
    AppendLine(control, "EndDataSection");
    SendMessageA(control, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(control, 0, 0, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
}

struct Start99 {
    HWND mainWindow;
    HWND textArea;
    HWND host;
    std::vector<double> replacing;
};

const int SETTEXT = 0;
const int RAW = 1;

// One round: the tool's Start, WM_SETTEXT of its text into a fresh control, the raw Start into
// another; and, for the record, a second Start that replaces the block.
bool TimeStart99(Rounds *times, std::string *fault, void *context) {
    Start99 *bench = (Start99 *)context;
    ClearControlItems(CONTROL_TEXT);
    SettleEvents();
    double begin = NowMs();
    HandleControlEvent(CONTROL_START, BN_CLICKED);
    PaintNow(bench->mainWindow);
    times->subject.push_back(NowMs() - begin);
    SettleEvents();
    std::string text = ControlText(CONTROL_TEXT);
    if (SplitLines(text).size() != 2 + 5 * COUNT) {
        *fault = "Start wrote no block of 99";
        return false;
    }

    HWND fresh = CreateFreshRichEdit(bench->host, bench->textArea);
    begin = NowMs();
    SendMessageA(fresh, WM_SETTEXT, 0, (LPARAM)text.c_str());
    PaintNow(bench->host);
    times->baselines[SETTEXT].push_back(NowMs() - begin);
    DestroyWindow(fresh);
    SettleEvents();

    fresh = CreateFreshRichEdit(bench->host, bench->textArea);
    begin = NowMs();
    RawStart(fresh);
    PaintNow(bench->host);
    times->baselines[RAW].push_back(NowMs() - begin);
    int rawLength = GetWindowTextLengthA(fresh);
    DestroyWindow(fresh);
    SettleEvents();
    if (rawLength != (int)text.size()) {
        *fault = "the raw Start wrote another text";
        return false;
    }

    begin = NowMs();
    HandleControlEvent(CONTROL_START, BN_CLICKED);
    PaintNow(bench->mainWindow);
    bench->replacing.push_back(NowMs() - begin);
    SettleEvents();
    return true;
}

} // namespace

void MeasureStart99() {
    const RatioFigure ratios[] = {{"start99_vs_settext", SETTEXT}, {"start99_vs_raw", RAW}};
    quitFlag = 0;
    OpenMainWindow();
    Start99 bench = {WindowHandleOf(WINDOW_MAIN), 0, 0, {}};
    ControlRecord *textArea = (ControlRecord *)ObjectTableFind(controlTable, CONTROL_TEXT);
    if (!bench.mainWindow || !textArea) {
        for (const RatioFigure &ratio : ratios) {
            ReportFailure(ratio.name, "the main window did not open");
        }
        return;
    }
    bench.textArea = textArea->handle;
    SetWindowPos(bench.mainWindow, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetControlState(CONTROL_COUNT, COUNT);
    bench.host = OpenHostWindow(bench.mainWindow);
    // One of each first: the libraries' first use is not what is measured.
    HandleControlEvent(CONTROL_START, BN_CLICKED);
    HWND fresh = CreateFreshRichEdit(bench.host, bench.textArea);
    RawStart(fresh);
    DestroyWindow(fresh);
    SettleEvents();

    Rounds times;
    if (MeasureRatios(ROUNDS, TimeStart99, &bench, ratios, 2, &times)) {
        ReportDetail("start99: Start into the emptied text area %.1f ms, WM_SETTEXT into a fresh "
                     "control %.1f ms, the raw Start %.1f ms, Start replacing a block %.1f ms "
                     "(medians of %d rounds)",
                     Median(times.subject), Median(times.baselines[SETTEXT]),
                     Median(times.baselines[RAW]), Median(bench.replacing), ROUNDS);
    }
    DestroyWindow(bench.host);
    UnregisterClassA(HOST_CLASS, GetModuleHandleA(0));
    ShutdownLibraries();
}
