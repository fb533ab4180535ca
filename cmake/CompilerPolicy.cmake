# Warnings, and the floating-point policy that makes every build give the same bytes.
#
# The resampler's results are part of the contract, so native, win32 and win64
# must round identically: IEEE single/double arithmetic through SSE2 (never the
# x87 stack), no fast-math, and no contraction of a*b+c into a fused multiply-add.
set(TEVPNG_COMMON_OPTIONS -Wall -Wextra -fno-fast-math -ffp-contract=off)
# 32-bit x86: SSE2 exists in every x86 CPU this DLL will meet. The host may call an export
# with a 4-byte aligned stack, so functions realign before spilling SSE values.
set(TEVPNG_I686_OPTIONS -msse2 -mfpmath=sse -mstackrealign)

add_library(tevpng_options INTERFACE)
target_compile_options(tevpng_options INTERFACE ${TEVPNG_COMMON_OPTIONS})
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    target_compile_options(tevpng_options INTERFACE ${TEVPNG_I686_OPTIONS})
endif()

if(TEVPNG_SANITIZE)
    target_compile_options(tevpng_options INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(tevpng_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
    # No runtime DLLs beside system ones: libgcc, libstdc++ and winpthread go in statically.
    target_link_options(tevpng_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
