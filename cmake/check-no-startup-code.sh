#!/usr/bin/env bash
# Fails when an object file of the program has a section that only the C runtime's start-up code
# would serve: static constructors (.ctors, .init_array) or thread-local data (.tls).
#
#   cmake/check-no-startup-code.sh OBJDUMP FILE...
set -euo pipefail
objdump=$1
shift
sections=$("$objdump" -h "$@")
if grep -E '[.](ctors|init_array|tls)' <<<"$sections"; then
    echo "The program starts without the C runtime's start-up code: nothing would run these." >&2
    exit 1
fi
