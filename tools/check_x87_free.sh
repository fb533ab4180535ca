#!/usr/bin/env bash
# The resampler's bytes depend on every float operation rounding the same way in
# every build. x87 instructions would round to the host's precision setting, so the
# resampler objects of the 32-bit build must contain none (SSE2 only).
# Usage: tools/check_x87_free.sh build/win32
set -euo pipefail
build=${1:?usage: $0 path/to/win32/build}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
passed=0
failed=0
objects=$(find "$build/src" -path '*scale*' -name '*.obj' | sort)
[ -n "$objects" ] || { echo "no resampler objects under $build/src"; exit 1; }
for object in $objects; do
    # x87 mnemonics all begin with f (fld, fmul, fistp, fnstcw, ...); SSE ones never do.
    # Allowed: loading and storing a float or double as such (flds, fstps, fldl, fstpl),
    # which the 32-bit calling convention needs to return one and which cannot round, and
    # saving, setting and restoring the unit's environment (the floating-point guard:
    # fnstenv, fnclex, fldcw, fldenv), which computes nothing.
    x87=$("$objdump" -d --no-show-raw-insn "$object" |
        awk -F'\t' 'NF >= 2 && $2 ~ /^f[a-z0-9]+/ {split($2, word, " "); print word[1]}' |
        grep -vxE 'fld[sl]|fstp?[sl]|fnstenv|fnclex|fldcw|fldenv' | sort -u | tr '\n' ' ' || true)
    if [ -z "$x87" ]; then
        passed=$((passed + 1))
        echo "  ok   $(basename "$object"): no x87 arithmetic or conversions"
    else
        failed=$((failed + 1))
        echo "  FAIL $(basename "$object"): $x87"
    fi
done
echo "x87 check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
