#!/usr/bin/env bash
# Writes the kit that runs the tests on Windows: a zip of one folder, quorvel-windows-tests, that
# holds quorvel.exe, the test programs, the helpers they start, and run-tests.cmd, which runs each
# test program in turn from that folder, prints each result and exits non-zero on any failure.
#
#   cmake/windows-kit.sh ZIP PROGRAM,PROGRAM,... FILE...
# The programs (target names, without .exe) run in the order given; the files go into the kit
# (quorvel.exe, the programs and the helpers, as the build made them).
set -euo pipefail
zip=$1
IFS=',' read -r -a programs <<<"$2"
shift 2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
kit="$stage/quorvel-windows-tests"
mkdir -p "$kit"
cp "$@" "$kit/"
for program in "${programs[@]}"; do
    [ -f "$kit/$program.exe" ] || { echo "windows-kit: no $program.exe among the files" >&2; exit 1; }
done
[ -f "$kit/quorvel.exe" ] || { echo "windows-kit: no quorvel.exe among the files" >&2; exit 1; }

# The batch file, with CRLF line ends as cmd expects them.
{
    cat <<'CMD'
@echo off
rem Runs every test program of the Quorvel test kit in turn and prints each result; the exit code
rem is 1 when any program failed, else 0. Run it from an interactive, unlocked desktop: the tests
rem click and type with real input and take the foreground. The test programs find quorvel.exe and
rem the helpers they start here, beside them. Arguments are passed on to every test program, e.g.
rem   run-tests.cmd --gtest_filter=Churn.*
setlocal
cd /d "%~dp0"
set passed=0
set failed=0
set failures=
CMD
    for program in "${programs[@]}"; do
        cat <<CMD
echo.
echo === $program: started %time%
$program.exe --gtest_color=no %*
if not "%errorlevel%"=="0" (
    echo === $program: FAILED, exit code %errorlevel%
    set /a failed+=1
    set failures=%failures% $program
) else (
    echo === $program: passed
    set /a passed+=1
)
CMD
    done
    cat <<'CMD'
echo.
echo === Quorvel test kit: %passed% passed, %failed% failed%failures%
if not "%failed%"=="0" exit /b 1
exit /b 0
CMD
} | sed 's/$/\r/' >"$kit/run-tests.cmd"

rm -f "$zip"
(cd "$stage" && TZ=UTC zip -q -r -X "$zip" quorvel-windows-tests)
echo "windows-kit: $zip ($(du -k "$zip" | cut -f1) KiB): ${#programs[@]} test programs," \
    "$(($# - ${#programs[@]} - 1)) helpers, quorvel.exe and run-tests.cmd"
