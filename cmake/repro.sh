#!/usr/bin/env bash
# 'make repro': builds quorvel.exe twice from the commit checked out, each time from a copy of the
# sources in a temporary folder of its own, and fails unless the two are byte for byte the same.
# Prints the exe's SHA-256.
#
#   cmake/repro.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for copy in first second; do
    # Folders of different names and depths: nothing of the path may reach the exe.
    source="$work/$copy/$RANDOM/quorvel-$copy"
    mkdir -p "$source"
    git -C "$root" archive "$commit" | tar -x -C "$source"
    echo "Building quorvel.exe of $commit in $source"
    (cd "$source" && cmake --preset default >"$work/$copy.log" 2>&1 &&
        cmake --build --preset default --target quorvel >>"$work/$copy.log" 2>&1) || {
        cat "$work/$copy.log" >&2
        exit 1
    }
    cp "$source/build/quorvel.exe" "$work/quorvel-$copy.exe"
done

if ! cmp "$work/quorvel-first.exe" "$work/quorvel-second.exe"; then
    echo "The two builds of quorvel.exe differ." >&2
    exit 1
fi
echo "The two builds are the same: $(stat -c %s "$work/quorvel-first.exe") bytes"
sha256sum "$work/quorvel-first.exe" | sed "s|$work/quorvel-first.exe|quorvel.exe|"
