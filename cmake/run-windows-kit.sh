#!/usr/bin/env bash
# Unpacks the Windows test kit of a build folder (quorvel-windows-tests.zip) into a scratch folder
# and runs its run-tests.cmd with Wine's cmd in one lane of a Wine session, as a maintainer runs it
# on Windows: every test program from the kit's folder, where it finds quorvel.exe and its helpers.
# Returns the kit's exit code.
#
#   [QUORVEL_WINEARCH=win64] [LANG=... LC_ALL=...] cmake/run-windows-kit.sh BUILD_DIR [TEST_ARGS...]
#
# The session's prefix is 32-bit unless QUORVEL_WINEARCH is win64 (32-bit programs under WoW64, as
# on 64-bit Windows), and its ANSI code page is the one of the locale the script runs in (see
# cmake/wine-session.sh). Each kind of prefix has a scratch folder of its own,
# windows-kit-run-win32 or windows-kit-run-win64.
set -uo pipefail
build=$(cd "$1" && pwd)
shift
arch=${QUORVEL_WINEARCH:-win32}
scratch="$build/windows-kit-run-$arch"
rm -rf "$scratch"
mkdir -p "$scratch"
unzip -q "$build/quorvel-windows-tests.zip" -d "$scratch" || exit 1
start=$(date +%s)
# QUORVEL_EXE would point the end-to-end tests elsewhere: the kit's own quorvel.exe is the one.
env -u QUORVEL_EXE QUORVEL_LANES=1 bash "$(dirname "$0")/wine-session.sh" "$build" \
    bash -c 'lane=$1 kit=$2; shift 2; bash "$lane" cmd /c "$(winepath -w "$kit")" "$@"' \
    kit "$(dirname "$0")/wine-lane.sh" "$scratch/quorvel-windows-tests/run-tests.cmd" "$@"
status=$?
echo "The kit ran in $(($(date +%s) - start)) s under Wine ($arch prefix," \
    "locale ${LC_ALL:-${LANG:-of the machine}}), exit code $status."
exit $status
