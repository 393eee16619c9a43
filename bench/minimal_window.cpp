// The smallest program of the tool's kind: one empty window with a 600 x 300 client area, a title
// bar and a close box, and a message loop. It is built with the tool's own compiler and flags and
// serves as the baseline of the start-up time and program size figures.
#include <windows.h>

static const char MINIMAL_CLASS[] = "MinimalWindow";

// Ends the message loop when the window is closed.
static LRESULT CALLBACK MinimalWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Starts without the C runtime's start-up code, as the tool does. Never returns.
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void WINAPI StartProgram();
extern "C" __attribute__((noreturn, force_align_arg_pointer)) void WINAPI StartProgram() {
    HINSTANCE instance = GetModuleHandleA(0);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MinimalWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(0, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = MINIMAL_CLASS;
    RegisterClassA(&windowClass);

    const DWORD style = WS_CAPTION | WS_SYSMENU;
    RECT frame = {0, 0, 600, 300};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = CreateWindowExA(0, MINIMAL_CLASS, "Minimal", style | WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  0, 0, instance, 0);
    if (window) {
        MSG message;
        while (GetMessageA(&message, 0, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    ExitProcess(0);
}
