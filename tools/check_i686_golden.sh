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
flags=(-m32 -std=c++20 -O2 -Wall -Wextra -msse2 -mfpmath=sse -ffp-contract=off -fno-fast-math -Isrc/core -Itests/golden)
# The wide kernels are compiled for their own instruction sets, as in the CMake build.
# qemu-i386 7.2 emulates AVX2 (not AVX-512), so the 32-bit AVX2 kernel is checked too.
g++ "${flags[@]}" -mavx2 -mfma -c src/core/scale/weighted_sum_avx2.cpp -o "$out/weighted_sum_avx2.o"
g++ "${flags[@]}" -mavx2 -mfma -mavx512f -mavx512vl -c src/core/scale/weighted_sum_avx512.cpp -o "$out/weighted_sum_avx512.o"
g++ "${flags[@]}" -static \
    tests/golden/golden_main.cpp tests/golden/resize_golden.cpp \
    src/core/scale/exact_sine.cpp src/core/scale/resample_passes.cpp src/core/scale/resampler.cpp src/core/scale/transpose.cpp \
    src/core/scale/weighted_sum.cpp src/core/scale/weighted_sum_sse2.cpp src/core/scale/widened_units.cpp \
    "$out/weighted_sum_avx2.o" "$out/weighted_sum_avx512.o" \
    -o "$out/resize_golden_i686"
qemu-i386 "$out/resize_golden_i686"
