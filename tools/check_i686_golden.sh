#!/usr/bin/env bash
# The product is 32-bit x86 code. This builds the resampler and its golden digests for
# 32-bit x86 Linux, with the sources and options the CMake build gives them (it writes them
# to <build>/resampler_i686.txt: the instruction set of each kernel, the floating-point
# options of every 32-bit build), and runs them: directly where this kernel runs 32-bit
# code, else under qemu-i386 (which emulates AVX2 but not AVX-512).
# Usage: tools/check_i686_golden.sh [configured-build-directory [output-directory]]
set -euo pipefail
cd "$(dirname "$0")/.."
manifest=${1:-build/native}/resampler_i686.txt
out=${2:-build/i686}
[ -f "$manifest" ] || { echo "no $manifest: configure the native preset first"; exit 1; }
mkdir -p "$out"

read -r -a options <<<"$(sed -n 's/^options //p' "$manifest")"
include=$(sed -n 's/^include //p' "$manifest")
common=(-m32 -std=c++20 -O2 "${options[@]}" -I"$include" -Itests/golden)
objects=()
while read -r source extra; do
    object="$out/$(basename "$source" .cpp).o"
    read -r -a extra_options <<<"$extra"
    g++ "${common[@]}" "${extra_options[@]}" -c "$source" -o "$object"
    objects+=("$object")
done < <(sed -n 's/^source //p' "$manifest")
g++ "${common[@]}" -static tests/golden/golden_main.cpp tests/golden/resize_golden.cpp "${objects[@]}" \
    -o "$out/resize_golden_i686"

printf 'int main(void) { return 0; }\n' >"$out/probe.c"
if gcc -m32 -static "$out/probe.c" -o "$out/probe" 2>/dev/null && "$out/probe" 2>/dev/null; then
    echo "running natively: this kernel runs 32-bit x86 code"
    "$out/resize_golden_i686"
else
    echo "running under qemu-i386"
    qemu-i386 "$out/resize_golden_i686"
fi
