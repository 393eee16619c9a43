#!/usr/bin/env bash
# Runs CTest inside a Wine session (see cmake/wine-session.sh), then prints how long each test took,
# the longest first. Returns CTest's exit code.
#
#   cmake/run-tests.sh BUILD_DIR CTEST_ARGS...
set -uo pipefail
build=$(cd "$1" && pwd)
shift
start=$(date +%s)
ctest "$@"
status=$?
log="$build/Testing/Temporary/LastTest.log"
if [ -f "$log" ]; then
    echo
    echo "Time of each test, the longest first ($(($(date +%s) - start)) s in all):"
    awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3 }
         /^Test time = / { printf "  %8.2f s  %s\n", $4, name }' "$log" | sort -rn
fi
exit $status
