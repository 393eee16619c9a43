// start99_vs_settext: the Start action at count 99 in the tool's own main window, against one
// WM_SETTEXT of the same text into a fresh rich edit control of the same size: how far the
// line-by-line road is from the control's own floor. Both times run until the window has painted
// the result.
#include <richedit.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "bench_support.h"
#include "controls/control_core.h"
#include "runtime/string_engine.h"
#include "windows/window_objects.h"
#include "test_support.h"

namespace {

const int REPETITIONS = 21;
const char HOST_CLASS[] = "BenchRichEditHost";

// Paints whatever the action left invalid in the window and its children, now.
void PaintNow(HWND window) {
    RedrawWindow(window, 0, 0, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// A plain top-level window of the main window's size, below it on the screen, that holds the
// fresh rich edit controls of the baseline.
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

// A rich edit control as the text area makes it, with the same class, styles, size and font.
HWND CreateFreshRichEdit(HWND host, HWND textArea) {
    char className[64] = "";
    GetClassNameA(textArea, className, sizeof className);
    RECT area = {};
    GetClientRect(GetParent(textArea), &area);
    HWND control = CreateWindowExA(WS_EX_CLIENTEDGE, className, 0,
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                                       ES_WANTRETURN | ES_NOHIDESEL | ES_AUTOHSCROLL |
                                       ES_AUTOVSCROLL | ES_MULTILINE,
                                   0, 0, 600, 260, host, 0, GetModuleHandleA(0), 0);
    SendMessageA(control, EM_LIMITTEXT, 0xFFFFFFFF, 0);
    SendMessageA(control, WM_SETFONT, (WPARAM)defaultFont, 1);
    PaintNow(host);
    return control;
}

} // namespace

void MeasureStart99AgainstSetText() {
    const char *name = "start99_vs_settext";
    quitFlag = 0;
    OpenMainWindow();
    HWND mainWindow = WindowHandleOf(WINDOW_MAIN);
    ControlRecord *textArea = (ControlRecord *)ObjectTableFind(controlTable, CONTROL_TEXT);
    if (!mainWindow || !textArea) {
        ReportFailure(name, "the main window did not open");
        return;
    }
    SetWindowPos(mainWindow, 0, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetControlState(CONTROL_COUNT, 99);
    HWND host = OpenHostWindow(mainWindow);
    // One Start and one fresh control first: the libraries' first use is not what is measured.
    HandleControlEvent(CONTROL_START, BN_CLICKED);
    DestroyWindow(CreateFreshRichEdit(host, textArea->handle));
    SettleEvents();

    // Both roads start from an empty control: the Start from an emptied text area, WM_SETTEXT in
    // a fresh control. A Start that replaces a block is timed too, for the record.
    std::vector<double> start, replacing, setText;
    for (int i = 0; i < REPETITIONS; i++) {
        ClearControlItems(CONTROL_TEXT);
        SettleEvents();
        double begin = NowMs();
        HandleControlEvent(CONTROL_START, BN_CLICKED);
        PaintNow(mainWindow);
        start.push_back(NowMs() - begin);
        SettleEvents();
        std::string text = ControlText(CONTROL_TEXT);

        begin = NowMs();
        HandleControlEvent(CONTROL_START, BN_CLICKED);
        PaintNow(mainWindow);
        replacing.push_back(NowMs() - begin);
        SettleEvents();
        ClearControlItems(CONTROL_TEXT);
        SettleEvents();

        HWND fresh = CreateFreshRichEdit(host, textArea->handle);
        begin = NowMs();
        SendMessageA(fresh, WM_SETTEXT, 0, (LPARAM)text.c_str());
        PaintNow(host);
        setText.push_back(NowMs() - begin);
        DestroyWindow(fresh);
        SettleEvents();
    }
    DestroyWindow(host);
    UnregisterClassA(HOST_CLASS, GetModuleHandleA(0));
    ShutdownLibraries();
    ReportDetail("%s: Start into the emptied text area %.1f ms, Start replacing a block %.1f ms, "
                 "WM_SETTEXT into a fresh control %.1f ms (medians of %d)",
                 name, Median(start), Median(replacing), Median(setText), REPETITIONS);
    ReportFigure(name, MedianRatio(start, setText));
}
