// Helpers shared by the test programs.
#include "test_support.h"

#include <stdio.h>
#include <string.h>

#include "runtime/heaps.h"
#include "runtime/process_globals.h"
#include "runtime/string_engine.h"
#if QUORVEL_TEST_LAYER >= 2
#include "windows/window_objects.h"
#endif
#if QUORVEL_TEST_LAYER >= 3
#include "controls/control_core.h"
#endif

void StartRuntimeForTests() {
    moduleHandle = GetModuleHandleA(0);
    processHeap = HeapCreate(0, 4096, 0);
    InitStringEngine();
    CreateObjectHeap();
#if QUORVEL_TEST_LAYER >= 2
    InitWindowLibrary();
#endif
#if QUORVEL_TEST_LAYER >= 3
    InitControlLibrary();
#endif
}

#if QUORVEL_TEST_LAYER >= 3
std::string ControlText(ObjectNumber number) {
    int mark = stringBuffer.cursor;
    GetControlText(number, mark);
    std::string text(stringBuffer.base + mark, stringBuffer.cursor - mark);
    stringBuffer.cursor = mark;
    return text;
}
#endif

std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

std::string AnsiText(const std::wstring &text) {
    if (text.empty()) {
        return std::string();
    }
    // UTF-8 has every character and takes no question of a default one.
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL *defaultedAt = utf8 ? nullptr : &defaulted;
    int size = WideCharToMultiByte(CP_ACP, flags, text.data(), (int)text.size(), 0, 0, 0, 0);
    std::string bytes(size > 0 ? size : 0, 0);
    WideCharToMultiByte(CP_ACP, flags, text.data(), (int)text.size(), &bytes[0], size, 0,
                        defaultedAt);
    return defaulted || size <= 0 ? std::string() : bytes;
}

std::wstring WideText(const std::string &text) {
    if (text.empty()) {
        return std::wstring();
    }
    int size = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), 0, 0);
    std::wstring wide(size > 0 ? size : 0, 0);
    MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], size);
    return wide;
}

std::wstring CodePageLine() {
    static const wchar_t *const lines[] = {
        // "Chinese memo: UUID list", in code page 936 and not in 932.
        L"\u4E2D\u6587\u7684\u5907\u5FD8\u5F55\uFF1A\uFF35\uFF35\uFF29\uFF24\u4E00\u89C8\u8868",
        // "Japanese memo: UUID list", in code page 932.
        L"\u65E5\u672C\u8A9E\u306E\u30E1\u30E2\uFF1A\uFF35\uFF35\uFF29\uFF24\u4E00\u89A7",
        // Western European, in code page 1252: accents, the en dash, the euro sign, a half.
        L"Gr\u00FC\u00DFe \u2013 \u00DCbersicht: 10 \u20AC f\u00FCr \u00BD",
    };
    for (const wchar_t *line : lines) {
        if (!AnsiText(line).empty()) {
            return line;
        }
    }
    return L"memo: UUID list";
}

// Opens the clipboard, waiting up to a second while another reader (Wine's own clipboard
// synchronisation among them) has it open for a moment. It opens with a message-only window of the
// calling thread: Wine lets a second OpenClipboard without a window succeed while another thread
// holds the clipboard opened without one too, so that a test polling the clipboard could close it
// under the program's Copy; with a window of its own, the open waits, as on Windows.
static bool OpenClipboardWaiting() {
    thread_local HWND opener =
        CreateWindowExA(0, "STATIC", "clipboard reader", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    for (int attempt = 0; attempt < 50; attempt++) {
        if (OpenClipboard(opener)) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

// The bytes of a clipboard format as another program reads them, up to the block's size; false
// when the format is not there or the clipboard cannot be opened.
static bool ReadClipboardBytes(UINT format, std::string *bytes) {
    if (!OpenClipboardWaiting()) {
        return false;
    }
    bool found = false;
    HANDLE data = GetClipboardData(format);
    if (data) {
        const char *address = (const char *)GlobalLock(data);
        if (address) {
            *bytes = std::string(address, GlobalSize(data));
            found = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return found;
}

// Replaces the clipboard's content with the bytes as one format, as another program copies them.
static bool WriteClipboardBytes(UINT format, const void *bytes, SIZE_T size) {
    if (!OpenClipboardWaiting()) {
        return false;
    }
    EmptyClipboard();
    bool written = false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block) {
        memcpy(GlobalLock(block), bytes, size);
        GlobalUnlock(block);
        written = SetClipboardData(format, block) != 0;
        if (!written) {
            GlobalFree(block);
        }
    }
    CloseClipboard();
    return written;
}

bool ReadClipboardText(std::string *text) {
    std::string bytes;
    if (!ReadClipboardBytes(CF_TEXT, &bytes)) {
        return false;
    }
    *text = std::string(bytes.c_str(), strnlen(bytes.c_str(), bytes.size()));
    return true;
}

bool ReadClipboardUnicodeText(std::wstring *text) {
    std::string bytes;
    if (!ReadClipboardBytes(CF_UNICODETEXT, &bytes)) {
        return false;
    }
    std::wstring wide(bytes.size() / sizeof(wchar_t), 0);
    memcpy(&wide[0], bytes.data(), wide.size() * sizeof(wchar_t));
    *text = std::wstring(wide.c_str(), wcsnlen(wide.c_str(), wide.size()));
    return true;
}

bool WriteClipboardUnicodeText(const std::wstring &text) {
    return WriteClipboardBytes(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

bool WriteClipboardText(const std::string &text) {
    return WriteClipboardBytes(CF_TEXT, text.c_str(), text.size() + 1);
}

OtherThreadWindow::OtherThreadWindow(DWORD style, int childId) : style(style), childId(childId) {
    ready = CreateEventA(0, TRUE, FALSE, 0);
    thread = CreateThread(0, 0, Run, this, 0, &threadId);
    WaitForSingleObject(ready, 5000);
}

OtherThreadWindow::~OtherThreadWindow() {
    PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(ready);
}

DWORD WINAPI OtherThreadWindow::Run(void *context) {
    OtherThreadWindow *self = (OtherThreadWindow *)context;
    HWND top = CreateWindowExA(0, "STATIC", "other thread", self->style, 500, 400, 200, 100, 0, 0,
                               moduleHandle, 0);
    self->window = top;
    if (self->childId >= 0) {
        self->window = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, top,
                                       (HMENU)(INT_PTR)self->childId, moduleHandle, 0);
    }
    if (self->style & WS_VISIBLE) {
        SetForegroundWindow(top);
    }
    // The message queue exists once a window does: the quit posted later cannot be lost.
    SetEvent(self->ready);
    MSG message;
    while (GetMessageA(&message, 0, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    DestroyWindow(top);
    return 0;
}

bool IsImeWindow(HWND window) {
    char name[8] = "";
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, "IME") == 0;
}

static BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    if (!IsImeWindow(window)) {
        ++*(int *)count;
    }
    return TRUE;
}

int CountThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, (LPARAM)&count);
    return count;
}

bool IsBusyHeapBlock(HANDLE heap, const void *block) {
    PROCESS_HEAP_ENTRY entry = {};
    bool found = false;
    while (!found && HeapWalk(heap, &entry)) {
        found = entry.lpData == block && (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY);
    }
    return found;
}

void ForEachBusyBlock(HANDLE heap, const std::function<void(const PROCESS_HEAP_ENTRY &)> &visit) {
    bool serialised = heap != StringHeap;
    if (serialised) {
        HeapLock(heap);
    }
    PROCESS_HEAP_ENTRY entry = {};
    while (HeapWalk(heap, &entry)) {
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
            visit(entry);
        }
    }
    if (serialised) {
        HeapUnlock(heap);
    }
}

int CountBusyBlocks(HANDLE heap) {
    int busy = 0;
    ForEachBusyBlock(heap, [&busy](const PROCESS_HEAP_ENTRY &) { busy++; });
    return busy;
}

ClipboardHolderProcess::ClipboardHolderProcess() : process() {
    sprintf(heldName, "QuorvelClipboardHeld%lu", GetCurrentProcessId());
    sprintf(releaseName, "QuorvelClipboardRelease%lu", GetCurrentProcessId());
    held = CreateEventA(0, TRUE, FALSE, heldName);
    release = CreateEventA(0, TRUE, FALSE, releaseName);
}

ClipboardHolderProcess::~ClipboardHolderProcess() {
    Finish();
    CloseHandle(held);
    CloseHandle(release);
}

bool ClipboardHolderProcess::Start() {
    ResetEvent(held);
    ResetEvent(release);
    std::string path = BesideThisProgram("clipboard_holder.exe");
    std::string commandLine = "\"" + path + "\" " + heldName + " " + releaseName;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(path.c_str(), &commandLine[0], 0, 0, FALSE, CREATE_NO_WINDOW, 0, 0,
                        &startup, &process)) {
        return false;
    }
    HANDLE waits[] = {held, process.hProcess};
    return WaitForMultipleObjects(2, waits, FALSE, 30000) == WAIT_OBJECT_0;
}

std::string BesideThisProgram(const char *relative) {
    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(0, self, MAX_PATH);
    std::string path(self, length < MAX_PATH ? length : 0);
    path = path.substr(0, path.find_last_of('\\') + 1) + relative;
    for (char &c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

static DWORD WINAPI RunCheck(void *check) {
    return ((bool (*)())check)() ? 1 : 0;
}

bool TrueOnAnotherThread(bool (*check)()) {
    HANDLE thread = CreateThread(0, 0, RunCheck, (void *)check, 0, 0);
    if (!thread) {
        return false;
    }
    DWORD found = 0;
    if (WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0) {
        GetExitCodeThread(thread, &found);
    }
    CloseHandle(thread);
    return found == 1;
}

bool ClipboardHolderProcess::IsHolding() const {
    return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

void ClipboardHolderProcess::LetGo() {
    SetEvent(release);
}

DWORD ClipboardHolderProcess::Finish() {
    DWORD code = 0xFFFFFFFF;
    if (process.hProcess) {
        SetEvent(release);
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process.hProcess = 0;
    }
    return code;
}

extern "C" BOOL(WINAPI *importedOpenClipboard)(HWND) __asm__("__imp__OpenClipboard@4");

HolderLetsGoWhenMet::HolderLetsGoWhenMet(ClipboardHolderProcess *letGo)
    : watching(&importedOpenClipboard, WatchedOpenClipboard) {
    holder = letGo;
    refusals = 0;
    platformOpenClipboard = watching.platform;
}

BOOL WINAPI HolderLetsGoWhenMet::WatchedOpenClipboard(HWND owner) {
    BOOL opened = platformOpenClipboard(owner);
    if (!opened && refusals++ == 0) {
        holder->LetGo();
    }
    return opened;
}
