#!/usr/bin/env bash
# Writes the kit that runs the tests on Windows: a zip of quorvel.exe, the test programs, the
# helpers they start, and run-tests.cmd, which runs each test program in turn, prints each result
# and exits non-zero on any failure.
#
#   cmake/windows-kit.sh ZIP "PROGRAM;PROGRAM;..." FILE...
# The programs (CMake's list, names without .exe) are run in that order; the files go into the kit.
set -euo pipefail
zip=$1
IFS=';' read -r -a programs <<<"$2"
shift 2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
kit="$stage/quorvel-windows-tests"
mkdir -p "$kit"
cp "$@" "$kit/"

{
    printf '@echo off\r\n'
    printf 'rem Runs every test program of the kit in turn, from the kit'"'"'s own folder, where the\r\n'
    printf 'rem end-to-end tests find quorvel.exe and the helpers. Exit code 1 on any failure.\r\n'
    printf 'cd /d "%%~dp0"\r\n'
    printf 'set QUORVEL_EXE=%%~dp0quorvel.exe\r\n'
    printf 'set passed=0\r\n'
    printf 'set failed=0\r\n'
    for program in "${programs[@]}"; do
        printf 'echo === %s\r\n' "$program"
        printf '%s.exe --gtest_color=no\r\n' "$program"
        printf 'if errorlevel 1 (\r\n'
        printf '    echo === %s: FAILED\r\n' "$program"
        printf '    set /a failed+=1\r\n'
        printf ') else (\r\n'
        printf '    echo === %s: passed\r\n' "$program"
        printf '    set /a passed+=1\r\n'
        printf ')\r\n'
    done
    printf 'echo kit: %%passed%% passed, %%failed%% failed\r\n'
    printf 'if not "%%failed%%"=="0" exit /b 1\r\n'
    printf 'exit /b 0\r\n'
} >"$kit/run-tests.cmd"

rm -f "$zip"
(cd "$stage" && zip -q -r -X "$zip" quorvel-windows-tests)
echo "kit: $zip ($(du -k "$zip" | cut -f1) KiB, ${#programs[@]} test programs)"
