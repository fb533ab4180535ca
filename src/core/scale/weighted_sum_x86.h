#pragma once

// The vector kernels of x86 builds. Each instruction set has its own file, compiled for
// that set alone (see CMakeLists.txt); the wider ones run only after SimdLevelAvailable
// has seen the processor support them.

#include <cstddef>
#include <cstdint>

#include "scale/weighted_sum.h"

#if defined(__x86_64__) || defined(__i386__)
#define TEVPNG_X86_KERNELS 1
#else
#define TEVPNG_X86_KERNELS 0
#endif

namespace tevpng::detail {

#if TEVPNG_X86_KERNELS
void WeightedSumSse2(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out);
void WeightedSumAvx2(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out);
void WeightedSumAvx512(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out);

void WidenSse2(const std::uint8_t* bytes, std::ptrdiff_t count, double* out);
void WidenAvx2(const std::uint8_t* bytes, std::ptrdiff_t count, double* out);
void WidenAvx512(const std::uint8_t* bytes, std::ptrdiff_t count, double* out);
#endif

}  // namespace tevpng::detail
