#!/usr/bin/env bash
# Checks the folder structure of the source trees: the core never includes <windows.h>,
# nothing in the core includes the shell, and no folder includes a folder that includes it
# back, directly or round a longer circle (tsort finds every circle).
# Usage: tools/check_layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
check() {  # check <description> <command...>: ok when the command succeeds
    local description=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "  ok   $description"
    else
        failed=$((failed + 1))
        echo "  FAIL $description"
    fi
}

windows=$(grep -rlE '#include *<(windows|mmsystem|winuser|wingdi)\.h>' src/core || true)
check "src/core includes no Windows header${windows:+: $windows}" [ -z "$windows" ]

# "tree/folder includer-folder" for every quoted include between folders of one tree; the
# shell's includes of core folders point down into the core and cannot close a circle.
edges=""
for tree in core shell; do
    folders=$(find "src/$tree" -mindepth 1 -maxdepth 1 -type d -printf '%f\n')
    while IFS= read -r line; do
        file=${line%%:*}
        include=${line#*\"}
        include=${include%%\"*}
        from=$(cut -d/ -f3 <<<"$file")
        to=${include%%/*}
        [ "$to" = "$include" ] && continue                  # a file of the same folder
        grep -qx "$to" <<<"$folders" || continue           # another tree's folder
        [ "$from" = "$to" ] && continue
        edges+="$tree/$from $tree/$to"$'\n'
    done < <(grep -rHE '^#include "' "src/$tree" --include='*.h' --include='*.cpp')
done
shell_in_core=$(grep -rhE '^#include "(ui|drawing|settings|dialog|image|host)/' src/core || true)
check "src/core includes nothing of src/shell" [ -z "$shell_in_core" ]

edges=$(sort -u <<<"$edges" | grep . || true)
loops=$(tsort <<<"$edges" 2>&1 >/dev/null | grep -v '^tsort: -: input contains a loop:$' | sed 's/^tsort: //' || true)
check "no folder includes a folder that includes it back" [ -z "$loops" ]
if [ -n "$loops" ]; then
    echo "       folders on a circle: $(tr '\n' ' ' <<<"$loops")"
    echo "       includes between folders:"
    sed 's/ / -> /; s/^/         /' <<<"$edges"
fi

echo "layer check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
