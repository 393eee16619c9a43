#!/usr/bin/env bash
# Fails when code built by clang defines or calls a function of the C++ library that takes an
# empty class by value (an iterator tag, true_type, integral_constant...). clang and gcc do not
# agree on such a parameter for 32-bit Windows: gcc passes it in a stack slot of its own, clang
# passes nothing. The library is built by gcc, so a call from one side to the other's copy, or a
# copy of clang's that the linker picks for the library's own callers, leaves the stack off by
# four bytes.
#
#   cmake/check-clang-abi.sh BUILD_DIR
set -euo pipefail
build=$1
triple=i686-w64-mingw32
libstdcxx=$(dirname "$($triple-g++-posix -print-libgcc-file-name)")/libstdc++.a
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The library's functions with an empty class among their parameters, by their mangled names.
$triple-nm -g --defined-only "$libstdcxx" 2>/dev/null | awk 'NF == 3 {print $3}' | sort -u \
    >"$work/library"
$triple-c++filt -_ <"$work/library" >"$work/library-demangled"
paste "$work/library" "$work/library-demangled" |
    grep -E '[(,] ?std::([A-Za-z_:]*_tag|(__)?(true|false)_type|integral_constant<[^>]*>)[,)]' |
    cut -f1 | sort -u >"$work/hazards"

# Every object file that clang built, and what each defines or calls.
find "$build" -name '*.obj' -print0 | xargs -0 $triple-nm -A 2>/dev/null |
    awk '{sub(/:.*/, "", $1); print $NF "\t" $1}' | sort -u -k1,1 -k2,2 >"$work/ours"
found=$(join -t $'\t' "$work/hazards" "$work/ours" || true)
if [ -n "$found" ]; then
    echo "Code built by clang shares these functions with the C++ library, which gcc built:" >&2
    cut -f1 <<<"$found" | sort | uniq -c | while read -r count symbol; do
        echo "  $($triple-c++filt -_ "$symbol")" >&2
        echo "    in $count object files, such as $(grep -m1 "^$symbol" <<<"$found" | cut -f2)" >&2
    done
    echo "Their empty parameters are passed differently by the two compilers: the stack would be" >&2
    echo "corrupted. Keep such calls in the library's inline code (see" >&2
    echo "cmake/clang-sanitize-ignorelist.txt)." >&2
    exit 1
fi
