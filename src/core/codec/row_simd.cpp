#include "codec/row_simd.h"

#include "base/cpu_features.h"

#if defined(__i386__) || defined(__x86_64__)
#define TEVPNG_X86_SIMD 1
#include "codec/row_simd_x86.h"
#endif

namespace tevpng::simd {

#if TEVPNG_X86_SIMD

bool UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                 int step) {
    return UnfilterRowSse2(filter, row, previous, n, step);
}

bool UnfilterRowPair(std::uint8_t filter, std::uint8_t* first, const std::uint8_t* previous,
                     std::uint8_t* second, std::size_t n, int step) {
    return UnfilterRowPairSse2(filter, first, previous, second, n, step);
}

RowConverter IdentityGammaConverter(int colorType, int bitDepth) {
    if (bitDepth != 8 || !CpuRuns(SimdLevel::Ssse3)) return nullptr;
    if (colorType == kColorTypeRgba) return RgbaToBgrAlphaSsse3;
    if (colorType == kColorTypeRgb) return RgbToBgrSsse3;
    return nullptr;
}

#else  // no vector unit known here: the scalar references do everything

bool UnfilterRow(std::uint8_t, std::uint8_t*, const std::uint8_t*, std::size_t, int) { return false; }

bool UnfilterRowPair(std::uint8_t, std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::size_t, int) {
    return false;
}

RowConverter IdentityGammaConverter(int, int) { return nullptr; }

#endif

}  // namespace tevpng::simd
