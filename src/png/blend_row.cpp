#include "png/blend_row.h"

#include <algorithm>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#define TEVPNG_BLEND_X86 1
#include <immintrin.h>
#endif

namespace tevpng {

namespace {

// ---------------------------------------------------------------------------------------------
// Reference: one channel at a time, exactly as the blend is defined.

inline std::uint8_t BlendChannel(unsigned s, unsigned d, unsigned a) {
    // Largest value 255 * 255 + 255 = 65 280, so 32 bits never overflow.
    return static_cast<std::uint8_t>((s * a + (255 - a) * d + 255) >> 8);
}

inline void BlendPixel(std::uint8_t* pixel, unsigned blue, unsigned green, unsigned red, unsigned a) {
    pixel[2] = BlendChannel(red, pixel[2], a);
    pixel[1] = BlendChannel(green, pixel[1], a);
    pixel[0] = BlendChannel(blue, pixel[0], a);
}

void BgrAlphaReference(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = bgr + 3 * x;
        BlendPixel(surface + 4 * x, s[0], s[1], s[2], alpha[x]);
    }
}

void GreyAlphaReference(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width) {
    for (int x = 0; x < width; ++x) BlendPixel(surface + 4 * x, grey[x], grey[x], grey[x], alpha[x]);
}

// Source pixels already in blue, green, red, alpha order (palette colours looked up).
void BgraReference(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = bgra + 4 * x;
        BlendPixel(surface + 4 * x, s[0], s[1], s[2], s[3]);
    }
}

bool IsPaletteDepth(int bitsPerPixel) { return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8; }

// Packed rows put the leftmost pixel in the most significant bits of its byte.
inline unsigned PaletteIndex(const std::uint8_t* indices, int bitsPerPixel, unsigned x) {
    switch (bitsPerPixel) {
        case 1: return (indices[x / 8] >> (7 - x % 8)) & 1u;
        case 4: return x % 2 == 0 ? indices[x / 2] >> 4 : indices[x / 2] & 0x0Fu;
        default: return indices[x];
    }
}

void PaletteReference(std::uint8_t* surface, const std::uint8_t* indices, int bitsPerPixel,
                      const BlendPalette& palette, int width) {
    if (!IsPaletteDepth(bitsPerPixel)) return;
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* entry = palette.bgra[PaletteIndex(indices, bitsPerPixel, static_cast<unsigned>(x))];
        BlendPixel(surface + 4 * x, entry[0], entry[1], entry[2], entry[3]);
    }
}

// The fast palette blends look the colours of a stretch of pixels up into a small buffer and
// blend that buffer as ready-made blue, green, red, alpha pixels.
constexpr int kPaletteStretch = 256;

void LookUpPaletteStretch(std::uint8_t* bgra, const std::uint8_t* indices, int bitsPerPixel,
                          const BlendPalette& palette, int first, int count) {
    for (int i = 0; i < count; ++i) {
        const unsigned index = PaletteIndex(indices, bitsPerPixel, static_cast<unsigned>(first + i));
        std::memcpy(bgra + 4 * i, palette.bgra[index], 4);
    }
}

template <void (*BlendBgra)(std::uint8_t*, const std::uint8_t*, int)>
void PaletteByStretches(std::uint8_t* surface, const std::uint8_t* indices, int bitsPerPixel,
                        const BlendPalette& palette, int width) {
    if (!IsPaletteDepth(bitsPerPixel)) return;
    alignas(32) std::uint8_t stretch[kPaletteStretch * 4];
    for (int first = 0; first < width; first += kPaletteStretch) {
        const int count = std::min(kPaletteStretch, width - first);
        LookUpPaletteStretch(stretch, indices, bitsPerPixel, palette, first, count);
        BlendBgra(surface + 4 * first, stretch, count);
    }
}

// ---------------------------------------------------------------------------------------------
// The vector blends rest on one rearrangement of the sum:
//
//   s * a + (255 - a) * d + 255  =  (256 * d + 255 - d) + (s - d) * a
//
// The whole lies in 0..65 280, so it can be computed modulo 2^16 in 16-bit lanes with one
// wrapping multiply, and 256 * d + 255 - d is just the bytes (255 - d, d) read as one 16-bit lane.
// A channel weighted 0 comes out as (255 * d + 255) >> 8 = d, which is how the fourth byte of
// each surface pixel keeps its value: its weight is always 0.

#if defined(TEVPNG_BLEND_X86) && defined(__SSE2__)

inline __m128i LoadLow32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(static_cast<int>(v));
}

inline __m128i LoadLow64(const std::uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); }

// Blends four surface pixels with source s (bytes blue, green, red, unused per pixel), weighted
// by w (bytes a, a, a, 0 per pixel).
inline void Blend4Sse2(std::uint8_t* surface, __m128i s, __m128i w) {
    const __m128i zero = _mm_setzero_si128();
    __m128i* p = reinterpret_cast<__m128i*>(surface);
    const __m128i d = _mm_loadu_si128(p);
    const __m128i notD = _mm_xor_si128(d, _mm_set1_epi32(-1));
    const __m128i diffLo = _mm_sub_epi16(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    const __m128i diffHi = _mm_sub_epi16(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    const __m128i sumLo = _mm_add_epi16(_mm_unpacklo_epi8(notD, d), _mm_mullo_epi16(diffLo, _mm_unpacklo_epi8(w, zero)));
    const __m128i sumHi = _mm_add_epi16(_mm_unpackhi_epi8(notD, d), _mm_mullo_epi16(diffHi, _mm_unpackhi_epi8(w, zero)));
    _mm_storeu_si128(p, _mm_packus_epi16(_mm_srli_epi16(sumLo, 8), _mm_srli_epi16(sumHi, 8)));
}

// Four 3-byte pixels (12 bytes, no byte beyond them read) as four 4-byte pixels; the fourth byte
// of each is whatever followed it and is never used.
inline __m128i LoadBgr4(const std::uint8_t* bgr) {
    const __m128i v = _mm_unpacklo_epi64(LoadLow64(bgr), LoadLow32(bgr + 8));
    const __m128i p01 = _mm_unpacklo_epi32(v, _mm_srli_si128(v, 3));
    const __m128i p23 = _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9));
    return _mm_unpacklo_epi64(p01, p23);
}

// Bytes v0 v1 v2 v3 ... to v0 v0 v0 v0 v1 v1 v1 v1 ...: the low four pixels and the next four.
inline __m128i SpreadLow4(__m128i doubled) { return _mm_unpacklo_epi16(doubled, doubled); }
inline __m128i SpreadHigh4(__m128i doubled) { return _mm_unpackhi_epi16(doubled, doubled); }

inline __m128i ColourMask() { return _mm_set1_epi32(0x00FFFFFF); }

void BgrAlphaSse2(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    const __m128i mask = ColourMask();
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const __m128i a = LoadLow64(alpha + x);
        const __m128i aa = _mm_unpacklo_epi8(a, a);
        Blend4Sse2(surface + 4 * x, LoadBgr4(bgr + 3 * x), _mm_and_si128(SpreadLow4(aa), mask));
        Blend4Sse2(surface + 4 * x + 16, LoadBgr4(bgr + 3 * x + 12), _mm_and_si128(SpreadHigh4(aa), mask));
    }
    if (x <= width - 4) {
        const __m128i a = LoadLow32(alpha + x);
        Blend4Sse2(surface + 4 * x, LoadBgr4(bgr + 3 * x), _mm_and_si128(SpreadLow4(_mm_unpacklo_epi8(a, a)), mask));
        x += 4;
    }
    BgrAlphaReference(surface + 4 * x, bgr + 3 * x, alpha + x, width - x);
}

void GreyAlphaSse2(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width) {
    const __m128i mask = ColourMask();
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const __m128i g = LoadLow64(grey + x);
        const __m128i a = LoadLow64(alpha + x);
        const __m128i gg = _mm_unpacklo_epi8(g, g);
        const __m128i aa = _mm_unpacklo_epi8(a, a);
        Blend4Sse2(surface + 4 * x, SpreadLow4(gg), _mm_and_si128(SpreadLow4(aa), mask));
        Blend4Sse2(surface + 4 * x + 16, SpreadHigh4(gg), _mm_and_si128(SpreadHigh4(aa), mask));
    }
    if (x <= width - 4) {
        const __m128i g = LoadLow32(grey + x);
        const __m128i a = LoadLow32(alpha + x);
        Blend4Sse2(surface + 4 * x, SpreadLow4(_mm_unpacklo_epi8(g, g)),
                   _mm_and_si128(SpreadLow4(_mm_unpacklo_epi8(a, a)), mask));
        x += 4;
    }
    GreyAlphaReference(surface + 4 * x, grey + x, alpha + x, width - x);
}

void BgraSse2(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    int x = 0;
    for (; x <= width - 4; x += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgra + 4 * x));
        // Alpha from the fourth byte into the three colour bytes: a, a, a, 0.
        const __m128i a = _mm_srli_epi32(s, 24);
        const __m128i aa = _mm_or_si128(a, _mm_slli_epi32(a, 8));
        Blend4Sse2(surface + 4 * x, s, _mm_or_si128(aa, _mm_slli_epi32(aa, 8)));
    }
    BgraReference(surface + 4 * x, bgra + 4 * x, width - x);
}

const BlendRowKernels kSse2Kernels{"sse2", BgrAlphaSse2, GreyAlphaSse2, PaletteByStretches<BgraSse2>};

#define TEVPNG_HAVE_SSE2_KERNELS 1
#endif

// ---------------------------------------------------------------------------------------------
// AVX2: eight pixels at a time. Only these functions are compiled for AVX2; they run only after
// the CPU check, and hand their last few pixels to the SSE2 blends.

#if defined(TEVPNG_HAVE_SSE2_KERNELS)

#define TEVPNG_AVX2 __attribute__((target("avx2")))

// Within each 128-bit half, unpacklo/unpackhi of eight surface pixels give pixels 0, 1 | 4, 5
// and 2, 3 | 6, 7. The source and weight words (sLo, wLo, sHi, wHi) come in the same order.
TEVPNG_AVX2 inline void Blend8Avx2(std::uint8_t* surface, __m256i sLo, __m256i sHi, __m256i wLo, __m256i wHi) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i* p = reinterpret_cast<__m256i*>(surface);
    const __m256i d = _mm256_loadu_si256(p);
    const __m256i notD = _mm256_xor_si256(d, _mm256_set1_epi32(-1));
    const __m256i diffLo = _mm256_sub_epi16(sLo, _mm256_unpacklo_epi8(d, zero));
    const __m256i diffHi = _mm256_sub_epi16(sHi, _mm256_unpackhi_epi8(d, zero));
    const __m256i sumLo = _mm256_add_epi16(_mm256_unpacklo_epi8(notD, d), _mm256_mullo_epi16(diffLo, wLo));
    const __m256i sumHi = _mm256_add_epi16(_mm256_unpackhi_epi8(notD, d), _mm256_mullo_epi16(diffHi, wHi));
    _mm256_storeu_si256(p, _mm256_packus_epi16(_mm256_srli_epi16(sumLo, 8), _mm256_srli_epi16(sumHi, 8)));
}

// Shuffle controls: each pixel's value as words (v, v, v, 0), taken from eight bytes repeated in
// both halves; -1 makes a zero byte.
TEVPNG_AVX2 inline __m256i SpreadBytesLo() {
    return _mm256_setr_epi8(0, -1, 0, -1, 0, -1, -1, -1, 1, -1, 1, -1, 1, -1, -1, -1,  //
                            4, -1, 4, -1, 4, -1, -1, -1, 5, -1, 5, -1, 5, -1, -1, -1);
}
TEVPNG_AVX2 inline __m256i SpreadBytesHi() {
    return _mm256_setr_epi8(2, -1, 2, -1, 2, -1, -1, -1, 3, -1, 3, -1, 3, -1, -1, -1,  //
                            6, -1, 6, -1, 6, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1);
}

TEVPNG_AVX2 inline __m256i LoadBytes8Avx2(const std::uint8_t* p) { return _mm256_broadcastq_epi64(LoadLow64(p)); }

TEVPNG_AVX2 void BgrAlphaAvx2(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    // The low half holds source bytes 0..15 (pixels 0..3 in bytes 0..11), the high half bytes
    // 8..23 (pixels 4..7 in its bytes 4..15): 24 bytes read for 24 bytes used.
    const __m256i bgrLo = _mm256_setr_epi8(0, -1, 1, -1, 2, -1, -1, -1, 3, -1, 4, -1, 5, -1, -1, -1,  //
                                           4, -1, 5, -1, 6, -1, -1, -1, 7, -1, 8, -1, 9, -1, -1, -1);
    const __m256i bgrHi = _mm256_setr_epi8(6, -1, 7, -1, 8, -1, -1, -1, 9, -1, 10, -1, 11, -1, -1, -1,  //
                                           10, -1, 11, -1, 12, -1, -1, -1, 13, -1, 14, -1, 15, -1, -1, -1);
    const __m256i alphaLo = SpreadBytesLo();
    const __m256i alphaHi = SpreadBytesHi();
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const std::uint8_t* s = bgr + 3 * x;
        const __m256i src = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 8)), 1);
        const __m256i a = LoadBytes8Avx2(alpha + x);
        Blend8Avx2(surface + 4 * x, _mm256_shuffle_epi8(src, bgrLo), _mm256_shuffle_epi8(src, bgrHi),
                   _mm256_shuffle_epi8(a, alphaLo), _mm256_shuffle_epi8(a, alphaHi));
    }
    BgrAlphaSse2(surface + 4 * x, bgr + 3 * x, alpha + x, width - x);
}

TEVPNG_AVX2 void GreyAlphaAvx2(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width) {
    const __m256i spreadLo = SpreadBytesLo();
    const __m256i spreadHi = SpreadBytesHi();
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const __m256i g = LoadBytes8Avx2(grey + x);
        const __m256i a = LoadBytes8Avx2(alpha + x);
        Blend8Avx2(surface + 4 * x, _mm256_shuffle_epi8(g, spreadLo), _mm256_shuffle_epi8(g, spreadHi),
                   _mm256_shuffle_epi8(a, spreadLo), _mm256_shuffle_epi8(a, spreadHi));
    }
    GreyAlphaSse2(surface + 4 * x, grey + x, alpha + x, width - x);
}

TEVPNG_AVX2 void BgraAvx2(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    // Alpha is byte 3 of each pixel; within a half, pixels 0, 1 and 2, 3 of that half.
    const __m256i alphaLo = _mm256_setr_epi8(3, -1, 3, -1, 3, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1,  //
                                             3, -1, 3, -1, 3, -1, -1, -1, 7, -1, 7, -1, 7, -1, -1, -1);
    const __m256i alphaHi = _mm256_setr_epi8(11, -1, 11, -1, 11, -1, -1, -1, 15, -1, 15, -1, 15, -1, -1, -1,  //
                                             11, -1, 11, -1, 11, -1, -1, -1, 15, -1, 15, -1, 15, -1, -1, -1);
    const __m256i zero = _mm256_setzero_si256();
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bgra + 4 * x));
        Blend8Avx2(surface + 4 * x, _mm256_unpacklo_epi8(s, zero), _mm256_unpackhi_epi8(s, zero),
                   _mm256_shuffle_epi8(s, alphaLo), _mm256_shuffle_epi8(s, alphaHi));
    }
    BgraSse2(surface + 4 * x, bgra + 4 * x, width - x);
}

const BlendRowKernels kAvx2Kernels{"avx2", BgrAlphaAvx2, GreyAlphaAvx2, PaletteByStretches<BgraAvx2>};

bool CpuRunsAvx2() {
    // Also false when the operating system does not save the AVX registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

#define TEVPNG_HAVE_AVX2_KERNELS 1
#endif

const BlendRowKernels kReferenceKernels{"reference", BgrAlphaReference, GreyAlphaReference, PaletteReference};

}  // namespace

BlendPalette MakeBlendPalette(const std::uint8_t* colourTable, int count, const std::uint8_t* alphaTable) {
    BlendPalette palette{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* entry = palette.bgra[i];
        if (i < count) std::memcpy(entry, colourTable + 4 * i, 3);
        entry[3] = alphaTable[i];
    }
    return palette;
}

const BlendRowKernels& ReferenceBlendRows() { return kReferenceKernels; }

const BlendRowKernels* Sse2BlendRows() {
#if defined(TEVPNG_HAVE_SSE2_KERNELS)
    return &kSse2Kernels;
#else
    return nullptr;
#endif
}

const BlendRowKernels* Avx2BlendRows() {
#if defined(TEVPNG_HAVE_AVX2_KERNELS)
    static const bool available = CpuRunsAvx2();
    return available ? &kAvx2Kernels : nullptr;
#else
    return nullptr;
#endif
}

const BlendRowKernels& BlendRows() {
    static const BlendRowKernels& chosen = Avx2BlendRows()   ? *Avx2BlendRows()
                                           : Sse2BlendRows() ? *Sse2BlendRows()
                                                             : ReferenceBlendRows();
    return chosen;
}

}  // namespace tevpng
