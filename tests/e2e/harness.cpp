// Drives the real quorvel.exe from outside, as a user would.
#include "harness.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifndef QUORVEL_EXE_RELATIVE
#define QUORVEL_EXE_RELATIVE "..\\quorvel.exe"
#endif

bool WaitUntil(const std::function<bool()> &condition, DWORD limitMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start >= limitMs) {
            return condition();
        }
        Sleep(10);
    }
}

std::string QuorvelExePath() {
    char variable[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableA("QUORVEL_EXE", variable, sizeof variable);
    std::string path = length > 0 && length < sizeof variable ? variable : "";
    if (path.empty()) {
        path = BesideThisProgram("quorvel.exe");
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            path = BesideThisProgram(QUORVEL_EXE_RELATIVE);
        }
    }
    char full[MAX_PATH * 2];
    if (!GetFullPathNameA(path.c_str(), sizeof full, full, 0)) {
        return path;
    }
    return full;
}

// Input -----------------------------------------------------------------------------------------

static void SendOne(INPUT *input) {
    SendInput(1, input, sizeof *input);
}

// Where the mouse was last sent. Under Wine the pointer can bounce back to its previous place for
// a moment after a move, while the display catches up; every mouse event therefore carries the
// target position itself, so that a button goes down and up exactly there.
static POINT mouseTarget;

// Sends one mouse event at mouseTarget, in absolute coordinates that run from 0 to 65535 across
// the primary screen, aimed at the pixel's middle so that rounding either way lands on it.
static void SendMouse(DWORD flags) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (LONG)(((LONGLONG)mouseTarget.x * 65536 + 32768) / width);
    input.mi.dy = (LONG)(((LONGLONG)mouseTarget.y * 65536 + 32768) / height);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendOne(&input);
}

void MoveMouseTo(int x, int y) {
    mouseTarget.x = x;
    mouseTarget.y = y;
    SendMouse(0);
    WaitUntil([] {
        POINT cursor = {};
        GetCursorPos(&cursor);
        return cursor.x == mouseTarget.x && cursor.y == mouseTarget.y;
    });
}

void PressMouseButton() {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void ReleaseMouseButton() {
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void ClickAt(int x, int y) {
    MoveMouseTo(x, y);
    PressMouseButton();
    ReleaseMouseButton();
}

POINT WindowCentre(HWND window) {
    RECT area = {};
    GetWindowRect(window, &area);
    POINT centre = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    return centre;
}

void ClickWindow(HWND window) {
    POINT centre = WindowCentre(window);
    ClickAt(centre.x, centre.y);
}

static void SendKey(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = (WORD)MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    switch (virtualKey) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE: input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY; break;
    default: break;
    }
    SendOne(&input);
}

void KeyDown(WORD virtualKey) {
    SendKey(virtualKey, false);
}

void KeyUp(WORD virtualKey) {
    SendKey(virtualKey, true);
}

void PressKey(WORD virtualKey) {
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void PressKeyWith(WORD modifier, WORD virtualKey) {
    KeyDown(modifier);
    PressKey(virtualKey);
    KeyUp(modifier);
}

void TypeText(const char *text) {
    for (; *text; text++) {
        SHORT key = VkKeyScanA(*text);
        if (key == -1) {
            continue;
        }
        WORD virtualKey = LOBYTE(key);
        if (HIBYTE(key) & 1) {
            PressKeyWith(VK_SHIFT, virtualKey);
        } else {
            PressKey(virtualKey);
        }
    }
}

// What a user sees -----------------------------------------------------------------------------

std::wstring WindowTextW(HWND window) {
    // No length is asked for: a rich edit counts its length in characters, and from another
    // process it may answer none. The room grows until the copy leaves some of it unused.
    for (size_t room = 0x8000; room <= 0x1000000; room *= 4) {
        std::vector<wchar_t> buffer(room, 0);
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), (LPARAM)buffer.data(),
                                 SMTO_ABORTIFHUNG, WAIT_LIMIT_MS, &copied)) {
            return std::wstring();
        }
        if (copied + 1 < room) {
            return std::wstring(buffer.data(), wcsnlen(buffer.data(), copied));
        }
    }
    return std::wstring();
}

std::string WindowText(HWND window) {
    std::wstring text = WindowTextW(window);
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), 0, 0, 0, 0);
    std::string bytes(size > 0 ? size : 0, 0);
    WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), &bytes[0], size, 0, 0);
    return bytes;
}

std::string WindowClass(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, 0), &info)) {
        return 0;
    }
    return info.hwndFocus;
}

RECT RectInClientOf(HWND window, HWND reference) {
    RECT area = {};
    GetWindowRect(window, &area);
    MapWindowPoints(HWND_DESKTOP, reference, (POINT *)&area, 2);
    return area;
}

// The generated block ---------------------------------------------------------------------------

// True when text at offset holds exactly digits uppercase hexadecimal digits.
static bool HexAt(const std::string &text, size_t offset, size_t digits) {
    if (offset + digits > text.size()) {
        return false;
    }
    for (size_t i = offset; i < offset + digits; i++) {
        char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

// True when the line is the prefix followed by groups of "$" and digits hex digits separated by
// ", ".
static bool DataLine(const std::string &line, const char *prefix, int groups, size_t digits) {
    size_t length = strlen(prefix);
    if (line.compare(0, length, prefix) != 0) {
        return false;
    }
    size_t at = length;
    for (int group = 0; group < groups; group++) {
        if (group > 0) {
            if (line.compare(at, 3, ", $") != 0) {
                return false;
            }
            at += 3;
        }
        if (!HexAt(line, at, digits)) {
            return false;
        }
        at += digits;
    }
    return at == line.size();
}

BlockShape ReadBlock(const std::string &text) {
    BlockShape shape = {false, 0, std::string(), {}};
    std::vector<std::string> lines = SplitLines(text);
    size_t count = lines.size() >= 2 ? (lines.size() - 2) / 5 : 0;
    if (lines.size() < 2 || lines.size() != 2 + 5 * count) {
        shape.fault = "the block has " + std::to_string(lines.size()) + " lines, not 2 + 5 n";
        return shape;
    }
    if (lines.front() != "DataSection") {
        shape.fault = "line 1 is \"" + lines.front() + "\"";
        return shape;
    }
    if (lines.back() != "EndDataSection") {
        shape.fault = "the last line is \"" + lines.back() + "\"";
        return shape;
    }
    for (size_t i = 0; i < count; i++) {
        const std::string *entry = &lines[1 + 5 * i];
        std::string label = "  Uuid_Number_" + std::to_string(i + 1) + ":";
        const char *wrong = 0;
        if (entry[0] != label) {
            wrong = "label";
        } else if (!DataLine(entry[1], "  Data.l $", 1, 8)) {
            wrong = "Data.l";
        } else if (!DataLine(entry[2], "  Data.w $", 2, 4)) {
            wrong = "Data.w";
        } else if (!DataLine(entry[3], "  Data.b $", 8, 2)) {
            wrong = "Data.b";
        } else if (entry[4] != "  ") {
            wrong = "spacer";
        }
        if (wrong) {
            shape.fault =
                std::string("identifier ") + std::to_string(i + 1) + ": wrong " + wrong + " line";
            return shape;
        }
        shape.identifiers.push_back(entry[1] + entry[2] + entry[3]);
    }
    shape.valid = true;
    shape.count = (int)count;
    return shape;
}

bool IsCompleteBlock(const std::string &text) {
    const char last[] = "EndDataSection";
    return text.compare(0, 11, "DataSection") == 0 && text.size() >= sizeof last - 1 &&
           text.compare(text.size() - (sizeof last - 1), sizeof last - 1, last) == 0;
}

// The running tool ------------------------------------------------------------------------------

QuorvelTool::~QuorvelTool() {
    if (owned && IsRunning()) {
        Terminate();
    }
    if (process) {
        CloseHandle(process);
    }
}

struct MainWindowSearch {
    DWORD processId; // 0: any process
    HWND found;
};

static BOOL CALLBACK FindMainWindowProc(HWND window, LPARAM value) {
    MainWindowSearch *search = (MainWindowSearch *)value;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if ((search->processId == 0 || processId == search->processId) &&
        WindowClass(window) == "WindowClass_0" && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

bool QuorvelTool::FindWindows() {
    MainWindowSearch search = {processId, 0};
    EnumWindows(FindMainWindowProc, (LPARAM)&search);
    mainWindow = search.found;
    if (!mainWindow) {
        return false;
    }
    textArea = countEdit = countUpDown = startButton = copyButton = exitButton = 0;
    for (HWND child = GetWindow(mainWindow, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        std::string name = WindowClass(child);
        if (lstrcmpiA(name.c_str(), "Edit") == 0) {
            countEdit = child;
        } else if (lstrcmpiA(name.c_str(), "msctls_updown32") == 0) {
            countUpDown = child;
        } else if (_strnicmp(name.c_str(), "Rich", 4) == 0) {
            textArea = child;
        } else if (lstrcmpiA(name.c_str(), "Button") == 0) {
            char caption[64] = "";
            GetWindowTextA(child, caption, sizeof caption);
            if (strcmp(caption, "Start") == 0) {
                startButton = child;
            } else if (strcmp(caption, "Copy") == 0) {
                copyButton = child;
            } else if (strcmp(caption, "Exit") == 0) {
                exitButton = child;
            }
        }
    }
    return textArea && countEdit && countUpDown && startButton && copyButton && exitButton;
}

bool QuorvelTool::Launch() {
    std::string path = QuorvelExePath();
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        fault = "no program at " + path;
        return false;
    }
    std::string directory = path.substr(0, path.find_last_of('\\'));
    // The program's name alone, as a shell passes it: no argument.
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(path.c_str(), &commandLine[0], 0, 0, FALSE, 0, 0, directory.c_str(),
                        &startup, &started)) {
        fault = "CreateProcess failed with error " + std::to_string(GetLastError());
        return false;
    }
    CloseHandle(started.hThread);
    process = started.hProcess;
    processId = started.dwProcessId;
    owned = true;
    WaitForInputIdle(process, WAIT_LIMIT_MS);
    // Ready once its windows are there and the spin box shows its first count, which the
    // program sets after it has made its controls and before it waits for input.
    if (!WaitUntil([this] { return FindWindows() && !CountText().empty(); })) {
        fault = mainWindow ? "the main window does not show its five controls and its count"
                           : "no main window of class WindowClass_0";
        return false;
    }
    return true;
}

bool QuorvelTool::Attach() {
    processId = 0;
    if (!FindWindows()) {
        fault = "no running quorvel.exe with its controls";
        return false;
    }
    GetWindowThreadProcessId(mainWindow, &processId);
    process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    owned = false;
    return process != 0;
}

bool QuorvelTool::IsRunning() const {
    return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

bool QuorvelTool::WaitForExit(DWORD *exitCode) {
    if (!process || WaitForSingleObject(process, WAIT_LIMIT_MS) != WAIT_OBJECT_0) {
        return false;
    }
    return GetExitCodeProcess(process, exitCode) != 0;
}

void QuorvelTool::Terminate() {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, WAIT_LIMIT_MS);
}

bool QuorvelTool::StartAndWait(std::string *text) {
    std::string before = Text();
    ClickWindow(startButton);
    return WaitUntil([&] {
        *text = Text();
        return IsCompleteBlock(*text) && *text != before;
    });
}

POINT QuorvelTool::UpArrow() const {
    RECT area = {};
    GetWindowRect(countUpDown, &area);
    POINT point = {(area.left + area.right) / 2, area.top + (area.bottom - area.top) / 4};
    return point;
}

POINT QuorvelTool::DownArrow() const {
    RECT area = {};
    GetWindowRect(countUpDown, &area);
    POINT point = {(area.left + area.right) / 2, area.bottom - 1 - (area.bottom - area.top) / 4};
    return point;
}

bool QuorvelTool::TypeCount(const char *text) {
    ClickWindow(countEdit);
    // Keys go where the focus is when they arrive: wait until the click has put it there.
    if (!WaitUntil([this] { return FocusOf(countEdit) == countEdit; })) {
        fault = "the count field does not take the focus";
        return false;
    }
    PressKey(VK_END);
    PressKeyWith(VK_SHIFT, VK_HOME);
    if (*text) {
        TypeText(text);
    } else {
        PressKey(VK_DELETE);
    }
    if (!WaitUntil([this, text] { return CountText() == text; })) {
        fault = "the count field shows \"" + CountText() + "\", not \"" + text + "\"";
        return false;
    }
    return true;
}
