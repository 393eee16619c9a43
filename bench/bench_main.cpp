// The benchmark program: measures the tool's figures, each as a ratio against baselines timed in
// the same run, and prints one "name: value" line per figure (a timed figure with its spread).
//
//   quorvel_bench [RESULTS_FILE] [FIGURE...]
//
// With figure names (start99, engine, startup, size, memory, idle), only those are measured. The
// figures are also written to RESULTS_FILE. The exit code is 0 when every figure was measured.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>

#include "bench_support.h"
#include "test_support.h"

namespace {

struct Bench {
    const char *name;
    void (*measure)();
} benches[] = {
    {"start99", MeasureStart99},  {"engine", MeasureEngine},       {"startup", MeasureStartup},
    {"size", MeasureProgramSize}, {"memory", MeasureMemoryGrowth}, {"idle", MeasureIdleCpu},

};

bool Chosen(const char *name, int argc, char **argv) {
    if (argc <= 2) {
        return true;
    }
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], name) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    StartRuntimeForTests();
    for (const Bench &bench : benches) {
        if (Chosen(bench.name, argc, argv)) {
            bench.measure();
        }
    }
    if (argc > 1 && !WriteFigures(argv[1])) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return AnyFigureFailed() ? 1 : 0;
}
