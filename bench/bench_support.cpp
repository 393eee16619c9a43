// The benchmarks' clock, medians, figures and program paths.
#include "bench_support.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "controls/control_core.h"
#include "runtime/heaps.h"
#include "runtime/string_engine.h"
#include "windows/events.h"
#include "windows/window_objects.h"

namespace {

// The lines reported, in order: figures ("name: value") and details ("# ...").
std::vector<std::string> lines;
bool failed;

void Report(const std::string &line) {
    lines.push_back(line);
    printf("%s\n", line.c_str());
    fflush(stdout);
}

} // namespace

double NowMs() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    if (values.size() % 2) {
        return values[middle];
    }
    return (values[middle - 1] + values[middle]) / 2;
}

double MedianRatio(const std::vector<double> &subject, const std::vector<double> &baseline) {
    std::vector<double> ratios;
    for (size_t i = 0; i < subject.size() && i < baseline.size(); i++) {
        if (baseline[i] > 0) {
            ratios.push_back(subject[i] / baseline[i]);
        }
    }
    return Median(ratios);
}

void ReportFigure(const char *name, double value, int decimals) {
    char text[64];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    Report(std::string(name) + ": " + text);
}

void ReportFailure(const char *name, const std::string &reason) {
    failed = true;
    Report(std::string(name) + ": not measured (" + reason + ")");
}

void ReportDetail(const char *format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    Report(std::string("# ") + text);
}

bool WriteFigures(const char *path) {
    FILE *file = fopen(path, "wb");
    if (!file) {
        return false;
    }
    for (const std::string &line : lines) {
        fprintf(file, "%s\n", line.c_str());
    }
    return fclose(file) == 0;
}

bool AnyFigureFailed() {
    return failed;
}

std::string BuildProgramPath(const char *relative) {
    // This program lives in the build's bench folder.
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(0, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        return relative;
    }
    std::string folder(path);
    folder.erase(folder.find_last_of('\\'));
    folder.erase(folder.find_last_of('\\') + 1);
    return folder + relative;
}

void SettleEvents() {
    while (WaitEvent(0) != 0) {
    }
}
