#!/usr/bin/env bash
# 'make lint': clang-format in check mode over every C++ file of the repository, then clang-tidy
# over every file that the clang build compiles, with the checks of the nearest .clang-tidy (the
# program's code: .clang-tidy; tests and benchmarks: tests/.clang-tidy, bench/.clang-tidy). Fails
# on any finding.
#
#   cmake/lint.sh BUILD_DIR      (a folder configured with 'cmake --preset clang')
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
cd "$root"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

echo "clang-format: checking $(git ls-files '*.cpp' '*.h' | wc -l) files"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror || status=1

# One compile command per file: clang-tidy runs once for each command it finds for a file, and
# the files that every test program shares would be checked once per program.
python3 - "$build/compile_commands.json" "$root/" "$work" <<'PY'
import json, sys
commands, root, work = json.load(open(sys.argv[1])), sys.argv[2], sys.argv[3]
seen, kept = set(), []
for command in commands:
    if command["file"].startswith(root) and command["file"] not in seen:
        seen.add(command["file"])
        kept.append(command)
json.dump(kept, open(work + "/compile_commands.json", "w"), indent=1)
with open(work + "/program", "w") as program, open(work + "/tests", "w") as tests:
    for command in kept:
        relative = command["file"][len(root):]
        (tests if relative.startswith(("tests/", "bench/")) else program).write(relative + "\n")
PY
[ $? -eq 0 ] || exit 1

tidy() {
    xargs -P2 -I{} sh -c 'clang-tidy -p "$0" --quiet "$@" {} >"$0/$(echo {} | tr / _).log" 2>&1 ||
        { cat "$0/$(echo {} | tr / _).log"; exit 1; }' "$work" "$@"
}
echo "clang-tidy: checking $(wc -l <"$work/program") files of the program"
tidy <"$work/program" || status=1
# The analyser's deep mode follows every path of a test body through GoogleTest's macros: over a
# quarter of an hour on two cores. Its shallow mode inlines less and stops sooner on each path.
echo "clang-tidy: checking $(wc -l <"$work/tests") files of the tests and benchmarks"
tidy --extra-arg=-Xclang --extra-arg=-analyzer-config --extra-arg=-Xclang \
    --extra-arg=mode=shallow <"$work/tests" || status=1

[ $status -eq 0 ] && echo "lint: no findings"
exit $status
