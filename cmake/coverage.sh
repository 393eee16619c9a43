#!/usr/bin/env bash
# The coverage report of the product code (runtime/, windows/, controls/, app/): runs every test
# program of the coverage build under Wine, each writing gcov's counts of the instrumented
# libraries, then summarises them with gcovr into BUILD_DIR/coverage/: index.html (line and
# branch coverage, file by file, with the source) and summary.txt. A tool for finding the paths
# that no test reaches: it sets no threshold and fails only when the tests do or no data came.
#
#   cmake/coverage.sh BUILD_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
report="$build/coverage"
# Counts of an earlier run would add to this one's.
find "$build" -name '*.gcda' -delete
rm -rf "$report"
mkdir -p "$report"

# The end-to-end tests are left out: they drive quorvel.exe, which starts without the C runtime and
# so never writes its counts, and they check the shipped exe's size, which instrumentation triples.
# gcov writes each count file to the path of its object file, which a program under Wine can
# reach only through a drive: Z: is the root of the Linux file system.
GCOV_PREFIX=Z: bash "$root/cmake/wine-session.sh" "$build" \
    bash "$root/cmake/run-tests.sh" "$build" --preset coverage -E "^e2e_tests"
status=$?

if ! find "$build" -name '*.gcda' | grep -q .; then
    echo "coverage: the tests wrote no counts" >&2
    exit 1
fi
gcov_tool=i686-w64-mingw32-gcov-posix
command -v "$gcov_tool" >/dev/null || gcov_tool=i686-w64-mingw32-gcov
cd "$root"
gcovr --root "$root" --object-directory "$build" --gcov-executable "$gcov_tool" \
    --filter 'runtime/' --filter 'windows/' --filter 'controls/' --filter 'app/' \
    --exclude-unreachable-branches \
    --html-details "$report/index.html" --html-title "Quorvel: coverage of the product code" \
    --txt "$report/summary.txt" --print-summary | tee "$report/totals.txt"
echo "coverage: $report/index.html and $report/summary.txt"
exit $status
