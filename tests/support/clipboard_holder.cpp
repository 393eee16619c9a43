// Holds the system clipboard open on behalf of a test, as another program would:
//
//   clipboard_holder HELD_EVENT RELEASE_EVENT
//
// Opens the clipboard with a window of its own, signals the named event HELD_EVENT, and closes the
// clipboard once the named event RELEASE_EVENT is signalled, or after 30 seconds. Exit code 0 when
// it held the clipboard, 1 when the clipboard could not be opened, 2 on a bad command line.
#include <windows.h>

int main(int argc, char **argv) {
    if (argc != 3) {
        return 2;
    }
    HANDLE held = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (!held || !release) {
        return 2;
    }
    // The clipboard is held by the window that opened it: a program that opens it without a
    // window does not keep out others that do the same.
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, 0);
    if (!window || !OpenClipboard(window)) {
        return 1;
    }
    SetEvent(held);
    WaitForSingleObject(release, 30000);
    CloseClipboard();
    DestroyWindow(window);
    return 0;
}
