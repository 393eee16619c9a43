// The tool's window without the runtime: plain Win32 code that makes the same main window and the
// same five controls, with the same classes, styles, sizes, manifest and font, sets the count to 1,
// and runs a message loop; nothing else. Built with the tool's own compiler, flags and resources,
// it is the raw baseline of the start-up figure: what remains above it is the runtime's own.
#include <windows.h>

#include <commctrl.h>

static const char RAW_CLASS[] = "RawToolWindow";

// Ends the message loop when the window is closed.
static LRESULT CALLBACK RawWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static HWND Child(DWORD exStyle, const char *className, const char *text, DWORD style, int x, int y,
                  int width, int height, HWND parent, HINSTANCE instance) {
    HWND child = CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent,
                                 (HMENU)-1, instance, 0);
    SendMessageA(child, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), 1);
    return child;
}

// Starts without the C runtime's start-up code, as the tool does. Never returns.
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void WINAPI StartProgram();
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void WINAPI StartProgram() {
    HINSTANCE instance = GetModuleHandleA(0);
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;
    InitCommonControlsEx(&classes);

    WNDCLASSA windowClass = {};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = RawWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = RAW_CLASS;
    RegisterClassA(&windowClass);

    const DWORD style = WS_CAPTION | WS_SYSMENU;
    RECT frame = {0, 0, 600, 300};
    AdjustWindowRect(&frame, style, FALSE);
    HWND window =
        CreateWindowExA(0, RAW_CLASS, "Quorvel v1.01", style, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, 0, 0, instance, 0);
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        HWND edit =
            Child(WS_EX_CLIENTEDGE, "EDIT", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_RIGHT, 230,
                  270, 68, 25, window, instance);
        HWND upDown =
            Child(0, UPDOWN_CLASSA, 0,
                  WS_CHILD | WS_VISIBLE | UDS_ARROWKEYS | UDS_NOTHOUSANDS | UDS_SETBUDDYINT, 298,
                  270, 12, 25, window, instance);
        SendMessageA(upDown, UDM_SETBUDDY, (WPARAM)edit, 0);
        SendMessageA(upDown, UDM_SETRANGE, 0, MAKELPARAM(99, 1));
        const DWORD button = WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP;
        Child(0, "Button", "Start", button, 10, 270, 100, 25, window, instance);
        Child(0, "Button", "Copy", button, 120, 270, 100, 25, window, instance);
        Child(0, "Button", "Exit", button, 490, 270, 100, 25, window, instance);
        LoadLibraryA("RICHED20.DLL");
        HWND text =
            Child(WS_EX_CLIENTEDGE, "RichEdit20A", 0,
                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_WANTRETURN |
                      ES_NOHIDESEL | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_MULTILINE,
                  0, 0, 600, 260, window, instance);
        SendMessageA(text, EM_LIMITTEXT, 0x7FFFFFFF, 0);
        SendMessageA(upDown, UDM_SETPOS, 0, 1);
        MSG message;
        while (GetMessageA(&message, 0, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    ExitProcess(0);
}
