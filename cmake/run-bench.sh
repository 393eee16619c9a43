#!/usr/bin/env bash
# Runs the benchmarks under Wine ('make bench'): prints one "name: value" line per figure, each a
# ratio against a baseline timed in the same run (exe_bytes is a size), with "# " lines telling what
# each ratio was made of, and writes the same lines, headed by the date and the commit, to
# BUILD_DIR/bench.txt.
#
#   cmake/run-bench.sh BUILD_DIR [FIGURE...]
#
# FIGURE names one group to run alone: start99, engine, startup, size, memory, idle.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true
bench="$build/bench/quorvel_bench.exe"
for program in "$bench" "$build/bench/minimal_window.exe" "$build/quorvel.exe"; do
    if [ ! -f "$program" ]; then
        echo "No $program: build first ('make build')." >&2
        exit 1
    fi
done

# Wine's helper processes keep inherited descriptors open, so the program writes to files, never
# to a pipe; its output file is shown as it grows.
log="$build/bench-output.txt"
figures="$build/bench-figures.txt"
rm -f "$log" "$figures"
: >"$log"
# Window traffic goes through the wineserver and the X server, other processes: on a busy machine
# each round trip waits longer, and ratios of traffic-heavy work to lighter work rise.
load_before=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo unknown)
if awk -v load="$load_before" 'BEGIN { exit !(load + 0 > 1.0) }'; then
    echo "Note: the machine is busy (load average $load_before); the timed figures rise with load."
fi
echo "Running the benchmarks under Wine (about four minutes, most of it 1,000 Start actions)..."
tail -n +1 -f "$log" &
tail_pid=$!
# One lane: the benchmark, the programs it starts, the wineserver and the X server all run on one
# CPU, so that no round trip waits for a wakeup on another CPU, the largest noise there is.
(cd "$build" && QUORVEL_LANES=1 bash "$root/cmake/wine-session.sh" "$build" \
    bash "$root/cmake/wine-lane.sh" "$bench" bench-figures.txt "$@" >"$log" 2>&1)
status=$?
sleep 0.5
kill "$tail_pid" 2>/dev/null
wait "$tail_pid" 2>/dev/null

if [ ! -s "$figures" ]; then
    echo "The benchmarks wrote no figures (exit code $status); see $log" >&2
    exit 1
fi
commit=$(git -C "$root" rev-parse --short=12 HEAD 2>/dev/null || echo unknown)
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    commit="$commit (with uncommitted changes)"
fi
load_after=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo unknown)
{
    echo "date: $(date -u '+%Y-%m-%d %H:%M:%S UTC')"
    echo "commit: $commit"
    echo "# load average: $load_before before the run, $load_after after it"
    tr -d '\r' <"$figures"
} >"$build/bench.txt"
echo "Written to $build/bench.txt"
exit $status
