#!/usr/bin/env bash
# Checks the direction of the program's includes: runtime <- windows <- controls <- app. A file
# may include the headers of its own layer and of the layers below it, never those of a layer
# above; no header may come back to itself through the headers it includes; and no header may
# include the header of a source file that includes it back (the two would need each other).
# Prints every include against the rules and fails when there is one.
#
#   cmake/check-layers.sh
set -uo pipefail
cd "$(dirname "$0")/.."

layers=(runtime windows controls app)
declare -A rank
for i in "${!layers[@]}"; do
    rank[${layers[$i]}]=$i
done

declare -A includes
status=0
while IFS= read -r file; do
    own=${rank[${file%%/*}]}
    while IFS= read -r header; do
        layer=${header%%/*}
        if [ -z "${rank[$layer]+set}" ]; then
            continue
        fi
        if [ "${rank[$layer]}" -gt "$own" ]; then
            echo "$file includes $header: a header of a layer above its own"
            status=1
        fi
        includes[$file]+=" $header"
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files 'runtime/*.h' 'runtime/*.cpp' 'windows/*.h' 'windows/*.cpp' \
    'controls/*.h' 'controls/*.cpp' 'app/*.h' 'app/*.cpp')

# Depth-first through the headers: one met again while it is still being visited closes a loop.
declare -A visit
path=()
visit_header() {
    local header=$1
    visit[$header]=open
    path+=("$header")
    local next
    for next in ${includes[$header]:-}; do
        case "${visit[$next]:-}" in
        open)
            echo "headers include each other in a loop: ${path[*]} $next"
            status=1
            ;;
        "") visit_header "$next" ;;
        esac
    done
    unset 'path[${#path[@]}-1]'
    visit[$header]=done
}
for file in "${!includes[@]}"; do
    if [[ $file == *.h && -z "${visit[$file]:-}" ]]; then
        visit_header "$file"
    fi
done

# A header that includes another whose source file includes it back.
for file in "${!includes[@]}"; do
    [[ $file == *.h ]] || continue
    for header in ${includes[$file]}; do
        source=${header%.h}.cpp
        if [[ " ${includes[$source]:-} " == *" $file "* ]]; then
            echo "$file and $source need each other: $file includes $header, $source includes $file"
            status=1
        fi
    done
done

if [ $status -eq 0 ]; then
    echo "Includes go one way: ${layers[*]}."
fi
exit $status
