#!/usr/bin/env bash
# Unpacks the Windows kit of a build folder into a scratch folder and runs its run-tests.cmd with
# Wine's cmd, in one lane of a Wine session, as a maintainer would run it on Windows. Returns the
# kit's exit code.
#
#   cmake/run-windows-kit.sh BUILD_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
scratch="$build/windows-kit-run"
rm -rf "$scratch"
mkdir -p "$scratch"
unzip -q "$build/quorvel-windows-tests.zip" -d "$scratch" || exit 1
kit="$scratch/quorvel-windows-tests"
start=$(date +%s)
QUORVEL_LANES=1 bash "$(dirname "$0")/wine-session.sh" "$build" \
    bash -c 'bash "$0" cmd /c "$(winepath -w "$1")"' "$(dirname "$0")/wine-lane.sh" \
    "$kit/run-tests.cmd"
status=$?
echo "The kit ran in $(($(date +%s) - start)) s, exit code $status."
exit $status
