// idle: what the tool costs while nobody uses it. Its processor time over 10 s of idling, once
// after its start and once after a Start of 99, as a share of one core
// (idle_cpu_percent_after_start, idle_cpu_percent_after_start99), read from outside its process: a
// blocking wait costs nothing, a wait that returns at once for nothing shows as most of a core.
//
// On Windows the times come from GetProcessTimes. Wine answers no times for another process: there
// they come from the Linux process that runs the tool, /proc/PID/stat (utime and stime, in clock
// ticks of 1/100 s), found through Wine's Z: drive by its command line and the Wine prefix in its
// environment. Under Wine the details also give the wake-ups of its threads (context switches, from
// /proc/PID/task/*/status) and the share of the prefix's wineserver over the same time.
//
// The pointer is moved off the tool before each stretch, as a user's hand leaves it. While the
// pointer rests on a button that tracks its leaving (the themed buttons do), Wine polls the pointer
// with a system timer (WM_SYSTIMER 0xFFFA) every 10 ms, each tick followed by WM_NCHITTEST: seen
// here at about 1,100 wake-ups a second after a click on "Start". Windows notices the leaving from
// the input itself, without a timer.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench_support.h"
#include "harness.h"

namespace {

const DWORD SETTLE_MS = 1000;
const DWORD IDLE_MS = 10000;
const double LINUX_TICKS_PER_SECOND = 100;

// The whole of a file, as bytes; empty when it cannot be read. Files under /proc report no size.
std::string ReadWholeFile(const std::string &path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                              OPEN_EXISTING, 0, 0);
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::string content;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, 0) && read > 0) {
        content.append(chunk, read);
    }
    CloseHandle(file);
    return content;
}

bool RunsUnderWine() {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != 0;
}

// The fields of /proc/PID/stat after the command name, which may hold spaces: field 3 first.
std::vector<std::string> StatFields(const std::string &stat) {
    std::vector<std::string> fields;
    size_t at = stat.rfind(')');
    if (at == std::string::npos) {
        return fields;
    }
    at += 2;
    while (at < stat.size()) {
        size_t end = stat.find(' ', at);
        if (end == std::string::npos) {
            end = stat.size();
        }
        fields.push_back(stat.substr(at, end - at));
        at = end + 1;
    }
    return fields;
}

// A Linux process as the Z: drive shows it.
struct LinuxProcess {
    std::string id; // 0 for none
    // Processor time in seconds (user and system, all threads), and context switches of all its
    // threads; negative when they cannot be read.
    double CpuSeconds() const {
        std::vector<std::string> fields = StatFields(ReadWholeFile("Z:\\proc\\" + id + "\\stat"));
        if (fields.size() < 13) {
            return -1;
        }
        // utime and stime are fields 14 and 15, the 12th and 13th after the name.
        return (atof(fields[11].c_str()) + atof(fields[12].c_str())) / LINUX_TICKS_PER_SECOND;
    }
    double ContextSwitches() const {
        WIN32_FIND_DATAA found;
        std::string tasks = "Z:\\proc\\" + id + "\\task\\";
        HANDLE search = FindFirstFileA((tasks + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return -1;
        }
        double switches = 0;
        do {
            if (found.cFileName[0] == '.') {
                continue;
            }
            std::string status = ReadWholeFile(tasks + found.cFileName + "\\status");
            for (const char *key : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"}) {
                size_t at = status.find(std::string("\n") + key);
                if (at != std::string::npos) {
                    switches += atof(status.c_str() + at + 1 + strlen(key));
                }
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return switches;
    }
};

// The newest Linux process of this Wine prefix whose command line holds the text (any case).
LinuxProcess FindLinuxProcess(const char *text) {
    char prefix[MAX_PATH] = "";
    GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
    std::string wanted = std::string("WINEPREFIX=") + prefix;
    LinuxProcess newest = {"0"};
    double newestStart = -1;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) {
        return newest;
    }
    do {
        if (found.cFileName[0] < '0' || found.cFileName[0] > '9') {
            continue;
        }
        std::string folder = std::string("Z:\\proc\\") + found.cFileName + "\\";
        std::string commandLine = ReadWholeFile(folder + "cmdline");
        for (char &c : commandLine) {
            c = c ? (char)tolower((unsigned char)c) : ' ';
        }
        if (commandLine.find(text) == std::string::npos) {
            continue;
        }
        std::string environment = ReadWholeFile(folder + "environ");
        environment.insert(environment.begin(), '\0');
        environment.push_back('\0');
        if (*prefix && environment.find('\0' + wanted + '\0') == std::string::npos) {
            continue;
        }
        std::vector<std::string> fields = StatFields(ReadWholeFile(folder + "stat"));
        double start = fields.size() > 19 ? atof(fields[19].c_str()) : 0; // field 22, starttime
        if (start > newestStart) {
            newestStart = start;
            newest.id = found.cFileName;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return newest;
}

// What one stretch of idling cost.
struct IdleCost {
    double toolCpu;     // seconds of processor time
    double toolWakeups; // context switches of its threads; negative when unknown
    double serverCpu;   // seconds of the wineserver; negative when unknown
};

double WindowsCpuSeconds(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) {
        return -1;
    }
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

// Lets the tool settle with the pointer off it, then reads its cost over IDLE_MS of nothing
// happening.
bool MeasureIdling(const QuorvelTool &tool, IdleCost *cost, std::string *fault) {
    RECT area;
    GetWindowRect(tool.mainWindow, &area);
    MoveMouseTo(area.right + 20 < GetSystemMetrics(SM_CXSCREEN) ? area.right + 20 : 0,
                area.bottom + 20 < GetSystemMetrics(SM_CYSCREEN) ? area.bottom + 20 : 0);
    Sleep(SETTLE_MS);
    if (!RunsUnderWine()) {
        double before = WindowsCpuSeconds(tool.process);
        Sleep(IDLE_MS);
        double after = WindowsCpuSeconds(tool.process);
        if (before < 0 || after < 0) {
            *fault = "GetProcessTimes failed";
            return false;
        }
        *cost = {after - before, -1, -1};
        return true;
    }
    LinuxProcess toolProcess = FindLinuxProcess("quorvel.exe");
    LinuxProcess server = FindLinuxProcess("wineserver");
    if (toolProcess.id == "0") {
        *fault = "the Linux process of quorvel.exe was not found";
        return false;
    }
    double toolBefore = toolProcess.CpuSeconds();
    double wakeupsBefore = toolProcess.ContextSwitches();
    double serverBefore = server.id == "0" ? -1 : server.CpuSeconds();
    Sleep(IDLE_MS);
    double toolAfter = toolProcess.CpuSeconds();
    double wakeupsAfter = toolProcess.ContextSwitches();
    double serverAfter = server.id == "0" ? -1 : server.CpuSeconds();
    if (toolBefore < 0 || toolAfter < 0) {
        *fault = "the times of the tool's Linux process could not be read";
        return false;
    }
    cost->toolCpu = toolAfter - toolBefore;
    cost->toolWakeups = wakeupsBefore < 0 || wakeupsAfter < 0 ? -1 : wakeupsAfter - wakeupsBefore;
    cost->serverCpu = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    return true;
}

void ReportIdling(const char *name, const IdleCost &cost) {
    double seconds = IDLE_MS / 1000.0;
    ReportFigure(name, 100 * cost.toolCpu / seconds, 2);
    if (cost.toolWakeups >= 0) {
        ReportDetail("%s: %.2f s of processor time in %.0f s, %.1f wake-ups a second; the "
                     "wineserver %.2f s (%.2f %% of a core)",
                     name, cost.toolCpu, seconds, cost.toolWakeups / seconds, cost.serverCpu,
                     100 * cost.serverCpu / seconds);
    }
}

} // namespace

void MeasureIdleCpu() {
    const char *afterStart = "idle_cpu_percent_after_start";
    const char *afterStart99 = "idle_cpu_percent_after_start99";
    QuorvelTool tool;
    if (!tool.Launch()) {
        ReportFailure(afterStart, tool.fault);
        return;
    }
    IdleCost cost;
    std::string fault;
    if (!MeasureIdling(tool, &cost, &fault)) {
        ReportFailure(afterStart, fault);
        return;
    }
    ReportIdling(afterStart, cost);
    std::string text;
    if (!tool.TypeCount("99") || !tool.StartAndWait(&text) || ReadBlock(text).count != 99) {
        ReportFailure(afterStart99, "Start gave no block of 99");
        return;
    }
    if (!MeasureIdling(tool, &cost, &fault)) {
        ReportFailure(afterStart99, fault);
        return;
    }
    ReportIdling(afterStart99, cost);
    ClickWindow(tool.exitButton);
    DWORD exitCode = 0;
    tool.WaitForExit(&exitCode);
}
