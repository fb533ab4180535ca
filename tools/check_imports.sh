#!/usr/bin/env bash
# Checks that Windows XP SP3, the oldest Windows we support, can load a program: its PE
# header asks for no later system (subsystem version 5.1 at most), and every function it
# imports is on the allowlist of functions XP has (tools/windows_xp_imports.txt).
# Usage: tools/check_imports.sh file.dll|file.exe ...
set -euo pipefail
allowlist="$(dirname "$0")/windows_xp_imports.txt"
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

allowed=$(grep -vE '^(#|$)' "$allowlist" | sort -u)
passed=0
failed=0
for file in "$@"; do
    headers=$("$objdump" -p "$file")
    subsystem=$(awk '/^MajorSubsystemVersion/ {major = $2} /^MinorSubsystemVersion/ {minor = $2}
                     END {print major "." minor}' <<<"$headers")
    if awk -v v="$subsystem" 'BEGIN {split(v, p, "."); exit !(p[1] < 5 || (p[1] == 5 && p[2] <= 1))}'; then
        passed=$((passed + 1))
        echo "  ok   $(basename "$file"): subsystem version $subsystem"
    else
        failed=$((failed + 1))
        echo "  FAIL $(basename "$file"): subsystem version $subsystem is later than XP's 5.1"
    fi
    # "DLL Name: X" starts each DLL's list; its lines are "<vma> <hint> <name>".
    imports=$(sed -n '/^The Import Tables/,/^The Export Tables/p' <<<"$headers" |
        awk '/DLL Name:/ {dll = toupper($3); next}
             dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print dll, $3}' | sort -u)
    count=$(grep -c . <<<"$imports" || true)
    unknown=$(comm -23 <(echo "$imports") <(echo "$allowed"))
    if [ "$count" -gt 0 ] && [ -z "$unknown" ]; then
        passed=$((passed + 1))
        echo "  ok   $(basename "$file"): all $count imports exist on Windows XP SP3"
    else
        failed=$((failed + 1))
        echo "  FAIL $(basename "$file"): $count imports; not on the allowlist:"
        sed 's/^/         /' <<<"$unknown"
    fi
done
echo "import check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
