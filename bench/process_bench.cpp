// The figures of whole programs: start-up time and program size against the minimal window
// program, and the growth of the tool's committed memory over 1,000 Start actions.
#include <windows.h>

#include <psapi.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "bench_support.h"
#include "harness.h"

namespace {

const int STARTUP_REPETITIONS = 31;
const int START_ACTIONS = 1000;
const double STARTUP_LIMIT_MS = 20000;

struct WindowSearch {
    DWORD processId;
    const char *className;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM value) {
    WindowSearch *search = (WindowSearch *)value;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (processId == search->processId && lstrcmpA(className, search->className) == 0 &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The child of the window with the class, or 0.
HWND ChildOfClass(HWND window, const char *className) {
    return FindWindowExA(window, 0, className, 0);
}

// A program's start, timed up to the moment its main window is idle: the process has waited for
// input once, its visible main window of the class is there, complete (for the tool: the count
// shows in the spin box, which the tool sets once its controls are made), and answers a message.
// Returns the time in milliseconds, or a negative value on failure; the program is then closed.
double TimeStartup(const std::string &path, const char *className, bool isTool) {
    std::string commandLine = "\"" + path + "\"";
    std::string directory = path.substr(0, path.find_last_of('\\'));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    double begin = NowMs();
    if (!CreateProcessA(path.c_str(), &commandLine[0], 0, 0, FALSE, 0, 0, directory.c_str(),
                        &startup, &started)) {
        return -1;
    }
    WaitForInputIdle(started.hProcess, (DWORD)STARTUP_LIMIT_MS);
    WindowSearch search = {started.dwProcessId, className, 0};
    double elapsed = -1;
    while (NowMs() - begin < STARTUP_LIMIT_MS) {
        if (!search.found) {
            EnumWindows(FindProcessWindow, (LPARAM)&search);
        }
        bool complete = search.found != 0;
        if (complete && isTool) {
            // The window text of another process's control is only had by asking it.
            HWND edit = ChildOfClass(search.found, "Edit");
            DWORD_PTR length = 0;
            complete = edit &&
                       SendMessageTimeoutA(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                                           (UINT)STARTUP_LIMIT_MS, &length) &&
                       length > 0;
        }
        DWORD_PTR answer = 0;
        if (complete && SendMessageTimeoutA(search.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                            (UINT)STARTUP_LIMIT_MS, &answer)) {
            elapsed = NowMs() - begin;
            break;
        }
        Sleep(1);
    }
    if (search.found) {
        PostMessageA(search.found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(started.hProcess, (DWORD)STARTUP_LIMIT_MS) != WAIT_OBJECT_0) {
        TerminateProcess(started.hProcess, 1);
        WaitForSingleObject(started.hProcess, (DWORD)STARTUP_LIMIT_MS);
        elapsed = -1;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return elapsed;
}

long long FileBytes(const std::string &path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// The process's committed private memory.
double CommittedBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) {
        return -1;
    }
    return (double)counters.PagefileUsage;
}

// The programs of the start-up figure: the tool and its two baselines.
struct Startup {
    std::string tool;
    std::string minimal;
    std::string raw;
};

const int MINIMAL = 0;
const int RAW = 1;

// One round: the tool, the minimal window, the raw window, each started and timed until idle.
bool TimeStartups(Rounds *times, std::string *fault, void *context) {
    const Startup *programs = (const Startup *)context;
    double tool = TimeStartup(programs->tool, "WindowClass_0", true);
    double minimal = TimeStartup(programs->minimal, "MinimalWindow", false);
    double raw = TimeStartup(programs->raw, "RawToolWindow", true);
    if (tool < 0 || minimal < 0 || raw < 0) {
        *fault = tool < 0      ? "quorvel.exe did not start"
                 : minimal < 0 ? "minimal_window.exe did not start"
                               : "raw_window.exe did not start";
        return false;
    }
    times->subject.push_back(tool);
    times->baselines[MINIMAL].push_back(minimal);
    times->baselines[RAW].push_back(raw);
    return true;
}

} // namespace

void MeasureStartup() {
    const RatioFigure ratios[] = {{"startup_vs_minimal", MINIMAL}, {"startup_vs_raw", RAW}};
    Startup programs = {BuildProgramPath("quorvel.exe"),
                        BuildProgramPath("bench\\minimal_window.exe"),
                        BuildProgramPath("bench\\raw_window.exe")};
    // One start of each first: the system's files are then in the cache for all three.
    std::string fault;
    Rounds warm;
    TimeStartups(&warm, &fault, &programs);
    Rounds times;
    if (MeasureRatios(STARTUP_REPETITIONS, TimeStartups, &programs, ratios, 2, &times)) {
        ReportDetail("startup: quorvel.exe %.1f ms, minimal_window.exe %.1f ms, raw_window.exe "
                     "%.1f ms (medians of %d rounds)",
                     Median(times.subject), Median(times.baselines[MINIMAL]),
                     Median(times.baselines[RAW]), STARTUP_REPETITIONS);
    }
}

void MeasureProgramSize() {
    long long tool = FileBytes(BuildProgramPath("quorvel.exe"));
    long long minimal = FileBytes(BuildProgramPath("bench\\minimal_window.exe"));
    if (tool <= 0 || minimal <= 0) {
        ReportFailure("exe_bytes", "a program file is missing");
        return;
    }
    ReportFigure("exe_bytes", (double)tool, 0);
    ReportFigure("exe_vs_minimal", (double)tool / (double)minimal);
}

void MeasureMemoryGrowth() {
    const char *name = "memory_growth_start99_x1000";
    QuorvelTool tool;
    if (!tool.Launch()) {
        ReportFailure(name, tool.fault);
        return;
    }
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, tool.processId);
    if (!process || !tool.TypeCount("99")) {
        ReportFailure(name, process ? "the count could not be set to 99"
                                    : "the tool's process cannot be queried");
        if (process) {
            CloseHandle(process);
        }
        return;
    }
    double first = 0;
    double begin = NowMs();
    for (int i = 1; i <= START_ACTIONS; i++) {
        std::string text;
        if (!tool.StartAndWait(&text) || ReadBlock(text).count != 99) {
            ReportFailure(name, "Start number " + std::to_string(i) + " gave no block of 99");
            CloseHandle(process);
            return;
        }
        if (i == 1) {
            first = CommittedBytes(process);
        }
    }
    double last = CommittedBytes(process);
    ReportDetail("%s: PagefileUsage %.0f KiB after Start 1, %.0f KiB after Start %d (%.0f s)", name,
                 first / 1024, last / 1024, START_ACTIONS, (NowMs() - begin) / 1000);
    CloseHandle(process);
    ClickWindow(tool.exitButton);
    DWORD exitCode = 0;
    tool.WaitForExit(&exitCode);
    if (first <= 0 || last <= 0) {
        ReportFailure(name, "GetProcessMemoryInfo failed");
        return;
    }
    ReportFigure(name, last / first);
}
