// What every benchmark shares: a clock, medians, figures written as "name: value" lines, the
// paths of the programs under measurement, and the runtime started as the tool starts it.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

// The largest spread of a steady figure: above it, a figure is measured again, then marked noisy.
const double SPREAD_LIMIT = 0.10;

// Milliseconds on the high-resolution clock.
double NowMs();
// The median of the values (the mean of the middle two for an even count); 0 for none.
double Median(std::vector<double> values);
// The median of the ratios subject[i] / baseline[i]: each pair is timed back to back, so a
// machine that slows down for a while slows both sides of a pair alike.
double MedianRatio(const std::vector<double> &subject, const std::vector<double> &baseline);

// The spread of a figure's ratios: their interquartile range as a share of their median.
double RatioSpread(const std::vector<double> &subject, const std::vector<double> &baseline);

// The rounds of a timed figure. Each round times the subject and then each of its baselines once,
// so that the pairs are interleaved (subject, baseline, subject, ...) and a slow stretch of the
// machine hits both sides of a pair.
struct Rounds {
    std::vector<double> subject;
    std::array<std::vector<double>, 2> baselines;
};
// One ratio of a timed figure: its name and which baseline it divides by.
struct RatioFigure {
    const char *name;
    int baseline;
};
// Times rounds of a figure (round appends one time to each list of the Rounds and returns false on
// failure, with the reason) and reports each ratio with its spread. A measurement with a ratio
// whose spread is over 10 % is made again, up to three times in all; the one with the smallest
// spread is reported, marked noisy if it is still over. False when a round failed.
bool MeasureRatios(int rounds, bool (*round)(Rounds *times, std::string *fault, void *context),
                   void *context, const RatioFigure *ratios, int ratioCount, Rounds *kept);

// Records one figure: printed at once and kept for the results file. The value is written with
// decimals digits after the point.
void ReportFigure(const char *name, double value, int decimals = 3);
// Records that a figure could not be measured, and why; the run then ends with a non-zero code.
void ReportFailure(const char *name, const std::string &reason);
// Records what a figure was made of (the medians behind a ratio): printed and kept as a line that
// starts with "# ", so that it never reads as a figure.
void ReportDetail(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Writes the lines reported so far to the file, in order. False on failure.
bool WriteFigures(const char *path);
// True when some figure failed.
bool AnyFigureFailed();

// The full path of a program of the build, given relative to the build folder ("quorvel.exe",
// "bench\\minimal_window.exe").
std::string BuildProgramPath(const char *relative);

// Dispatches every waiting message and hands out every queued event, as the tool's event loop
// would between two clicks; returns when nothing is left.
void SettleEvents();

// The figures, each in its own file.
void MeasureStart99();
void MeasureEngine();
void MeasureStartup();
void MeasureProgramSize();
void MeasureMemoryGrowth();
void MeasureIdleCpu();
