#!/usr/bin/env bash
# The product is 32-bit x86 code, which this kernel cannot run. This builds the
# resampler and the golden digests for 32-bit x86 Linux with the floating-point
# flags of the win32 build (cmake/CompilerPolicy.cmake: SSE2 arithmetic, no x87,
# no contraction, no fast-math) and runs them under qemu-i386.
# Usage: tools/check_i686_golden.sh [build-directory]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/i686}
mkdir -p "$out"
g++ -m32 -std=c++20 -O2 -Wall -Wextra -msse2 -mfpmath=sse -ffp-contract=off -fno-fast-math -static \
    -Isrc -Itests/golden \
    tests/golden/golden_main.cpp tests/golden/resize_golden.cpp \
    src/scale/exact_sine.cpp src/scale/resampler.cpp src/scale/transpose.cpp \
    src/scale/weighted_sum.cpp src/scale/weighted_sum_x86.cpp \
    -o "$out/resize_golden_i686"
qemu-i386 "$out/resize_golden_i686"
