// What every benchmark shares: a clock, medians, figures written as "name: value" lines, the
// paths of the programs under measurement, and the runtime started as the tool starts it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Milliseconds on the high-resolution clock.
double NowMs();
// The median of the values (the mean of the middle two for an even count); 0 for none.
double Median(std::vector<double> values);
// The median of the ratios subject[i] / baseline[i]: each pair is timed back to back, so a
// machine that slows down for a while slows both sides of a pair alike.
double MedianRatio(const std::vector<double> &subject, const std::vector<double> &baseline);

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
void MeasureStart99AgainstSetText();
void MeasureEngineAgainstSnprintf();
void MeasureStartupAgainstMinimal();
void MeasureProgramSize();
void MeasureMemoryGrowth();
