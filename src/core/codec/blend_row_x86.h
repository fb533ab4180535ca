#pragma once

// What the vector row blends share. Each instruction set has its own file, compiled for that
// set alone (src/core/CMakeLists.txt), and runs only after CpuRuns has seen the processor
// support it. Everything inline here is in an anonymous namespace so that each of those files
// gets its own copy: a shared copy could be the one compiled for AVX2 and end up called on a
// processor without it. For the same reason they call no inline code of other headers but
// this one and the intrinsics.

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "codec/blend_row.h"

namespace tevpng::blend {

// Baseline code (blend_row.cpp) the vector blends hand their last pixels to.
void BgrAlphaReference(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width);
void GreyAlphaReference(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha,
                        int width);
// Source pixels already in blue, green, red, alpha order (palette colours looked up).
void BgraReference(std::uint8_t* surface, const std::uint8_t* bgra, int width);
bool IsPaletteDepth(int bitsPerPixel);

// The fast palette blends look the colours of a stretch of pixels up into a small buffer and
// blend that buffer as ready-made blue, green, red, alpha pixels.
inline constexpr int kPaletteStretch = 256;
void LookUpPaletteStretch(std::uint8_t* bgra, const std::uint8_t* indices, int bitsPerPixel,
                          const BlendPalette& palette, int first, int count);

// The SSE2 blends, which the wider ones also hand their last pixels to.
void BgrAlphaSse2(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width);
void GreyAlphaSse2(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width);
void BgraSse2(std::uint8_t* surface, const std::uint8_t* bgra, int width);

// The kernels of each instruction set (blend_row_sse2.cpp, _ssse3.cpp, _avx2.cpp).
extern const BlendRowKernels kSse2Kernels;
extern const BlendRowKernels kSsse3Kernels;
extern const BlendRowKernels kAvx2Kernels;

namespace {

constexpr std::uint64_t kTransparent8 = 0;
constexpr std::uint64_t kOpaque8 = ~std::uint64_t{0};

inline std::uint64_t LoadAlpha8(const std::uint8_t* alpha) {
    std::uint64_t run;
    std::memcpy(&run, alpha, 8);
    return run;
}

inline __m128i LoadLow32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(static_cast<int>(v));
}

inline __m128i LoadLow64(const std::uint8_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline __m128i Load4(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store4(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

// The source colours with the surface's fourth bytes: the blend of opaque pixels.
inline __m128i Opaque4Sse2(__m128i d, __m128i s) {
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    return _mm_or_si128(_mm_and_si128(d, fourth), _mm_andnot_si128(fourth, s));
}

template <void (*BlendBgra)(std::uint8_t*, const std::uint8_t*, int)>
void PaletteByStretches(std::uint8_t* surface, const std::uint8_t* indices, int bitsPerPixel,
                        const BlendPalette& palette, int width) {
    if (!IsPaletteDepth(bitsPerPixel)) return;
    std::uint8_t stretch[kPaletteStretch * 4];
    for (int first = 0; first < width; first += kPaletteStretch) {
        const int count = std::min(kPaletteStretch, width - first);
        LookUpPaletteStretch(stretch, indices, bitsPerPixel, palette, first, count);
        BlendBgra(surface + 4 * first, stretch, count);
    }
}

}  // namespace

}  // namespace tevpng::blend
