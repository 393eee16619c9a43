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

namespace {

// The value at a share of the way through sorted values, between neighbours.
double Quantile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    double at = share * (double)(values.size() - 1);
    size_t below = (size_t)at;
    if (below + 1 >= values.size()) {
        return values.back();
    }
    return values[below] + (at - (double)below) * (values[below + 1] - values[below]);
}

std::vector<double> Ratios(const std::vector<double> &subject,
                           const std::vector<double> &baseline) {
    std::vector<double> ratios;
    for (size_t i = 0; i < subject.size() && i < baseline.size(); i++) {
        if (baseline[i] > 0) {
            ratios.push_back(subject[i] / baseline[i]);
        }
    }
    return ratios;
}

} // namespace

double RatioSpread(const std::vector<double> &subject, const std::vector<double> &baseline) {
    std::vector<double> ratios = Ratios(subject, baseline);
    double median = Median(ratios);
    if (ratios.size() < 2 || median <= 0) {
        return 0;
    }
    return (Quantile(ratios, 0.75) - Quantile(ratios, 0.25)) / median;
}

bool MeasureRatios(int rounds, bool (*round)(Rounds *times, std::string *fault, void *context),
                   void *context, const RatioFigure *ratios, int ratioCount, Rounds *kept) {
    const int attempts = 3;
    double keptSpread = 0;
    for (int attempt = 0; attempt < attempts; attempt++) {
        Rounds times;
        for (int i = 0; i < rounds; i++) {
            std::string fault;
            if (!round(&times, &fault, context)) {
                for (int r = 0; r < ratioCount; r++) {
                    ReportFailure(ratios[r].name, fault);
                }
                return false;
            }
        }
        double spread = 0;
        for (int r = 0; r < ratioCount; r++) {
            spread =
                std::max(spread, RatioSpread(times.subject, times.baselines[ratios[r].baseline]));
        }
        if (attempt == 0 || spread < keptSpread) {
            *kept = times;
            keptSpread = spread;
        }
        if (keptSpread <= SPREAD_LIMIT) {
            break;
        }
        ReportDetail("a spread of %.1f %% is over %.0f %%: measured again", 100 * spread,
                     100 * SPREAD_LIMIT);
    }
    for (int r = 0; r < ratioCount; r++) {
        const std::vector<double> &baseline = kept->baselines[ratios[r].baseline];
        double spread = RatioSpread(kept->subject, baseline);
        char text[96];
        snprintf(text, sizeof text, "%.3f spread %.1f %%%s", MedianRatio(kept->subject, baseline),
                 100 * spread, spread > SPREAD_LIMIT ? " (noisy)" : "");
        Report(std::string(ratios[r].name) + ": " + text);
    }
    return true;
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
